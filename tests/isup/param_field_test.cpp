// Fields cut from parameter values, their texts, digit strings, literals and
// the parameter's own value operations.
#include "tests/isup/isup_test_support.h"

#include "core/Exception.h"
#include "core/MemoryStream.h"

#include <gtest/gtest.h>

#include <limits>

using namespace isuptest;

namespace {

// A stand-alone parameter with one field of the given layout.
struct TOneField {
    TOneField(std::string_view Value, uint8_t Kind, int32_t Bit, int32_t Length, int32_t Size = 0)
        : Parameter(nullptr, false, 1)
        , Field(Parameter.Fields().Add())
    {
        Parameter.SetSize(Size);
        Parameter.SetValue(Octets(Value));
        Field.SetName("F");
        Field.SetKind(Kind);
        Field.SetBit(Bit);
        Field.SetLength(Length);
    }
    TCustomParameter Parameter;
    TParamField& Field;
};

} // namespace

TEST(ParamField, ValueIsCutFromOneOctet)
{
    EXPECT_EQ(TOneField("00 38", fkInteger, 11, 3).Field.GetValue(), 7u);
    EXPECT_EQ(TOneField("00 38", fkInteger, 11, 3).Field.GetOctetIndex(), 1);
    EXPECT_EQ(TOneField("00 38", fkInteger, 11, 3).Field.GetBitShift(), 3);
    // Only the two bits inside the octet: a field never continues into the next.
    EXPECT_EQ(TOneField("C0 FF", fkInteger, 6, 4).Field.GetValue(), 3u);
    EXPECT_EQ(TOneField("FF FF", fkInteger, 9, 8).Field.GetValue(), 0x7Fu);
    EXPECT_EQ(TOneField("A5", fkInteger, 0, 8).Field.GetValue(), 0xA5u);
    EXPECT_EQ(TOneField("A5", fkInteger, 0, 0).Field.GetValue(), 0u);
    // Length is taken modulo 32.
    EXPECT_EQ(TOneField("A5", fkInteger, 0, 33).Field.GetValue(), 1u);
    EXPECT_EQ(TOneField("A5", fkAppendix, 0, 8).Field.GetValue(), 0u);
}

TEST(ParamField, FieldBeyondTheValue)
{
    TOneField Flag("FF FF", fkBit, 16, 1);
    EXPECT_EQ(Flag.Field.GetValue(), 0u);
    EXPECT_EQ(Flag.Field.GetValueText(), "False");
    Flag.Field.SetValue(1);
    EXPECT_EQ(Hex(Flag.Parameter.Value()), "FF FF ");
    TOneField Empty("", fkInteger, 0, 8);
    EXPECT_EQ(Empty.Field.GetValueText(), "0");
    EXPECT_EQ(Empty.Field.GetHexText(), "00");
}

TEST(ParamField, SetValueReplacesOnlyTheFieldBits)
{
    TOneField F("FF", fkInteger, 2, 3);
    F.Field.SetValue(9);
    EXPECT_EQ(Hex(F.Parameter.Value()), "E7 ");
    TOneField High("00 00", fkInteger, 14, 4);
    High.Field.SetValue(0xF);
    EXPECT_EQ(Hex(High.Parameter.Value()), "00 C0 ");
    TOneField Appendix("12", fkAppendix, 0, 8);
    Appendix.Field.SetValue(0);
    EXPECT_EQ(Hex(Appendix.Parameter.Value()), "12 ");
}

// Whole values: a field over 2 to 4 octets read as one number.
TEST(ParamField, AWholeValueReadsItsOctetsAsOneNumber)
{
    // A 14-bit point code, least significant octet first, bits 14 and 15 spare.
    TOneField PointCode("00 D2 C4", fkInteger, 8, 14);
    PointCode.Field.SetOctets(2, false);
    EXPECT_EQ(PointCode.Field.GetValue(), 1234u);
    EXPECT_EQ(PointCode.Field.GetValueText(), "1234");
    EXPECT_EQ(PointCode.Field.GetHexText(), "4D2");
    // A 24-bit identity, most significant octet first.
    TOneField Identity("12 34 56", fkInteger, 0, 24);
    Identity.Field.SetOctets(3, true);
    EXPECT_EQ(Identity.Field.GetValue(), 0x123456u);
    // The shift counts in the whole number: bits 4 to 11 of 34 12.
    TOneField Shifted("34 12", fkInteger, 4, 8);
    Shifted.Field.SetOctets(2, false);
    EXPECT_EQ(Shifted.Field.GetValue(), 0x23u);
    // Four octets, all 32 bits, either order.
    TOneField Wide("FF FF FF FE", fkInteger, 0, 32);
    Wide.Field.SetOctets(4, false);
    EXPECT_EQ(Wide.Field.GetValue(), 0xFEFFFFFFu);
    EXPECT_EQ(Wide.Field.GetValueText(), "4278190079");
    Wide.Field.SetOctets(4, true);
    EXPECT_EQ(Wide.Field.GetValue(), 0xFFFFFFFEu);
}

