// Packets and capture files built layer by layer for the tests, each layer
// laid out by hand from its RFC, independently of the reader under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pcaptest {

// "85 0E 40" to its octets (usable in static initialisers, unlike THexString,
// whose delimiter set may not be built yet).
inline std::string Hex(const std::string& Text)
{
    std::string Octets;
    int High = -1;
    for (char C : Text) {
        const int Digit = C >= '0' && C <= '9' ? C - '0' : C >= 'A' && C <= 'F' ? C - 'A' + 10 : -1;
        if (Digit < 0)
            continue;
        if (High < 0) {
            High = Digit;
        } else {
            Octets.push_back(static_cast<char>(High << 4 | Digit));
            High = -1;
        }
    }
    return Octets;
}

inline std::string Be16(unsigned Value)
{
    return {static_cast<char>(Value >> 8), static_cast<char>(Value)};
}
inline std::string Be32(uint32_t Value)
{
    return Be16(Value >> 16) + Be16(Value & 0xFFFF);
}
inline std::string Le16(unsigned Value)
{
    return {static_cast<char>(Value), static_cast<char>(Value >> 8)};
}
inline std::string Le32(uint32_t Value)
{
    return Le16(Value & 0xFFFF) + Le16(Value >> 16);
}
inline std::string Pad4(std::string Data)
{
    return Data.append((4 - Data.size() % 4) % 4, '\0');
}

// An ISUP RLC (message type 0x10, no optional part) from OPC to DPC on a CIC:
// SIO 0x85 (national), routing label, CIC, type, end of optional parameters.
inline std::string Rlc(unsigned Opc, unsigned Dpc, unsigned Sls, unsigned Cic)
{
    return "\x85" + Le32(Dpc | Opc << 14 | Sls << 28) + Le16(Cic) + Hex("10 00");
}

// M3UA (RFC 4666).
inline std::string M3uaParameter(unsigned Tag, const std::string& Value)
{
    return Pad4(Be16(Tag) + Be16(4 + static_cast<unsigned>(Value.size())) + Value);
}
inline std::string ProtocolData(uint32_t Opc, uint32_t Dpc, unsigned Si, unsigned Ni, unsigned Mp, unsigned Sls,
                                const std::string& User)
{
    return M3uaParameter(
        0x0210,
        Be32(Opc) + Be32(Dpc) +
            std::string{static_cast<char>(Si), static_cast<char>(Ni), static_cast<char>(Mp), static_cast<char>(Sls)} +
            User);
}
inline std::string M3uaMessage(unsigned Class, unsigned Type, const std::string& Parameters)
{
    return std::string{1, 0, static_cast<char>(Class), static_cast<char>(Type)} +
        Be32(8 + static_cast<uint32_t>(Parameters.size())) + Parameters;
}
// An M3UA DATA message carrying Message (SIO, routing label, user part).
inline std::string M3uaData(const std::string& Message, const std::string& Before = "")
{
    const auto Sio = static_cast<uint8_t>(Message[0]);
    uint32_t Label = 0;
    for (int I = 3; I >= 0; --I)
        Label = Label << 8 | static_cast<uint8_t>(Message[1 + I]);
    return M3uaMessage(1, 1,
                       Before +
                           ProtocolData(Label >> 14 & 0x3FFF, Label & 0x3FFF, Sio & 0x0F, Sio >> 6, Sio >> 4 & 3,
                                        Label >> 28, Message.substr(5)));
}

// M2PA (RFC 4165): User Data with the priority octet, or link status.
inline std::string M2paUserData(const std::string& Message)
{
    const std::string Body = Be32(0xFFFFFF) + Be32(0) + (Message.empty() ? "" : std::string(1, '\0') + Message);
    return std::string{1, 0, 11, 1} + Be32(8 + static_cast<uint32_t>(Body.size())) + Body;
}
inline std::string M2paLinkStatus()
{
    return std::string{1, 0, 11, 2} + Be32(20) + Be32(0) + Be32(0) + Be32(1);
}

