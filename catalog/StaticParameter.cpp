#include "catalog/StaticParameter.h"

#include "core/Convert.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/StringList.h"
#include "isup/ParameterCollection.h"

#include <cctype>
#include <optional>

namespace {

std::string Upper(std::string Text)
{
    for (char& C : Text)
        C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    return Text;
}

// An ISUP parameter's length octet counts its value octets (ITU-T Q.763),
// so no value has more than 255 octets, and a fixed-part value is read as
// Size modulo 256 octets. A larger Size describes nothing that can occur
// and would only make every instance allocate it.
constexpr int32_t MaxSize = 255;
// A field inside one octet is cut with a width taken modulo 32, so a Length
// above 31 wraps around to a narrower field than the one written. (A whole
// value's Length is checked against its octets instead.)
constexpr int32_t MaxLength = 31;

std::optional<uint8_t> FieldKindOf(const std::string& TypeText)
{
    const std::string Type = Upper(TypeText);
    if (Type == "BIT")
        return fkBit;
    if (Type == "INTEGER")
        return fkInteger;
    if (Type == "ENUM")
        return fkEnum;
    if (Type == "DIGITS")
        return fkDigits;
    if (Type == "APPENDIX")
        return fkAppendix;
    return std::nullopt;
}

// "Invalid <Key> value '<text>', <what is expected> ("<file>": <field>)":
// a key of a field section that the loader cannot use.
[[noreturn]] void InvalidValue(const TIniFile& Ini, const std::string& Section, const char* Key,
                               const std::string& Expected)
{
    throw Exception(Format("Invalid %s value '%s', %s (\"%s\": %s)", Key, Ini.ReadString(Section, Key, "").c_str(),
                           Expected.c_str(), Ini.FileName().c_str(), Section.substr(1).c_str()));
}

// The keys of a whole value (Octets, Order) and Length, read into the field
// whose Bit is set: a field without Octets keeps the one-octet rule and the
// tolerant Length (1 when it is not an integer, at most MaxLength). With
// Octets, every key must
// make sense: Length defaults to the bits from Bit to the end of the octets
// and must lie inside them.
void ReadWidth(const TIniFile& Ini, const std::string& Section, TParamField& Field)
{
    if (!Ini.ValueExists(Section, "Octets")) {
        const int32_t Length = Ini.ReadInteger(Section, "Length", 1);
        if (Length > MaxLength)
            throw Exception(Format("Length too large (\"%s\": %s Length=%d, at most %d)", Ini.FileName().c_str(),
                                   Section.substr(1).c_str(), Length, MaxLength));
        Field.SetLength(Length);
        if (Ini.ValueExists(Section, "Order"))
            InvalidValue(Ini, Section, "Order", "allowed only with Octets");
        return;
    }
    const int32_t Octets = Ini.ReadInteger(Section, "Octets", 0);
    if (Octets < 1 || Octets > 4)
        InvalidValue(Ini, Section, "Octets", "1 to 4 expected");
    bool MsbFirst = false;
    if (Ini.ValueExists(Section, "Order")) {
        const std::string Order = Upper(Ini.ReadString(Section, "Order", ""));
        if (Order == "MSBFIRST")
            MsbFirst = true;
        else if (Order != "LSBFIRST")
            InvalidValue(Ini, Section, "Order", "LsbFirst or MsbFirst expected");
    }
    const int32_t Room = 8 * Octets - Field.Bit() % 8;
    const int32_t Length = Ini.ReadInteger(Section, "Length", Ini.ValueExists(Section, "Length") ? 0 : Room);
    if (Length < 1 || Length > Room)
        InvalidValue(Ini, Section, "Length", Format("1 to %d expected", Room));
    Field.SetLength(Length);
    Field.SetOctets(Octets, MsbFirst);
}

// ShowValue: True or False (1 or 0), any letter case; default False.
bool ReadShowValue(const TIniFile& Ini, const std::string& Section)
{
    if (!Ini.ValueExists(Section, "ShowValue"))
        return false;
    const std::string Text = Upper(Ini.ReadString(Section, "ShowValue", ""));
    if (Text == "TRUE" || Text == "1")
        return true;
    if (Text != "FALSE" && Text != "0")
        InvalidValue(Ini, Section, "ShowValue", "True or False expected");
    return false;
}

} // namespace

TCustomParameter& TStaticParameter::Instantiate(TParameterCollection& Parameters, bool Mandatory) const
{
    TCustomParameter& Parameter = Parameters.AddParameter(Mandatory, Code());
    Parameter.Assign(*this);
    Parameter.ApplyDefaults();
    return Parameter;
}

void TStaticParameter::LoadLayout(const std::string& FileName)
{
    const TIniFile Ini(FileName);
    Checked = Ini.Exists() ? 1 : 0;
    SetCaption(Ini.ReadString("General", "Caption", Name()));

    const std::string Type = Upper(Ini.ReadString("General", "Type", "Variable"));
    if (Type == "FIXED")
        SetParamType(ptFixed);
    else if (Type == "NUMBER")
        SetParamType(ptNumber);
    else if (Type == "VARIABLE")
        SetParamType(ptVariable);
    const int32_t Size = Ini.ReadInteger("General", "Size", 1);
    if (Size > MaxSize)
        throw Exception(Format("Size too large (\"%s\": Size=%d, at most %d)", FileName.c_str(), Size, MaxSize));
    SetSize(Size);

    for (const std::string& Section : Ini.ReadSections()) {
        if (Section.empty() || Section.front() != '.')
            continue;
        // In a Number parameter [.ODD] places the odd/even indicator of the
        // digits (ITU-T Q.763 address signals) instead of making a field.
        if (ParamType() == ptNumber && Upper(Section) == ".ODD") {
            SetOddBit(Ini.ReadInteger(Section, "Bit", 7));
            continue;
        }
        const std::string FieldName = Section.substr(1);
        const std::optional<uint8_t> Kind = FieldKindOf(Ini.ReadString(Section, "Type", "Bit"));
        if (!Kind)
            continue;

        TParamField& Field = Fields().Add();
        Field.SetName(FieldName);
        Field.SetKind(*Kind);
        if (*Kind == fkDigits || *Kind == fkAppendix) {
            Field.SetDefaultText(Ini.ReadString(Section, "Default", ""));
            continue;
        }
        const int32_t Bit = Ini.ReadInteger(Section, "Bit", -1);
        if (Bit < 0)
            throw Exception(Format("Bit number missing (\"%s\": %s)", FileName.c_str(), FieldName.c_str()));
        Field.SetBit(Bit);
        ReadWidth(Ini, Section, Field);
        Field.SetShowValue(ReadShowValue(Ini, Section));
        Field.SetDefaultText(Ini.ReadString(Section, "Default", *Kind == fkEnum ? "Other" : "0"));
        if (*Kind != fkEnum)
            continue;
        TNewStringList Lines;
        Ini.ReadSectionValues(Section, Lines);
        TEnumLiterals& Literals = Field.MutableLiterals();
        for (int I = 0; I < Lines.Count(); ++I) {
            const std::string& Line = Lines.Strings(I);
            const size_t Eq = Line.find('=');
            if (const auto Value = TryStrToInt(std::string_view(Line).substr(0, Eq)))
                Literals.Add(Line.substr(Eq + 1), *Value);
        }
    }
}