TEST(ParamField, AWholeValueAtTheEndOfAShortParameter)
{
    // Octets beyond the end of the value read as 0, in either order; a
    // field whose first octet lies beyond it reads 0.
    TOneField PointCode("00 D2", fkInteger, 8, 14);
    PointCode.Field.SetOctets(2, false);
    EXPECT_EQ(PointCode.Field.GetValue(), 0xD2u);
    TOneField Identity("12 34", fkInteger, 0, 24);
    Identity.Field.SetOctets(3, true);
    EXPECT_EQ(Identity.Field.GetValue(), 0x123400u);
    TOneField Beyond("00 D2", fkInteger, 16, 14);
    Beyond.Field.SetOctets(2, false);
    EXPECT_EQ(Beyond.Field.GetValue(), 0u);
    TOneField Empty("", fkInteger, 0, 32);
    Empty.Field.SetOctets(4, true);
    EXPECT_EQ(Empty.Field.GetValueText(), "0");

    // A store writes the octets that exist and never lengthens the value.
    PointCode.Field.SetValue(0x3FFF);
    EXPECT_EQ(Hex(PointCode.Parameter.Value()), "00 FF ");
    Identity.Field.SetValue(0xABCDEF);
    EXPECT_EQ(Hex(Identity.Parameter.Value()), "AB CD ");
    Beyond.Field.SetValue(1);
    EXPECT_EQ(Hex(Beyond.Parameter.Value()), "00 D2 ");
}

TEST(ParamField, AWholeValueStoreKeepsTheBitsAroundIt)
{
    TOneField PointCode("FF FF FF", fkInteger, 8, 14);
    PointCode.Field.SetOctets(2, false);
    PointCode.Field.SetValue(1234);
    // Bits 14 and 15 of the number (the top of octet 2) and octet 0 stay.
    EXPECT_EQ(Hex(PointCode.Parameter.Value()), "FF D2 C4 ");
    PointCode.Field.SetValueText("$3FFF");
    EXPECT_EQ(Hex(PointCode.Parameter.Value()), "FF FF FF ");
    // Too wide a number keeps only the field's bits.
    PointCode.Field.SetValue(0x1C000);
    EXPECT_EQ(PointCode.Field.GetValue(), 0u);
    EXPECT_EQ(Hex(PointCode.Parameter.Value()), "FF 00 C0 ");

    // Most significant first, bits 4 to 19 of the number: the top half of
    // octet 0 and the low half of octet 2 stay.
    TOneField Shifted("FF 00 FF", fkInteger, 4, 16);
    Shifted.Field.SetOctets(3, true);
    Shifted.Field.SetValue(0xABCD);
    EXPECT_EQ(Hex(Shifted.Parameter.Value()), "FA BC DF ");
    EXPECT_EQ(Shifted.Field.GetValue(), 0xABCDu);
}

TEST(ParamField, AnEnumCanShowItsNumberAfterTheText)
{
    TOneField Cause("82 91", fkEnum, 8, 7);
    Cause.Field.MutableLiterals().Add("User busy", 17);
    EXPECT_EQ(Cause.Field.GetValueText(), "User busy");
    Cause.Field.SetShowValue(true);
    EXPECT_EQ(Cause.Field.GetValueText(), "User busy (17)");
    EXPECT_EQ(Cause.Field.GetDescription(), "F = User busy (17)");
    EXPECT_EQ(Cause.Parameter.GetDescription(), " = { F = User busy (17) }");
    // A number without a literal shows once; the value set by text is the
    // literal's text alone.
    Cause.Field.SetValue(99);
    EXPECT_EQ(Cause.Field.GetValueText(), "99");
    Cause.Field.SetValueText("User busy");
    EXPECT_EQ(Cause.Field.GetValue(), 17u);
}

