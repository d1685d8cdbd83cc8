// The decoded view as a plain tree: captions, the one line of octets of
// messages other than ISUP, the ISUP tree with its images, expansion and
// selection marks, the status text of each node, and velmora-dump's lines.
#include "presentation/DecodedView.h"

#include "catalog/Definitions.h"
#include "core/HexString.h"
#include "decode/PacketDecoder.h"
#include "isup/IsupCatalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Octets(const char* SpacedHex)
{
    THexString Hex(true);
    Hex.FromText(SpacedHex);
    return std::string(Hex.Data());
}

std::string SpacedHexOf(const std::string& Octets)
{
    return BytesToSpacedHex(reinterpret_cast<const uint8_t*>(Octets.data()), Octets.size());
}

std::vector<std::string> Texts(const TDecodedView& View)
{
    std::vector<std::string> Result;
    for (int I = 0; I < View.Count(); ++I)
        Result.push_back(View.Node(I).Text);
    return Result;
}

std::vector<std::string> TreeLines(const TDecodedView& View)
{
    std::vector<std::string> Result;
    for (int I = 0; I < View.Count(); ++I) {
        std::string Line;
        View.AppendTreeLine(I, Line);
        Result.push_back(Line);
    }
    return Result;
}

std::string Status(const TDecodedView& View, int Node)
{
    std::string Text = "unchanged";
    View.StatusText(Node, Text);
    return Text;
}

using TTexts = std::vector<std::string>;

TEST(DecodedView, AStopEntryShowsItsCaptionAndNoNodes)
{
    const std::string Stop = Octets("FF 00 00 00 00");
    const TDecodedView View(Stop, TEmptyIsupCatalog());
    EXPECT_EQ(View.Caption(), "Heart Stop Message");
    EXPECT_EQ(View.Count(), 0);
    EXPECT_EQ(View.DumpText(), "FF 00 00 00 00 ");
    EXPECT_EQ(View.HexStatusText(), "Hex: FF 00 00 00 00 ");
}

TEST(DecodedView, OtherMessagesShowOneLineOfOctets)
{
    const TEmptyIsupCatalog Catalog;
    // A link test message: its pattern from the length octet on.
    const std::string Sltm = Octets("81 29 89 34 01 11 60 01 23 45 67 89 AB");
    const TDecodedView Test(Sltm, Catalog);
    EXPECT_EQ(Test.Caption(), "Test Subsystem Message");
    EXPECT_EQ(Texts(Test), TTexts{"Test Pattern: 60 01 23 45 67 89 AB "});
    EXPECT_EQ(TreeLines(Test), TTexts{"Test Pattern: 60 01 23 45 67 89 AB"});
    EXPECT_EQ(Test.HexStatusText(), "Hex: 81 29 89 34 01 11 60 01 23 45 67 89 AB ");
    // MTP network management: everything after the routing label.
    const std::string Tfp = Octets("80 29 89 34 01 11 05");
    const TDecodedView Mtp(Tfp, Catalog);
    EXPECT_EQ(Mtp.Caption(), "MTP Subsystem Message");
    EXPECT_EQ(Texts(Mtp), TTexts{"Message Dump: 11 05 "});
    // A line of octets has no status text of its own.
    EXPECT_EQ(Mtp.Node(0).Kind, nkNone);
    EXPECT_EQ(Mtp.Node(0).Image, tiNone);
    EXPECT_EQ(Status(Mtp, 0), "unchanged");
    EXPECT_EQ(Mtp.Message(), nullptr);
}

TEST(DecodedView, AMessageTheDecoderRejectsShowsTheErrorAndItsOctets)
{
    const TEmptyIsupCatalog Catalog;
    const std::string Sccp = Octets("83 01 80 00 30 00 01");
    const TDecodedView Unknown(Sccp, Catalog);
    EXPECT_EQ(Unknown.Caption(), "Unknown Subsystem Code: 0x03");
    EXPECT_EQ(Texts(Unknown), TTexts{"Message Dump: 00 01 "});
    // No message at all, and fewer octets than SIO and routing label: the
    // line has no octets and keeps its text.
    const TDecodedView Empty("", Catalog);
    EXPECT_EQ(Empty.Caption(), "Can`t read SIO from stream");
    EXPECT_EQ(Texts(Empty), TTexts{"Message Dump: "});
    EXPECT_EQ(TreeLines(Empty), TTexts{"Message Dump: "});
    EXPECT_EQ(Empty.DumpText(), "");
    const std::string Short = Octets("85 01 80 00 30");
    const TDecodedView Truncated(Short, Catalog);
    EXPECT_EQ(Texts(Truncated), TTexts{"Message Dump: "});
    EXPECT_EQ(TreeLines(Truncated), TTexts{"Message Dump: "});
}

// MSGA of the test definitions on CIC 0x15: Flags 07 (Urgent set, Count 3),
// optional Extra with Level 0x2A and NoFile, a parameter without a
// description file.
const std::string& Msga()
{
    static const std::string Message = Octets("85 01 80 00 30 15 00 01 07 01 20 01 2A 21 02 AA BB 00");
    return Message;
}

