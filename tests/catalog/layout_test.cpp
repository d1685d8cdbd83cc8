// Parameter layouts read from description files, and the instances made
// from them for messages.
#include "tests/catalog/catalog_test_data.h"

#include "core/Convert.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct TExpectedField {
    std::string Name;
    uint8_t Kind;
    int32_t Bit;
    int32_t Length;
    std::string DefaultText;
};

void ExpectFields(const TCustomParameter& Parameter, const std::vector<TExpectedField>& Expected)
{
    const TParamFieldCollection& Fields = Parameter.Fields();
    ASSERT_EQ(Fields.Count(), static_cast<int>(Expected.size())) << Parameter.Name();
    for (int I = 0; I < Fields.Count(); ++I) {
        const TParamField& F = Fields.Items(I);
        const TExpectedField& E = Expected[static_cast<size_t>(I)];
        EXPECT_EQ(F.Name(), E.Name) << Parameter.Name() << " #" << I;
        EXPECT_EQ(F.Kind(), E.Kind) << F.Name();
        EXPECT_EQ(F.DefaultText(), E.DefaultText) << F.Name();
        EXPECT_EQ(F.Checked, 1) << F.Name();
        if (E.Kind == fkDigits || E.Kind == fkAppendix)
            continue;
        EXPECT_EQ(F.Bit(), E.Bit) << F.Name();
        EXPECT_EQ(F.Length(), E.Length) << F.Name();
    }
}

std::vector<std::pair<int32_t, std::string>> LiteralsOf(const TParamField& Field)
{
    std::vector<std::pair<int32_t, std::string>> Result;
    for (int I = 0; I < Field.Literals().Count(); ++I)
        Result.emplace_back(Field.Literals().Items(I).Value, Field.Literals().Items(I).Text);
    return Result;
}

// A parameter collection holding one instance of a catalog layout.
struct TInstance {
    TParameterCollection Parameters;
    TCustomParameter* Parameter;
    TInstance(const TDefinitions& Definitions, const std::string& Name, bool Mandatory)
        : Parameter(&Layout(Definitions, Name).Instantiate(Parameters, Mandatory))
    {
    }
};

} // namespace

TEST(DefinitionsTest, SampleNumberWorkedExample)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    const TStaticParameter& Number = Layout(Definitions, "SampleNumber");
    EXPECT_EQ(Number.Code(), 200);
    EXPECT_EQ(Number.Caption(), "Sample number");
    EXPECT_EQ(Number.ParamType(), ptNumber);
    EXPECT_EQ(Number.GetTypeText(), "Number");
    EXPECT_EQ(Number.Size(), 2);
    EXPECT_EQ(Number.OddBit(), 7);
    EXPECT_EQ(Number.Checked, 1);
    ExpectFields(
        Number,
        {{"Plan", fkEnum, 12, 3, "Private"}, {"Screened", fkBit, 15, 1, "0"}, {"Digits", fkDigits, 0, 0, "12345"}});
    EXPECT_EQ(LiteralsOf(Number.Fields().Items(0)),
              (std::vector<std::pair<int32_t, std::string>>{{1, "Public"}, {5, "Private"}}));

    TInstance Instance(Definitions, "SampleNumber", true);
    TCustomParameter& P = *Instance.Parameter;
    EXPECT_EQ(P.Code(), 200);
    EXPECT_TRUE(P.Mandatory());
    EXPECT_EQ(P.Part(), 1);
    EXPECT_EQ(P.GetHexValue(), "80 50 21 43 05 ");
    EXPECT_EQ(P.Fields().Items(0).GetValueText(), "Private");
    EXPECT_EQ(P.Fields().Items(1).GetValueText(), "False");
    EXPECT_EQ(P.Fields().Items(2).GetValueText(), "12345");
    P.SetHexValue("80 70 21 43 05");
    EXPECT_EQ(P.Fields().Items(0).GetValueText(), "7");
    EXPECT_EQ(P.Fields().Items(0).GetValue(), 7u);
    // The layout itself keeps its empty value.
    EXPECT_EQ(Number.GetValueLength(), 0);
}

