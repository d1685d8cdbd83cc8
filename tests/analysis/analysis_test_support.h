// ISUP and other level-4 messages written octet by octet (ITU-T Q.763 and
// Q.704), captures made of them, and the definitions they decode with.
#pragma once

#include "analysis/TrafficStats.h"
#include "catalog/Definitions.h"
#include "presentation/CaptureDecoding.h"
#include "presentation/CaptureItems.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace analysis_test {

inline const TDefinitions& Definitions()
{
    static const TDefinitions Loaded = LoadDefinitions(CFG_DIR);
    return Loaded;
}

inline const TIsupCatalog& Catalog()
{
    return *Definitions().StaticPackets;
}

inline std::string Bytes(std::initializer_list<int> Octets)
{
    std::string Text;
    for (int Octet : Octets)
        Text.push_back(static_cast<char>(Octet));
    return Text;
}

// SIO and routing label: DPC bits 0-13, OPC 14-27, SLS 28-31.
inline std::string Heading(int Si, uint32_t Opc, uint32_t Dpc, uint32_t Sls = 0)
{
    const uint32_t Label = (Dpc & 0x3FFF) | (Opc & 0x3FFF) << 14 | (Sls & 0xF) << 28;
    std::string Text(1, static_cast<char>(0x80 | Si));
    for (int I = 0; I < 4; ++I)
        Text.push_back(static_cast<char>(Label >> (8 * I)));
    return Text;
}

inline std::string Isup(uint32_t Opc, uint32_t Dpc, uint16_t Cic, int Type, const std::string& Body)
{
    return Heading(5, Opc, Dpc, Cic & 0xF) + Bytes({Cic & 0xFF, Cic >> 8, Type}) + Body;
}

// BCD digits, the first in the low half of each octet; the odd indicator
// goes into bit 7 of Nature.
inline std::string Number(int Nature, int Second, const std::string& Digits)
{
    std::string Text = Bytes({(Digits.size() % 2 ? 0x80 : 0) | Nature, Second});
    for (size_t I = 0; I < Digits.size(); I += 2) {
        const int Low = Digits[I] - '0';
        const int High = I + 1 < Digits.size() ? Digits[I + 1] - '0' : 0;
        Text.push_back(static_cast<char>(Low | High << 4));
    }
    return Text;
}

inline std::string Iam(uint32_t Opc, uint32_t Dpc, uint16_t Cic, const std::string& Called,
                       const std::string& Calling = "")
{
    const std::string CalledNumber = Number(3, 0x10, Called);
    // Fixed part: nature of connection, forward call indicators (2),
    // calling party's category, transmission medium requirement; then the
    // pointers to the called number and to the optional part.
    std::string Body = Bytes({0x00, 0x20, 0x01, 0x0A, 0x00, 0x02, static_cast<int>(CalledNumber.size()) + 2});
    Body += static_cast<char>(CalledNumber.size());
    Body += CalledNumber;
    if (!Calling.empty()) {
        const std::string CallingNumber = Number(3, 0x11, Calling);
        Body += Bytes({0x0A, static_cast<int>(CallingNumber.size())}) + CallingNumber;
    }
    Body += '\0';
    return Isup(Opc, Dpc, Cic, 0x01, Body);
}

inline std::string Sam(uint32_t Opc, uint32_t Dpc, uint16_t Cic, const std::string& Digits)
{
    // The odd indicator in bit 7 of the first octet, then the digits.
    const std::string Subsequent = Bytes({Digits.size() % 2 ? 0x80 : 0}) + Number(0, 0, Digits).substr(2);
    return Isup(Opc, Dpc, Cic, 0x02,
                Bytes({0x02, static_cast<int>(Subsequent.size()) + 2, static_cast<int>(Subsequent.size())}) +
                    Subsequent + Bytes({0}));
}

inline std::string Acm(uint32_t Opc, uint32_t Dpc, uint16_t Cic)
{
    return Isup(Opc, Dpc, Cic, 0x06, Bytes({0x16, 0x14, 0x00}));
}
inline std::string Cpg(uint32_t Opc, uint32_t Dpc, uint16_t Cic)
{
    return Isup(Opc, Dpc, Cic, 0x2C, Bytes({0x01, 0x00}));
}
inline std::string Anm(uint32_t Opc, uint32_t Dpc, uint16_t Cic)
{
    return Isup(Opc, Dpc, Cic, 0x09, Bytes({0x00}));
}
inline std::string Con(uint32_t Opc, uint32_t Dpc, uint16_t Cic)
{
    return Isup(Opc, Dpc, Cic, 0x07, Bytes({0x16, 0x14, 0x00}));
}
inline std::string Rel(uint32_t Opc, uint32_t Dpc, uint16_t Cic, int Cause, int Location)
{
    return Isup(Opc, Dpc, Cic, 0x0C, Bytes({0x02, 0x00, 0x02, 0x80 | Location, 0x80 | Cause}));
}
inline std::string Rlc(uint32_t Opc, uint32_t Dpc, uint16_t Cic)
{
    return Isup(Opc, Dpc, Cic, 0x10, Bytes({0x00}));
}
inline std::string Rsc(uint32_t Opc, uint32_t Dpc, uint16_t Cic)
{
    return Isup(Opc, Dpc, Cic, 0x12, "");
}
inline std::string Grs(uint32_t Opc, uint32_t Dpc, uint16_t Cic, int Range)
{
    return Isup(Opc, Dpc, Cic, 0x17, Bytes({0x01, 0x01, Range}));
}
// A signalling link test message (SLTM) with a two-octet pattern.
inline std::string Sltm(uint32_t Opc, uint32_t Dpc, int Slc)
{
    return Heading(1, Opc, Dpc, static_cast<uint32_t>(Slc)) + Bytes({0x11, 0x20, 0xAB, 0xCD});
}

// A stamp Ms milliseconds after 9:00:00 on 1 March 2027.
inline TSystemTime At(int64_t Ms)
{
    return AddMilliseconds(TSystemTime{2027, 3, 1, 1, 9, 0, 0, 0}, Ms);
}

// Captures taken in as the window takes them: the analysis is told of each.
struct TFeed {
    TCaptureItemsCollection Captures;
    TCaptureAnalysis Analysis;
    TFeed() { Captures.SetObserver(&Analysis); }

    const TCaptureItem* Add(int64_t Ms, uint8_t Direction, uint8_t Link, const std::string& Message)
    {
        return Captures.Add(TCaptureRecord{At(Ms), Direction, Link, Message}, Catalog());
    }
};

} // namespace analysis_test
