// Test helpers: prototypes built in code, a small message catalog serving
// them to the decoder, and hex conversions.
#pragma once

#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupCatalog.h"
#include "isup/IsupPacket.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace isuptest {

inline std::string Octets(std::string_view SpacedHex)
{
    THexString Hex(true);
    Hex.FromText(SpacedHex);
    return std::string(Hex.Data());
}

inline std::string Hex(std::string_view Bytes)
{
    return THexString(Bytes, true).ToText();
}

// A layout as the catalog loader would build it.
struct TFieldLayoutPlan {
    std::string Name;
    uint8_t Kind;
    int32_t Bit = 0;
    int32_t Length = 1;
    std::string DefaultText;
    std::vector<std::pair<std::string, int32_t>> Literals = {};
};

inline TCustomParameter& AddLayout(TParameterCollection& Layouts, uint8_t Code, std::string Name, uint8_t Type,
                                   int32_t Size, const std::vector<TFieldLayoutPlan>& Fields = {}, int32_t OddBit = 0)
{
    TCustomParameter& Layout = Layouts.AddParameter(false, Code);
    Layout.SetName(Name);
    Layout.SetCaption(Name + " caption");
    Layout.SetParamType(Type);
    Layout.SetSize(Size);
    Layout.SetOddBit(OddBit);
    for (const TFieldLayoutPlan& Plan : Fields) {
        TParamField& Field = Layout.Fields().Add();
        Field.SetName(Plan.Name);
        Field.SetKind(Plan.Kind);
        Field.SetBit(Plan.Bit);
        Field.SetLength(Plan.Length);
        Field.SetDefaultText(Plan.DefaultText);
        for (const auto& [Text, Value] : Plan.Literals)
            Field.MutableLiterals().Add(Text, Value);
    }
    return Layout;
}

// What the catalog does for every parameter named by a message definition.
inline TCustomParameter& Instantiate(const TCustomParameter& Layout, TParameterCollection& Parameters, bool Mandatory)
{
    TCustomParameter& Parameter = Parameters.AddParameter(Mandatory, Layout.Code());
    Parameter.Assign(Layout);
    Parameter.ApplyDefaults();
    return Parameter;
}

// Prototypes in catalog order; NewMessage clones the first with the type.
class TTestCatalog : public TIsupCatalog {
public:
    TCustomIsupPacket& AddPrototype(uint8_t MessageType, std::string Name, std::string Caption)
    {
        auto Packet = std::make_unique<TCustomIsupPacket>();
        Packet->MessageType = MessageType;
        Packet->SetName(std::move(Name));
        Packet->SetCaption(std::move(Caption));
        Prototypes.push_back(std::move(Packet));
        return *Prototypes.back();
    }

    std::unique_ptr<TCustomIsupPacket> NewMessage(uint8_t MessageType) const override
    {
        for (const auto& Prototype : Prototypes)
            if (Prototype->MessageType == MessageType) {
                auto Copy = std::make_unique<TCustomIsupPacket>();
                Copy->Assign(*Prototype);
                return Copy;
            }
        return nullptr;
    }

    TParameterCollection Layouts;
    std::vector<std::unique_ptr<TCustomIsupPacket>> Prototypes;
};

// Decodes the ISUP message in Bytes (SIO first) against Catalog, as the
// level-4 decoder does for service indicator 5.
std::unique_ptr<TCustomIsupPacket> DecodeIsup(const TIsupCatalog& Catalog, std::string_view Bytes);

inline std::string Encode(const TCustomIsupPacket& Packet)
{
    TMemoryStream Stream;
    Packet.SaveToStream(Stream);
    return Stream.Bytes();
}

inline std::string EncodeIsupPart(const TCustomIsupPacket& Packet)
{
    TMemoryStream Stream;
    Packet.WriteIsupPart(Stream);
    return Stream.Bytes();
}

} // namespace isuptest