TEST(ParamField, TextsByKind)
{
    TOneField Integer("00 38", fkInteger, 11, 3);
    EXPECT_EQ(Integer.Field.GetValueText(), "7");
    EXPECT_EQ(Integer.Field.GetHexText(), "07");
    EXPECT_EQ(Integer.Field.GetDescription(), "F = 7");
    Integer.Field.SetValueText("$5");
    EXPECT_EQ(Integer.Field.GetValue(), 5u);
    EXPECT_THROW(Integer.Field.SetValueText("seven"), EConvertError);
    try {
        Integer.Field.SetValueText("seven");
    } catch (const EConvertError& Error) {
        EXPECT_EQ(Error.Message(), "'seven' is not a valid integer value");
    }

    TOneField Bit("00", fkBit, 3, 1);
    for (const char* Set : {"TRUE", "true", "1", "True"}) {
        Bit.Field.SetValue(0);
        Bit.Field.SetValueText(Set);
        EXPECT_EQ(Bit.Field.GetValueText(), "True") << Set;
        EXPECT_EQ(Hex(Bit.Parameter.Value()), "08 ");
    }
    for (const char* Clear : {"", "yes", "2", "false", " 1"}) {
        Bit.Field.SetValue(1);
        Bit.Field.SetValueText(Clear);
        EXPECT_EQ(Bit.Field.GetValueText(), "False") << Clear;
    }
    EXPECT_EQ(Bit.Field.GetHexText(), "");

    TOneField Appendix("01 0A FF", fkAppendix, 0, 0, 1);
    EXPECT_EQ(Appendix.Field.GetHexText(), "0A FF");
    EXPECT_EQ(Appendix.Field.GetValueText(), "0A FF");
    EXPECT_EQ(Appendix.Parameter.GetHexValue(), "01 0A FF ");
    Appendix.Field.SetValueText("00");
    EXPECT_EQ(Hex(Appendix.Parameter.Value()), "01 0A FF ");
    TOneField ShortAppendix("01", fkAppendix, 0, 0, 1);
    EXPECT_EQ(ShortAppendix.Field.GetHexText(), "");

    TOneField Unknown("FF", 9, 0, 8);
    EXPECT_EQ(Unknown.Field.GetValueText(), "");
    Unknown.Field.SetValueText("1");
    EXPECT_EQ(Hex(Unknown.Parameter.Value()), "FF ");
}

TEST(ParamField, EnumLiterals)
{
    TOneField Enum("05", fkEnum, 0, 4);
    Enum.Field.MutableLiterals().Add("Public", 1);
    Enum.Field.MutableLiterals().Add("Private", 5);
    Enum.Field.MutableLiterals().Add("Secret", 5);
    EXPECT_EQ(Enum.Field.GetValueText(), "Private");
    EXPECT_EQ(Enum.Field.GetHexText(), "05");
    Enum.Field.SetValueText("Public");
    EXPECT_EQ(Enum.Field.GetValue(), 1u);
    // Letter case counts; an unknown text gives 0.
    Enum.Field.SetValueText("public");
    EXPECT_EQ(Enum.Field.GetValue(), 0u);
    EXPECT_EQ(Enum.Field.GetValueText(), "0");
    Enum.Field.SetValue(7);
    EXPECT_EQ(Enum.Field.GetValueText(), "7");

    const TEnumLiterals& Literals = Enum.Field.Literals();
    ASSERT_EQ(Literals.Count(), 3);
    EXPECT_EQ(Literals.Items(2).Text, "Secret");
    EXPECT_EQ(Literals.TextOf(-3), "-3");
    EXPECT_EQ(Literals.ValueOf("Secret"), 5);
    TEnumLiterals Copy;
    Copy.Assign(Literals);
    EXPECT_TRUE(Copy.SharesWith(Literals));
    EXPECT_EQ(Copy.TextOf(1), "Public");
    // Adding to a shared table leaves the other holder as it was.
    Copy.Add("Extra", 9);
    EXPECT_EQ(Copy.Count(), 4);
    EXPECT_EQ(Literals.Count(), 3);
    EXPECT_EQ(Copy.TextOf(9), "Extra");
    EXPECT_EQ(Literals.TextOf(9), "9");
    EXPECT_THROW(Copy.Assign(Enum.Parameter), EConvertError);

    // Values outside one octet, and the first of a repeated one, whether
    // it came before or after the others.
    TEnumLiterals Wide;
    Wide.Add("Big", 300);
    Wide.Add("Negative", -1);
    Wide.Add("Zero", 0);
    Wide.Add("Again", 300);
    Wide.Add("Top", 255);
    Wide.Add("Nought", 0);
    EXPECT_EQ(Wide.TextOf(300), "Big");
    EXPECT_EQ(Wide.TextOf(-1), "Negative");
    EXPECT_EQ(Wide.TextOf(0), "Zero");
    EXPECT_EQ(Wide.TextOf(255), "Top");
    EXPECT_EQ(Wide.FindText(256), nullptr);
    EXPECT_EQ(Wide.TextOf(256), "256");
}