TEST(DefinitionsTest, OddIndicatorSection)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    // [.odd] in lower case (in a file with CR line ends) is still the
    // odd-indicator section of a Number parameter.
    const TStaticParameter& Odd = Layout(Definitions, "SampleOdd");
    EXPECT_EQ(Odd.ParamType(), ptNumber);
    EXPECT_EQ(Odd.OddBit(), 3);
    ExpectFields(Odd, {{"Digits", fkDigits, 0, 0, ""}});

    // Without [.ODD] the indicator is bit 0 of the first octet.
    const TStaticParameter& Short = Layout(Definitions, "SampleShort");
    EXPECT_EQ(Short.OddBit(), 0);
    TInstance Instance(Definitions, "SampleShort", false);
    EXPECT_EQ(Hex(Instance.Parameter->Value()), "01 21 03");
    EXPECT_EQ(Instance.Parameter->Part(), 2);

    // In a parameter that is not a Number, [.ODD] is an ordinary field.
    ExpectFields(Layout(Definitions, "SampleFlags"),
                 {{"Urgent", fkBit, 0, 1, "true"}, {"Count", fkInteger, 1, 3, "5"}, {"ODD", fkBit, 7, 1, "0"}});
    EXPECT_EQ(Layout(Definitions, "SampleFlags").OddBit(), 0);
}

TEST(DefinitionsTest, EnumLiteralsAndWideFields)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    const TStaticParameter& Enum = Layout(Definitions, "SampleEnum");
    EXPECT_EQ(Enum.ParamType(), ptFixed);
    ExpectFields(Enum, {{"Code", fkEnum, 0, 8, "Other"}, {"Wide", fkInteger, 9, 8, "0"}});
    // Keys 0 and 00 are two literals of value 0; 0x1F and $20 convert; Note,
    // 7x, Type, Bit, Length and Default are not literals.
    EXPECT_EQ(LiteralsOf(Enum.Fields().Items(0)),
              (std::vector<std::pair<int32_t, std::string>>{
                  {0, "Zero"}, {0, "Double zero"}, {31, "Thirty-one"}, {32, "Thirty-two"}}));

    TInstance Instance(Definitions, "SampleEnum", true);
    TCustomParameter& P = *Instance.Parameter;
    EXPECT_EQ(P.Part(), 0);
    // Default Other names no literal: 0, shown with the first literal of 0.
    EXPECT_EQ(P.GetHexValue(), "00 00 ");
    EXPECT_EQ(P.Fields().Items(0).GetValueText(), "Zero");
    P.SetHexValue("1F FF");
    EXPECT_EQ(P.Fields().Items(0).GetValueText(), "Thirty-one");
    // Bit 9, Length 8: only bits 1 to 7 of the second octet.
    EXPECT_EQ(P.Fields().Items(1).GetValue(), 0x7Fu);
    P.SetHexValue("00 01");
    EXPECT_EQ(P.Fields().Items(1).GetValue(), 0u);
}

TEST(DefinitionsTest, OnlyDotSectionsWithKnownTypesAreFields)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    // [General], [Notes] and [.Flag]: one field; Size and Length that are
    // not integers read as 1; no Type means Variable.
    const TStaticParameter& Misc = Layout(Definitions, "SampleMisc");
    EXPECT_EQ(Misc.Caption(), "Sample misc");
    EXPECT_EQ(Misc.ParamType(), ptVariable);
    EXPECT_EQ(Misc.Size(), 1);
    ExpectFields(Misc, {{"Flag", fkBit, 2, 1, "0"}});

    // An unknown parameter type leaves the type unset (a mandatory instance
    // goes to the variable part); an unknown field type drops the field.
    const TStaticParameter& Other = Layout(Definitions, "SampleOther");
    EXPECT_EQ(Other.ParamType(), ptUnset);
    EXPECT_EQ(Other.GetTypeText(), "");
    EXPECT_EQ(Other.Caption(), "SampleOther");
    ExpectFields(Other, {{"ODD", fkBit, 4, 1, "0"}, {"Kept", fkInteger, 8, 4, "0"}});
    TInstance Instance(Definitions, "SampleOther", true);
    EXPECT_EQ(Instance.Parameter->Part(), 1);
    EXPECT_EQ(Hex(Instance.Parameter->Value()), "00 00");
}

