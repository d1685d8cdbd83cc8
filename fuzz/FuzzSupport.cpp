#include "fuzz/FuzzSupport.h"

#include "core/MemoryStream.h"
#include "isup/CustomParameter.h"
#include "isup/IsupPacket.h"
#include "isup/ParamField.h"
#include "l4/PacketL4.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

std::vector<std::string_view> SplitInput(std::string_view Input, std::string_view Marker, size_t Pieces)
{
    std::vector<std::string_view> Result;
    while (Result.size() + 1 < Pieces) {
        const size_t At = Input.find(Marker);
        if (At == std::string_view::npos)
            break;
        Result.push_back(Input.substr(0, At));
        Input.remove_prefix(At + Marker.size());
    }
    Result.push_back(Input);
    return Result;
}

const std::string& ScratchFolder()
{
    static const std::string Folder = [] {
        const fs::path Path = fs::temp_directory_path() / ("velmora-fuzz-" + std::to_string(getpid()));
        fs::remove_all(Path);
        fs::create_directories(Path);
        return Path.string() + "/";
    }();
    return Folder;
}

void WriteWholeFile(const std::string& Path, std::string_view Text)
{
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    if (!Out) {
        std::fprintf(stderr, "cannot write %s\n", Path.c_str());
        std::abort();
    }
}

namespace {

// Keeps the compiler from dropping texts nobody reads.
volatile size_t Sink;

void Use(const std::string& Text)
{
    Sink = Sink + Text.size();
}

void WalkParameter(const TCustomParameter& Parameter)
{
    Use(Parameter.GetTitle());
    Use(Parameter.GetTypeText());
    Use(Parameter.GetHexValue());
    Use(Parameter.GetText());
    Use(Parameter.GetDescription());
    Sink = Sink + static_cast<size_t>(Parameter.GetPresent());
    const TParamFieldCollection& Fields = Parameter.Fields();
    for (int I = 0; I < Fields.Count(); ++I) {
        const TParamField& Field = Fields.Items(I);
        Use(Field.GetValueText());
        Use(Field.GetHexText());
        Use(Field.GetDescription());
        Sink = Sink + Field.GetValue() + static_cast<size_t>(Field.GetOctetIndex() + Field.GetBitShift());
    }
}

} // namespace

std::string WalkPacket(const TCustomPacketL4& Packet)
{
    Use(Packet.GetName());
    if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(&Packet)) {
        Use(Isup->GetSummary());
        Use(Isup->GetCodedText(true));
        Use(Isup->GetCodedText(false));
        const TParameterCollection& Parameters = Isup->Parameters();
        for (int I = 0; I < Parameters.Count(); ++I)
            WalkParameter(Parameters.Items(I));
    }
    TMemoryStream Out;
    Packet.SaveToStream(Out);
    return Out.Bytes();
}

void CheckParameterBlocksAreNotRecycled()
{
    auto* First = new TCustomParameter(nullptr, false, 1);
    const void* Block = First;
    delete First;
    auto* Second = new TCustomParameter(nullptr, false, 2);
    const bool Recycled = Second == Block;
    delete Second;
    if (Recycled) {
        std::fprintf(stderr, "freed parameter blocks are recycled under AddressSanitizer\n");
        std::abort();
    }
}
