// Paths of the definition sets kept beside the catalog tests, and lookups
// in the definitions a test loaded.
#pragma once

#include "catalog/Definitions.h"

#include <gtest/gtest.h>

#include <string>

inline std::string TestSet(const std::string& Name)
{
    return std::string(CATALOG_TEST_DATA) + "/" + Name + "/";
}

// The first parameter of the catalog with this name; fails the test if none.
inline const TStaticParameter& Layout(const TDefinitions& Definitions, const std::string& Name)
{
    const TStaticParameter* Found = Definitions.StaticParameters->FindByName(Name);
    if (!Found)
        throw std::runtime_error("no layout " + Name);
    return *Found;
}

// The first prototype with this name.
inline const TStaticPacket& Prototype(const TDefinitions& Definitions, const std::string& Name)
{
    const TStaticPackets& Packets = *Definitions.StaticPackets;
    for (int I = 0; I < Packets.Count(); ++I)
        if (Packets.Items(I).Name() == Name)
            return Packets.Items(I);
    throw std::runtime_error("no prototype " + Name);
}

inline std::string Hex(const std::string& Octets)
{
    std::string Text;
    static const char Digits[] = "0123456789ABCDEF";
    for (unsigned char C : Octets) {
        if (!Text.empty())
            Text += ' ';
        Text += Digits[C >> 4];
        Text += Digits[C & 15];
    }
    return Text;
}

// Runs Action and returns the message of the Exception it raises ("" when
// none is raised).
template <class TAction> std::string ErrorText(TAction Action)
{
    try {
        Action();
    } catch (const Exception& E) {
        return E.Message();
    }
    return "";
}