TEST(DefinitionsTest, FixedParameterWithoutFields)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    const TStaticParameter& Fixed = Layout(Definitions, "SampleFixed");
    EXPECT_EQ(Fixed.ParamType(), ptFixed);
    EXPECT_EQ(Fixed.Size(), 3);
    EXPECT_EQ(Fixed.Caption(), "SampleFixed");
    EXPECT_EQ(Fixed.Fields().Count(), 0);
    EXPECT_EQ(Fixed.Checked, 1);
}

TEST(DefinitionsTest, MissingDescriptionFile)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    const TStaticParameter& NoFile = Layout(Definitions, "SampleNoFile");
    EXPECT_EQ(NoFile.Checked, 0);
    EXPECT_EQ(NoFile.Caption(), "SampleNoFile");
    EXPECT_EQ(NoFile.GetTitle(), "SampleNoFile");
    EXPECT_EQ(NoFile.ParamType(), ptVariable);
    EXPECT_EQ(NoFile.Size(), 1);
    EXPECT_EQ(NoFile.Fields().Count(), 0);
    TInstance Instance(Definitions, "SampleNoFile", true);
    EXPECT_EQ(Hex(Instance.Parameter->Value()), "00");
    EXPECT_EQ(Instance.Parameter->Checked, 0);
    EXPECT_EQ(Instance.Parameter->Part(), 1);
}

TEST(DefinitionsTest, InstantiateByName)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    TParameterCollection Parameters;
    TCustomParameter* Flags = Definitions.StaticParameters->InstantiateByName(Parameters, "SampleFlags", false);
    ASSERT_NE(Flags, nullptr);
    EXPECT_EQ(&Parameters.Items(0), Flags);
    EXPECT_EQ(Flags->Code(), 201);
    EXPECT_EQ(Flags->Part(), 2);
    EXPECT_FALSE(Flags->GetPresent());
    EXPECT_EQ(Flags->Caption(), "Sample flags");
    EXPECT_EQ(Hex(Flags->Value()), "0B");
    EXPECT_EQ(Definitions.StaticParameters->InstantiateByName(Parameters, "SAMPLEFLAGS", true), nullptr);
    EXPECT_EQ(Definitions.StaticParameters->InstantiateByName(Parameters, "", true), nullptr);
    EXPECT_EQ(Parameters.Count(), 1);
}

TEST(DefinitionsTest, BitNumberMustBeANonNegativeInteger)
{
    const fs::path Folder = fs::temp_directory_path() / "velmora-catalog-bits";
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    std::ofstream(Folder / "Parameters.ini") << "[General]\nFileName=%s.txt\n[Codes]\nP=1\n";
    const std::string Description = (Folder / "P.txt").string();
    for (const char* Bit : {"Bit=-1\n", "Bit=abc\n", "Length=2\n"}) {
        std::ofstream(Description) << "[.Good]\nType=Digits\n[.Bad]\nType=integer\n" << Bit;
        EXPECT_EQ(ErrorText([&] { LoadDefinitions(Folder.string() + "/"); }),
                  "Bit number missing (\"" + Description + "\": Bad)")
            << Bit;
    }
    // A hexadecimal bit number is fine.
    std::ofstream(Description) << "[.Good]\nType=integer\nBit=0x0C\n";
    const TDefinitions Definitions = LoadDefinitions(Folder.string() + "/");
    EXPECT_EQ(Layout(Definitions, "P").Fields().Items(0).Bit(), 12);
    fs::remove_all(Folder);
}

