// A decoder that reuses its packets allocates nothing once it has seen
// each kind of message: a call mix of ISUP, MTP network management and
// link test messages, and the usual rejections, decoded against the
// project's definition set. Every allocation of the program is counted
// while a decode runs.
#include "decode/PacketDecoder.h"

#include "catalog/Definitions.h"
#include "core/HexString.h"
#include "isup/IsupPacket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// Read by operator new, which anything may call: kept atomic so that no
// store to them is optimised away around the calls.
std::atomic<bool> Counting{false};
std::atomic<long> Allocations{0};

void* operator new(std::size_t Size)
{
    if (Counting)
        ++Allocations;
    if (void* Block = std::malloc(Size > 0 ? Size : 1))
        return Block;
    throw std::bad_alloc();
}

// The replaced operator new takes its blocks from malloc; GCC cannot tell
// that the pair is replaced together.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* Block) noexcept
{
    std::free(Block);
}

void operator delete(void* Block, std::size_t) noexcept
{
    std::free(Block);
}
#pragma GCC diagnostic pop

namespace {

// One message of each kind from velmora-gen's call mix (seed 7): IAM, SAM,
// ACM, CPG, ANM, SUS, RES, REL, RLC, GRS, GRA, CGB, CGBA, UPT, UPA, link
// tests, TFP, TFA, COO, COA; then an SCCP message, an unknown ISUP type and
// an ISUP message cut before its type.
const char* const Messages[] = {
    "85 0D 88 03 C2 3C 00 01 10 20 00 0A 00 02 09 07 83 10 03 73 32 79 05 0A 07 83 11 14 36 98 31 04 08 01 00 1D 03 "
    "80 90 A3 00",
    "05 81 7E 03 92 79 0F 01 00 21 00 0A 00 02 0A 08 84 10 33 28 91 42 87 06 0A 08 84 15 93 03 99 03 59 09 08 01 80 00",
    "85 0E 48 03 C2 3C 00 06 15 04 00",
    "85 0D 88 03 92 A9 00 02 02 00 02 80 01",
    "05 81 7E 03 F2 6F 0F 06 16 14 01 29 01 01 00",
    "85 0E 48 03 B2 2B 00 0C 02 00 02 82 81",
    "85 0D 88 03 B2 2B 00 10 00",
    "85 0E 48 03 C2 3C 00 2C 01 00",
    "85 0D 08 3F B2 7B 01 12",
    "85 0D 08 3F 62 A6 00 18 00 01 02 06 7F",
    "85 FC 48 03 62 A6 00 1A 00 01 02 06 7F",
    "85 FC 48 03 62 C6 02 09 01 11 02 12 04 00",
    "85 0E 48 03 22 F2 01 17 01 01 0B",
    "85 0D 88 03 22 F2 01 29 01 03 0B 00 00",
    "05 0D 48 A0 4F 84 0F 12",
    "85 0D 08 3F 32 83 02 0D 01 00",
    "85 0D 08 3F 32 83 02 0E 01 00",
    "85 AB 4F 03 02 F0 09 34 00",
    "85 0D C8 EA 03 F0 09 35 00",
    "81 0D 08 3F 12 11 30 80 EB 35",
    "81 FC 48 03 12 21 30 80 EB 35",
    "80 0D 08 3F 02 14 5F 1B",
    "80 0D 08 3F 02 54 5F 1B",
    "80 0D 48 A0 0F 11 05",
    "80 0D 48 A0 0F 21 05",
    "83 01 80 00 30 09 00",
    "85 01 40 00 00 07 00 3F",
    "85 01 40",
};

TEST(DecodeAllocations, NoneOnceEachKindHasBeenSeen)
{
    const TDefinitions Definitions = LoadDefinitions(VELMORA_SOURCE_CFG);
    TPacketDecoder Decoder(*Definitions.StaticPackets);
    std::vector<std::string> Octets;
    for (const char* Text : Messages) {
        THexString Hex(true);
        Hex.FromText(Text);
        Octets.emplace_back(Hex.Data());
    }
    std::string Error;
    Error.reserve(64);
    size_t Decoded = 0;
    for (int Round = 0; Round < 3; ++Round) {
        Counting = Round > 0;
        for (const std::string& Message : Octets) {
            const TCustomPacketL4* Packet = Decoder.TryDecode(Message, Error);
            if (!Packet)
                continue;
            ++Decoded;
            // What a row and the decoded view read of it.
            if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(Packet))
                for (int I = 0; I < Isup->Parameters().Count(); ++I)
                    Decoded += Isup->Parameters().View(I).Value().size();
        }
        Counting = false;
    }
    EXPECT_GT(Decoded, 3 * 25u);
    EXPECT_EQ(Allocations, 0);
}

} // namespace
