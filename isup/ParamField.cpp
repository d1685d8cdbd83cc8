#include "isup/ParamField.h"

#include "core/Bits.h"
#include "core/Convert.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "isup/CustomParameter.h"
#include "isup/ParamFieldCollection.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

uint32_t Width(int32_t Length)
{
    return static_cast<uint32_t>(Length) & 31u;
}

// The first octet of the digits or the appendix.
size_t TailStart(const TParamValue& Value)
{
    return Value.Size > 0 ? static_cast<size_t>(Value.Size) : 0;
}

// The decimal texts of the values one octet can give.
struct TDecimals {
    TDecimals()
    {
        for (int I = 0; I < 256; ++I)
            Texts[static_cast<size_t>(I)] = std::to_string(I);
    }
    std::string Texts[256];
};

// Appends Value in decimal: one-octet values from a table, wider ones (whole
// values) converted.
void AppendDecimal(std::string& Out, uint32_t Value)
{
    static const TDecimals Decimals;
    if (Value < 256) {
        Out += Decimals.Texts[Value];
        return;
    }
    char Digits[16];
    const auto End = std::to_chars(Digits, Digits + sizeof Digits, Value).ptr;
    Out.append(Digits, End);
}

// The octets of a whole value, put together as one number: those beyond the
// end of the value read as 0.
uint32_t WholeNumber(const TFieldDef& Def, const TParamValue& Value)
{
    uint32_t Word = 0;
    for (int I = 0; I < Def.Span; ++I) {
        const uint32_t Octet = Value.Octet(Def.Octet + I);
        Word = Def.MsbFirst ? (Word << 8) | Octet : Word | (Octet << (8 * I));
    }
    return Word;
}

} // namespace

void TFieldDef::Compile()
{
    Octet = Kind == fkAppendix || Bit < 0 ? -1 : Bit / 8;
    Shift = static_cast<uint8_t>(Bit < 0 ? 0 : Bit % 8);
    Span = static_cast<uint8_t>(Octets >= 2 && Octets <= 4 ? Octets : 1);
    if (Span == 1) {
        // The octet shifted right has at most eight bits left.
        Mask = BitMask(Width(Length)) & 0xFFu;
        return;
    }
    // A whole value's Length is its width as it stands (the loader keeps it
    // inside the octets), not taken modulo 32.
    Mask = Length <= 0 ? 0u : BitMask(static_cast<uint32_t>(Length)) & BitMask(8u * Span);
}

