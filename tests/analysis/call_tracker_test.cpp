// Calls correlated from their messages: what belongs to a call, what ends
// it, and the values its record reads from the messages.
#include "analysis/CallTracker.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

using namespace analysis_test;

namespace {

constexpr uint32_t Us = 2061;
constexpr uint32_t Them = 2300;
constexpr uint32_t Other = 4011;

} // namespace

TEST(CallTracker, FollowsACallFromIamToRlc)
{
    TFeed Feed;
    Feed.Add(0, cdOut, 2, Iam(Us, Them, 17, "4165", "3012345"));
    Feed.Add(400, cdOut, 2, Sam(Us, Them, 17, "021"));
    Feed.Add(900, cdIn, 3, Acm(Them, Us, 17));
    Feed.Add(1000, cdIn, 3, Cpg(Them, Us, 17));
    Feed.Add(5000, cdIn, 3, Anm(Them, Us, 17));
    Feed.Add(65000, cdIn, 3, Rel(Them, Us, 17, 16, 4));
    Feed.Add(65040, cdOut, 2, Rlc(Us, Them, 17));
    const auto& Calls = Feed.Analysis.Calls.Calls();
    ASSERT_EQ(Calls.size(), 1u);
    const TCallRecord& Call = Calls[0];
    EXPECT_EQ(Call.Number, 1u);
    EXPECT_EQ(Call.Opc, Us);
    EXPECT_EQ(Call.Dpc, Them);
    EXPECT_EQ(Call.Cic, 17);
    EXPECT_EQ(Call.Direction, cdOut);
    EXPECT_EQ(Call.Link, 2);
    EXPECT_EQ(Call.Calling, "3012345");
    EXPECT_EQ(Call.Called, "4165021");
    EXPECT_EQ(Call.State, TCallState::Complete);
    EXPECT_TRUE(Call.Answered);
    EXPECT_TRUE(Call.Complete);
    EXPECT_FALSE(Call.Open);
    EXPECT_EQ(Call.AnswerTime, At(5000));
    EXPECT_EQ(Call.ReleaseTime, At(65000));
    EXPECT_EQ(Call.EndTime, At(65040));
    EXPECT_EQ(Call.DurationMs(), 65000);
    EXPECT_EQ(Call.TalkMs(), 60000);
    ASSERT_TRUE(Call.HasCause);
    EXPECT_EQ(Call.CauseValue, 16);
    EXPECT_EQ(Call.CauseText, "Normal call clearing");
    EXPECT_EQ(Call.CauseLocation, 4);
    EXPECT_EQ(Call.LocationText, "public network serving the remote user (RLN)");
    EXPECT_EQ(Call.ReleasedBy, TReleaseSide::Called);
    EXPECT_EQ(Call.EndedBy, TCallEnd::None);
    EXPECT_EQ(Call.Messages, (std::vector<uint64_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(CallTracker, StatesFollowTheMessagesOfAnOpenCall)
{
    TFeed Feed;
    Feed.Add(0, cdIn, 0, Iam(Them, Us, 5, "123"));
    const TCallRecord& Call = Feed.Analysis.Calls.Calls()[0];
    EXPECT_EQ(Call.State, TCallState::Setup);
    EXPECT_EQ(Call.Calling, "");
    EXPECT_TRUE(Call.Open);
    Feed.Add(10, cdOut, 0, Acm(Us, Them, 5));
    EXPECT_EQ(Call.State, TCallState::Alerting);
    Feed.Add(20, cdOut, 0, Con(Us, Them, 5));
    EXPECT_EQ(Call.State, TCallState::Answered);
    EXPECT_EQ(Call.AnswerTime, At(20));
    // The calling side releases; an unanswered call has no talk time, a
    // call without its REL lasts to its last message.
    Feed.Add(90, cdIn, 0, Rel(Them, Us, 5, 31, 0));
    EXPECT_EQ(Call.State, TCallState::Released);
    EXPECT_EQ(Call.ReleasedBy, TReleaseSide::Calling);
    EXPECT_EQ(Call.CauseText, "Normal, unspecified");
    EXPECT_FALSE(Call.Complete);

    Feed.Add(100, cdIn, 0, Iam(Them, Us, 6, "5"));
    Feed.Add(130, cdOut, 0, Acm(Us, Them, 6));
    const TCallRecord& Second = Feed.Analysis.Calls.Calls()[1];
    EXPECT_EQ(Second.TalkMs(), 0);
    EXPECT_EQ(Second.DurationMs(), 30);
    EXPECT_FALSE(Second.HasCause);
}

TEST(CallTracker, MatchesMessagesByPointCodePairAndCic)
{
    TFeed Feed;
    Feed.Add(0, cdOut, 0, Iam(Us, Them, 9, "1"));
    Feed.Add(1, cdOut, 0, Iam(Us, Other, 9, "2"));
    Feed.Add(2, cdOut, 0, Iam(Us, Them, 10, "3"));
    // Backward messages come the other way round; unrelated messages on a
    // circuit without a call, or on another pair, join nothing.
    Feed.Add(3, cdIn, 0, Anm(Other, Us, 9));
    Feed.Add(4, cdIn, 0, Acm(Them, Us, 10));
    Feed.Add(5, cdIn, 0, Rlc(Them, Us, 11));
    Feed.Add(6, cdIn, 0, Anm(Them, Other, 9));
    Feed.Add(7, cdIn, 0, Sltm(Them, Us, 0));
    const auto& Calls = Feed.Analysis.Calls.Calls();
    ASSERT_EQ(Calls.size(), 3u);
    EXPECT_EQ(Calls[0].Messages, (std::vector<uint64_t>{0}));
    EXPECT_EQ(Calls[1].Messages, (std::vector<uint64_t>{1, 3}));
    EXPECT_TRUE(Calls[1].Answered);
    EXPECT_EQ(Calls[2].Messages, (std::vector<uint64_t>{2, 4}));
    EXPECT_EQ(Calls[2].State, TCallState::Alerting);
}

TEST(CallTracker, NewIamResetAndGroupResetEndCalls)
{
    TFeed Feed;
    // Dual seizure: the other side's IAM on the same circuit.
    Feed.Add(0, cdOut, 0, Iam(Us, Them, 1, "1"));
    Feed.Add(5, cdIn, 0, Iam(Them, Us, 1, "2"));
    Feed.Add(9, cdOut, 0, Acm(Us, Them, 1));
    // A reset circuit: its RLC belongs to no call.
    Feed.Add(10, cdOut, 0, Iam(Us, Them, 2, "3"));
    Feed.Add(20, cdIn, 0, Rsc(Them, Us, 2));
    Feed.Add(30, cdOut, 0, Rlc(Us, Them, 2));
    // A group reset of CICs 40-43 ends the calls there, not the one on 44.
    Feed.Add(40, cdOut, 0, Iam(Us, Them, 40, "4"));
    Feed.Add(41, cdOut, 0, Iam(Us, Them, 43, "5"));
    Feed.Add(42, cdOut, 0, Iam(Us, Them, 44, "6"));
    Feed.Add(43, cdOut, 0, Iam(Us, Other, 41, "7"));
    Feed.Add(50, cdIn, 0, Grs(Them, Us, 40, 3));
    const auto& Calls = Feed.Analysis.Calls.Calls();
    ASSERT_EQ(Calls.size(), 7u);
    EXPECT_EQ(Calls[0].EndedBy, TCallEnd::Iam);
    EXPECT_FALSE(Calls[0].Open);
    EXPECT_EQ(Calls[0].Messages.size(), 1u);
    EXPECT_EQ(Calls[1].Messages, (std::vector<uint64_t>{1, 2}));
    EXPECT_EQ(Calls[1].EndedBy, TCallEnd::None);
    EXPECT_EQ(Calls[2].EndedBy, TCallEnd::Rsc);
    EXPECT_FALSE(Calls[2].Complete);
    EXPECT_EQ(Calls[2].Messages.size(), 1u);
    EXPECT_EQ(Calls[3].EndedBy, TCallEnd::Grs);
    EXPECT_EQ(Calls[4].EndedBy, TCallEnd::Grs);
    EXPECT_EQ(Calls[5].EndedBy, TCallEnd::None);
    EXPECT_TRUE(Calls[5].Open);
    EXPECT_EQ(Calls[6].EndedBy, TCallEnd::None);
    Feed.Analysis.Clear();
    EXPECT_TRUE(Feed.Analysis.Calls.Calls().empty());
    // An RLC for a cleared call's circuit finds nothing open.
    Feed.Add(60, cdIn, 0, Rlc(Them, Us, 44));
    EXPECT_TRUE(Feed.Analysis.Calls.Calls().empty());
}

TEST(CallTracker, CallsGoWithTheirCapturesWhenTheOldestAreDropped)
{
    TFeed Feed;
    const TCallTracker& Tracker = Feed.Analysis.Calls;
    Feed.Add(0, cdOut, 0, Iam(Us, Them, 1, "1"));
    Feed.Add(1, cdIn, 0, Acm(Them, Us, 1));
    Feed.Add(2, cdIn, 0, Rel(Them, Us, 1, 17, 1));
    Feed.Add(3, cdOut, 0, Rlc(Us, Them, 1));
    Feed.Add(4, cdOut, 0, Iam(Us, Them, 2, "2"));
    Feed.Add(5, cdIn, 0, Anm(Them, Us, 2));
    Feed.Add(6, cdOut, 0, Iam(Us, Other, 3, "3"));
    // The complete call's captures are gone: so is the call; the calls after
    // it keep their numbers and the sequence numbers of their captures.
    Feed.Captures.DropOldest(4);
    ASSERT_EQ(Tracker.Calls().size(), 2u);
    EXPECT_EQ(Tracker.DroppedCalls(), 1u);
    EXPECT_EQ(Tracker.FindCall(1), nullptr);
    ASSERT_NE(Tracker.FindCall(2), nullptr);
    EXPECT_EQ(Tracker.FindCall(2)->Messages, (std::vector<uint64_t>{4, 5}));
    EXPECT_EQ(Feed.Captures.PositionOf(4), 0);
    EXPECT_EQ(Feed.Captures.PositionOf(3), -1);
    EXPECT_EQ(Feed.Captures.PositionOf(7), -1);
    // An open call goes too once all its captures have; its circuit's next
    // messages then join nothing, and the next call takes the next number.
    Feed.Captures.DropOldest(2);
    ASSERT_EQ(Tracker.Calls().size(), 1u);
    EXPECT_EQ(Tracker.Calls()[0].Number, 3u);
    EXPECT_EQ(Tracker.OpenCalls(), 1u);
    Feed.Add(7, cdIn, 0, Rel(Them, Us, 2, 16, 1));
    Feed.Add(8, cdIn, 0, Acm(Other, Us, 3));
    Feed.Add(9, cdOut, 0, Iam(Us, Them, 2, "4"));
    ASSERT_EQ(Tracker.Calls().size(), 2u);
    EXPECT_EQ(Tracker.Calls()[0].Messages, (std::vector<uint64_t>{6, 8}));
    EXPECT_EQ(Tracker.Calls()[1].Number, 4u);
    EXPECT_EQ(Tracker.Calls()[1].Messages, (std::vector<uint64_t>{9}));
    // Dropping every capture drops every call; the counts stay.
    Feed.Captures.DropOldest(100);
    EXPECT_TRUE(Tracker.Calls().empty());
    EXPECT_EQ(Tracker.OpenCalls(), 0u);
    EXPECT_EQ(Tracker.DroppedCalls(), 4u);
    EXPECT_EQ(Feed.Analysis.Stats.Messages(), 10u);
    Feed.Add(10, cdOut, 0, Iam(Us, Them, 5, "5"));
    EXPECT_EQ(Tracker.Calls()[0].Number, 5u);
    EXPECT_EQ(Tracker.Calls()[0].Messages, (std::vector<uint64_t>{10}));
}

TEST(CallTracker, CsvQuotesTextsWithCommasAndQuotes)
{
    TFeed Feed;
    Feed.Add(0, cdIn, 1, Iam(Them, Us, 5, "123", "456"));
    Feed.Add(1000, cdOut, 1, Rel(Us, Them, 5, 31, 2));
    const std::string Csv = CallsCsv(Feed.Analysis.Calls.Calls());
    const size_t LineEnd = Csv.find("\r\n");
    ASSERT_NE(LineEnd, std::string::npos);
    EXPECT_EQ(Csv.substr(0, 25), "call,start,opc,dpc,cic,di");
    EXPECT_EQ(Csv.substr(LineEnd + 2),
              "1,2027-03-01T09:00:00.000,2300,2061,5,IN,1,456,123,released,no,,2027-03-01T09:00:01.000,1.000,"
              "0.000,31,\"Normal, unspecified\",public network serving the local user (LN),called,,no,2\r\n");
    TCallRecord Quoted = Feed.Analysis.Calls.Calls()[0];
    Quoted.Called = "12\"3";
    EXPECT_NE(CallsCsv({Quoted}).find(",\"12\"\"3\","), std::string::npos);
}
