#include "catalog/Definitions.h"

#include "catalog/DefinitionFiles.h"
#include "core/Convert.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/Words.h"

#include <utility>

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

TDefinitions::TDefinitions()
    : StaticParameters(std::make_unique<TStaticParameters>())
    , StaticPackets(std::make_unique<TStaticPackets>())
{
}

TDefinitions::TDefinitions(TDefinitions&&) noexcept = default;
TDefinitions& TDefinitions::operator=(TDefinitions&&) noexcept = default;
TDefinitions::~TDefinitions() = default;

TDefinitions LoadDefinitions(const std::string& Folder)
{
    std::string Base = LocalPath(Folder);
    if (!Base.empty() && Base.back() != '/' && Base.back() != '\\')
        Base = LocalPath(Base + "/");

    TDefinitions Result;
    Result.StaticParameters = std::make_unique<TStaticParameters>(FindDefinitionFile(Base + "Parameters.ini"));
    const TIniFile Messages(FindDefinitionFile(Base + "Messages.ini"));
    Result.StaticPackets = std::make_unique<TStaticPackets>(Messages, *Result.StaticParameters);
    Messages.ReadSectionValues("AutoAnswer", Result.AutoAnswerList);

    const TIniFile Levels(FindDefinitionFile(Base + "L2-L3.ini"));
    Result.L2StartCode = Octet(Levels.ReadInteger("SetConnection", "L2Start", 4));
    Result.InServiceCode = Octet(Levels.ReadInteger("SetConnection", "InService", 5));
    Result.InRegMessages = ReadRegistrations(Levels, "In");
    Result.OutRegMessages = ReadRegistrations(Levels, "Out");
    Result.InMsuCode = Octet(Levels.ReadInteger("InMSU", "Code", 2));
    Result.OutMsuCode = Octet(Levels.ReadInteger("OutMSU", "Code", 2));
    return Result;
}