TEST(ParamField, DigitsWithAndWithoutOddIndicator)
{
    TCustomParameter Number(nullptr, false, 1);
    Number.SetSize(2);
    Number.SetOddBit(7);
    TParamField& Digits = Number.Fields().Add();
    Digits.SetKind(fkDigits);
    Number.SetValue(Octets("80 00 21 43 05"));
    EXPECT_EQ(Digits.GetDigits(), "12345");
    EXPECT_EQ(Digits.GetValueText(), "12345");
    EXPECT_EQ(Digits.GetHexText(), "21 43 05");
    Number.SetValue(Octets("00 00 21 43 05"));
    EXPECT_EQ(Digits.GetDigits(), "123450");
    Number.SetValue(Octets("00 00 CB"));
    EXPECT_EQ(Digits.GetDigits(), "BC");
    // An indicator octet beyond the value reads as 0.
    Number.SetOddBit(40);
    EXPECT_EQ(Digits.GetDigits(), "BC");
    Number.SetOddBit(7);
    Number.SetValue(Octets("80 00"));
    EXPECT_EQ(Digits.GetDigits(), "");
    Number.SetValue("");
    EXPECT_EQ(Digits.GetDigits(), "");
}

TEST(ParamField, SetDigitsPacksAndSetsTheIndicator)
{
    TCustomParameter Number(nullptr, false, 1);
    Number.SetSize(2);
    Number.SetOddBit(7);
    TParamField& Digits = Number.Fields().Add();
    Digits.SetKind(fkDigits);
    Number.SetValue(Octets("00 11"));
    Digits.SetDigits("12345");
    EXPECT_EQ(Hex(Number.Value()), "80 11 21 43 05 ");
    Digits.SetDigits("1234");
    EXPECT_EQ(Hex(Number.Value()), "00 11 21 43 ");
    Digits.SetValueText("ab");
    EXPECT_EQ(Hex(Number.Value()), "00 11 BA ");
    Digits.SetDigits("");
    EXPECT_EQ(Hex(Number.Value()), "00 11 ");
    // A bad character fails at its pair, after the resize and earlier pairs.
    try {
        Digits.SetDigits("12G4");
        FAIL() << "no error";
    } catch (const EConvertError& Error) {
        EXPECT_EQ(Error.Message(), "'$4G' is not a valid integer value");
    }
    EXPECT_EQ(Hex(Number.Value()), "00 11 21 00 ");
    // The indicator is not stored when its octet lies beyond the value.
    TCustomParameter Short(nullptr, false, 1);
    Short.SetOddBit(15);
    TParamField& ShortDigits = Short.Fields().Add();
    ShortDigits.SetKind(fkDigits);
    ShortDigits.SetDigits("123");
    EXPECT_EQ(Hex(Short.Value()), "21 03 ");
}

TEST(ParamField, DigitsBehindTheLargestSizeDoNotWrap)
{
    // Size + digit octets used to be summed as an int: 2147483647 + 1
    // overflowed to a negative length (UBSan: signed integer overflow).
    // Digits that would end past the longest value an int can measure are
    // dropped like any store beyond the value; the value keeps its length.
    TCustomParameter Number(nullptr, false, 1);
    Number.SetSize(std::numeric_limits<int32_t>::max());
    Number.SetOddBit(7);
    TParamField& Digits = Number.Fields().Add();
    Digits.SetKind(fkDigits);
    Number.SetValue(Octets("00 11"));
    Digits.SetValueText("1");
    EXPECT_EQ(Hex(Number.Value()), "80 11 ");
    EXPECT_EQ(Digits.GetDigits(), "");
    // The digits are still checked.
    EXPECT_THROW(Digits.SetDigits("1X"), EConvertError);
    EXPECT_EQ(Hex(Number.Value()), "00 11 ");
}

