// Loading a definition set: the parameter and message catalogs, the
// auto-answer list, the level-2/level-3 codes and the load errors.
#include "catalog/DefinitionFiles.h"
#include "tests/catalog/catalog_test_data.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct TExpectedParameter {
    std::string Name;
    uint8_t Code;
    bool Mandatory;
    uint8_t Part;
};

void ExpectParameters(const TCustomIsupPacket& Packet, const std::vector<TExpectedParameter>& Expected)
{
    const TParameterCollection& Parameters = Packet.Parameters();
    ASSERT_EQ(Parameters.Count(), static_cast<int>(Expected.size())) << Packet.Name();
    for (int I = 0; I < Parameters.Count(); ++I) {
        const TCustomParameter& P = Parameters.Items(I);
        const TExpectedParameter& E = Expected[static_cast<size_t>(I)];
        EXPECT_EQ(P.Name(), E.Name) << Packet.Name() << " #" << I;
        EXPECT_EQ(P.Code(), E.Code) << P.Name();
        EXPECT_EQ(P.Mandatory(), E.Mandatory) << P.Name();
        EXPECT_EQ(P.Part(), E.Part) << P.Name();
        EXPECT_STREQ(P.ClassName(), "TCustomParameter");
    }
}

class TempSet {
public:
    TempSet()
    {
        const auto* Info = testing::UnitTest::GetInstance()->current_test_info();
        FPath = fs::temp_directory_path() / (std::string("velmora-catalog-") + Info->name());
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TempSet() { fs::remove_all(FPath); }
    void Write(const std::string& Name, const std::string& Text) const
    {
        fs::create_directories((FPath / Name).parent_path());
        std::ofstream(FPath / Name, std::ios::binary) << Text;
    }
    std::string Folder() const { return FPath.string() + "/"; }

private:
    fs::path FPath;
};

} // namespace

TEST(DefinitionsTest, ParameterCatalogFollowsTheCodesList)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    ASSERT_TRUE(Definitions.StaticParameters);
    const std::vector<std::pair<std::string, int>> Expected = {
        {"SampleNumber", 200},
        {"SampleFlags", 201},
        {"SampleNote", 202},
        {"SampleFixed", 10},
        {"SampleEnum", 11},
        {"SampleOdd", 12},
        {"SampleShort", 13},
        {"SampleMisc", 14},
        {"SampleOther", 15},
        {"SampleNoFile", 44},
        // A repeated key yields its first value: a second layout with code 201.
        {"SampleFlags", 201}};
    ASSERT_EQ(Definitions.StaticParameters->Count(), static_cast<int>(Expected.size()));
    for (int I = 0; I < Definitions.StaticParameters->Count(); ++I) {
        const TStaticParameter& P = Definitions.StaticParameters->Items(I);
        EXPECT_EQ(P.Name(), Expected[static_cast<size_t>(I)].first);
        EXPECT_EQ(P.Code(), Expected[static_cast<size_t>(I)].second) << P.Name();
        EXPECT_FALSE(P.Mandatory());
        EXPECT_STREQ(P.ClassName(), "TStaticParameter");
    }
    EXPECT_EQ(Definitions.StaticParameters->FindByName("SampleFlags"), &Definitions.StaticParameters->Items(1));
    EXPECT_EQ(Definitions.StaticParameters->FindByName("sampleflags"), nullptr);
    EXPECT_EQ(Definitions.StaticParameters->FindByCode(202), &Definitions.StaticParameters->Items(2));
}

TEST(DefinitionsTest, SampleMessagePrototype)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    const TStaticPacket& Msg = Definitions.StaticPackets->Items(0);
    EXPECT_EQ(Msg.MessageType, 250);
    EXPECT_EQ(Msg.Name(), "SampleMsg");
    EXPECT_EQ(Msg.Caption(), "Sample message");
    EXPECT_EQ(Msg.Checked, 1);
    // SampleFlags is Fixed, so it lands in the fixed part; SampleNumber is a
    // Number parameter and goes to the variable part.
    ExpectParameters(Msg,
                     {{"SampleFlags", 201, true, 0}, {"SampleNumber", 200, true, 1}, {"SampleNote", 202, false, 2}});
    // Every parameter starts with its defaults; the optional one is absent.
    EXPECT_EQ(Hex(Msg.Parameters().Items(0).Value()), "0B");
    EXPECT_EQ(Hex(Msg.Parameters().Items(1).Value()), "80 50 21 43 05");
    EXPECT_EQ(Hex(Msg.Parameters().Items(2).Value()), "01");
    EXPECT_FALSE(Msg.Parameters().Items(2).GetPresent());
    EXPECT_EQ(Msg.Parameters().FixedPart().Count(), 1);
    EXPECT_EQ(Msg.Parameters().VariablePart().Count(), 1);
    EXPECT_EQ(Msg.Parameters().OptionalPart().Count(), 1);
}

