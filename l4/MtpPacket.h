// MTP signalling network management messages (service indicator 0,
// ITU-T Q.704): the heading code that names the message and, for the
// messages that carry one, the first information field after it. The
// message types are one table; each has a class of its own, a thin name
// over its row.
#pragma once

#include "l4/PacketL4.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// One MTP network management message type.
struct TMtpMessageType {
    // Heading code: H0 (message group) in bits 0-3, H1 in bits 4-7.
    uint8_t Heading;
    const char* Name;
    const char* ClassName;
    // Information octets read after the heading: 0, 1 or 2.
    uint8_t InfoLength;
    // The information field shown as Field=value, the value being the one
    // octet or the little-endian word of two (all its bits); empty when the
    // message shows none.
    const char* Field;
};

inline constexpr std::array<TMtpMessageType, 27> MtpMessageTypes{{
    // Changeover and changeback (group CHM).
    {0x11, "COO", "TMtpPacket_COO", 1, "FSN"},
    {0x21, "COA", "TMtpPacket_COA", 1, "FSN"},
    {0x51, "CBD", "TMtpPacket_CBD", 1, "CbCode"},
    {0x61, "CBA", "TMtpPacket_CBA", 1, "CbCode"},
    // Emergency changeover (group ECM).
    {0x12, "ECO", "TMtpPacket_ECO", 0, ""},
    {0x22, "ECA", "TMtpPacket_ECA", 0, ""},
    // Signalling traffic flow control (group FCM).
    {0x13, "RCT", "TMtpPacket_RCT", 0, ""},
    {0x23, "TFC", "TMtpPacket_TFC", 2, "Destination"},
    // Transfer prohibited, restricted, allowed (group TFM).
    {0x14, "TFP", "TMtpPacket_TFP", 2, "Destination"},
    {0x34, "TFR", "TMtpPacket_TFR", 2, "Destination"},
    {0x54, "TFA", "TMtpPacket_TFA", 2, "Destination"},
    // Signalling-route-set-test (group RSM).
    {0x15, "RST", "TMtpPacket_RST", 2, "Destination"},
    {0x25, "RSR", "TMtpPacket_RSR", 2, "Destination"},
    // Management inhibiting (group MIM).
    {0x16, "LIN", "TMtpPacket_LIN", 0, ""},
    {0x26, "LUN", "TMtpPacket_LUN", 0, ""},
    {0x36, "LIA", "TMtpPacket_LIA", 0, ""},
    {0x46, "LUA", "TMtpPacket_LUA", 0, ""},
    {0x56, "LID", "TMtpPacket_LID", 0, ""},
    {0x66, "LFU", "TMtpPacket_LFU", 0, ""},
    {0x76, "LLT", "TMtpPacket_LLT", 0, ""},
    {0x86, "LRT", "TMtpPacket_LRT", 0, ""},
    // Traffic restart allowed (group TRM).
    {0x17, "TRA", "TMtpPacket_TRA", 0, ""},
    // Signalling data link connection (group DLM).
    {0x18, "DLC", "TMtpPacket_DLC", 2, "Identity"},
    {0x28, "CSS", "TMtpPacket_CSS", 0, ""},
    {0x38, "CNS", "TMtpPacket_CNS", 0, ""},
    {0x48, "CNP", "TMtpPacket_CNP", 0, ""},
    // User part flow control (group UFC).
    {0x1A, "UPU", "TMtpPacket_UPU", 0, ""},
}};

// The index in MtpMessageTypes of the message type with this heading, or -1.
constexpr int MtpMessageTypeIndex(uint8_t Heading)
{
    for (size_t I = 0; I < MtpMessageTypes.size(); ++I)
        if (MtpMessageTypes[I].Heading == Heading)
            return static_cast<int>(I);
    return -1;
}

// A management message. A plain TMtpPacket has no information octets and
// shows no field; the message types' classes (TMtpMessage below) start with
// their heading and information length and show their field.
class TMtpPacket : public TCustomPacketL4 {
public:
    TMtpPacket() { Sio = 0; }
    const char* ClassName() const override { return "TMtpPacket"; }

