// A definition set through LoadDefinitions, then a few messages decoded with
// it. The input is Parameters.ini, Messages.ini, one description file
// (D.ini), L2-L3.ini and the octets of a message, separated by lines
// "====". The files go through a scratch folder, as the program reads them.
#include "catalog/Definitions.h"
#include "core/Exception.h"
#include "core/HexString.h"
#include "decode/PacketDecoder.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace {

void PutFile(const std::string& Name, const std::vector<std::string_view>& Pieces, size_t I)
{
    const std::string Path = ScratchFolder() + Name;
    if (I < Pieces.size())
        WriteWholeFile(Path, Pieces[I]);
    else
        std::filesystem::remove(Path);
}

void Decode(const std::string& Octets, const TIsupCatalog& Catalog)
{
    THexString Bytes;
    Bytes.SetBytes(Octets.data(), Octets.size());
    try {
        WalkPacket(*DecodePacketL4(Bytes, Catalog));
    } catch (const Exception&) {
        // A message the definitions cannot decode shows the error text.
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CheckParameterBlocksAreNotRecycled();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    const std::vector<std::string_view> Pieces = SplitInput(Input, "\n====\n", 5);
    // A name pattern may climb out of the folder and would then read files
    // of the machine; that says nothing about the loader.
    if (Pieces[0].find("..") != std::string_view::npos)
        return 0;
    PutFile("Parameters.ini", Pieces, 0);
    PutFile("Messages.ini", Pieces, 1);
    PutFile("D.ini", Pieces, 2);
    PutFile("L2-L3.ini", Pieces, 3);
    const std::string Tail = Pieces.size() > 4 ? std::string(Pieces[4]) : std::string();

    TDefinitions Definitions;
    try {
        Definitions = LoadDefinitions(ScratchFolder());
    } catch (const Exception&) {
        // The texts of a malformed set end the program at start-up.
        return 0;
    }
    const TStaticPackets& Packets = *Definitions.StaticPackets;
    Decode(Tail, Packets);
    // The first prototypes, each given the tail as everything after its
    // message type: SIO 85, label DPC 1 OPC 1, CIC 1.
    for (int I = 0; I < Packets.Count() && I < 4; ++I) {
        std::string Message("\x85\x01\x40\x00\x00\x01\x00", 7);
        Message.push_back(static_cast<char>(Packets.Items(I).MessageType));
        Decode(Message + Tail, Packets);
    }
    return 0;
}
