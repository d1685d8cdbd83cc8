// Generated round trips: random message definitions and values, laid out
// canonically by an independent writer, decode to those values and encode
// back to the same octets.
#include "tests/isup/isup_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace isuptest;

namespace {

struct TParamPlan {
    uint8_t Code;
    uint8_t Part;
    int32_t Size;
};

struct TCase {
    std::vector<TParamPlan> Params;
    std::vector<std::string> Values;
    std::vector<bool> OptionalPresent;
    bool OptionalPartPresent;
};

// The canonical layout of ITU-T Q.763: fixed values, pointers, variable
// parameters in order, then the optional part in definition order.
std::string WriteCanonical(const TCase& Case, uint16_t Cic, uint8_t Type)
{
    std::string Out = Octets("05 11 22 33 44");
    Out.push_back(static_cast<char>(Cic & 0xFF));
    Out.push_back(static_cast<char>(Cic >> 8));
    Out.push_back(static_cast<char>(Type));
    size_t Variables = 0;
    bool AnyOptional = false;
    for (size_t I = 0; I < Case.Params.size(); ++I) {
        if (Case.Params[I].Part == ipFixed)
            Out += Case.Values[I];
        Variables += Case.Params[I].Part == ipVariable;
        AnyOptional = AnyOptional || Case.Params[I].Part == ipOptional;
    }
    const size_t PointerStart = Out.size();
    const size_t Slots = Variables + (AnyOptional ? 1 : 0);
    Out.append(Slots, '\0');
    size_t Slot = 0;
    for (size_t I = 0; I < Case.Params.size(); ++I) {
        if (Case.Params[I].Part != ipVariable)
            continue;
        Out[PointerStart + Slot] = static_cast<char>(Out.size() - (PointerStart + Slot));
        Out.push_back(static_cast<char>(Case.Values[I].size()));
        Out += Case.Values[I];
        ++Slot;
    }
    if (AnyOptional && Case.OptionalPartPresent) {
        Out[PointerStart + Slot] = static_cast<char>(Out.size() - (PointerStart + Slot));
        for (size_t I = 0; I < Case.Params.size(); ++I) {
            if (Case.Params[I].Part != ipOptional || !Case.OptionalPresent[I])
                continue;
            Out.push_back(static_cast<char>(Case.Params[I].Code));
            Out.push_back(static_cast<char>(Case.Values[I].size()));
            Out += Case.Values[I];
        }
        Out.push_back('\0');
    }
    return Out;
}

std::string RandomOctets(std::mt19937& Random, size_t Count)
{
    std::string Octets(Count, '\0');
    for (char& C : Octets)
        C = static_cast<char>(Random() & 0xFF);
    return Octets;
}

} // namespace

TEST(IsupRoundTrip, GeneratedDefinitionsAndValues)
{
    std::mt19937 Random(20261208);
    int Checked = 0;
    for (int Round = 0; Round < 400; ++Round) {
        TTestCatalog Catalog;
        TCase Case;
        const uint8_t Type = static_cast<uint8_t>(1 + Random() % 255);
        TCustomIsupPacket& Prototype = Catalog.AddPrototype(Type, "M", "Message");
        const int Fixed = static_cast<int>(Random() % 4);
        const int Variable = static_cast<int>(Random() % 5);
        const int Optional = static_cast<int>(Random() % 7);
        // Distinct optional codes, none of them 0 (the end octet).
        std::vector<uint8_t> Codes(255);
        for (int I = 0; I < 255; ++I)
            Codes[static_cast<size_t>(I)] = static_cast<uint8_t>(I + 1);
        std::shuffle(Codes.begin(), Codes.end(), Random);
        auto Add = [&](uint8_t Part, uint8_t ParamType, bool Mandatory, int32_t Size, size_t Index) {
            const uint8_t Code = Codes[Index];
            TCustomParameter& Layout = AddLayout(Catalog.Layouts, Code, "P" + std::to_string(Index), ParamType, Size,
                                                 {{"Low", fkInteger, 0, 4, "3"}});
            Instantiate(Layout, Prototype.Parameters(), Mandatory);
            Case.Params.push_back({Code, Part, Size});
        };
        size_t Index = 0;
        for (int I = 0; I < Fixed; ++I)
            Add(ipFixed, ptFixed, true, static_cast<int32_t>(Random() % 5), Index++);
        for (int I = 0; I < Variable; ++I)
            Add(ipVariable, Random() % 2 ? ptVariable : ptNumber, true, 1, Index++);
        for (int I = 0; I < Optional; ++I)
            Add(ipOptional, static_cast<uint8_t>(1 + Random() % 3), false, 1, Index++);

        Case.OptionalPartPresent = Random() % 4 != 0;
        bool AnyPresent = false;
        for (const TParamPlan& Plan : Case.Params) {
            const size_t Length = Plan.Part == ipFixed ? static_cast<size_t>(Plan.Size) : Random() % 24;
            Case.Values.push_back(RandomOctets(Random, Length));
            const bool Present = Plan.Part == ipOptional && Case.OptionalPartPresent && Random() % 2 == 0;
            Case.OptionalPresent.push_back(Present);
            AnyPresent = AnyPresent || Present;
        }
        const uint16_t Cic = static_cast<uint16_t>(Random());
        const std::string Bytes = WriteCanonical(Case, Cic, Type);

        auto Packet = DecodeIsup(Catalog, Bytes);
        ASSERT_EQ(Packet->Cic, Cic);
        ASSERT_EQ(Packet->MessageType, Type);
        ASSERT_EQ(Packet->Parameters().Count(), static_cast<int>(Case.Params.size()));
        for (size_t I = 0; I < Case.Params.size(); ++I) {
            const TCustomParameter& Parameter = Packet->Parameters().Items(static_cast<int>(I));
            const bool Present = Case.Params[I].Part != ipOptional || Case.OptionalPresent[I];
            ASSERT_EQ(Parameter.GetPresent(), Present) << "round " << Round << " parameter " << I;
            if (Present) {
                ASSERT_EQ(Hex(Parameter.Value()), Hex(Case.Values[I])) << "round " << Round << " parameter " << I;
            }
        }
        EXPECT_EQ(Packet->Parameters().OptionalPart().Present, Optional == 0 || Case.OptionalPartPresent);
        ASSERT_EQ(Hex(Encode(*Packet)), Hex(Bytes)) << "round " << Round;
        Checked += AnyPresent;
    }
    // The generator must actually produce optional parameters.
    EXPECT_GT(Checked, 100);
}
