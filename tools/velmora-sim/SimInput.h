// Reading the simulator's input into ready-made capture datagrams: capture
// file lines, bare level-4 messages sent with a chosen direction and link,
// or the level-4 messages of a pcap or pcapng file with their packet times.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

// The largest payload of an IPv4 UDP datagram.
constexpr size_t MaxDatagram = 65507;

// An input line that cannot be turned into a datagram; the text names the
// source and line.
class ESimInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TSimInputOptions {
    // False: capture file lines (16-byte stamp, direction, link, message).
    // True: bare level-4 messages, sent with Direction and Link.
    bool HexMessages = false;
    uint8_t Direction = 1;
    uint8_t Link = 0;
    // A pcap's messages from these point codes are OUT, all others IN.
    std::vector<uint16_t> OwnPointCodes;
};

// Reads every line of Input (named Source in errors) and returns one capture
// datagram per usable line: 0xBB, direction, link, message. Capture lines of
// fewer than 18 bytes and empty hex lines are skipped.
std::vector<std::string> ReadCaptureDatagrams(std::FILE* Input, const std::string& Source,
                                              const TSimInputOptions& Options);

// One capture datagram per level-4 message of the pcap or pcapng file
// FileName, with the message's packet time in microseconds since 1970 UTC in
// Times. Warnings and the file's counts go to Notes. Raises ESimInputError
// when the file cannot be read to its end.
std::vector<std::string> ReadPcapDatagrams(const std::string& FileName, const TSimInputOptions& Options,
                                           std::vector<int64_t>& Times, std::vector<std::string>& Notes);