class IsupView : public testing::Test {
protected:
    TDefinitions Definitions = LoadDefinitions(TEST_CFG);
    const TStaticPackets& Catalog() const { return *Definitions.StaticPackets; }
    TStaticPacket& Prototype() const { return Definitions.StaticPackets->Items(0); }
};

TEST_F(IsupView, TheMessageItsPresentParametersAndTheirFields)
{
    const TDecodedView View(Msga(), Catalog());
    EXPECT_EQ(View.Caption(), "Message A");
    EXPECT_EQ(Texts(View),
              (TTexts{"MSGA, Message A", "Flags, Sample flags", "Urgent", "Count = 3", "Extra, Extra info",
                      "Level = 42", "NoFile, NoFile"}));
    const std::vector<int> Levels = {0, 1, 2, 2, 1, 2, 1};
    const std::vector<int> Kinds = {nkMessage, nkParameter, nkField, nkField, nkParameter, nkField, nkParameter};
    const std::vector<int> Images = {tiMessage, tiMandatory, tiBitSet, tiValue, tiOptional, tiValue, tiOptional};
    // The root and every parameter whose mark is set open; NoFile has no
    // description, so its mark is clear.
    const std::vector<bool> Expanded = {true, true, false, false, true, false, false};
    for (int I = 0; I < View.Count(); ++I) {
        EXPECT_EQ(View.Node(I).Level, Levels[static_cast<size_t>(I)]) << I;
        EXPECT_EQ(View.Node(I).Kind, Kinds[static_cast<size_t>(I)]) << I;
        EXPECT_EQ(View.Node(I).Image, Images[static_cast<size_t>(I)]) << I;
        EXPECT_EQ(View.Node(I).Expanded, Expanded[static_cast<size_t>(I)]) << I;
    }
    EXPECT_EQ(View.TopLevel(), std::vector<int>{0});
    EXPECT_EQ(View.Node(0).Children, (std::vector<int>{1, 4, 6}));
    EXPECT_EQ(View.Node(4).Children, std::vector<int>{5});
    EXPECT_EQ(View.Node(5).Parent, 4);
    EXPECT_EQ(View.Node(5).Row, 0);
    EXPECT_EQ(View.Node(6).Row, 2);
    ASSERT_TRUE(View.Message());
    EXPECT_EQ(View.Message()->Cic, 0x15);
}

TEST_F(IsupView, EachNodeHasItsStatusText)
{
    const TDecodedView View(Msga(), Catalog());
    EXPECT_EQ(Status(View, 0), "ISUP Packet Coded: 15 00 01 07 01 20 01 2A 21 02 AA BB 00 ");
    EXPECT_EQ(Status(View, 1), "Hex String: 07 ");
    EXPECT_EQ(Status(View, 2), "Integer Value: 1");
    EXPECT_EQ(Status(View, 3), "Integer Value: 3");
    EXPECT_EQ(Status(View, 6), "Hex String: AA BB ");
    EXPECT_EQ(Status(View, 7), "unchanged");
    EXPECT_EQ(Status(View, -1), "unchanged");
}

TEST_F(IsupView, DumpLinesWriteTheValueOfABitField)
{
    const TDecodedView View(Msga(), Catalog());
    EXPECT_EQ(TreeLines(View),
              (TTexts{"MSGA, Message A", "Flags, Sample flags", "Urgent = True", "Count = 3", "Extra, Extra info",
                      "Level = 42", "NoFile, NoFile"}));
    const std::string Clear = Octets("85 01 80 00 30 15 00 01 06 01 00");
    const TDecodedView Cleared(Clear, Catalog());
    EXPECT_EQ(Cleared.Node(2).Image, tiBitClear);
    EXPECT_EQ(Cleared.Node(2).Text, "Urgent");
    EXPECT_EQ(TreeLines(Cleared)[2], "Urgent = False");
}

TEST_F(IsupView, SelectionMarksDecideFieldsAndExpansion)
{
    // Flags closed, its first field (Urgent) not listed.
    Prototype().Parameters().Items(0).Checked = 0;
    Prototype().Parameters().Items(0).Fields().Items(0).Checked = 0;
    const TDecodedView View(Msga(), Catalog());
    EXPECT_EQ(Texts(View),
              (TTexts{"MSGA, Message A", "Flags, Sample flags", "Count = 3", "Extra, Extra info", "Level = 42",
                      "NoFile, NoFile"}));
    EXPECT_FALSE(View.Node(1).Expanded);
    EXPECT_TRUE(View.Node(3).Expanded);
    // The field's index is its place in the layout, not among the listed.
    EXPECT_EQ(View.Node(2).Field, 1);
    EXPECT_EQ(Status(View, 2), "Integer Value: 3");
}

