#include "core/Stamp.h"

#include "core/Format.h"

#include <chrono>
#include <ctime>

TSystemTime LocalTimeNow()
{
    const auto Millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    // Floor division keeps the milliseconds in 0..999 on either side of 1970.
    const int64_t Seconds = Millis >= 0 ? Millis / 1000 : (Millis - 999) / 1000;
    return LocalTimeFromEpoch(Seconds, static_cast<unsigned>(Millis - Seconds * 1000));
}

TSystemTime AddMilliseconds(const TSystemTime& Stamp, int64_t Ms)
{
    using namespace std::chrono;
    const sys_days Day{year{Stamp.Year} / month{Stamp.Month} / day{Stamp.Day}};
    const sys_time<milliseconds> At = Day + hours{Stamp.Hour} + minutes{Stamp.Minute} + seconds{Stamp.Second} +
        milliseconds{Stamp.Milliseconds} + milliseconds{Ms};
    const sys_days NewDay = floor<days>(At);
    const year_month_day Date{NewDay};
    const hh_mm_ss<milliseconds> Time{At - NewDay};
    TSystemTime Result;
    Result.Year = static_cast<uint16_t>(static_cast<int>(Date.year()));
    Result.Month = static_cast<uint16_t>(static_cast<unsigned>(Date.month()));
    Result.DayOfWeek = static_cast<uint16_t>(weekday{NewDay}.c_encoding());
    Result.Day = static_cast<uint16_t>(static_cast<unsigned>(Date.day()));
    Result.Hour = static_cast<uint16_t>(Time.hours().count());
    Result.Minute = static_cast<uint16_t>(Time.minutes().count());
    Result.Second = static_cast<uint16_t>(Time.seconds().count());
    Result.Milliseconds = static_cast<uint16_t>(Time.subseconds().count());
    return Result;
}

TStampBytes StampToBytes(const TSystemTime& Stamp)
{
    const uint16_t Words[8] = {Stamp.Year, Stamp.Month,  Stamp.DayOfWeek, Stamp.Day,
                               Stamp.Hour, Stamp.Minute, Stamp.Second,    Stamp.Milliseconds};
    TStampBytes Bytes{};
    for (size_t I = 0; I < 8; ++I) {
        Bytes[2 * I] = static_cast<uint8_t>(Words[I] & 0xFF);
        Bytes[2 * I + 1] = static_cast<uint8_t>(Words[I] >> 8);
    }
    return Bytes;
}

TSystemTime StampFromBytes(const uint8_t* Bytes)
{
    auto Word = [Bytes](size_t I) { return static_cast<uint16_t>(Bytes[2 * I] | (Bytes[2 * I + 1] << 8)); };
    TSystemTime Stamp;
    Stamp.Year = Word(0);
    Stamp.Month = Word(1);
    Stamp.DayOfWeek = Word(2);
    Stamp.Day = Word(3);
    Stamp.Hour = Word(4);
    Stamp.Minute = Word(5);
    Stamp.Second = Word(6);
    Stamp.Milliseconds = Word(7);
    return Stamp;
}

std::string FormatStampTime(const TSystemTime& Stamp)
{
    std::string Text;
    AppendStampTime(Stamp, Text);
    return Text;
}

std::string FormatStampDate(const TSystemTime& Stamp)
{
    std::string Text;
    AppendStampDate(Stamp, Text);
    return Text;
}

std::string FormatStampIso(const TSystemTime& Stamp)
{
    std::string Text;
    AppendStampIso(Stamp, Text);
    return Text;
}

// Each text is made in a buffer and appended in one go. The fields are
// 16-bit numbers: at most 5 digits each.

// "%d:%.2d:%.2d.%.3d" of hour, minute, second, milliseconds.
void AppendStampTime(const TSystemTime& Stamp, std::string& Text)
{
    char Buffer[32];
    char* Out = PutDecimal(Buffer, Stamp.Hour);
    *Out++ = ':';
    Out = PutDecimal(Out, Stamp.Minute, 2);
    *Out++ = ':';
    Out = PutDecimal(Out, Stamp.Second, 2);
    *Out++ = '.';
    Out = PutDecimal(Out, Stamp.Milliseconds, 3);
    Text.append(Buffer, static_cast<size_t>(Out - Buffer));
}

