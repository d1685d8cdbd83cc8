#include "catalog/StaticPackets.h"

#include "catalog/StaticParameters.h"
#include "core/IniFile.h"
#include "core/StringList.h"
#include "core/Words.h"

TStaticPackets::TStaticPackets(const std::string& FileName, const TStaticParameters& Parameters)
    : TStaticPackets(TIniFile(FileName), Parameters)
{
}

TStaticPackets::TStaticPackets(const TIniFile& Messages, const TStaticParameters& Parameters)
{
    TNewStringList Codes;
    Messages.ReadSectionValues("Codes", Codes);
    Reserve(Codes.Count());
    for (int I = 0; I < Codes.Count(); ++I) {
        const int32_t Code = Codes.IntegerFromIndex(I);
        TStaticPacket& Packet = AddPacket(static_cast<uint8_t>(Code));
        const std::string Name = Codes.Names(I);
        Packet.SetName(Name);
        Packet.SetCaption(Messages.ReadString(Name, "Caption", Name));

        TNewStringList Words;
        Words.AddWords(Messages.ReadString(Name, "F", ""), StandardDelimiters);
        Words.AddWords(Messages.ReadString(Name, "V", ""), StandardDelimiters);
        for (const std::string& Word : Words.Lines())
            Parameters.InstantiateByName(Packet.Parameters(), Word, true);
        Words.Clear();
        Words.AddWords(Messages.ReadString(Name, "O", ""), StandardDelimiters);
        for (const std::string& Word : Words.Lines())
            Parameters.InstantiateByName(Packet.Parameters(), Word, false);
    }
    // Everything a decode needs, worked out now: the index by message type
    // and every prototype's plan, which its copies share.
    FindByType(0);
    for (int I = 0; I < Count(); ++I)
        Items(I).Parameters().PreparePlan();
}

TStaticPacket& TStaticPackets::AddPacket(uint8_t Code)
{
    const bool Indexed = FIndexedCount == Count();
    TStaticPacket& Packet = *Add<TStaticPacketsItem>(Code).Packet;
    if (Indexed) {
        if (FFirstOfType[Packet.MessageType] < 0)
            FFirstOfType[Packet.MessageType] = Count() - 1;
        FIndexedCount = Count();
    }
    return Packet;
}

const TStaticPacket* TStaticPackets::FindByType(uint8_t MessageType) const
{
    if (FIndexedCount != Count()) {
        FFirstOfType.fill(-1);
        for (int I = Count() - 1; I >= 0; --I)
            FFirstOfType[Items(I).MessageType] = I;
        FIndexedCount = Count();
    }
    const int I = FFirstOfType[MessageType];
    return I < 0 ? nullptr : &Items(I);
}

std::unique_ptr<TCustomIsupPacket> TStaticPackets::NewMessage(uint8_t MessageType) const
{
    const TStaticPacket* Prototype = FindByType(MessageType);
    return Prototype ? Prototype->Clone() : nullptr;
}
