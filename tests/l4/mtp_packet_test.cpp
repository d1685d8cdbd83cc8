// MTP network management messages: every heading's class, name, information
// length and field text, the group and "$" names, short input, copying and
// writing back.
#include "l4/MtpPacket.h"

#include "core/HexString.h"
#include "core/MemoryStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

THexString Hex(const std::string& Text)
{
    THexString Octets(true);
    Octets.FromText(Text);
    return THexString(Octets.Data(), false);
}

// An MTP message read from its octets, SIO first, as the level-4 decoder
// reads one of service indicator 0.
std::unique_ptr<TMtpPacket> ReadMtp(const THexString& Octets)
{
    TMemoryStream Stream(Octets.Data());
    return ReadMtpPacket(Stream);
}

struct TMessageCase {
    uint8_t Heading;
    const char* Name;
    size_t InfoLength;
    // The field text with the information octets 34 12 (or 34 alone).
    const char* Fields;
};

// ITU-T Q.704 heading codes: H0 in the low nibble, H1 in the high one.
const std::vector<TMessageCase> Messages = {
    {0x11, "COO", 1, "FSN=52"},
    {0x21, "COA", 1, "FSN=52"},
    {0x51, "CBD", 1, "CbCode=52"},
    {0x61, "CBA", 1, "CbCode=52"},
    {0x12, "ECO", 0, ""},
    {0x22, "ECA", 0, ""},
    {0x13, "RCT", 0, ""},
    {0x23, "TFC", 2, "Destination=4660"},
    {0x14, "TFP", 2, "Destination=4660"},
    {0x34, "TFR", 2, "Destination=4660"},
    {0x54, "TFA", 2, "Destination=4660"},
    {0x15, "RST", 2, "Destination=4660"},
    {0x25, "RSR", 2, "Destination=4660"},
    {0x16, "LIN", 0, ""},
    {0x26, "LUN", 0, ""},
    {0x36, "LIA", 0, ""},
    {0x46, "LUA", 0, ""},
    {0x56, "LID", 0, ""},
    {0x66, "LFU", 0, ""},
    {0x76, "LLT", 0, ""},
    {0x86, "LRT", 0, ""},
    {0x17, "TRA", 0, ""},
    {0x18, "DLC", 2, "Identity=4660"},
    {0x28, "CSS", 0, ""},
    {0x38, "CNS", 0, ""},
    {0x48, "CNP", 0, ""},
    {0x1A, "UPU", 0, ""},
};

const std::vector<std::pair<uint8_t, const char*>> Groups = {
    {0x01, "CHM"}, {0x02, "ECM"}, {0x03, "FCM"}, {0x04, "TFM"}, {0x05, "RSM"},
    {0x06, "MIM"}, {0x07, "TRM"}, {0x08, "DLM"}, {0x0A, "UFC"},
};

std::string HeadingText(uint8_t Heading)
{
    char Text[4];
    std::snprintf(Text, sizeof Text, "%.2X", Heading);
    return Text;
}

TEST(MtpMessages, EveryHeadingDecodesToItsClass)
{
    for (const auto& Case : Messages) {
        SCOPED_TRACE(Case.Name);
        const auto Packet = ReadMtp(Hex("80 01 80 00 30 " + HeadingText(Case.Heading) + " 34 12 77"));
        const TMtpPacket& Mtp = *Packet;
        EXPECT_EQ(Mtp.ClassName(), "TMtpPacket_" + std::string(Case.Name));
        EXPECT_EQ(Mtp.Heading, Case.Heading);
        EXPECT_EQ(Mtp.Info.size(), Case.InfoLength);
        EXPECT_EQ(Mtp.GetName(), Case.Name);
        EXPECT_EQ(Mtp.GetFieldsText(), Case.Fields);
        const std::string Description = *Case.Fields ? std::string(Case.Name) + " (" + Case.Fields + ")" : Case.Name;
        EXPECT_EQ(Mtp.GetDescription(), Description);
        EXPECT_EQ(Mtp.Sio, 0x80);
        EXPECT_EQ(Mtp.RoutingLabel, 0x30008001u);

        // A fresh object of the class carries its heading and an Info of
        // its length, all zeros.
        const auto Fresh = NewMtpPacket(Case.Heading);
        EXPECT_EQ(Fresh->ClassName(), Mtp.ClassName());
        EXPECT_EQ(Fresh->Heading, Case.Heading);
        EXPECT_EQ(Fresh->Info, std::string(Case.InfoLength, '\0'));
        EXPECT_EQ(Fresh->Sio, 0);
    }
}