TEST(DefinitionsTest, ParameterListsAndNames)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    ASSERT_EQ(Definitions.StaticPackets->Count(), 6);
    // F=A,B;C and F=A B C give the same three mandatory parameters; a
    // Variable parameter named in F sits in the variable part.
    const std::vector<TExpectedParameter> Three = {
        {"SampleFixed", 10, true, 0}, {"SampleNote", 202, true, 1}, {"SampleEnum", 11, true, 0}};
    auto WithOptional = Three;
    // "samplenote" (wrong letter case) and "Unknown" are skipped.
    WithOptional.push_back({"SampleMisc", 14, false, 2});
    WithOptional.push_back({"SampleNoFile", 44, false, 2});
    ExpectParameters(Prototype(Definitions, "ListsComma"), WithOptional);
    auto WithFixedInV = Three;
    // A Fixed parameter named in V still sits in the fixed part.
    WithFixedInV.push_back({"SampleFlags", 201, true, 0});
    ExpectParameters(Prototype(Definitions, "ListsBlank"), WithFixedInV);

    // No Caption: the name; no section at all: no caption, no parameters.
    EXPECT_EQ(Prototype(Definitions, "TwinB").Caption(), "TwinB");
    EXPECT_EQ(Prototype(Definitions, "TwinB").GetSummary(), "TwinB");
    EXPECT_EQ(Prototype(Definitions, "Wrapped").Caption(), "Wrapped");
    EXPECT_EQ(Prototype(Definitions, "Wrapped").Parameters().Count(), 0);
    // A code of 300 is cut to its low 8 bits.
    EXPECT_EQ(Prototype(Definitions, "Wrapped").MessageType, 44);
}

TEST(DefinitionsTest, PrototypesHoldTheirOwnParameterCopies)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    TCustomParameter& InSample = Definitions.StaticPackets->Items(0).Parameters().Items(1);
    TCustomParameter& InTwinB = Prototype(Definitions, "TwinB").Parameters().Items(0);
    ASSERT_EQ(InSample.Name(), "SampleNumber");
    ASSERT_EQ(InTwinB.Name(), "SampleNumber");
    InSample.Fields().Items(0).Checked = 0;
    InSample.Checked = 0;
    EXPECT_EQ(InTwinB.Checked, 1);
    EXPECT_EQ(InTwinB.Fields().Items(0).Checked, 1);
    EXPECT_EQ(Layout(Definitions, "SampleNumber").Checked, 1);
}

TEST(DefinitionsTest, NewMessageClonesTheFirstPrototypeOfTheType)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    // TwinA (0x10) and TwinB (16) share a code: both are in the catalog,
    // the first one answers.
    EXPECT_EQ(Prototype(Definitions, "TwinA").MessageType, 16);
    EXPECT_EQ(Prototype(Definitions, "TwinB").MessageType, 16);
    Definitions.StaticPackets->Items(1).Checked = 0;
    const auto Copy = Definitions.StaticPackets->NewMessage(16);
    ASSERT_TRUE(Copy);
    EXPECT_STREQ(Copy->ClassName(), "TCustomIsupPacket");
    EXPECT_EQ(Copy->Name(), "TwinA");
    EXPECT_EQ(Copy->Caption(), "First twin");
    EXPECT_EQ(Copy->Checked, 0);
    ExpectParameters(*Copy, {{"SampleFixed", 10, true, 0}});

    // The copy is independent of its prototype.
    Copy->Parameters().Items(0).SetHexValue("01 02 03");
    Copy->SetName("Changed");
    EXPECT_EQ(Hex(Prototype(Definitions, "TwinA").Parameters().Items(0).Value()), "00 00 00");
    EXPECT_EQ(Prototype(Definitions, "TwinA").Name(), "TwinA");

    EXPECT_EQ(Definitions.StaticPackets->NewMessage(251), nullptr);
    EXPECT_EQ(Definitions.StaticPackets->NewMessage(0), nullptr);
    EXPECT_EQ(Definitions.StaticPackets->Items(0).Clone()->Name(), "SampleMsg");
}