// A folder with Parameters.ini naming one parameter P, described in P.txt.
struct TOneParameterSet {
    TOneParameterSet(const char* Name)
        : Folder(fs::temp_directory_path() / Name)
        , Description((Folder / "P.txt").string())
    {
        fs::remove_all(Folder);
        fs::create_directories(Folder);
        std::ofstream(Folder / "Parameters.ini") << "[General]\nFileName=%s.txt\n[Codes]\nP=1\n";
    }
    ~TOneParameterSet() { fs::remove_all(Folder); }
    TDefinitions Load(const std::string& Text) const
    {
        std::ofstream(Description) << Text;
        return LoadDefinitions(Folder.string() + "/");
    }
    fs::path Folder;
    std::string Description;
};

TEST(DefinitionsTest, WholeValueKeys)
{
    const TOneParameterSet Set("velmora-catalog-whole");
    const TDefinitions Definitions = Set.Load("[General]\nType=Fixed\nSize=5\n"
                                              "[.Identity]\nType=Integer\nBit=0\nOctets=3\nOrder=msbfirst\n"
                                              "[.Point code]\nType=Integer\nBit=24\nLength=14\nOctets=0x2\n"
                                              "Order=LsbFirst\nDefault=1234\n"
                                              "[.Cause]\nType=Enum\nBit=0\nLength=7\nShowValue=true\n1=One\n"
                                              "[.Plain]\nType=Integer\nBit=4\nLength=8\nShowValue=0\n");
    const TStaticParameter& P = Layout(Definitions, "P");
    ExpectFields(P,
                 {{"Identity", fkInteger, 0, 24, "0"},
                  {"Point code", fkInteger, 24, 14, "1234"},
                  {"Cause", fkEnum, 0, 7, "Other"},
                  {"Plain", fkInteger, 4, 8, "0"}});
    const TParamFieldCollection& Fields = P.Fields();
    // Without Length, a whole value takes every bit of its octets from Bit on.
    EXPECT_EQ(Fields.Items(0).Octets(), 3);
    EXPECT_TRUE(Fields.Items(0).MsbFirst());
    EXPECT_EQ(Fields.Items(1).Octets(), 2);
    EXPECT_FALSE(Fields.Items(1).MsbFirst());
    EXPECT_TRUE(Fields.Items(2).ShowValue());
    EXPECT_EQ(LiteralsOf(Fields.Items(2)), (std::vector<std::pair<int32_t, std::string>>{{1, "One"}}));
    // Without Octets a field keeps to its one octet, however long.
    EXPECT_EQ(Fields.Items(3).Octets(), 1);
    EXPECT_FALSE(Fields.Items(3).ShowValue());

    // The default is written across the octets; the value reads whole.
    TInstance Instance(Definitions, "P", true);
    TCustomParameter& Value = *Instance.Parameter;
    EXPECT_EQ(Value.GetHexValue(), "00 00 00 D2 04 ");
    Value.SetHexValue("12 34 56 D2 C4");
    EXPECT_EQ(Value.Fields().Items(0).GetValue(), 0x123456u);
    EXPECT_EQ(Value.Fields().Items(1).GetValueText(), "1234");
    EXPECT_EQ(Value.Fields().Items(3).GetValue(), 1u);
}

