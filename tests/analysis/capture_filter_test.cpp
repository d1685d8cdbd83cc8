// The filter language: what each kind of term keeps, and where a bad
// expression is said to go wrong.
#include "analysis/CaptureFilter.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace analysis_test;

namespace {

// Captures of every kind the list shows, one per row.
class CaptureFilterTest : public testing::Test {
protected:
    void SetUp() override
    {
        Feed.Add(0, cdIn, 3, Iam(2300, 2061, 5, "123"));     // 0
        Feed.Add(10, cdOut, 3, Acm(2061, 2300, 5));          // 1
        Feed.Add(20, cdOut, 7, Iam(2061, 4011, 9, "456"));   // 2
        Feed.Add(30, cdIn, 7, Rel(4011, 2061, 9, 17, 2));    // 3
        Feed.Add(40, cdIn, 2, Sltm(2062, 2061, 1));          // 4
        Feed.Add(50, cdNone, 0, StopEntryRecordMessage());   // 5
        Feed.Add(60, cdIn, 4, Heading(3, 1234, 2061) + "x"); // 6: does not decode
        Feed.Add(61000, cdOut, 12, Anm(2061, 1234, 300));    // 7
    }

    static std::string StopEntryRecordMessage() { return Bytes({0xFF, 0, 0, 0, 0}); }

    std::vector<int> Kept(const char* Expression)
    {
        const TCaptureFilter Filter = TCaptureFilter::Parse(Expression);
        std::vector<int> Rows;
        for (int I = 0; I < Feed.Captures.Count(); ++I)
            if (Filter.Matches(Feed.Captures.Items(I), Feed.Captures.Texts()))
                Rows.push_back(I);
        return Rows;
    }

    TFeed Feed;
};

using Rows = std::vector<int>;

} // namespace

