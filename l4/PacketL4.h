// The level-4 message (ITU-T Q.704): service information octet, 4-octet
// routing label, then the user part of the subsystem that the service
// indicator names. The class line every decoded message derives from, the
// signalling link test message (ITU-T Q.707) and the level-4 errors. The
// dispatch by service indicator lives above the subsystems (decode/).
#pragma once

#include "core/Exception.h"
#include "core/Persistent.h"

#include <cstdint>
#include <memory>
#include <string>

class TMemoryStream;

// The level-4 error; the base of every decoding error of the system.
class EL4Error : public Exception {
public:
    using Exception::Exception;
};

// The SIO octet could not be read or written.
class EL4StreamError : public EL4Error {
public:
    using EL4Error::EL4Error;
};

// An item with the user's selection mark (1 = selected).
class TCustomItemL4 : public TPersistent {
public:
    const char* ClassName() const override { return "TCustomItemL4"; }
    uint8_t Checked = 1;
};

class TCustomPacketL4 : public TCustomItemL4 {
public:
    const char* ClassName() const override { return "TCustomPacketL4"; }

    // Service indicator in bits 0-3, subservice field in bits 4-7.
    uint8_t Sio = 5;
    // The little-endian word of the wire: DPC bits 0-13, OPC 14-27, SLS 28-31.
    uint32_t RoutingLabel = 0;

    uint8_t GetServiceIndicator() const { return Sio & 0x0F; }
    void SetServiceIndicator(uint8_t Value) { Sio = static_cast<uint8_t>((Sio & 0xF0) | (Value & 0x0F)); }
    void SetSubservice(uint8_t Value) { Sio = static_cast<uint8_t>((Sio & 0x0F) | ((Value & 0x0F) << 4)); }

    // Copies Sio and RoutingLabel from any level-4 packet; Checked stays.
    void Assign(const TPersistent& Source) override;
    virtual void LoadFromStream(TMemoryStream& Stream);
    virtual void SaveToStream(TMemoryStream& Stream) const;
    // The short name shown in the capture list: "(SS=%d)" here.
    virtual std::string GetName() const;
    // Back to what a new packet of its class holds, keeping storage it may
    // reuse: a decoder that reuses its packets resets each one before it
    // reads the next message into it.
    virtual void Reset();
};

// Signalling link test message: heading, length indicator, test pattern.
class TTestPacketL4 : public TCustomPacketL4 {
public:
    const char* ClassName() const override { return "TTestPacketL4"; }

    uint8_t Heading = 0;
    std::string TestPattern;

    void Assign(const TPersistent& Source) override;
    void LoadFromStream(TMemoryStream& Stream) override;
    void SaveToStream(TMemoryStream& Stream) const override;
    // "SLTM" for 0x11, "SLTA" for 0x21, else "0x%.2X" of the heading.
    std::string GetName() const override;
    void Reset() override;
};

uint32_t GetDpc(uint32_t Label);
uint32_t GetOpc(uint32_t Label);
uint32_t GetSls(uint32_t Label);
// "%d => %d, sls=%d" with OPC, DPC and SLS: the originating point first.
std::string GetRoutingLabelText(uint32_t Label);
void AppendRoutingLabelText(uint32_t Label, std::string& Text);

// A link test message read from a stream positioned at its SIO octet.
std::unique_ptr<TTestPacketL4> ReadTestPacket(TMemoryStream& Stream);