TEST(DefinitionsTest, UnusableWholeValueKeysStopTheLoad)
{
    const TOneParameterSet Set("velmora-catalog-whole-bad");
    const std::string In = " (\"" + Set.Description + "\": Bad)";
    const std::pair<const char*, std::string> Cases[] = {
        {"Bit=0\nOctets=5\n", "Invalid Octets value '5', 1 to 4 expected" + In},
        {"Bit=0\nOctets=0\n", "Invalid Octets value '0', 1 to 4 expected" + In},
        {"Bit=0\nOctets=two\n", "Invalid Octets value 'two', 1 to 4 expected" + In},
        {"Bit=0\nOctets=\n", "Invalid Octets value '', 1 to 4 expected" + In},
        {"Bit=0\nOctets=2\nOrder=Big\n", "Invalid Order value 'Big', LsbFirst or MsbFirst expected" + In},
        {"Bit=0\nOrder=MsbFirst\n", "Invalid Order value 'MsbFirst', allowed only with Octets" + In},
        {"Bit=27\nOctets=2\nLength=14\n", "Invalid Length value '14', 1 to 13 expected" + In},
        {"Bit=0\nOctets=2\nLength=x\n", "Invalid Length value 'x', 1 to 16 expected" + In},
        {"Bit=0\nOctets=4\nLength=0\n", "Invalid Length value '0', 1 to 32 expected" + In},
        {"Bit=0\nShowValue=maybe\n", "Invalid ShowValue value 'maybe', True or False expected" + In},
        // The bit number is still checked first.
        {"Octets=9\n", "Bit number missing (\"" + Set.Description + "\": Bad)"},
    };
    for (const auto& [Keys, Text] : Cases)
        EXPECT_EQ(ErrorText([&] { Set.Load(std::string("[.Good]\nType=Digits\n[.Bad]\nType=integer\n") + Keys); }),
                  Text)
            << Keys;
    // A whole value of four octets may use all 32 bits.
    EXPECT_EQ(ErrorText([&] { Set.Load("[.All]\nType=Integer\nBit=0\nOctets=4\nLength=32\n"); }), "");
    // The keys of a Digits or Appendix field are not read.
    EXPECT_EQ(ErrorText([&] { Set.Load("[.Tail]\nType=Appendix\nOctets=9\nOrder=?\nShowValue=?\n"); }), "");
}

TEST(DefinitionsTest, SizeAndLengthHaveUpperBounds)
{
    // A value has at most 255 octets and a field width wraps at 32 bits:
    // larger numbers stop the load, naming the file and the key, instead of
    // making every instance allocate them.
    const fs::path Folder = fs::temp_directory_path() / "velmora-catalog-bounds";
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    std::ofstream(Folder / "Parameters.ini") << "[General]\nFileName=%s.txt\n[Codes]\nP=1\n";
    std::ofstream(Folder / "Messages.ini") << "[Codes]\nM=1\n[M]\nF=P\n";
    const std::string Description = (Folder / "P.txt").string();
    auto Load = [&](const std::string& Text) {
        std::ofstream(Description) << Text;
        return ErrorText([&] { LoadDefinitions(Folder.string() + "/"); });
    };

    for (const char* Size : {"256", "2000000000", "0x7FFFFFFF"})
        EXPECT_EQ(Load(std::string("[General]\nType=Fixed\nSize=") + Size + "\n"),
                  "Size too large (\"" + Description + "\": Size=" + std::to_string(StrToInt(Size)) + ", at most 255)");
    EXPECT_EQ(Load("[General]\nType=Fixed\nSize=1\n[.Wide]\nType=Integer\nBit=0\nLength=32\n"),
              "Length too large (\"" + Description + "\": Wide Length=32, at most 31)");

    // The bounds themselves load, and the instance has all 255 octets.
    EXPECT_EQ(Load("[General]\nType=Fixed\nSize=255\n[.Wide]\nType=Integer\nBit=2032\nLength=31\nDefault=255\n"), "");
    const TDefinitions Definitions = LoadDefinitions(Folder.string() + "/");
    const TCustomParameter& Instance = Prototype(Definitions, "M").Parameters().Items(0);
    EXPECT_EQ(Instance.GetValueLength(), 255);
    EXPECT_EQ(static_cast<uint8_t>(Instance.Value().back()), 0xFF);
    fs::remove_all(Folder);
}