// "%d.%d.%d" of day, month, year.
void AppendStampDate(const TSystemTime& Stamp, std::string& Text)
{
    char Buffer[32];
    char* Out = PutDecimal(Buffer, Stamp.Day);
    *Out++ = '.';
    Out = PutDecimal(Out, Stamp.Month);
    *Out++ = '.';
    Out = PutDecimal(Out, Stamp.Year);
    Text.append(Buffer, static_cast<size_t>(Out - Buffer));
}

// "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3d".
void AppendStampIso(const TSystemTime& Stamp, std::string& Text)
{
    char Buffer[48];
    char* Out = PutDecimal(Buffer, Stamp.Year, 4);
    *Out++ = '-';
    Out = PutDecimal(Out, Stamp.Month, 2);
    *Out++ = '-';
    Out = PutDecimal(Out, Stamp.Day, 2);
    *Out++ = 'T';
    Out = PutDecimal(Out, Stamp.Hour, 2);
    *Out++ = ':';
    Out = PutDecimal(Out, Stamp.Minute, 2);
    *Out++ = ':';
    Out = PutDecimal(Out, Stamp.Second, 2);
    *Out++ = '.';
    Out = PutDecimal(Out, Stamp.Milliseconds, 3);
    Text.append(Buffer, static_cast<size_t>(Out - Buffer));
}

TSystemTime LocalTimeFromEpoch(int64_t Seconds, unsigned Milliseconds)
{
    const std::time_t Time = static_cast<std::time_t>(Seconds);
    std::tm Local{};
    localtime_r(&Time, &Local);
    TSystemTime Stamp;
    Stamp.Year = static_cast<uint16_t>(Local.tm_year + 1900);
    Stamp.Month = static_cast<uint16_t>(Local.tm_mon + 1);
    Stamp.DayOfWeek = static_cast<uint16_t>(Local.tm_wday);
    Stamp.Day = static_cast<uint16_t>(Local.tm_mday);
    Stamp.Hour = static_cast<uint16_t>(Local.tm_hour);
    Stamp.Minute = static_cast<uint16_t>(Local.tm_min);
    Stamp.Second = static_cast<uint16_t>(Local.tm_sec > 59 ? 59 : Local.tm_sec);
    Stamp.Milliseconds = static_cast<uint16_t>(Milliseconds > 999 ? 999 : Milliseconds);
    return Stamp;
}

bool EpochFromLocalTime(const TSystemTime& Stamp, int64_t& Seconds)
{
    static constexpr uint8_t DaysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const unsigned Year = Stamp.Year;
    const bool Leap = Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
    if (Stamp.Month < 1 || Stamp.Month > 12 || Stamp.Day < 1 ||
        Stamp.Day > DaysIn[Stamp.Month - 1] + (Stamp.Month == 2 && Leap) || Stamp.Hour > 23 || Stamp.Minute > 59 ||
        Stamp.Second > 59)
        return false;
    std::tm Local{};
    Local.tm_year = Stamp.Year - 1900;
    Local.tm_mon = Stamp.Month - 1;
    Local.tm_mday = Stamp.Day;
    Local.tm_hour = Stamp.Hour;
    Local.tm_min = Stamp.Minute;
    Local.tm_sec = Stamp.Second;
    // Summer time first: where a change back repeats an hour, the earlier
    // moment; where a change forward skips one, mktime moves on past the gap.
    Local.tm_isdst = 1;
    std::tm Probe = Local;
    std::time_t Time = std::mktime(&Probe);
    if (Time == static_cast<std::time_t>(-1) || Probe.tm_isdst != 1 || Probe.tm_hour != Stamp.Hour ||
        Probe.tm_mday != Stamp.Day) {
        Local.tm_isdst = 0;
        Time = std::mktime(&Local);
        if (Time == static_cast<std::time_t>(-1))
            return false;
    }
    Seconds = static_cast<int64_t>(Time);
    return true;
}
