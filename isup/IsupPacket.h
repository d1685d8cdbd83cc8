// An ISUP message (ITU-T Q.763): circuit identification code, message type
// and the parameters of the message type's definition, read from and written
// to the octets of a level-4 message; the ISUP errors and the decoder.
#pragma once

#include "isup/ParameterCollection.h"
#include "l4/PacketL4.h"

#include <cstdint>
#include <memory>
#include <string>

class TIsupCatalog;
class TMemoryStream;

class EIsupError : public EL4Error {
public:
    using EL4Error::EL4Error;
};

// The message type octet is not in the message catalog.
class EUnknownIsupMessage : public EIsupError {
public:
    explicit EUnknownIsupMessage(int32_t Code);

    int32_t Code;
    // "0x%.2X" of Code.
    std::string CodeText;
};

// The message. MessageType and Cic are plain members (as Sio and
// RoutingLabel of the base); Name and Caption go through accessors because
// a prototype and its copies share them.
class TCustomIsupPacket : public TCustomPacketL4 {
public:
    TCustomIsupPacket();
    ~TCustomIsupPacket() override;
    const char* ClassName() const override { return "TCustomIsupPacket"; }

    uint8_t MessageType = 0;
    // All 16 bits of the two CIC octets.
    uint16_t Cic = 0;

    // Short name (mnemonic), "(?)" at first.
    const std::string& Name() const;
    void SetName(std::string Name);
    // Long name, "(noname)" at first.
    const std::string& Caption() const;
    void SetCaption(std::string Caption);

    TParameterCollection& Parameters() { return FParameters; }
    const TParameterCollection& Parameters() const { return FParameters; }

    // From another ISUP message: MessageType, Caption, Name (through the
    // source's GetName), Checked, Cic, the parameters, Sio and RoutingLabel;
    // other level-4 packets go to the level-4 Assign.
    void Assign(const TPersistent& Source) override;
    // Becomes what a new packet assigned from Prototype is (the parts'
    // Present flags true again), reusing what this packet holds: a decoder
    // that keeps one packet per message type renews it for every message.
    void Renew(const TCustomIsupPacket& Prototype);
    void Reset() override;
    // Level-4 header, CIC, message type, then the parts that the parameters
    // define.
    void LoadFromStream(TMemoryStream& Stream) override;
    void SaveToStream(TMemoryStream& Stream) const override;
    std::string GetName() const override;
    // Hex text of the ISUP part (WriteIsupPart); with separators every octet
    // is followed by a blank.
    virtual std::string GetCodedText(bool Separators) const;

    // CIC, message type and parameters.
    void WriteIsupPart(TMemoryStream& Stream) const;
    // Name, or "Name, Caption" when they differ.
    std::string GetSummary() const;

private:
    void CopyFrom(const TCustomIsupPacket& Source);

    struct TTexts;
    std::shared_ptr<const TTexts> FTexts;
    TParameterCollection FParameters;
};

// Decodes the ISUP message at the stream's position (its SIO octet) into a
// copy of Catalog's prototype of its message type; null when the stream is
// at its end. Raises EL4StreamError, EL4Error or EUnknownIsupMessage.
std::unique_ptr<TCustomIsupPacket> ReadIsupPacket(TMemoryStream& Stream, const TIsupCatalog& Catalog);

// The message type of the ISUP message at the stream's position, as a
// plain packet reads it before the catalog is asked (the stream does not
// move): raises "Can`t load packet from stream." when the input ends before
// it. The stream holds at least the SIO octet.
uint8_t PeekIsupMessageType(const TMemoryStream& Stream);
