// velmora-sim: sends capture datagrams (type 0xBB) taken from a capture file,
// from hex message lines or from a pcap or pcapng file, and heartbeats (type
// 0x92), to the monitor's UDP port at a chosen rate or with the pcap's own
// timing, the way a signalling processor would.
#include "core/Convert.h"
#include "pcapio/PcapReader.h"
#include "presentation/Datagram.h"
#include "tools/velmora-sim/SimInput.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const Usage = R"(Usage: velmora-sim [options] FILE
       velmora-sim --heartbeat-only [options]

Sends the level-4 messages of FILE ("-" for standard input) as capture
datagrams (0xBB, direction, link, message) to the monitor's UDP port, with
heartbeat datagrams (0x92, padded to 4 bytes) at a fixed interval, and stops
after the input (times --repeat), the --count or the --duration.

Input:
  (default)          capture file lines (.ss7): 16-byte stamp, direction,
                     link, message as hex words; the stamp is dropped and
                     lines of fewer than 18 bytes are skipped. Words may be
                     separated by blanks, tabs, commas and other punctuation.
  --hex              each line is a bare level-4 message (SIO, routing label,
                     user part) as spaced hex or one run of hex pairs
  --direction N      direction code sent with --hex messages (default 1: IN,
                     2: OUT)
  --link N           link number sent with --hex messages, 0-255 (default 0)
  A FILE that begins as a pcap or pcapng file does, whatever its name, is
  read as one: each level-4 message it carries (MTP2, MTP3, or M3UA and M2PA
  over SCTP; the same as velmora-dump reads) is sent with its direction and
  link, as velmora-dump --help describes them.
  --own-pc PC[,PC...]
                     your own point codes (0-16383): a pcap's messages from
                     them are sent as OUT, all others as IN

Destination:
  --host ADDR        IPv4 address or host name (default 127.0.0.1)
  --port N           UDP port (default 30001)

Pacing and length:
  --rate N           capture datagrams per second, paced on the monotonic
                     clock (default 100); 0 sends as fast as possible
  --flood            same as --rate 0
  --timing original  send a pcap's messages at the moments of their packets,
                     counted from the first (a later pass starts where the
                     one before ended); --timing rate (the default) paces
                     them by --rate
  --repeat N         passes over the input (default 1; 0 = endless)
  --count N          total datagrams to send, looping over the input as
                     needed (heartbeats with --heartbeat-only)
  --duration S       stop after S seconds (fractions allowed)
  --heartbeat MS     heartbeat interval in milliseconds (default 1000; 0 =
                     no heartbeats); the first goes out at once
  --heartbeat-only   send heartbeats only; runs until --count, --duration
                     or Ctrl+C

  --help             show this text

At the end a summary line goes to standard error. Numbers may be decimal or
hexadecimal ("0x1F", "$1F").
)";

struct TSimOptions {
    TSimInputOptions Input;
    std::string InputName;
    std::string Host = "127.0.0.1";
    int Port = 30001;
    double Rate = 100;
    long long Repeat = 1;
    bool RepeatGiven = false;
    std::optional<long long> Count;
    std::optional<double> Duration;
    long long HeartbeatMs = 1000;
    bool HeartbeatOnly = false;
    // A pcap's messages at the moments of their packets, not at Rate.
    bool OriginalTiming = false;
};

// What is sent: the datagrams, and for a pcap the moment of each, in
// nanoseconds after the first.
struct TSimInput {
    std::vector<std::string> Datagrams;
    std::vector<int64_t> Offsets;
};

class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

volatile std::sig_atomic_t Interrupted = 0;

void OnSignal(int)
{
    Interrupted = 1;
}

long long IntegerOption(const std::string& Name, const char* Text, long long Min, long long Max)
{
    const std::optional<int32_t> Value = TryStrToInt(Text);
    if (!Value || *Value < Min || *Value > Max)
        throw EUsage(Name + " needs an integer from " + std::to_string(Min) + " to " + std::to_string(Max) + ", not '" +
                     Text + "'");
    return *Value;
}

double NumberOption(const std::string& Name, const char* Text)
{
    char* End = nullptr;
    errno = 0;
    const double Value = std::strtod(Text, &End);
    if (End == Text || *End != '\0' || errno != 0 || !(Value >= 0) || Value > 1e9)
        throw EUsage(Name + " needs a non-negative number, not '" + Text + "'");
    return Value;
}