// velmora-dump writes the view's lines straight from the decoded message,
// without building the view; decoded into a reused packet, the lines must
// be the view's, indented by level, for every kind of message and after the
// selection marks change.
TEST_F(IsupView, DumpLinesWrittenWithoutAViewAreTheViewsLines)
{
    const std::vector<std::string> Messages = {
        Msga(),
        Octets("85 01 80 00 30 15 00 01 06 01 00"),
        Octets("81 29 89 34 01 11 60 01 23 45 67 89 AB"),
        Octets("81 29 89 34 01 11 00"),
        Octets("80 29 89 34 01 11 05"),
        Octets("83 01 80 00 30 00 01"),
        Octets("85 01 80 00 30"),
        Octets("FF 00 00 00 00"),
        "",
    };
    const auto Check = [&] {
        TPacketDecoder Decoder(Catalog());
        for (const std::string& Message : Messages) {
            const TDecodedView View(Message, Catalog());
            std::string Expected;
            for (int I = 0; I < View.Count(); ++I) {
                Expected.append(4 + 2 * static_cast<size_t>(View.Node(I).Level), ' ');
                View.AppendTreeLine(I, Expected);
                Expected.push_back('\n');
            }
            std::string Lines = "kept";
            AppendDecodedLines(TDecodedCapture(Message, Decoder), 4, Lines);
            EXPECT_EQ(Lines, "kept" + Expected) << SpacedHexOf(Message);
        }
    };
    Check();
    Prototype().Parameters().Items(0).Checked = 0;
    Prototype().Parameters().Items(0).Fields().Items(0).Checked = 0;
    Check();
}

// The ITU-T definition set: values that span octets show whole, and the
// cause value shows its number beside its text.
class CfgView : public testing::Test {
protected:
    TDefinitions Definitions = LoadDefinitions(SOURCE_CFG);
    const TStaticPackets& Catalog() const { return *Definitions.StaticPackets; }
    // The node of a field of the parameter named, or -1.
    static int FieldNode(const TDecodedView& View, const std::string& Parameter, const std::string& Field)
    {
        for (int I = 0; I < View.Count(); ++I) {
            const TViewNode& Node = View.Node(I);
            if (Node.Kind == nkField && View.Node(Node.Parent).Text.starts_with(Parameter + ", ") &&
                Node.Text.starts_with(Field + " = "))
                return I;
        }
        return -1;
    }
};

// IAM 2061 => 2300 on CIC 0x15 with the optional Call reference: call
// identity 12 34 56 (most significant octet first), point code D2 04 (least
// significant first).
const char* const IamWithCallReference = "85 0D 08 3F 52 15 00 01 00 20 00 0A 00 02 06 04 03 10 21 43 01 05 "
                                         "12 34 56 D2 04 00";

TEST_F(CfgView, PointCodesAndCallIdentitiesShowWhole)
{
    const std::string Iam = Octets(IamWithCallReference);
    const TDecodedView View(Iam, Catalog());
    const int Identity = FieldNode(View, "CallReference", "Call identity");
    const int PointCode = FieldNode(View, "CallReference", "Signalling point code");
    ASSERT_GE(Identity, 0);
    ASSERT_EQ(PointCode, Identity + 1);
    EXPECT_EQ(View.Node(Identity).Text, "Call identity = 1193046");
    EXPECT_EQ(View.Node(PointCode).Text, "Signalling point code = 1234");
    EXPECT_EQ(View.Node(View.Node(PointCode).Parent).Children.size(), 2u);
    EXPECT_EQ(Status(View, PointCode), "Integer Value: 1234");
    EXPECT_EQ(Status(View, View.Node(PointCode).Parent), "Hex String: 12 34 56 D2 04 ");
    // The message written again from the decoded values is the one read.
    EXPECT_EQ(Status(View, 0),
              "ISUP Packet Coded: 15 00 01 00 20 00 0A 00 02 06 04 03 10 21 43 01 05 12 34 56 D2 04 00 ");

    // Cut short by its length octet: the octet that is not there reads as 0.
    const std::string Four = Octets("85 0D 08 3F 52 15 00 01 00 20 00 0A 00 02 06 04 03 10 21 43 01 04 "
                                    "12 34 56 D2 00");
    const TDecodedView Short(Four, Catalog());
    EXPECT_EQ(Short.Node(FieldNode(Short, "CallReference", "Signalling point code")).Text,
              "Signalling point code = 210");
}

TEST_F(CfgView, TheCauseValueShowsItsNumber)
{
    const std::string Rel = Octets("85 0D 08 3F 52 15 00 0C 02 00 02 82 91");
    const TDecodedView View(Rel, Catalog());
    const int Cause = FieldNode(View, "CauseIndicators", "Cause value");
    ASSERT_GE(Cause, 0);
    EXPECT_EQ(View.Node(Cause).Text, "Cause value = User busy (17)");
    EXPECT_EQ(Status(View, Cause), "Integer Value: 17");
    // The location beside it shows its text alone.
    EXPECT_EQ(View.Node(FieldNode(View, "CauseIndicators", "Location")).Text,
              "Location = public network serving the local user (LN)");
}

} // namespace
