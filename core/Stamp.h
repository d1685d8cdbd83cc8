// The capture stamp: local date and time in the 16-octet SYSTEMTIME layout
// of the capture record (eight unsigned 16-bit little-endian words: year,
// month 1-12, day of week 0 = Sunday, day of month, hour, minute, second,
// milliseconds).
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct TSystemTime {
    uint16_t Year = 0;
    uint16_t Month = 0;
    uint16_t DayOfWeek = 0;
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint16_t Milliseconds = 0;

    bool operator==(const TSystemTime&) const = default;
};

constexpr size_t StampSize = 16;
using TStampBytes = std::array<uint8_t, StampSize>;

// The current local date and time.
TSystemTime LocalTimeNow();
// Stamp moved on by Ms milliseconds (back for Ms < 0) on the calendar,
// day of week included; local time is taken to have no daylight-saving
// steps.
TSystemTime AddMilliseconds(const TSystemTime& Stamp, int64_t Ms);
// The 16 raw octets of a stamp, as at offset 0 of a capture record.
TStampBytes StampToBytes(const TSystemTime& Stamp);
// The stamp held by the first 16 octets at Bytes.
TSystemTime StampFromBytes(const uint8_t* Bytes);
// "%d:%.2d:%.2d.%.3d" of hour, minute, second, milliseconds.
std::string FormatStampTime(const TSystemTime& Stamp);
// "%d.%d.%d" of day, month, year.
std::string FormatStampDate(const TSystemTime& Stamp);
// ISO 8601 local time: 2026-12-07T09:05:03.012
std::string FormatStampIso(const TSystemTime& Stamp);
// Append the same texts.
void AppendStampTime(const TSystemTime& Stamp, std::string& Text);
void AppendStampDate(const TSystemTime& Stamp, std::string& Text);
void AppendStampIso(const TSystemTime& Stamp, std::string& Text);

// The local date and time of a moment given as seconds since 1970-01-01 UTC
// and milliseconds (0-999).
TSystemTime LocalTimeFromEpoch(int64_t Seconds, unsigned Milliseconds);
// The seconds since 1970-01-01 UTC of a stamp read as local time (its
// milliseconds and day of week left aside); false when the stamp is not a
// date and time (month 13, minute 60, ...). In the hour that a change from
// summer time repeats, the first of the two moments is given.
bool EpochFromLocalTime(const TSystemTime& Stamp, int64_t& Seconds);
