// Reading the simulator's input into ready-made capture datagrams: capture
// file lines, or bare level-4 messages sent with a chosen direction and link.
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
};

// Reads every line of Input (named Source in errors) and returns one capture
// datagram per usable line: 0xBB, direction, link, message. Capture lines of
// fewer than 18 bytes and empty hex lines are skipped.
std::vector<std::string> ReadCaptureDatagrams(std::FILE* Input, const std::string& Source,
                                              const TSimInputOptions& Options);