namespace FieldOps {

uint32_t GetWholeValue(const TFieldDef& Def, const TParamValue& Value)
{
    return (WholeNumber(Def, Value) >> Def.Shift) & Def.Mask;
}

void AppendValueText(std::string& Out, const TFieldDef& Def, const TParamValue& Value)
{
    switch (Def.Kind) {
    case fkInteger:
        AppendDecimal(Out, GetValue(Def, Value));
        break;
    case fkEnum: {
        const uint32_t N = GetValue(Def, Value);
        if (const std::string* Text = Def.Literals.FindText(static_cast<int32_t>(N))) {
            Out += *Text;
            if (Def.ShowValue) {
                Out += " (";
                AppendDecimal(Out, N);
                Out += ')';
            }
        } else {
            AppendDecimal(Out, N);
        }
        break;
    }
    case fkBit:
        Out += GetValue(Def, Value) != 0 ? "True" : "False";
        break;
    case fkAppendix:
        AppendTailHex(Out, Value);
        break;
    case fkDigits:
        AppendDigits(Out, Value);
        break;
    default:
        break;
    }
}

std::string GetValueText(const TFieldDef& Def, const TParamValue& Value)
{
    std::string Text;
    AppendValueText(Text, Def, Value);
    return Text;
}

std::string GetHexText(const TFieldDef& Def, const TParamValue& Value)
{
    switch (Def.Kind) {
    case fkInteger:
    case fkEnum:
        return Format("%.2X", GetValue(Def, Value));
    case fkAppendix:
    case fkDigits: {
        std::string Text;
        AppendTailHex(Text, Value);
        return Text;
    }
    default:
        return {};
    }
}

void AppendTailHex(std::string& Out, const TParamValue& Value)
{
    const size_t Start = TailStart(Value);
    const size_t End = Value.Octets.size();
    if (Start >= End)
        return;
    Out.reserve(Out.size() + 3 * (End - Start));
    for (size_t I = Start; I < End; ++I) {
        if (I > Start)
            Out.push_back(' ');
        const auto Octet = static_cast<uint8_t>(Value.Octets[I]);
        Out.push_back(HexDigits[Octet >> 4]);
        Out.push_back(HexDigits[Octet & 0x0F]);
    }
}

void AppendDigits(std::string& Out, const TParamValue& Value)
{
    const int32_t OddBit = Value.OddBit;
    const bool Odd = OddBit >= 0 && GetBits(Value.Octet(OddBit / 8), static_cast<uint32_t>(OddBit % 8), 1) != 0;
    const size_t Start = TailStart(Value);
    const size_t End = Value.Octets.size();
    if (Start >= End)
        return;
    // BCD, the first digit in the low half of each octet (ITU-T Q.763).
    Out.reserve(Out.size() + 2 * (End - Start));
    for (size_t I = Start; I < End; ++I) {
        const auto Octet = static_cast<uint8_t>(Value.Octets[I]);
        Out.push_back(HexDigits[Octet & 0x0F]);
        Out.push_back(HexDigits[Octet >> 4]);
    }
    // With the odd indicator set the last half-octet is filler.
    if (Odd)
        Out.pop_back();
}

std::string GetDigits(const TParamValue& Value)
{
    std::string Digits;
    AppendDigits(Digits, Value);
    return Digits;
}

void SetValue(const TFieldDef& Def, TCustomParameter* Parameter, uint32_t Value)
{
    if (Def.Kind == fkAppendix || !Parameter)
        return;
    const int Octet = Def.Bit < 0 ? -1 : Def.Bit / 8;
    if (Octet < 0 || Octet >= Parameter->GetValueLength())
        return;
    if (Def.Span > 1) {
        // The whole number is put together, changed and taken apart again;
        // its octets beyond the end of the value are not written.
        uint32_t Word = WholeNumber(Def, Parameter->ValueView());
        Word = (Word & ~(Def.Mask << Def.Shift)) | ((Value & Def.Mask) << Def.Shift);
        for (int I = 0; I < Def.Span && Octet + I < Parameter->GetValueLength(); ++I) {
            const int Down = Def.MsbFirst ? 8 * (Def.Span - 1 - I) : 8 * I;
            Parameter->SetValueOctet(Octet + I, static_cast<uint8_t>(Word >> Down));
        }
        return;
    }
    uint32_t Word = Parameter->ValueOctet(Octet);
    SetBits(Word, static_cast<uint32_t>(Def.Bit % 8), Width(Def.Length), Value);
    Parameter->SetValueOctet(Octet, static_cast<uint8_t>(Word));
}

void SetValueText(const TFieldDef& Def, TCustomParameter* Parameter, std::string_view Text)
{
    switch (Def.Kind) {
    case fkInteger:
        SetValue(Def, Parameter, static_cast<uint32_t>(StrToInt(Text)));
        break;
    case fkEnum:
        SetValue(Def, Parameter, static_cast<uint32_t>(Def.Literals.ValueOf(Text)));
        break;
    case fkBit: {
        std::string Upper(Text);
        for (char& C : Upper)
            C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
        SetValue(Def, Parameter, Upper == "TRUE" || Upper == "1" ? 1 : 0);
        break;
    }
    case fkDigits:
        SetDigits(Parameter, Text);
        break;
    default:
        break;
    }
}

void SetDigits(TCustomParameter* Parameter, std::string_view Text)
{
    if (!Parameter)
        return;
    const size_t N = Text.size();
    const int32_t OddBit = Parameter->OddBit();
    if (OddBit >= 0 && OddBit / 8 < Parameter->GetValueLength()) {
        uint32_t Word = Parameter->ValueOctet(OddBit / 8);
        SetBits(Word, static_cast<uint32_t>(OddBit % 8), 1, N % 2);
        Parameter->SetValueOctet(OddBit / 8, static_cast<uint8_t>(Word));
    }
    // Octet positions in 64 bits: Size may be as large as an int holds, and
    // the digits behind it must not wrap to a negative length. Digits that
    // would end beyond the longest value an int can measure leave the
    // length alone and are dropped like any store beyond the value.
    const int64_t Start = Parameter->Size() > 0 ? Parameter->Size() : 0;
    const size_t Pairs = (N + 1) / 2;
    const int64_t End = Start + static_cast<int64_t>(Pairs);
    if (End <= std::numeric_limits<int>::max())
        Parameter->SetValueLength(static_cast<int>(End));
    for (size_t J = 0; J < Pairs; ++J) {
        const char Low = Text[2 * J];
        const char High = 2 * J + 1 < N ? Text[2 * J + 1] : '0';
        const int LowValue = HexDigitValue(Low);
        const int HighValue = HexDigitValue(High);
        if (LowValue < 0 || HighValue < 0)
            throw EConvertError(Format("'%s' is not a valid integer value", (std::string("$") + High + Low).c_str()));
        const int64_t Octet = Start + static_cast<int64_t>(J);
        if (Octet <= std::numeric_limits<int>::max())
            Parameter->SetValueOctet(static_cast<int>(Octet), static_cast<uint8_t>(LowValue + 16 * HighValue));
    }
}

} // namespace FieldOps

