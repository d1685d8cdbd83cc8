// What call correlation and the counts read from an ISUP message: its kind
// as far as calls go, and the values of its parameters that a call record
// holds (numbers, release cause, the range of a group reset). The values
// are read through the decoded message's parameters and their layouts, by
// the names the definition files give them, not from octet offsets.
#pragma once

#include "isup/ParameterCollection.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TCustomIsupPacket;
struct TFieldDef;

// The messages that take part in a call, and those that end calls.
enum class TIsupKind : uint8_t { Other, IAM, SAM, ACM, CON, CPG, ANM, SUS, RES, REL, RLC, RSC, GRS };

// The message name of a kind ("IAM"), "" for Other.
const char* IsupKindName(TIsupKind Kind);

struct TIsupFacts {
    TIsupKind Kind = TIsupKind::Other;
    // IAM: called party number digits; SAM: the subsequent number's digits.
    std::string Digits;
    // IAM: the calling party number's digits ("" without them).
    std::string Calling;
    // REL: the cause indicators.
    bool HasCause = false;
    uint8_t CauseValue = 0;
    uint8_t CauseLocation = 0;
    // The cause value's and location's texts (their literals, without the
    // number the decoded view may add); kept by the reader that read them,
    // as long as it lives.
    std::string_view CauseText;
    std::string_view LocationText;
    // GRS: the range (the circuits CIC to CIC + Range are reset).
    bool HasRange = false;
    uint8_t Range = 0;
};

// Reads facts from decoded messages. It remembers, per message type, where
// each parameter and field sits in the message's layout, so that reading
// costs a few lookups.
class TIsupFactReader {
public:
    TIsupFactReader();

    // The kind of a message, from its name.
    TIsupKind KindOf(const TCustomIsupPacket& Packet);
    // The kind and, for IAM, SAM, REL and GRS, the values.
    void Read(const TCustomIsupPacket& Packet, TIsupFacts& Facts);

private:
    // Per message type: its kind, known once seen.
    std::array<int8_t, 256> FKinds;
    // Per message type and wanted parameter: its index in the message's
    // parameters, -1 unknown, -2 none.
    std::array<std::array<int16_t, 4>, 256> FParameterAt;
    // The parameter Name of Packet when present; Slot: its place in the
    // table of where the parameters sit.
    std::optional<TParameterView> Parameter(const TCustomIsupPacket& Packet, int Slot, const char* Name);
    // The texts of each cause value and location, read once.
    std::array<std::string, 128> FCauseTexts;
    std::array<bool, 128> FCauseKnown{};
    std::array<std::string, 16> FLocationTexts;
    std::array<bool, 16> FLocationKnown{};
};

// The field of a parameter's layout named Name, or null.
const TFieldDef* FindField(const TParameterView& Parameter, const char* Name);
