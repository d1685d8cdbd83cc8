// The counts kept as captures arrive.
#include "analysis/TrafficStats.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

using namespace analysis_test;

TEST(TrafficStats, CountsByNameDirectionLinkPairAndCause)
{
    TFeed Feed;
    Feed.Add(0, cdIn, 3, Iam(2300, 2061, 5, "1"));
    Feed.Add(100, cdIn, 3, Iam(2300, 2061, 6, "2"));
    Feed.Add(200, cdOut, 4, Iam(2061, 2300, 7, "3"));
    Feed.Add(900, cdOut, 4, Rel(2061, 2300, 5, 17, 2));
    Feed.Add(1500, cdIn, 3, Rel(2300, 2061, 6, 17, 4));
    Feed.Add(1600, cdIn, 3, Rel(2300, 2061, 7, 16, 0));
    Feed.Add(1700, 7, 9, Sltm(2062, 2061, 0));
    Feed.Add(1800, cdNone, 0, Bytes({0xFF, 0, 0, 0, 0}));
    const TTrafficStats& Stats = Feed.Analysis.Stats;
    EXPECT_EQ(Stats.Messages(), 8u);
    EXPECT_EQ(Stats.In(), 4u);
    EXPECT_EQ(Stats.Out(), 2u);
    const auto Names = Stats.ByName(Feed.Captures.Texts());
    ASSERT_EQ(Names.size(), 4u);
    EXPECT_EQ(Names[0].Name, "IAM");
    EXPECT_EQ(std::make_tuple(Names[0].In, Names[0].Out, Names[0].Other), std::make_tuple(2u, 1u, 0u));
    EXPECT_EQ(Names[1].Name, "REL");
    EXPECT_EQ(Names[1].Total(), 3u);
    EXPECT_EQ(Names[2].Name, "SLTM");
    EXPECT_EQ(Names[2].Other, 1u);
    EXPECT_EQ(Names[3].Name, "STOP");
    // The stop entry has no link and no routing label.
    EXPECT_EQ(Stats.ByLink(), (std::vector<std::pair<int, uint64_t>>{{3, 4}, {4, 2}, {9, 1}}));
    const auto Pairs = Stats.ByPair();
    ASSERT_EQ(Pairs.size(), 3u);
    EXPECT_EQ(std::make_tuple(Pairs[0].Opc, Pairs[0].Dpc, Pairs[0].Count), std::make_tuple(2061u, 2300u, 2u));
    EXPECT_EQ(std::make_tuple(Pairs[1].Opc, Pairs[1].Dpc, Pairs[1].Count), std::make_tuple(2062u, 2061u, 1u));
    EXPECT_EQ(std::make_tuple(Pairs[2].Opc, Pairs[2].Dpc, Pairs[2].Count), std::make_tuple(2300u, 2061u, 4u));
    const auto Causes = Stats.Causes();
    ASSERT_EQ(Causes.size(), 2u);
    EXPECT_EQ(std::make_tuple(int(Causes[0].Value), Causes[0].Text, Causes[0].Count),
              std::make_tuple(16, std::string("Normal call clearing"), 1u));
    EXPECT_EQ(std::make_tuple(int(Causes[1].Value), Causes[1].Text, Causes[1].Count),
              std::make_tuple(17, std::string("User busy"), 2u));
}

TEST(TrafficStats, MessagesPerSecondTakeStampsInAnyOrder)
{
    TFeed Feed;
    // Across a day's end, with a capture stamped before the ones before it.
    const int64_t Day = 24 * 3600 * 1000;
    const int64_t Midnight = Day - 9 * 3600 * 1000;
    for (int64_t Ms : {Midnight - 1001, Midnight - 1, Midnight - 999, Midnight, Midnight + 999, Midnight - 500})
        Feed.Add(Ms, cdIn, 0, Sltm(1, 2, 0));
    const auto& Seconds = Feed.Analysis.Stats.PerSecond();
    const int64_t First = StampMilliseconds(At(Midnight - 1001)) / 1000;
    EXPECT_EQ(Seconds, (std::map<int64_t, uint32_t>{{First, 1}, {First + 1, 3}, {First + 2, 2}}));
    Feed.Captures.Clear();
    Feed.Analysis.Clear();
    EXPECT_EQ(Feed.Analysis.Stats.Messages(), 0u);
    EXPECT_TRUE(Feed.Analysis.Stats.PerSecond().empty());
    Feed.Add(0, cdIn, 0, Sltm(1, 2, 0));
    EXPECT_EQ(Feed.Analysis.Stats.PerSecond().size(), 1u);
}
