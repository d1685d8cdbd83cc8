// The capture stamp: its 16-octet record layout and its texts.
#include "core/Stamp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

TSystemTime Sample()
{
    TSystemTime Stamp;
    Stamp.Year = 2026;
    Stamp.Month = 12;
    Stamp.DayOfWeek = 1;
    Stamp.Day = 7;
    Stamp.Hour = 9;
    Stamp.Minute = 5;
    Stamp.Second = 3;
    Stamp.Milliseconds = 12;
    return Stamp;
}

TEST(Stamp, RecordLayoutIsEightLittleEndianWords)
{
    const TStampBytes Expected = {0xEA, 0x07, 0x0C, 0x00, 0x01, 0x00, 0x07, 0x00,
                                  0x09, 0x00, 0x05, 0x00, 0x03, 0x00, 0x0C, 0x00};
    EXPECT_EQ(StampToBytes(Sample()), Expected);
    EXPECT_EQ(StampFromBytes(Expected.data()), Sample());

    TSystemTime High;
    High.Year = 0xFFFF;
    High.Month = 0x1234;
    High.Milliseconds = 0x8001;
    const auto Bytes = StampToBytes(High);
    EXPECT_EQ(Bytes[0], 0xFF);
    EXPECT_EQ(Bytes[2], 0x34);
    EXPECT_EQ(Bytes[3], 0x12);
    EXPECT_EQ(Bytes[14], 0x01);
    EXPECT_EQ(Bytes[15], 0x80);
    EXPECT_EQ(StampFromBytes(Bytes.data()), High);
}

TEST(Stamp, TimeAndDateTexts)
{
    EXPECT_EQ(FormatStampTime(Sample()), "9:05:03.012");
    EXPECT_EQ(FormatStampDate(Sample()), "7.12.2026");
    EXPECT_EQ(FormatStampIso(Sample()), "2026-12-07T09:05:03.012");

    TSystemTime Late = Sample();
    Late.Hour = 23;
    Late.Minute = 59;
    Late.Second = 59;
    Late.Milliseconds = 999;
    Late.Day = 31;
    Late.Month = 1;
    EXPECT_EQ(FormatStampTime(Late), "23:59:59.999");
    EXPECT_EQ(FormatStampDate(Late), "31.1.2026");
    EXPECT_EQ(FormatStampIso(Late), "2026-01-31T23:59:59.999");

    const TSystemTime Zero;
    EXPECT_EQ(FormatStampTime(Zero), "0:00:00.000");
    EXPECT_EQ(FormatStampDate(Zero), "0.0.0");
    EXPECT_EQ(FormatStampIso(Zero), "0000-00-00T00:00:00.000");

    // A record's stamp may hold any 16-bit word: the texts are printf's.
    TSystemTime Odd;
    Odd.Year = 65535;
    Odd.Month = 100;
    Odd.Day = 7;
    Odd.Hour = 1000;
    Odd.Minute = 60;
    Odd.Second = 5;
    Odd.Milliseconds = 12345;
    EXPECT_EQ(FormatStampTime(Odd), "1000:60:05.12345");
    EXPECT_EQ(FormatStampDate(Odd), "7.100.65535");
    EXPECT_EQ(FormatStampIso(Odd), "65535-100-07T1000:60:05.12345");
}

TEST(Stamp, LocalTimeNowIsAValidDate)
{
    const TSystemTime Now = LocalTimeNow();
    EXPECT_GE(Now.Year, 2024);
    EXPECT_GE(Now.Month, 1);
    EXPECT_LE(Now.Month, 12);
    EXPECT_LE(Now.DayOfWeek, 6);
    EXPECT_GE(Now.Day, 1);
    EXPECT_LE(Now.Day, 31);
    EXPECT_LE(Now.Hour, 23);
    EXPECT_LE(Now.Minute, 59);
    EXPECT_LE(Now.Second, 59);
    EXPECT_LE(Now.Milliseconds, 999);
}