// SCTP (RFC 9260).
inline std::string Chunk(unsigned Type, unsigned Flags, const std::string& Value)
{
    return Pad4(std::string{static_cast<char>(Type), static_cast<char>(Flags)} +
                Be16(4 + static_cast<unsigned>(Value.size())) + Value);
}
inline std::string DataChunk(uint32_t Ppid, const std::string& Data, unsigned Flags = 3)
{
    return Chunk(0, Flags, Be32(1) + Be16(1) + Be16(0) + Be32(Ppid) + Data);
}
inline std::string Sctp(unsigned SourcePort, unsigned DestinationPort, const std::string& Chunks)
{
    return Be16(SourcePort) + Be16(DestinationPort) + Be32(0x01020304) + Be32(0) + Chunks;
}

// IP. Addresses are given as their last octet.
inline std::string Ipv4(unsigned Source, unsigned Destination, const std::string& Payload, unsigned Protocol = 132,
                        unsigned FlagsOffset = 0x4000)
{
    return Hex("45 00") + Be16(20 + static_cast<unsigned>(Payload.size())) + Hex("00 00") + Be16(FlagsOffset) +
        std::string{64, static_cast<char>(Protocol)} + Hex("00 00 0A 00 00") +
        std::string(1, static_cast<char>(Source)) + Hex("0A 00 00") + std::string(1, static_cast<char>(Destination)) +
        Payload;
}
inline std::string Ipv6(unsigned Source, unsigned Destination, const std::string& Payload, unsigned Next = 132)
{
    return Hex("60 00 00 00") + Be16(static_cast<unsigned>(Payload.size())) + std::string{static_cast<char>(Next), 64} +
        Hex("20 01 0D B8 00 00 00 00 00 00 00 00 00 00 00") + std::string(1, static_cast<char>(Source)) +
        Hex("20 01 0D B8 00 00 00 00 00 00 00 00 00 00 00") + std::string(1, static_cast<char>(Destination)) + Payload;
}

inline std::string Ethernet(const std::string& Ip, unsigned Type = 0x0800, const std::string& Tags = "")
{
    return Hex("02 00 00 00 00 02 02 00 00 00 00 01") + Tags + Be16(Type) + Ip;
}

struct TTestPacket {
    uint32_t Seconds = 0;
    uint32_t Fraction = 0;
    std::string Data;
    // The packet's length on the wire; 0: as captured.
    uint32_t Wire = 0;
};

// A pcap file (microseconds, or nanoseconds when Nano) of the given link type.
inline std::string PcapFile(uint32_t LinkType, const std::vector<TTestPacket>& Packets, bool Nano = false)
{
    std::string File =
        Le32(Nano ? 0xA1B23C4D : 0xA1B2C3D4) + Le16(2) + Le16(4) + Le32(0) + Le32(0) + Le32(65535) + Le32(LinkType);
    for (const TTestPacket& P : Packets) {
        const auto Size = static_cast<uint32_t>(P.Data.size());
        File += Le32(P.Seconds) + Le32(P.Fraction) + Le32(Size) + Le32(P.Wire ? P.Wire : Size) + P.Data;
    }
    return File;
}

// A pcapng file: section header, one interface, enhanced packet blocks with
// microsecond times.
inline std::string PcapngFile(uint32_t LinkType, const std::vector<TTestPacket>& Packets)
{
    auto Block = [](uint32_t Type, const std::string& Body) {
        const auto Length = static_cast<uint32_t>(12 + Pad4(Body).size());
        return Le32(Type) + Le32(Length) + Pad4(Body) + Le32(Length);
    };
    std::string File = Block(0x0A0D0D0A, Le32(0x1A2B3C4D) + Le16(1) + Le16(0) + Le32(0xFFFFFFFF) + Le32(0xFFFFFFFF));
    File += Block(1, Le16(static_cast<unsigned>(LinkType)) + Le16(0) + Le32(65535));
    for (const TTestPacket& P : Packets) {
        const uint64_t Micro = uint64_t{P.Seconds} * 1000000 + P.Fraction;
        const auto Size = static_cast<uint32_t>(P.Data.size());
        File += Block(6,
                      Le32(0) + Le32(static_cast<uint32_t>(Micro >> 32)) + Le32(static_cast<uint32_t>(Micro)) +
                          Le32(Size) + Le32(P.Wire ? P.Wire : Size) + P.Data);
    }
    return File;
}

} // namespace pcaptest
