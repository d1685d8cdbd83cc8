#include "core/Stamp.h"

#include "core/Format.h"

#include <chrono>
#include <ctime>

TSystemTime LocalTimeNow()
{
    const auto Now = std::chrono::system_clock::now();
    const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
    const auto Millis = std::chrono::duration_cast<std::chrono::milliseconds>(Now.time_since_epoch()).count() % 1000;
    std::tm Local{};
    localtime_r(&Seconds, &Local);
    TSystemTime Stamp;
    Stamp.Year = static_cast<uint16_t>(Local.tm_year + 1900);
    Stamp.Month = static_cast<uint16_t>(Local.tm_mon + 1);
    Stamp.DayOfWeek = static_cast<uint16_t>(Local.tm_wday);
    Stamp.Day = static_cast<uint16_t>(Local.tm_mday);
    Stamp.Hour = static_cast<uint16_t>(Local.tm_hour);
    Stamp.Minute = static_cast<uint16_t>(Local.tm_min);
    Stamp.Second = static_cast<uint16_t>(Local.tm_sec > 59 ? 59 : Local.tm_sec);
    Stamp.Milliseconds = static_cast<uint16_t>(Millis < 0 ? 0 : Millis);
    return Stamp;
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

// "%d:%.2d:%.2d.%.3d" of hour, minute, second, milliseconds.
void AppendStampTime(const TSystemTime& Stamp, std::string& Text)
{
    AppendDecimal(Text, Stamp.Hour);
    Text.push_back(':');
    AppendDecimal(Text, Stamp.Minute, 2);
    Text.push_back(':');
    AppendDecimal(Text, Stamp.Second, 2);
    Text.push_back('.');
    AppendDecimal(Text, Stamp.Milliseconds, 3);
}

// "%d.%d.%d" of day, month, year.
void AppendStampDate(const TSystemTime& Stamp, std::string& Text)
{
    AppendDecimal(Text, Stamp.Day);
    Text.push_back('.');
    AppendDecimal(Text, Stamp.Month);
    Text.push_back('.');
    AppendDecimal(Text, Stamp.Year);
}

// "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3d".
void AppendStampIso(const TSystemTime& Stamp, std::string& Text)
{
    AppendDecimal(Text, Stamp.Year, 4);
    Text.push_back('-');
    AppendDecimal(Text, Stamp.Month, 2);
    Text.push_back('-');
    AppendDecimal(Text, Stamp.Day, 2);
    Text.push_back('T');
    AppendDecimal(Text, Stamp.Hour, 2);
    Text.push_back(':');
    AppendDecimal(Text, Stamp.Minute, 2);
    Text.push_back(':');
    AppendDecimal(Text, Stamp.Second, 2);
    Text.push_back('.');
    AppendDecimal(Text, Stamp.Milliseconds, 3);
}
