#include "isup/ParamField.h"

#include "core/Bits.h"
#include "core/Convert.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "isup/CustomParameter.h"
#include "isup/ParamFieldCollection.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// The octet of a bit number, or -1 for a negative one.
int OctetOf(int32_t Bit)
{
    return Bit < 0 ? -1 : Bit / 8;
}

uint32_t Width(int32_t Length)
{
    return static_cast<uint32_t>(Length) & 31u;
}

int ValueLength(const TCustomParameter* Parameter)
{
    return Parameter ? Parameter->GetValueLength() : 0;
}

// The first octet of the digits or the appendix.
int TailStart(const TCustomParameter* Parameter)
{
    const int32_t Size = Parameter ? Parameter->Size() : 0;
    return Size > 0 ? Size : 0;
}

} // namespace

namespace FieldOps {

uint32_t GetValue(const TFieldDef& Def, const TCustomParameter* Parameter)
{
    if (Def.Kind == fkAppendix)
        return 0;
    const int Octet = OctetOf(Def.Bit);
    if (Octet < 0 || Octet >= ValueLength(Parameter))
        return 0;
    // A field never spans two octets: bits above bit 7 of its octet read as 0.
    return GetBits(Parameter->ValueOctet(Octet), static_cast<uint32_t>(Def.Bit % 8), Width(Def.Length));
}

void SetValue(const TFieldDef& Def, TCustomParameter* Parameter, uint32_t Value)
{
    if (Def.Kind == fkAppendix)
        return;
    const int Octet = OctetOf(Def.Bit);
    if (Octet < 0 || Octet >= ValueLength(Parameter))
        return;
    uint32_t Word = Parameter->ValueOctet(Octet);
    SetBits(Word, static_cast<uint32_t>(Def.Bit % 8), Width(Def.Length), Value);
    Parameter->SetValueOctet(Octet, static_cast<uint8_t>(Word));
}

std::string GetValueText(const TFieldDef& Def, const TCustomParameter* Parameter)
{
    switch (Def.Kind) {
    case fkInteger:
        return std::to_string(GetValue(Def, Parameter));
    case fkEnum:
        return Def.Literals.TextOf(static_cast<int32_t>(GetValue(Def, Parameter)));
    case fkBit:
        return GetValue(Def, Parameter) != 0 ? "True" : "False";
    case fkAppendix:
        return GetHexText(Def, Parameter);
    case fkDigits:
        return GetDigits(Parameter);
    default:
        return {};
    }
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

std::string GetHexText(const TFieldDef& Def, const TCustomParameter* Parameter)
{
    switch (Def.Kind) {
    case fkInteger:
    case fkEnum:
        return Format("%.2X", GetValue(Def, Parameter));
    case fkAppendix:
    case fkDigits: {
        std::string Text;
        for (int I = TailStart(Parameter); I < ValueLength(Parameter); ++I) {
            if (!Text.empty())
                Text.push_back(' ');
            const uint8_t Octet = Parameter->ValueOctet(I);
            Text.push_back(HexDigits[Octet >> 4]);
            Text.push_back(HexDigits[Octet & 0x0F]);
        }
        return Text;
    }
    default:
        return {};
    }
}

std::string GetDigits(const TCustomParameter* Parameter)
{
    if (!Parameter)
        return {};
    const int32_t OddBit = Parameter->OddBit();
    const bool Odd =
        OddBit >= 0 && GetBits(Parameter->ValueOctet(OddBit / 8), static_cast<uint32_t>(OddBit % 8), 1) != 0;
    std::string Digits;
    // BCD, the first digit in the low half of each octet (ITU-T Q.763).
    for (int I = TailStart(Parameter); I < Parameter->GetValueLength(); ++I) {
        const uint8_t Octet = Parameter->ValueOctet(I);
        Digits.push_back(HexDigits[Octet & 0x0F]);
        Digits.push_back(HexDigits[Octet >> 4]);
    }
    // With the odd indicator set the last half-octet is filler.
    if (Odd && !Digits.empty())
        Digits.pop_back();
    return Digits;
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
    const int64_t Start = TailStart(Parameter);
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
    if (!FParameter)
        FOwnDef = std::make_unique<TFieldDef>();
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
    MutableDef().Kind = Kind;
}

void TParamField::SetBit(int32_t Bit)
{
    MutableDef().Bit = Bit;
}

void TParamField::SetLength(int32_t Length)
{
    MutableDef().Length = Length;
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
    return FieldOps::GetValue(Def(), FParameter);
}

void TParamField::SetValue(uint32_t Value)
{
    FieldOps::SetValue(Def(), FParameter, Value);
}

std::string TParamField::GetValueText() const
{
    return FieldOps::GetValueText(Def(), FParameter);
}

void TParamField::SetValueText(std::string_view Text)
{
    FieldOps::SetValueText(Def(), FParameter, Text);
}

std::string TParamField::GetHexText() const
{
    return FieldOps::GetHexText(Def(), FParameter);
}

std::string TParamField::GetDigits() const
{
    return FieldOps::GetDigits(FParameter);
}

void TParamField::SetDigits(std::string_view Text)
{
    FieldOps::SetDigits(FParameter, Text);
}

std::string TParamField::GetDescription() const
{
    return Name() + " = " + GetValueText();
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