TSimOptions ParseOptions(int Argc, char** Argv)
{
    TSimOptions Options;
    bool InputNamed = false;
    for (int I = 1; I < Argc; ++I) {
        const std::string Arg = Argv[I];
        auto Value = [&]() -> const char* {
            if (I + 1 >= Argc)
                throw EUsage(Arg + " needs a value");
            return Argv[++I];
        };
        if (Arg == "--help" || Arg == "-h") {
            std::fputs(Usage, stdout);
            std::exit(0);
        } else if (Arg == "--hex") {
            Options.Input.HexMessages = true;
        } else if (Arg == "--direction") {
            Options.Input.Direction = static_cast<uint8_t>(IntegerOption(Arg, Value(), 0, 255));
        } else if (Arg == "--link") {
            Options.Input.Link = static_cast<uint8_t>(IntegerOption(Arg, Value(), 0, 255));
        } else if (Arg == "--host") {
            Options.Host = Value();
        } else if (Arg == "--port") {
            Options.Port = static_cast<int>(IntegerOption(Arg, Value(), 1, 65535));
        } else if (Arg == "--rate") {
            Options.Rate = NumberOption(Arg, Value());
        } else if (Arg == "--timing") {
            const std::string Timing = Value();
            if (Timing != "original" && Timing != "rate")
                throw EUsage("--timing needs original or rate, not '" + Timing + "'");
            Options.OriginalTiming = Timing == "original";
        } else if (Arg == "--own-pc") {
            const std::string List = Value();
            Options.Input.OwnPointCodes.clear();
            for (size_t From = 0; From <= List.size();) {
                size_t Comma = List.find(',', From);
                if (Comma == std::string::npos)
                    Comma = List.size();
                Options.Input.OwnPointCodes.push_back(
                    static_cast<uint16_t>(IntegerOption(Arg, List.substr(From, Comma - From).c_str(), 0, 0x3FFF)));
                From = Comma + 1;
            }
        } else if (Arg == "--flood") {
            Options.Rate = 0;
        } else if (Arg == "--repeat") {
            Options.Repeat = IntegerOption(Arg, Value(), 0, std::numeric_limits<int32_t>::max());
            Options.RepeatGiven = true;
        } else if (Arg == "--count") {
            Options.Count = IntegerOption(Arg, Value(), 0, std::numeric_limits<int32_t>::max());
        } else if (Arg == "--duration") {
            Options.Duration = NumberOption(Arg, Value());
        } else if (Arg == "--heartbeat") {
            Options.HeartbeatMs = IntegerOption(Arg, Value(), 0, 3600000);
        } else if (Arg == "--heartbeat-only") {
            Options.HeartbeatOnly = true;
        } else if (Arg.size() > 1 && Arg[0] == '-') {
            throw EUsage("unknown option " + Arg);
        } else if (InputNamed) {
            throw EUsage("more than one input named: " + Options.InputName + " and " + Arg);
        } else {
            Options.InputName = Arg;
            InputNamed = true;
        }
    }
    if (Options.HeartbeatOnly) {
        if (InputNamed)
            throw EUsage("--heartbeat-only takes no input");
        if (Options.HeartbeatMs == 0)
            throw EUsage("--heartbeat-only needs a heartbeat interval above 0");
    } else if (!InputNamed) {
        throw EUsage("no input named (give a capture file, or - for standard input)");
    }
    // A count alone loops over the input until it is reached.
    if (Options.Count && !Options.RepeatGiven)
        Options.Repeat = 0;
    return Options;
}

sockaddr_in ResolveDestination(const TSimOptions& Options)
{
    addrinfo Hints{};
    Hints.ai_family = AF_INET;
    Hints.ai_socktype = SOCK_DGRAM;
    addrinfo* Found = nullptr;
    const int Status = ::getaddrinfo(Options.Host.c_str(), nullptr, &Hints, &Found);
    if (Status != 0 || !Found)
        throw EUsage("cannot resolve host " + Options.Host + ": " + ::gai_strerror(Status));
    sockaddr_in Address{};
    std::memcpy(&Address, Found->ai_addr, sizeof Address);
    ::freeaddrinfo(Found);
    Address.sin_port = htons(static_cast<uint16_t>(Options.Port));
    return Address;
}