TEST(DefinitionsTest, AutoAnswerAndLevelTwoCodes)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    EXPECT_EQ(Definitions.AutoAnswerList.Lines(), (std::vector<std::string>{"IAM=ACM", "REL=RLC", "iam=ACM"}));
    EXPECT_EQ(Definitions.L2StartCode, 0x10);
    EXPECT_EQ(Definitions.InServiceCode, 44);
    EXPECT_EQ(Definitions.InMsuCode, 9);
    EXPECT_EQ(Definitions.OutMsuCode, 2);
    ASSERT_EQ(Definitions.InRegMessages.size(), 4u);
    // The name keeps the blank before the bracket; a number that is not an
    // integer reads 0; a key x7 is hexadecimal 7; values are cut to 8 bits.
    const std::vector<std::tuple<int, std::string, int>> In = {
        {1, "Alpha ", 5}, {7, "Beta ", 0}, {7, "Beta ", 2}, {32, "Gamma", 255}};
    for (size_t I = 0; I < In.size(); ++I) {
        EXPECT_EQ(Definitions.InRegMessages[I].Code, std::get<0>(In[I])) << I;
        EXPECT_EQ(Definitions.InRegMessages[I].Name, std::get<1>(In[I])) << I;
        EXPECT_EQ(Definitions.InRegMessages[I].Value, std::get<2>(In[I])) << I;
    }
    ASSERT_EQ(Definitions.OutRegMessages.size(), 1u);
    EXPECT_EQ(Definitions.OutRegMessages[0].Code, 3);
    EXPECT_EQ(Definitions.OutRegMessages[0].Name, "Delta");
    EXPECT_EQ(Definitions.OutRegMessages[0].Value, 0);
}

TEST(DefinitionsTest, MissingFilesGiveEmptyDefinitions)
{
    TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    Definitions = LoadDefinitions(TestSet("no-such-set"));
    ASSERT_TRUE(Definitions.StaticParameters);
    ASSERT_TRUE(Definitions.StaticPackets);
    EXPECT_EQ(Definitions.StaticParameters->Count(), 0);
    EXPECT_EQ(Definitions.StaticPackets->Count(), 0);
    EXPECT_EQ(Definitions.StaticPackets->NewMessage(250), nullptr);
    EXPECT_EQ(Definitions.AutoAnswerList.Count(), 0);
    EXPECT_EQ(Definitions.L2StartCode, 4);
    EXPECT_EQ(Definitions.InServiceCode, 5);
    EXPECT_EQ(Definitions.InMsuCode, 2);
    EXPECT_EQ(Definitions.OutMsuCode, 2);
    EXPECT_TRUE(Definitions.InRegMessages.empty());
    EXPECT_TRUE(Definitions.OutRegMessages.empty());
    EXPECT_FALSE(fs::exists(TestSet("no-such-set")));

    // Definitions never loaded are the same empty set.
    const TDefinitions None;
    ASSERT_TRUE(None.StaticParameters && None.StaticPackets);
    EXPECT_EQ(None.StaticParameters->Count(), 0);
    EXPECT_EQ(None.StaticPackets->Count(), 0);
    EXPECT_EQ(None.L2StartCode, 4);
    EXPECT_EQ(None.InServiceCode, 5);
    EXPECT_EQ(None.InMsuCode, 2);
    EXPECT_EQ(None.OutMsuCode, 2);
}

TEST(DefinitionsTest, WindowsStyleFolderAndPattern)
{
    // The set's own pattern is Params\%s.ini; the folder may be given with
    // backslashes or without its final separator too.
    std::string Folder = TestSet("cfg");
    for (char& C : Folder)
        if (C == '/')
            C = '\\';
    const TDefinitions Definitions = LoadDefinitions(Folder);
    EXPECT_EQ(Layout(Definitions, "SampleNumber").Checked, 1);
    EXPECT_EQ(Definitions.StaticPackets->Count(), 6);
    const TDefinitions Plain = LoadDefinitions(std::string(CATALOG_TEST_DATA) + "/cfg");
    EXPECT_EQ(Layout(Plain, "SampleNumber").Caption(), "Sample number");
}

TEST(DefinitionsTest, FileNamesMatchWithoutRegardToLetterCase)
{
    TempSet Set;
    Set.Write("parameters.INI", "[General]\nFileName=Params\\%s.ini\n[Codes]\nOne=1\n");
    Set.Write("params/ONE.Ini", "[General]\nCaption=The one\nType=Fixed\nSize=2\n");
    Set.Write("MESSAGES.ini", "[Codes]\nM=1\n[M]\nF=One\n");
    const TDefinitions Definitions = LoadDefinitions(Set.Folder());
    EXPECT_EQ(Layout(Definitions, "One").Caption(), "The one");
    EXPECT_EQ(Layout(Definitions, "One").Checked, 1);
    ExpectParameters(Prototype(Definitions, "M"), {{"One", 1, true, 0}});
}

