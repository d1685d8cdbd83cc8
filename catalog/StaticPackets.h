// The message catalog: one prototype per message type named in
// Messages.ini, in the order of its [Codes] section. It is the catalog the
// ISUP decoder asks for a copy of each message type's prototype.
#pragma once

#include "catalog/StaticPacket.h"
#include "core/Persistent.h"
#include "isup/IsupCatalog.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class TIniFile;
class TStaticParameters;

// An entry of the message catalog; it owns its prototype.
class TStaticPacketsItem : public TCollectionItem {
public:
    TStaticPacketsItem(TCollection* Collection, uint8_t Code)
        : TCollectionItem(Collection)
        , Packet(std::make_unique<TStaticPacket>(Code))
    {
    }
    const char* ClassName() const override { return "TStaticPacketsItem"; }

    const std::unique_ptr<TStaticPacket> Packet;
};

class TStaticPackets : public TCollection, public TIsupCatalog {
public:
    // An empty catalog.
    TStaticPackets() = default;
    // Reads Messages.ini: one prototype per line of [Codes], its caption
    // and its parameters from the section named after it (F and V names
    // mandatory, then O names optional), each instantiated from Parameters.
    // Names the parameter catalog does not hold are skipped. Raises the
    // conversion error of a code that is not an integer and of a parameter
    // default that does not convert. A missing file gives an empty catalog.
    TStaticPackets(const std::string& FileName, const TStaticParameters& Parameters);
    TStaticPackets(const TIniFile& Messages, const TStaticParameters& Parameters);
    const char* ClassName() const override { return "TStaticPackets"; }

    TStaticPacket& Items(int I) const { return *static_cast<TStaticPacketsItem*>(GetItem(I))->Packet; }
    // Appends an empty prototype with this message type.
    TStaticPacket& AddPacket(uint8_t Code);

    // The first prototype, in catalog order, of this message type, or null.
    const TStaticPacket* FindByType(uint8_t MessageType) const;
    // A clone of FindByType's prototype, owned by the caller; null when the
    // catalog has no such message type.
    std::unique_ptr<TCustomIsupPacket> NewMessage(uint8_t MessageType) const override;
    // FindByType's prototype: the decoder renews its packets from it.
    const TCustomIsupPacket* Prototype(uint8_t MessageType) const override { return FindByType(MessageType); }

private:
    // Message type -> index of its first prototype (-1 none); kept up to
    // date by AddPacket and rebuilt when the catalog has changed otherwise.
    // Message types never change after loading.
    mutable std::array<int, 256> FFirstOfType{};
    mutable int FIndexedCount = -1;
};