using TNanos = int64_t;
constexpr TNanos NanosPerSecond = 1000000000;
constexpr TNanos Never = std::numeric_limits<TNanos>::max();

TNanos MonotonicNow()
{
    timespec Now{};
    ::clock_gettime(CLOCK_MONOTONIC, &Now);
    return static_cast<TNanos>(Now.tv_sec) * NanosPerSecond + Now.tv_nsec;
}

void SleepUntil(TNanos Deadline)
{
    timespec At{};
    At.tv_sec = static_cast<time_t>(Deadline / NanosPerSecond);
    At.tv_nsec = static_cast<long>(Deadline % NanosPerSecond);
    // An interrupting signal returns early; the caller re-checks its state.
    ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &At, nullptr);
}

class TSender {
public:
    explicit TSender(const sockaddr_in& Destination)
        : FDestination(Destination)
    {
        FSocket = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (FSocket < 0)
            throw std::runtime_error(std::string("cannot create a UDP socket: ") + std::strerror(errno));
        const int SendBuffer = 4 * 1024 * 1024;
        ::setsockopt(FSocket, SOL_SOCKET, SO_SNDBUF, &SendBuffer, sizeof SendBuffer);
    }
    ~TSender() { ::close(FSocket); }
    TSender(const TSender&) = delete;
    TSender& operator=(const TSender&) = delete;

    // True when the datagram went out. A full queue is waited out briefly
    // rather than counted as lost.
    bool Send(const std::string& Datagram)
    {
        for (int Attempt = 0; Attempt < 1000; ++Attempt) {
            const ssize_t Sent = ::sendto(FSocket, Datagram.data(), Datagram.size(), 0,
                                          reinterpret_cast<const sockaddr*>(&FDestination), sizeof FDestination);
            if (Sent == static_cast<ssize_t>(Datagram.size()))
                return true;
            if (Sent < 0 && (errno == ENOBUFS || errno == EAGAIN || errno == EINTR)) {
                ::sched_yield();
                continue;
            }
            if (Sent < 0 && LastError.empty())
                LastError = std::strerror(errno);
            return false;
        }
        LastError = std::strerror(ENOBUFS);
        return false;
    }

    std::string LastError;

private:
    int FSocket = -1;
    sockaddr_in FDestination;
};

struct TSummary {
    long long Datagrams = 0;
    long long Heartbeats = 0;
    long long Failed = 0;
    double Elapsed = 0;
};

TSummary Run(const TSimOptions& Options, const TSimInput& Input, TSender& Sender)
{
    const std::vector<std::string>& Datagrams = Input.Datagrams;
    const bool Original = !Input.Offsets.empty();
    // One pass of the original timing: to the last packet.
    const TNanos Span = Original ? Input.Offsets.back() : 0;
    const std::string Heartbeat = HeartBeatDatagram();
    TSummary Summary;
    const TNanos Start = MonotonicNow();
    const TNanos End = Options.Duration ? Start + static_cast<TNanos>(*Options.Duration * NanosPerSecond) : Never;
    const TNanos HeartbeatPeriod = Options.HeartbeatMs * 1000000;
    const long double DataPeriod = Options.Rate > 0 ? NanosPerSecond / static_cast<long double>(Options.Rate) : 0;

    size_t Position = 0;
    long long Pass = 0;
    long long Attempts = 0;
    long long HeartbeatAttempts = 0;
    for (;;) {
        if (Interrupted)
            break;
        const TNanos Now = MonotonicNow();
        if (Now >= End)
            break;
        bool DataLeft = false;
        if (!Options.HeartbeatOnly) {
            DataLeft = !Datagrams.empty() && (!Options.Count || Attempts < *Options.Count) &&
                (Options.Repeat == 0 || Pass < Options.Repeat);
            if (!DataLeft)
                break;
        } else if (Options.Count && HeartbeatAttempts >= *Options.Count) {
            break;
        }
        // Every send has its own point on the schedule, counted from the
        // start, so sleep overshoot never accumulates into a lower rate.
        const TNanos NextData = !DataLeft ? Never
            : Original                    ? Start + Pass * Span + Input.Offsets[Position]
                       : Start + static_cast<TNanos>(static_cast<long double>(Attempts) * DataPeriod);
        const TNanos NextHeartbeat = HeartbeatPeriod > 0 ? Start + HeartbeatAttempts * HeartbeatPeriod : Never;
        if (NextHeartbeat <= Now) {
            ++HeartbeatAttempts;
            if (Sender.Send(Heartbeat))
                ++Summary.Heartbeats;
            else
                ++Summary.Failed;
        } else if (NextData <= Now) {
            ++Attempts;
            if (Sender.Send(Datagrams[Position]))
                ++Summary.Datagrams;
            else
                ++Summary.Failed;
            if (++Position == Datagrams.size()) {
                Position = 0;
                ++Pass;
            }
        } else {
            TNanos Next = NextData < NextHeartbeat ? NextData : NextHeartbeat;
            if (End < Next)
                Next = End;
            SleepUntil(Next);
        }
    }
    Summary.Elapsed = static_cast<double>(MonotonicNow() - Start) / NanosPerSecond;
    return Summary;
}