TEST(DefinitionsTest, MalformedSetsStopWithTheirErrorText)
{
    const std::string Data = CATALOG_TEST_DATA;
    EXPECT_EQ(ErrorText([] { LoadDefinitions(TestSet("bad-param-code")); }), "'abc' is not a valid integer value");
    EXPECT_EQ(ErrorText([] { LoadDefinitions(TestSet("bad-msg-code")); }), "'12z' is not a valid integer value");
    EXPECT_EQ(ErrorText([] { LoadDefinitions(TestSet("bad-l2")); }),
              "Invalid message code (abc=Beta (2)) in file " + Data + "/bad-l2/L2-L3.ini.");
    EXPECT_EQ(ErrorText([] { LoadDefinitions(TestSet("bad-bit")); }),
              "Bit number missing (\"" + Data + "/bad-bit/NoBit\": Flag)");
    EXPECT_EQ(ErrorText([] { LoadDefinitions(TestSet("bad-default")); }), "'zz' is not a valid integer value");
    EXPECT_EQ(ErrorText([] { LoadDefinitions(TestSet("bad-format")); }),
              "Format 'Params\\%d.ini' invalid or incompatible with argument");
    EXPECT_EQ(ErrorText([] { LoadDefinitions(TestSet("bad-format-twice")); }), "No argument for format '%s\\%s.ini'");
    EXPECT_THROW(LoadDefinitions(TestSet("bad-l2")), EStaticPacketLoadError);
    EXPECT_THROW(LoadDefinitions(TestSet("bad-param-code")), EConvertError);
    EXPECT_THROW(LoadDefinitions(TestSet("bad-format")), EFormatError);
}

TEST(DefinitionsTest, AFailedLoadKeepsThePreviousDefinitions)
{
    TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    const TStaticPackets* Before = Definitions.StaticPackets.get();
    // bad-l2 fails in L2-L3.ini, after its (empty) catalogs were read.
    EXPECT_THROW(Definitions = LoadDefinitions(TestSet("bad-l2")), EStaticPacketLoadError);
    EXPECT_EQ(Definitions.StaticPackets.get(), Before);
    EXPECT_EQ(Definitions.StaticPackets->Count(), 6);
    EXPECT_EQ(Definitions.L2StartCode, 0x10);
    EXPECT_EQ(Definitions.InRegMessages.size(), 4u);
}

TEST(DefinitionsTest, AnIntegerDefaultFailsOnlyWhenAMessageUsesTheParameter)
{
    TempSet Set;
    Set.Write("Parameters.ini", "[Codes]\nCounter=1\nDigits=2\n");
    Set.Write("Counter", "[.Count]\nType=Integer\nBit=0\nDefault=zz\n");
    Set.Write("Digits", "[General]\nType=Number\n[.Digits]\nType=Digits\nDefault=12G4\n");
    EXPECT_EQ(LoadDefinitions(Set.Folder()).StaticParameters->Count(), 2);
    Set.Write("Messages.ini", "[Codes]\nM=1\n[M]\nO=Digits\n");
    EXPECT_THROW(LoadDefinitions(Set.Folder()), EConvertError);
}

TEST(DefinitionsTest, RegistrationKeysMustBeIntegers)
{
    TempSet Set;
    Set.Write("L2-L3.ini", "[In]\n1=Alpha (5)\n[Out]\n2=Beta (1)\n 0x = Gamma (3) \n");
    EXPECT_EQ(ErrorText([&] { LoadDefinitions(Set.Folder()); }),
              "Invalid message code (0x=Gamma (3)) in file " + Set.Folder() + "L2-L3.ini.");
}

TEST(FileNamePattern, ExpandsOneNameAndDoubledPercentSigns)
{
    EXPECT_EQ(ExpandFileNamePattern("%s", "X"), "X");
    EXPECT_EQ(ExpandFileNamePattern("Params\\%s.ini", "X"), "Params\\X.ini");
    EXPECT_EQ(ExpandFileNamePattern("100%%\\%S", "X"), "100%\\X");
    EXPECT_EQ(ExpandFileNamePattern("fixed.ini", "X"), "fixed.ini");
    // The name is inserted as it is, even when it holds a percent sign.
    EXPECT_EQ(ExpandFileNamePattern("%s.ini", "a%s%d"), "a%s%d.ini");
    EXPECT_EQ(ErrorText([] { ExpandFileNamePattern("%s%", "X"); }),
              "Format '%s%' invalid or incompatible with argument");
    EXPECT_EQ(ErrorText([] { ExpandFileNamePattern("%5s", "X"); }),
              "Format '%5s' invalid or incompatible with argument");
    EXPECT_EQ(ErrorText([] { ExpandFileNamePattern("%s-%s", "X"); }), "No argument for format '%s-%s'");
    EXPECT_EQ(ErrorText([] { ExpandFileNamePattern("%n%s", "X"); }),
              "Format '%n%s' invalid or incompatible with argument");
}
