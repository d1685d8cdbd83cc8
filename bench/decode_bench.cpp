// Decoding speed of the level-4 decoder on the messages a capture list sees
// besides ISUP: MTP network management and signalling link test messages,
// decoded and named as each new list row does.
#include "core/HexString.h"
#include "decode/PacketDecoder.h"
#include "isup/IsupCatalog.h"
#include "l4/MtpPacket.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> MtpAndLinkTestMessages()
{
    const char* const Texts[] = {
        "81 01 80 00 30 11 F0 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F", // SLTM, 15-octet pattern
        "81 02 40 00 30 21 F0 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F", // SLTA
        "80 01 80 00 30 14 05 00",                                           // TFP
        "80 01 80 00 30 54 05 00",                                           // TFA
        "80 01 80 00 30 34 05 00",                                           // TFR
        "80 02 40 00 30 23 FF 3F",                                           // TFC
        "80 02 40 00 30 11 85",                                              // COO
        "80 01 80 00 30 21 07",                                              // COA
        "80 02 40 00 30 15 09 00",                                           // RST
        "80 01 80 00 30 1A 05 00",                                           // UPU
        "80 01 80 00 30 16",                                                 // LIN
        "80 01 80 00 30 01",                                                 // CHM (group heading)
        "80 01 80 00 30 0F",                                                 // unknown heading
        "81 01 80 00 30 12 00",                                              // link test, unknown heading
    };
    std::vector<std::string> Messages;
    for (const char* Text : Texts) {
        THexString Hex(true);
        Hex.FromText(Text);
        Messages.emplace_back(Hex.Data());
    }
    return Messages;
}

void BM_DecodeMtpAndLinkTest(benchmark::State& State)
{
    std::vector<std::unique_ptr<THexString>> Messages;
    for (const auto& Octets : MtpAndLinkTestMessages())
        Messages.push_back(std::make_unique<THexString>(Octets, false));
    const TEmptyIsupCatalog Catalog;
    for (auto _ : State) {
        for (const auto& Message : Messages) {
            const auto Packet = DecodePacketL4(*Message, Catalog);
            std::string Name = Packet->GetName();
            benchmark::DoNotOptimize(Name);
        }
    }
    State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Messages.size()));
}
BENCHMARK(BM_DecodeMtpAndLinkTest);

// The rejection path of every SCCP and TUP row: exception construction and
// unwinding dominate it.
void BM_DecodeUnknownSubsystem(benchmark::State& State)
{
    const THexString Message(std::string("\x83\x01\x80\x00\x30\x09\x00\x03\x05\x07", 10), false);
    const TEmptyIsupCatalog Catalog;
    for (auto _ : State) {
        try {
            benchmark::DoNotOptimize(DecodePacketL4(Message, Catalog));
        } catch (const EL4Error& Error) {
            benchmark::DoNotOptimize(Error.what());
        }
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_DecodeUnknownSubsystem);

} // namespace