TEST_F(CaptureFilterTest, FieldsMatchAnyOfTheirValues)
{
    EXPECT_EQ(Kept(""), (Rows{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Kept("name=IAM"), (Rows{0, 2}));
    EXPECT_EQ(Kept("NAME=iam,Rel"), (Rows{0, 2, 3}));
    EXPECT_EQ(Kept("name=STOP"), (Rows{5}));
    EXPECT_EQ(Kept("dir=out"), (Rows{1, 2, 7}));
    EXPECT_EQ(Kept("dir=in,out"), (Rows{0, 1, 2, 3, 4, 6, 7}));
    // A stop entry has no link, no routing label and no service indicator.
    EXPECT_EQ(Kept("link=0-3"), (Rows{0, 1, 4}));
    EXPECT_EQ(Kept("link=7,12"), (Rows{2, 3, 7}));
    EXPECT_EQ(Kept("opc=2061"), (Rows{1, 2, 7}));
    EXPECT_EQ(Kept("dpc=4011,1234"), (Rows{2, 7}));
    EXPECT_EQ(Kept("pc=4011"), (Rows{2, 3}));
    EXPECT_EQ(Kept("si=1"), (Rows{4}));
    EXPECT_EQ(Kept("si=5"), (Rows{0, 1, 2, 3, 7}));
    EXPECT_EQ(Kept("si=3"), (Rows{6}));
    EXPECT_EQ(Kept("sls=1"), (Rows{4}));
    EXPECT_EQ(Kept("cic=5-9"), (Rows{0, 1, 2, 3}));
    EXPECT_EQ(Kept("cic=9,300"), (Rows{2, 3, 7}));
}

TEST_F(CaptureFilterTest, TermsMustAllHoldAndNegationInverts)
{
    EXPECT_EQ(Kept("pc=2300 cic=5-9"), (Rows{0, 1}));
    EXPECT_EQ(Kept("name=IAM dir=in"), (Rows{0}));
    EXPECT_EQ(Kept("!name=IAM,ACM,ANM,REL,RLC"), (Rows{4, 5, 6}));
    // A negated field term keeps what lacks the field.
    EXPECT_EQ(Kept("!opc=2061"), (Rows{0, 3, 4, 5, 6}));
    EXPECT_EQ(Kept("  name=IAM\t !dir=out  "), (Rows{0}));
}

TEST_F(CaptureFilterTest, BareWordsMatchTheRowTextsIgnoringCase)
{
    EXPECT_EQ(Kept("sltm"), (Rows{4}));
    EXPECT_EQ(Kept("\"=> 4011\""), (Rows{2}));
    EXPECT_EQ(Kept("\"sls=1\""), (Rows{4, 7}));
    // The error text of a message that does not decode, and the time.
    EXPECT_EQ(Kept("subsystem"), (Rows{6}));
    EXPECT_EQ(Kept("9:01:01"), (Rows{7}));
    EXPECT_EQ(Kept("1.3.2027 !a"), (Rows{3, 4, 5, 6}));
    // 300: the CIC of row 7, and in 2300 of the routing labels of rows 0 and 1.
    EXPECT_EQ(Kept("300"), (Rows{0, 1, 7}));
    EXPECT_EQ(Kept("!iam"), (Rows{1, 3, 4, 5, 6, 7}));
}

TEST(CaptureFilter, BadExpressionsSayWhere)
{
    struct TCase {
        const char* Expression;
        size_t Position;
        const char* Reason;
    };
    const TCase Cases[] = {
        {"name=IAM foo=1", 9, "unknown field 'foo'"},
        {"=IAM", 0, "a field name must come before '='"},
        {"cic=", 4, "a value must follow 'cic='"},
        {"cic=9-5", 4, "the range 9-5 runs backwards"},
        {"cic=x", 4, "'x' is not a number or a range A-B"},
        {"cic=5-", 6, "a number is missing"},
        {"cic=1-2-3", 6, "'2-3' is not a number"},
        {"pc=16384", 3, "16384 is too large for pc (at most 16383)"},
        {"link=99999999999999999999", 5, "is too large for link"},
        {"dir=up", 4, "dir is in or out, not 'up'"},
        {"name=IAM,,ACM", 9, "a value is missing between commas"},
        {"name=IAM, ACM", 9, "a value is missing between commas"},
        {"! name=IAM", 0, "'!' must stand right before a term"},
        {"\"open", 0, "the quoted text is not closed"},
        {"\"\"", 0, "the quoted text is empty"},
        {"\"a\"b", 3, "a blank must follow the closing"},
    };
    for (const TCase& Case : Cases) {
        try {
            TCaptureFilter::Parse(Case.Expression);
            ADD_FAILURE() << Case.Expression << " parsed";
        } catch (const EFilterError& Error) {
            EXPECT_EQ(Error.Position, Case.Position) << Case.Expression;
            EXPECT_NE(Error.Reason.find(Case.Reason), std::string::npos) << Case.Expression << ": " << Error.Reason;
            EXPECT_EQ(std::string(Error.what()).rfind("column " + std::to_string(Case.Position + 1) + ": ", 0), 0u)
                << Error.what();
        }
    }
}

TEST(CaptureFilter, RemembersPoolTextsPerPool)
{
    // One filter used over two collections whose pools give the same index
    // to different names.
    TCaptureItemsCollection First;
    TCaptureItemsCollection Second;
    First.Add(TCaptureRecord{At(0), cdIn, 0, Iam(1, 2, 3, "1")}, Catalog());
    Second.Add(TCaptureRecord{At(0), cdIn, 0, Acm(1, 2, 3)}, Catalog());
    ASSERT_EQ(First.Items(0).Summary.NameText, Second.Items(0).Summary.NameText);
    const TCaptureFilter Filter = TCaptureFilter::Parse("name=IAM");
    EXPECT_TRUE(Filter.Matches(First.Items(0), First.Texts()));
    EXPECT_FALSE(Filter.Matches(Second.Items(0), Second.Texts()));
    EXPECT_TRUE(Filter.Matches(First.Items(0), First.Texts()));
}
