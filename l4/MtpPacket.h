// MTP signalling network management messages (service indicator 0,
// ITU-T Q.704): the heading code that names the message and, for the
// messages that carry one, the first information field after it.
#pragma once

#include "l4/PacketL4.h"

#include <cstdint>
#include <memory>
#include <string>

class TMtpPacket : public TCustomPacketL4 {
public:
    TMtpPacket()
        : TMtpPacket(0, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket"; }

    // Heading code: H0 (message group) in bits 0-3, H1 in bits 4-7.
    uint8_t Heading;
    // The information octets; their number is fixed by the message type.
    std::string Info;

    void LoadFromStream(TMemoryStream& Stream) override;
    void SaveToStream(TMemoryStream& Stream) const override;
    // The message name, the group name of a heading whose H1 is 0, or "$"
    // and the heading as two hex digits.
    std::string GetName() const override;
    // The name, and " (" fields ")" when the message shows a field.
    virtual std::string GetDescription() const;
    virtual std::string GetFieldsText() const { return {}; }

    uint8_t GetInfoByte(size_t I) const { return I < Info.size() ? static_cast<uint8_t>(Info[I]) : 0; }
    // Info[I] + 256 * Info[I + 1], unmasked.
    uint16_t GetInfoWord(size_t I) const { return static_cast<uint16_t>(GetInfoByte(I) | (GetInfoByte(I + 1) << 8)); }

protected:
    TMtpPacket(uint8_t Heading, size_t InfoLength)
        : Heading(Heading)
        , Info(InfoLength, '\0')
    {
        Sio = 0;
    }
    std::string FsnText() const;
    std::string CbCodeText() const;
    std::string DestinationText() const;
    std::string IdentityText() const;
};

// Changeover and changeback (group CHM).
class TMtpPacket_COO : public TMtpPacket {
public:
    TMtpPacket_COO()
        : TMtpPacket(0x11, 1)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_COO"; }
    std::string GetFieldsText() const override { return FsnText(); }
};
class TMtpPacket_COA : public TMtpPacket {
public:
    TMtpPacket_COA()
        : TMtpPacket(0x21, 1)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_COA"; }
    std::string GetFieldsText() const override { return FsnText(); }
};
class TMtpPacket_CBD : public TMtpPacket {
public:
    TMtpPacket_CBD()
        : TMtpPacket(0x51, 1)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_CBD"; }
    std::string GetFieldsText() const override { return CbCodeText(); }
};
class TMtpPacket_CBA : public TMtpPacket {
public:
    TMtpPacket_CBA()
        : TMtpPacket(0x61, 1)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_CBA"; }
    std::string GetFieldsText() const override { return CbCodeText(); }
};

// Emergency changeover (group ECM).
class TMtpPacket_ECO : public TMtpPacket {
public:
    TMtpPacket_ECO()
        : TMtpPacket(0x12, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_ECO"; }
};
class TMtpPacket_ECA : public TMtpPacket {
public:
    TMtpPacket_ECA()
        : TMtpPacket(0x22, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_ECA"; }
};

// Signalling traffic flow control (group FCM).
class TMtpPacket_RCT : public TMtpPacket {
public:
    TMtpPacket_RCT()
        : TMtpPacket(0x13, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_RCT"; }
};
class TMtpPacket_TFC : public TMtpPacket {
public:
    TMtpPacket_TFC()
        : TMtpPacket(0x23, 2)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_TFC"; }
    std::string GetFieldsText() const override { return DestinationText(); }
};

// Transfer prohibited, restricted, allowed (group TFM).
class TMtpPacket_TFP : public TMtpPacket {
public:
    TMtpPacket_TFP()
        : TMtpPacket(0x14, 2)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_TFP"; }
    std::string GetFieldsText() const override { return DestinationText(); }
};
class TMtpPacket_TFR : public TMtpPacket {
public:
    TMtpPacket_TFR()
        : TMtpPacket(0x34, 2)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_TFR"; }
    std::string GetFieldsText() const override { return DestinationText(); }
};
class TMtpPacket_TFA : public TMtpPacket {
public:
    TMtpPacket_TFA()
        : TMtpPacket(0x54, 2)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_TFA"; }
    std::string GetFieldsText() const override { return DestinationText(); }
};

// Signalling-route-set-test (group RSM).
class TMtpPacket_RST : public TMtpPacket {
public:
    TMtpPacket_RST()
        : TMtpPacket(0x15, 2)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_RST"; }
    std::string GetFieldsText() const override { return DestinationText(); }
};
class TMtpPacket_RSR : public TMtpPacket {
public:
    TMtpPacket_RSR()
        : TMtpPacket(0x25, 2)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_RSR"; }
    std::string GetFieldsText() const override { return DestinationText(); }
};

// Management inhibiting (group MIM).
class TMtpPacket_LIN : public TMtpPacket {
public:
    TMtpPacket_LIN()
        : TMtpPacket(0x16, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LIN"; }
};
class TMtpPacket_LUN : public TMtpPacket {
public:
    TMtpPacket_LUN()
        : TMtpPacket(0x26, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LUN"; }
};
class TMtpPacket_LIA : public TMtpPacket {
public:
    TMtpPacket_LIA()
        : TMtpPacket(0x36, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LIA"; }
};
class TMtpPacket_LUA : public TMtpPacket {
public:
    TMtpPacket_LUA()
        : TMtpPacket(0x46, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LUA"; }
};
class TMtpPacket_LID : public TMtpPacket {
public:
    TMtpPacket_LID()
        : TMtpPacket(0x56, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LID"; }
};
class TMtpPacket_LFU : public TMtpPacket {
public:
    TMtpPacket_LFU()
        : TMtpPacket(0x66, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LFU"; }
};
class TMtpPacket_LLT : public TMtpPacket {
public:
    TMtpPacket_LLT()
        : TMtpPacket(0x76, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LLT"; }
};
class TMtpPacket_LRT : public TMtpPacket {
public:
    TMtpPacket_LRT()
        : TMtpPacket(0x86, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_LRT"; }
};

// Traffic restart allowed (group TRM).
class TMtpPacket_TRA : public TMtpPacket {
public:
    TMtpPacket_TRA()
        : TMtpPacket(0x17, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_TRA"; }
};

// Signalling data link connection (group DLM).
class TMtpPacket_DLC : public TMtpPacket {
public:
    TMtpPacket_DLC()
        : TMtpPacket(0x18, 2)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_DLC"; }
    std::string GetFieldsText() const override { return IdentityText(); }
};
class TMtpPacket_CSS : public TMtpPacket {
public:
    TMtpPacket_CSS()
        : TMtpPacket(0x28, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_CSS"; }
};
class TMtpPacket_CNS : public TMtpPacket {
public:
    TMtpPacket_CNS()
        : TMtpPacket(0x38, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_CNS"; }
};
class TMtpPacket_CNP : public TMtpPacket {
public:
    TMtpPacket_CNP()
        : TMtpPacket(0x48, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_CNP"; }
};

// User part flow control (group UFC).
class TMtpPacket_UPU : public TMtpPacket {
public:
    TMtpPacket_UPU()
        : TMtpPacket(0x1A, 0)
    {
    }
    const char* ClassName() const override { return "TMtpPacket_UPU"; }
};

// Decodes an MTP management message from a stream positioned at its SIO:
// the class follows the heading code; the caller owns the result.
std::unique_ptr<TMtpPacket> ReadMtpPacket(TMemoryStream& Stream);
// A new message of the class for Heading, or a plain TMtpPacket.
std::unique_ptr<TMtpPacket> NewMtpPacket(uint8_t Heading);