TEST(CustomParameter, DefaultsAndHexEntry)
{
    TParameterCollection Layouts;
    TCustomParameter& Layout = AddLayout(Layouts, 200, "SampleNumber", ptNumber, 2,
                                         {{"Plan", fkEnum, 12, 3, "Private", {{"Public", 1}, {"Private", 5}}},
                                          {"Screened", fkBit, 15, 1, "0"},
                                          {"Digits", fkDigits, 0, 0, "12345"}},
                                         7);
    TParameterCollection Parameters;
    TCustomParameter& Parameter = Instantiate(Layout, Parameters, true);
    EXPECT_EQ(Hex(Parameter.Value()), "80 50 21 43 05 ");
    EXPECT_EQ(Parameter.GetDescription(), "SampleNumber = { Plan = Private; Screened = False; Digits = 12345 }");
    EXPECT_EQ(Parameter.GetTypeText(), "Number");
    EXPECT_EQ(Parameter.Part(), ipVariable);

    Parameter.SetHexValue("80 70 21 43 05");
    EXPECT_EQ(Parameter.Fields().Items(0).GetValueText(), "7");
    // Fewer octets than Size: back to the defaults.
    Parameter.SetHexValue("FF");
    EXPECT_EQ(Hex(Parameter.Value()), "80 50 21 43 05 ");
    // Size octets or more: exactly the parsed octets.
    Parameter.SetText("01 02");
    EXPECT_EQ(Parameter.GetText(), "01 02 ");
    Parameter.SetHexValue("01,02,03,04,05,06");
    EXPECT_EQ(Parameter.GetHexValue(), "01 02 03 04 05 06 ");
    EXPECT_THROW(Parameter.SetHexValue("01 zz 03"), EConvertError);
    EXPECT_EQ(Parameter.GetHexValue(), "01 02 03 04 05 06 ");
}

TEST(CustomParameter, IntegerDefaultThatDoesNotConvertFails)
{
    TParameterCollection Layouts;
    TCustomParameter& Layout = AddLayout(Layouts, 1, "P", ptFixed, 1, {{"N", fkInteger, 0, 4, "x"}});
    TParameterCollection Parameters;
    EXPECT_THROW(Instantiate(Layout, Parameters, true), EConvertError);
}

TEST(CustomParameter, PresenceTypeTitleAndDescription)
{
    TCustomParameter Mandatory(nullptr, true, 3);
    EXPECT_TRUE(Mandatory.Present());
    Mandatory.SetPresent(false);
    EXPECT_TRUE(Mandatory.Present());
    EXPECT_TRUE(Mandatory.GetPresent());
    EXPECT_EQ(Mandatory.Part(), ipFixed);
    Mandatory.SetParamType(ptUnset);
    EXPECT_EQ(Mandatory.Part(), ipVariable);
    EXPECT_EQ(Mandatory.GetTypeText(), "");
    Mandatory.SetParamType(ptFixed);
    EXPECT_EQ(Mandatory.Part(), ipFixed);
    EXPECT_EQ(Mandatory.GetTypeText(), "Fixed");

    TCustomParameter Optional(nullptr, false, 4);
    EXPECT_FALSE(Optional.GetPresent());
    Optional.SetPresent(true);
    EXPECT_TRUE(Optional.GetPresent());
    Optional.ClearPresent();
    EXPECT_FALSE(Optional.GetPresent());
    Optional.SetParamType(ptFixed);
    EXPECT_EQ(Optional.Part(), ipOptional);
    EXPECT_EQ(Optional.GetTypeText(), "Fixed");
    Optional.SetParamType(ptVariable);
    EXPECT_EQ(Optional.GetTypeText(), "Variable");

    Optional.SetName("CPC");
    Optional.SetCaption("CPC");
    EXPECT_EQ(Optional.GetTitle(), "CPC");
    Optional.SetCaption("cpc");
    EXPECT_EQ(Optional.GetTitle(), "CPC, cpc");
    EXPECT_EQ(Optional.GetDescription(), "CPC = ");
    EXPECT_EQ(Optional.Fields().GetDescription(), "");
}