TEST(Stamp, AddMillisecondsCarriesThroughTheCalendar)
{
    const TSystemTime Start = Sample(); // Monday 7.12.2026 9:05:03.012
    EXPECT_EQ(AddMilliseconds(Start, 0), Start);
    EXPECT_EQ(FormatStampTime(AddMilliseconds(Start, 988)), "9:05:04.000");
    EXPECT_EQ(FormatStampTime(AddMilliseconds(Start, -13)), "9:05:02.999");
    // Past midnight on New Year's Eve, a Thursday: a Friday in a new year.
    const TSystemTime Late{2026, 12, 4, 31, 23, 59, 59, 500};
    const TSystemTime NewYear = AddMilliseconds(Late, 600);
    EXPECT_EQ(NewYear, (TSystemTime{2027, 1, 5, 1, 0, 0, 0, 100}));
    EXPECT_EQ(AddMilliseconds(NewYear, -600), Late);
    // 29 February of a leap year, and a whole week later the same weekday.
    EXPECT_EQ(AddMilliseconds(TSystemTime{2028, 2, 1, 28, 12, 0, 0, 0}, 86400000),
              (TSystemTime{2028, 2, 2, 29, 12, 0, 0, 0}));
    EXPECT_EQ(AddMilliseconds(Start, 7 * 86400000LL).DayOfWeek, Start.DayOfWeek);
}

} // namespace

// Local time to and from seconds since 1970, in a zone with summer time
// (spelt out, so that no time zone database is needed).
class StampZone : public testing::Test {
protected:
    void SetUp() override
    {
        const char* Zone = std::getenv("TZ");
        Old = Zone ? Zone : "";
        Had = Zone != nullptr;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override
    {
        if (Had)
            setenv("TZ", Old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::string Old;
    bool Had = false;
};

TEST_F(StampZone, EpochAndLocalTimeAgreeEveryHalfHourOfAYear)
{
    // 2026-01-01 00:00 UTC on, every 30 minutes and 7 seconds, both summer
    // time changes included.
    for (int64_t Seconds = 1767225600; Seconds < 1767225600 + 366 * 86400; Seconds += 1807) {
        const TSystemTime Stamp = LocalTimeFromEpoch(Seconds, 250);
        int64_t Back = -1;
        ASSERT_TRUE(EpochFromLocalTime(Stamp, Back)) << FormatStampIso(Stamp);
        // The hour repeated at the change back reads as its first pass.
        if (Back != Seconds) {
            EXPECT_EQ(Back, Seconds - 3600) << FormatStampIso(Stamp);
        }
        EXPECT_EQ(Stamp.Milliseconds, 250);
    }
    EXPECT_EQ(LocalTimeFromEpoch(1796630703, 12), Sample());
    int64_t Seconds = 0;
    ASSERT_TRUE(EpochFromLocalTime(Sample(), Seconds));
    EXPECT_EQ(Seconds, 1796630703);
    // 2:30 on 25 October 2026 comes twice: first in summer time (00:30 UTC).
    ASSERT_TRUE(EpochFromLocalTime(TSystemTime{2026, 10, 0, 25, 2, 30, 0, 0}, Seconds));
    EXPECT_EQ(Seconds, 1792888200);
}

TEST_F(StampZone, StampsThatAreNoDateAndTimeHaveNoEpoch)
{
    int64_t Seconds = 7;
    for (const TSystemTime& Bad : {TSystemTime{2026, 0, 0, 1, 0, 0, 0, 0}, TSystemTime{2026, 13, 0, 1, 0, 0, 0, 0},
                                   TSystemTime{2026, 2, 0, 29, 0, 0, 0, 0}, TSystemTime{2026, 4, 0, 31, 0, 0, 0, 0},
                                   TSystemTime{2026, 1, 0, 0, 0, 0, 0, 0}, TSystemTime{2026, 1, 0, 1, 24, 0, 0, 0},
                                   TSystemTime{2026, 1, 0, 1, 0, 60, 0, 0}, TSystemTime{2026, 1, 0, 1, 0, 0, 60, 0}})
        EXPECT_FALSE(EpochFromLocalTime(Bad, Seconds)) << FormatStampIso(Bad);
    EXPECT_EQ(Seconds, 7);
    EXPECT_TRUE(EpochFromLocalTime(TSystemTime{2028, 2, 0, 29, 0, 0, 0, 0}, Seconds));
}