TEST(MtpMessages, EveryClassNameStandsForItsHeading)
{
    // In the order of the list above.
    std::vector<std::unique_ptr<TMtpPacket>> Classes;
    Classes.push_back(std::make_unique<TMtpPacket_COO>());
    Classes.push_back(std::make_unique<TMtpPacket_COA>());
    Classes.push_back(std::make_unique<TMtpPacket_CBD>());
    Classes.push_back(std::make_unique<TMtpPacket_CBA>());
    Classes.push_back(std::make_unique<TMtpPacket_ECO>());
    Classes.push_back(std::make_unique<TMtpPacket_ECA>());
    Classes.push_back(std::make_unique<TMtpPacket_RCT>());
    Classes.push_back(std::make_unique<TMtpPacket_TFC>());
    Classes.push_back(std::make_unique<TMtpPacket_TFP>());
    Classes.push_back(std::make_unique<TMtpPacket_TFR>());
    Classes.push_back(std::make_unique<TMtpPacket_TFA>());
    Classes.push_back(std::make_unique<TMtpPacket_RST>());
    Classes.push_back(std::make_unique<TMtpPacket_RSR>());
    Classes.push_back(std::make_unique<TMtpPacket_LIN>());
    Classes.push_back(std::make_unique<TMtpPacket_LUN>());
    Classes.push_back(std::make_unique<TMtpPacket_LIA>());
    Classes.push_back(std::make_unique<TMtpPacket_LUA>());
    Classes.push_back(std::make_unique<TMtpPacket_LID>());
    Classes.push_back(std::make_unique<TMtpPacket_LFU>());
    Classes.push_back(std::make_unique<TMtpPacket_LLT>());
    Classes.push_back(std::make_unique<TMtpPacket_LRT>());
    Classes.push_back(std::make_unique<TMtpPacket_TRA>());
    Classes.push_back(std::make_unique<TMtpPacket_DLC>());
    Classes.push_back(std::make_unique<TMtpPacket_CSS>());
    Classes.push_back(std::make_unique<TMtpPacket_CNS>());
    Classes.push_back(std::make_unique<TMtpPacket_CNP>());
    Classes.push_back(std::make_unique<TMtpPacket_UPU>());
    ASSERT_EQ(Classes.size(), Messages.size());
    for (size_t I = 0; I < Messages.size(); ++I) {
        SCOPED_TRACE(Messages[I].Name);
        EXPECT_EQ(Classes[I]->ClassName(), "TMtpPacket_" + std::string(Messages[I].Name));
        EXPECT_EQ(Classes[I]->Heading, Messages[I].Heading);
        EXPECT_EQ(Classes[I]->Info.size(), Messages[I].InfoLength);
        EXPECT_EQ(Classes[I]->GetName(), Messages[I].Name);
    }

    // The class, not the heading, decides the field: a plain message with
    // a TFP heading is named TFP but shows no destination, and a TFA keeps
    // its own field whatever heading it is given.
    TMtpPacket Plain;
    Plain.Heading = 0x14;
    Plain.Info = std::string("\x05\x00", 2);
    EXPECT_EQ(Plain.GetName(), "TFP");
    EXPECT_EQ(Plain.GetFieldsText(), "");
    EXPECT_EQ(Plain.GetDescription(), "TFP");
    TMtpPacket_TFA Tfa;
    Tfa.Heading = 0x11;
    Tfa.Info = std::string("\x05\x01", 2);
    EXPECT_EQ(Tfa.GetDescription(), "COO (Destination=261)");
}

TEST(MtpMessages, GroupHeadingsAndUnknownHeadingsArePlainMessages)
{
    for (const auto& [Heading, Name] : Groups) {
        const auto Packet = ReadMtp(Hex("00 00 00 00 00 " + HeadingText(Heading) + " 05 00"));
        EXPECT_STREQ(Packet->ClassName(), "TMtpPacket");
        EXPECT_EQ(Packet->GetName(), Name);
        EXPECT_EQ(Packet->GetDescription(), Name);
    }
    // Every other heading is named by "$" and two hex digits.
    int Named = 0;
    for (int Heading = 0; Heading < 256; ++Heading) {
        const auto Packet = ReadMtp(Hex("00 00 00 00 00 " + HeadingText(static_cast<uint8_t>(Heading))));
        const std::string Name = Packet->GetName();
        if (Name[0] == '$') {
            EXPECT_EQ(Name, "$" + HeadingText(static_cast<uint8_t>(Heading)));
            EXPECT_STREQ(Packet->ClassName(), "TMtpPacket");
            EXPECT_EQ(Packet->GetDescription(), Name);
        } else {
            ++Named;
        }
    }
    EXPECT_EQ(Named, static_cast<int>(Messages.size() + Groups.size()));
    EXPECT_EQ(ReadMtp(Hex("00 00 00 00 00 0F"))->GetName(), "$0F");
}