TSimInput LoadInput(const TSimOptions& Options)
{
    TSimInput Input;
    if (Options.HeartbeatOnly)
        return Input;
    std::vector<std::string>& Datagrams = Input.Datagrams;
    const bool Pcap = Options.InputName != "-" && IsPcapFile(Options.InputName);
    if (Options.OriginalTiming && !Pcap)
        throw EUsage("--timing original needs a pcap or pcapng file");
    if (Pcap) {
        std::vector<int64_t> Times;
        std::vector<std::string> Notes;
        Datagrams = ReadPcapDatagrams(Options.InputName, Options.Input, Times, Notes);
        for (const std::string& Note : Notes)
            std::fprintf(stderr, "velmora-sim: %s\n", Note.c_str());
        // Packets out of time order are sent at once, in file order.
        if (Options.OriginalTiming && !Times.empty()) {
            int64_t Latest = Times.front();
            for (const int64_t Time : Times) {
                Latest = std::max(Latest, Time);
                Input.Offsets.push_back((Latest - Times.front()) * 1000);
            }
        }
    } else if (Options.InputName == "-") {
        Datagrams = ReadCaptureDatagrams(stdin, "standard input", Options.Input);
    } else {
        std::FILE* File = std::fopen(Options.InputName.c_str(), "rb");
        if (!File)
            throw ESimInputError("cannot open " + Options.InputName + ": " + std::strerror(errno));
        try {
            Datagrams = ReadCaptureDatagrams(File, Options.InputName, Options.Input);
        } catch (...) {
            std::fclose(File);
            throw;
        }
        std::fclose(File);
    }
    if (Datagrams.empty())
        throw ESimInputError("no messages in " +
                             (Options.InputName == "-" ? std::string("standard input") : Options.InputName));
    return Input;
}

} // namespace

int main(int Argc, char** Argv)
{
    try {
        const TSimOptions Options = ParseOptions(Argc, Argv);
        const TSimInput Input = LoadInput(Options);
        TSender Sender(ResolveDestination(Options));

        struct sigaction Action {};
        Action.sa_handler = OnSignal;
        ::sigemptyset(&Action.sa_mask);
        ::sigaction(SIGINT, &Action, nullptr);
        ::sigaction(SIGTERM, &Action, nullptr);

        const TSummary Summary = Run(Options, Input, Sender);
        const double Rate = Summary.Elapsed > 0 ? static_cast<double>(Summary.Datagrams) / Summary.Elapsed : 0;
        std::fprintf(stderr,
                     "velmora-sim: %lld datagrams and %lld heartbeats sent to %s:%d in %.3f s (%.0f datagrams/s)",
                     Summary.Datagrams, Summary.Heartbeats, Options.Host.c_str(), Options.Port, Summary.Elapsed, Rate);
        if (Summary.Failed > 0)
            std::fprintf(stderr, ", %lld failed: %s", Summary.Failed, Sender.LastError.c_str());
        std::fputc('\n', stderr);
        return Summary.Failed > 0 && Summary.Datagrams + Summary.Heartbeats == 0 ? 1 : 0;
    } catch (const EUsage& Error) {
        std::fprintf(stderr, "velmora-sim: %s\nTry 'velmora-sim --help'.\n", Error.what());
        return 2;
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "velmora-sim: %s\n", Error.what());
        return 1;
    }
}