TEST(CustomParameter, StreamsAndLengthModulo256)
{
    TCustomParameter Parameter(nullptr, true, 1);
    Parameter.SetParamType(ptVariable);
    Parameter.SetValue(std::string(300, '\x5A'));
    TMemoryStream Out;
    Parameter.SaveToStream(Out);
    ASSERT_EQ(Out.Size(), 45u);
    EXPECT_EQ(Out.Memory()[0], 44);
    EXPECT_EQ(Out.Bytes().substr(1), std::string(44, '\x5A'));

    Parameter.SetParamType(ptFixed);
    Parameter.SetSize(258);
    TMemoryStream In(Octets("01 02 03 04"));
    Parameter.LoadFromStream(In);
    EXPECT_EQ(Hex(Parameter.Value()), "01 02 ");
    EXPECT_EQ(In.Position(), 2u);
    TMemoryStream Fixed;
    Parameter.SaveToStream(Fixed);
    EXPECT_EQ(Hex(Fixed.Bytes()), "01 02 ");

    // Value keeps the declared length with zeros for what the input lacks.
    Parameter.SetParamType(ptVariable);
    TMemoryStream Short(Octets("04 AA"));
    Parameter.LoadFromStream(Short);
    EXPECT_EQ(Hex(Parameter.Value()), "AA 00 00 00 ");
    TMemoryStream Nothing;
    Parameter.LoadFromStream(Nothing);
    EXPECT_EQ(Parameter.GetValueLength(), 0);
    Parameter.SetValueLength(3);
    EXPECT_EQ(Hex(Parameter.Value()), "00 00 00 ");
    Parameter.SetValue(Octets("01 02 03"));
    Parameter.SetValueLength(2);
    EXPECT_EQ(Hex(Parameter.Value()), "01 02 ");
}

TEST(ParamFieldCollection, DescriptionOrderAndAssign)
{
    TCustomParameter Parameter(nullptr, false, 1);
    Parameter.SetName("P");
    Parameter.SetValue(Octets("0F"));
    TParamField& Low = Parameter.Fields().Add();
    Low.SetName("Low");
    Low.SetKind(fkInteger);
    Low.SetLength(4);
    TParamField& Top = Parameter.Fields().Add();
    Top.SetName("Top");
    Top.SetKind(fkBit);
    Top.SetBit(7);
    Top.Checked = 0;
    // Unchecked fields are described too.
    EXPECT_EQ(Parameter.GetDescription(), "P = { Low = 15; Top = False }");

    TCustomParameter Other(nullptr, false, 2);
    Other.Fields().Assign(Parameter.Fields());
    ASSERT_EQ(Other.Fields().Count(), 2);
    EXPECT_EQ(Other.Fields().Items(1).Name(), "Top");
    EXPECT_EQ(Other.Fields().Items(1).Checked, 0);
    EXPECT_EQ(Other.Fields().Items(1).Parameter(), &Other);
    EXPECT_EQ(Other.Name(), "");

    Other.Fields().Delete(0);
    ASSERT_EQ(Other.Fields().Count(), 1);
    EXPECT_EQ(Other.Fields().Items(0).Name(), "Top");
    EXPECT_EQ(Parameter.Fields().Count(), 2);
    EXPECT_THROW(Other.Fields().Items(1), EListError);
    Other.Fields().Clear();
    EXPECT_EQ(Other.Fields().Count(), 0);

    TParamField Alone(nullptr);
    Alone.Assign(Top);
    EXPECT_EQ(Alone.Name(), "Top");
    EXPECT_EQ(Alone.Parameter(), nullptr);
    EXPECT_EQ(Alone.GetValueText(), "False");
    EXPECT_EQ(Alone.Checked, 0);
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PARAM_TEST_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(PARAM_TEST_ADDRESS_SANITIZER)
TEST(CustomParameter, FreedBlocksAreNotRecycledUnderAddressSanitizer)
{
    // A recycled block would hide a use after free from the sanitizer, which
    // holds freed memory back before handing it out again.
    auto* First = new TCustomParameter(nullptr, false, 1);
    const void* Block = First;
    delete First;
    auto* Second = new TCustomParameter(nullptr, false, 2);
    EXPECT_NE(static_cast<const void*>(Second), Block);
    delete Second;
}
#endif