TEST(MtpMessages, FieldTextsShowTheWholeOctets)
{
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 14 05 00"))->GetDescription(), "TFP (Destination=5)");
    // The two bits above the 14-bit point code are not masked off.
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 23 FF FF"))->GetDescription(), "TFC (Destination=65535)");
    // Nor the bit above the 7-bit sequence number.
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 11 85"))->GetDescription(), "COO (FSN=133)");
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 18 FF FF"))->GetDescription(), "DLC (Identity=65535)");
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 61 FF"))->GetDescription(), "CBA (CbCode=255)");
    // A UPU reads none of its information octets.
    const auto Upu = ReadMtp(Hex("00 01 80 00 30 1A 05 00 05"));
    EXPECT_EQ(Upu->GetDescription(), "UPU");
    EXPECT_TRUE(Upu->Info.empty());
}

TEST(MtpMessages, ShortMessagesReadAsZeros)
{
    const auto NoHeading = ReadMtp(Hex("00 01 80 00 30"));
    EXPECT_EQ(NoHeading->Heading, 0);
    EXPECT_EQ(NoHeading->GetName(), "$00");
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 54"))->GetDescription(), "TFA (Destination=0)");
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 54 05"))->GetDescription(), "TFA (Destination=5)");
    EXPECT_EQ(ReadMtp(Hex("00 01 80 00 30 11"))->GetDescription(), "COO (FSN=0)");
    const auto Bare = ReadMtp(Hex("00"));
    EXPECT_EQ(Bare->RoutingLabel, 0u);
    EXPECT_EQ(Bare->GetName(), "$00");
}

TEST(MtpMessages, InfoAccessBeyondTheOctetsReadsZero)
{
    TMtpPacket_TFP Tfp;
    Tfp.Info = std::string("\x34\x12", 2);
    EXPECT_EQ(Tfp.GetInfoByte(0), 0x34);
    EXPECT_EQ(Tfp.GetInfoByte(2), 0);
    EXPECT_EQ(Tfp.GetInfoWord(0), 0x1234);
    EXPECT_EQ(Tfp.GetInfoWord(1), 0x0012);
    EXPECT_EQ(Tfp.GetInfoWord(5), 0);
}

TEST(MtpMessages, SaveToStreamWritesTheSameLayout)
{
    for (const auto& Case : Messages) {
        SCOPED_TRACE(Case.Name);
        const std::string Tail = Case.InfoLength == 2 ? " 34 12" : Case.InfoLength == 1 ? " 34" : "";
        const THexString Input = Hex("83 01 80 00 30 " + HeadingText(Case.Heading) + Tail);
        TMemoryStream Stream;
        TMemoryStream In(Input.Data());
        auto Packet = ReadMtpPacket(In);
        Packet->SaveToStream(Stream);
        EXPECT_EQ(Stream.Bytes(), Input.Data());
    }
    TMtpPacket Plain;
    TMemoryStream Stream;
    Plain.SaveToStream(Stream);
    EXPECT_EQ(Stream.Bytes(), std::string(6, '\0'));
}

TEST(MtpMessages, NewMessagesAndAssign)
{
    const TMtpPacket Plain;
    EXPECT_EQ(Plain.Checked, 1);
    EXPECT_EQ(Plain.Sio, 0);
    EXPECT_EQ(Plain.RoutingLabel, 0u);
    EXPECT_EQ(Plain.Heading, 0);
    EXPECT_TRUE(Plain.Info.empty());

    // Assign copies only the SIO and the routing label.
    const auto Source = ReadMtp(Hex("80 01 80 00 30 14 05 00"));
    TMtpPacket_TFA Target;
    Target.Checked = 0;
    Target.Assign(*Source);
    EXPECT_EQ(Target.Sio, 0x80);
    EXPECT_EQ(Target.RoutingLabel, 0x30008001u);
    EXPECT_EQ(Target.Heading, 0x54);
    EXPECT_EQ(Target.Info, std::string(2, '\0'));
    EXPECT_EQ(Target.Checked, 0);
    EXPECT_EQ(Target.GetDescription(), "TFA (Destination=0)");
}

} // namespace
