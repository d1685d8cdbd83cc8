#include "catalog/Definitions.h"

#include "catalog/DefinitionFiles.h"
#include "core/Convert.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/Words.h"

#include <utility>

std::unique_ptr<TStaticParameters> StaticParameters;
std::unique_ptr<TStaticPackets> StaticPackets;
TNewStringList AutoAnswerList;
uint8_t L2StartCode = 4;
uint8_t InServiceCode = 5;
TRegMessagesL2 InRegMessages;
TRegMessagesL2 OutRegMessages;
uint8_t InMsuCode = 2;
uint8_t OutMsuCode = 2;

namespace {

uint8_t Octet(int32_t Value)
{
    return static_cast<uint8_t>(Value & 0xFF);
}

TRegMessagesL2 ReadRegistrations(const TIniFile& Ini, const char* Section)
{
    TNewStringList Lines;
    Ini.ReadSectionValues(Section, Lines);
    TRegMessagesL2 Result;
    Result.reserve(static_cast<size_t>(Lines.Count()));
    for (int I = 0; I < Lines.Count(); ++I) {
        const std::string& Line = Lines.Strings(I);
        const size_t Eq = Line.find('=');
        const auto Code = TryStrToInt(std::string_view(Line).substr(0, Eq));
        if (!Code)
            throw EStaticPacketLoadError(
                Format("Invalid message code (%s) in file %s.", Line.c_str(), Ini.FileName().c_str()));
        const std::string Value = Line.substr(Eq + 1);
        TRegMessageL2 Entry;
        Entry.Code = Octet(*Code);
        Entry.Name = NthWord(1, Value, BracketDelimiters);
        Entry.Value = Octet(TryStrToInt(NthWord(2, Value, BracketDelimiters)).value_or(0));
        Result.push_back(std::move(Entry));
    }
    return Result;
}

} // namespace

void LoadDefinitions(const std::string& Folder)
{
    std::string Base = LocalPath(Folder);
    if (!Base.empty() && Base.back() != '/' && Base.back() != '\\')
        Base = LocalPath(Base + "/");

    auto Parameters = std::make_unique<TStaticParameters>(FindDefinitionFile(Base + "Parameters.ini"));
    const TIniFile Messages(FindDefinitionFile(Base + "Messages.ini"));
    auto Packets = std::make_unique<TStaticPackets>(Messages, *Parameters);
    TNewStringList AutoAnswer;
    Messages.ReadSectionValues("AutoAnswer", AutoAnswer);

    const TIniFile Levels(FindDefinitionFile(Base + "L2-L3.ini"));
    const uint8_t L2Start = Octet(Levels.ReadInteger("SetConnection", "L2Start", 4));
    const uint8_t InService = Octet(Levels.ReadInteger("SetConnection", "InService", 5));
    TRegMessagesL2 In = ReadRegistrations(Levels, "In");
    TRegMessagesL2 Out = ReadRegistrations(Levels, "Out");
    const uint8_t InMsu = Octet(Levels.ReadInteger("InMSU", "Code", 2));
    const uint8_t OutMsu = Octet(Levels.ReadInteger("OutMSU", "Code", 2));

    // Everything read: install it. The decoder moves to the new catalog
    // before the old one is freed.
    SetIsupCatalog(Packets.get());
    std::swap(StaticParameters, Parameters);
    std::swap(StaticPackets, Packets);
    AutoAnswerList = std::move(AutoAnswer);
    L2StartCode = L2Start;
    InServiceCode = InService;
    InRegMessages = std::move(In);
    OutRegMessages = std::move(Out);
    InMsuCode = InMsu;
    OutMsuCode = OutMsu;
}

void FreeDefinitions()
{
    SetIsupCatalog(nullptr);
    StaticPackets.reset();
    StaticParameters.reset();
    AutoAnswerList.Clear();
    L2StartCode = 4;
    InServiceCode = 5;
    InRegMessages.clear();
    OutRegMessages.clear();
    InMsuCode = 2;
    OutMsuCode = 2;
}