    // Heading code: H0 (message group) in bits 0-3, H1 in bits 4-7.
    uint8_t Heading = 0;
    // The information octets; their number is fixed by the message type.
    std::string Info;

    void LoadFromStream(TMemoryStream& Stream) override;
    void SaveToStream(TMemoryStream& Stream) const override;
    // The message name, the group name of a heading whose H1 is 0, or "$"
    // and the heading as two hex digits.
    std::string GetName() const override;
    // The name, and " (" fields ")" when the message shows a field.
    virtual std::string GetDescription() const;
    // The information field of the message type this object was made as;
    // empty for a plain TMtpPacket and for types without one.
    virtual std::string GetFieldsText() const;
    void Reset() override;

    uint8_t GetInfoByte(size_t I) const { return I < Info.size() ? static_cast<uint8_t>(Info[I]) : 0; }
    // Info[I] + 256 * Info[I + 1], unmasked.
    uint16_t GetInfoWord(size_t I) const { return static_cast<uint16_t>(GetInfoByte(I) | (GetInfoByte(I + 1) << 8)); }

protected:
    explicit TMtpPacket(const TMtpMessageType& Type)
        : Heading(Type.Heading)
        , Info(Type.InfoLength, '\0')
        , FType(&Type)
    {
        Sio = 0;
    }

private:
    const TMtpMessageType* FType = nullptr;
};

// The class of the message type with heading code HeadingCode.
template <uint8_t HeadingCode> class TMtpMessage final : public TMtpPacket {
    static constexpr int Row = MtpMessageTypeIndex(HeadingCode);
    static_assert(Row >= 0, "no MTP message type has this heading");

public:
    TMtpMessage()
        : TMtpPacket(MtpMessageTypes[Row])
    {
    }
    const char* ClassName() const override { return MtpMessageTypes[Row].ClassName; }
};

using TMtpPacket_COO = TMtpMessage<0x11>;
using TMtpPacket_COA = TMtpMessage<0x21>;
using TMtpPacket_CBD = TMtpMessage<0x51>;
using TMtpPacket_CBA = TMtpMessage<0x61>;
using TMtpPacket_ECO = TMtpMessage<0x12>;
using TMtpPacket_ECA = TMtpMessage<0x22>;
using TMtpPacket_RCT = TMtpMessage<0x13>;
using TMtpPacket_TFC = TMtpMessage<0x23>;
using TMtpPacket_TFP = TMtpMessage<0x14>;
using TMtpPacket_TFR = TMtpMessage<0x34>;
using TMtpPacket_TFA = TMtpMessage<0x54>;
using TMtpPacket_RST = TMtpMessage<0x15>;
using TMtpPacket_RSR = TMtpMessage<0x25>;
using TMtpPacket_LIN = TMtpMessage<0x16>;
using TMtpPacket_LUN = TMtpMessage<0x26>;
using TMtpPacket_LIA = TMtpMessage<0x36>;
using TMtpPacket_LUA = TMtpMessage<0x46>;
using TMtpPacket_LID = TMtpMessage<0x56>;
using TMtpPacket_LFU = TMtpMessage<0x66>;
using TMtpPacket_LLT = TMtpMessage<0x76>;
using TMtpPacket_LRT = TMtpMessage<0x86>;
using TMtpPacket_TRA = TMtpMessage<0x17>;
using TMtpPacket_DLC = TMtpMessage<0x18>;
using TMtpPacket_CSS = TMtpMessage<0x28>;
using TMtpPacket_CNS = TMtpMessage<0x38>;
using TMtpPacket_CNP = TMtpMessage<0x48>;
using TMtpPacket_UPU = TMtpMessage<0x1A>;

// Decodes an MTP management message from a stream positioned at its SIO:
// the class follows the heading code; the caller owns the result.
std::unique_ptr<TMtpPacket> ReadMtpPacket(TMemoryStream& Stream);
// The heading code of the MTP message at the stream's position, as a plain
// TMtpPacket reads it (0 when the input ends before it); the stream does
// not move.
uint8_t PeekMtpHeading(const TMemoryStream& Stream);
// A new message of the class for Heading, or a plain TMtpPacket.
std::unique_ptr<TMtpPacket> NewMtpPacket(uint8_t Heading);