TParamField::TParamField(TCollection* Collection)
    : TCkCollectionItem(Collection)
{
    if (auto* Fields = dynamic_cast<TParamFieldCollection*>(Collection))
        FParameter = Fields->Parameter();
    if (!FParameter) {
        FOwnDef = std::make_unique<TFieldDef>();
        FOwnDef->Compile();
    }
}

TParamValue TParamField::Value() const
{
    return FParameter ? FParameter->ValueView() : TParamValue{};
}

TParamField::~TParamField() = default;

const TFieldDef& TParamField::Def() const
{
    if (FOwnDef)
        return *FOwnDef;
    return FParameter->Layout().Fields[static_cast<size_t>(Index())];
}

TFieldDef& TParamField::MutableDef()
{
    if (FOwnDef)
        return *FOwnDef;
    return FParameter->MutableLayout().Fields[static_cast<size_t>(Index())];
}

void TParamField::SetName(std::string Name)
{
    MutableDef().Name = std::move(Name);
}

void TParamField::SetKind(uint8_t Kind)
{
    TFieldDef& Def = MutableDef();
    Def.Kind = Kind;
    Def.Compile();
}

void TParamField::SetBit(int32_t Bit)
{
    TFieldDef& Def = MutableDef();
    Def.Bit = Bit;
    Def.Compile();
}

void TParamField::SetLength(int32_t Length)
{
    TFieldDef& Def = MutableDef();
    Def.Length = Length;
    Def.Compile();
}

void TParamField::SetOctets(int32_t Octets, bool MsbFirst)
{
    TFieldDef& Def = MutableDef();
    Def.Octets = Octets;
    Def.MsbFirst = MsbFirst;
    Def.Compile();
}

void TParamField::SetShowValue(bool ShowValue)
{
    MutableDef().ShowValue = ShowValue;
}

void TParamField::SetDefaultText(std::string Text)
{
    MutableDef().DefaultText = std::move(Text);
}

TEnumLiterals& TParamField::MutableLiterals()
{
    return MutableDef().Literals;
}

int TParamField::GetOctetIndex() const
{
    return Bit() / 8;
}

int TParamField::GetBitShift() const
{
    return Bit() % 8;
}

uint32_t TParamField::GetValue() const
{
    return FieldOps::GetValue(Def(), Value());
}

void TParamField::SetValue(uint32_t Value)
{
    FieldOps::SetValue(Def(), FParameter, Value);
}

std::string TParamField::GetValueText() const
{
    return FieldOps::GetValueText(Def(), Value());
}

void TParamField::SetValueText(std::string_view Text)
{
    FieldOps::SetValueText(Def(), FParameter, Text);
}

std::string TParamField::GetHexText() const
{
    return FieldOps::GetHexText(Def(), Value());
}

std::string TParamField::GetDigits() const
{
    return FieldOps::GetDigits(Value());
}

void TParamField::SetDigits(std::string_view Text)
{
    FieldOps::SetDigits(FParameter, Text);
}

std::string TParamField::GetDescription() const
{
    std::string Text = Name();
    Text += " = ";
    FieldOps::AppendValueText(Text, Def(), Value());
    return Text;
}

void TParamField::Assign(const TPersistent& Source)
{
    if (const auto* Field = dynamic_cast<const TParamField*>(&Source)) {
        if (Field == this)
            return;
        // A copy first: the source may live in the very layout that
        // MutableDef is about to copy or change.
        TFieldDef From = Field->Def();
        MutableDef() = std::move(From);
        Checked = Field->Checked;
        return;
    }
    TCkCollectionItem::Assign(Source);
}
