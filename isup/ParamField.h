// A named field inside the value of an ISUP parameter: a bit field read as
// an integer, an enumeration or a flag, a BCD digit string, or a trailing
// run of octets.
#pragma once

#include "isup/CkCollectionItem.h"
#include "isup/EnumLiterals.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TCustomParameter;

// Field kinds, as the keywords of the description files name them.
enum : uint8_t {
    fkInteger = 0,
    fkEnum = 1,
    fkBit = 2,
    fkAppendix = 3,
    fkDigits = 4,
};

// The layout of one field: everything about it except its selection mark.
// Layouts are fixed once the definitions are loaded, so every copy of a
// parameter shares them (see TParamLayout).
struct TFieldDef {
    std::string Name;
    uint8_t Kind = fkInteger;
    // Position of the field's lowest bit in the value: octet Bit / 8, bit
    // Bit % 8 inside it, bit 0 being the least significant.
    int32_t Bit = 0;
    // Width in bits; only the bits inside the field's octets are used.
    int32_t Length = 0;
    // A whole value: the field reads its Octets octets, from octet Bit / 8
    // on, as one number (least significant octet first unless MsbFirst),
    // and its bits are counted in that number. 1, the usual case, keeps the
    // field inside its one octet. At most 4.
    int32_t Octets = 1;
    bool MsbFirst = false;
    // An ENUM field shows its number after the literal's text: "Text (N)".
    bool ShowValue = false;
    std::string DefaultText;
    TEnumLiterals Literals;

    // Where the field's value lies, worked out from Kind, Bit, Length and
    // Octets by Compile as the layout loads (every setter of TParamField
    // calls it), so that reading a one-octet value is one octet, one shift
    // and one mask: the octet (-1 when the field always reads 0: APPENDIX,
    // or a negative Bit), the shift inside it (inside the whole number for
    // a whole value) and the mask of the field's bits after the shift.
    int32_t Octet = 0;
    uint8_t Shift = 0;
    uint8_t Span = 1;
    uint32_t Mask = 0;
    void Compile();
};

// What the fields of a parameter read: its value octets, and the Size and
// OddBit that place its digits and odd indicator. Made by a parameter, or by
// a decoded message for a parameter it holds no object for.
struct TParamValue {
    std::string_view Octets;
    int32_t Size = 0;
    int32_t OddBit = 0;

    uint8_t Octet(int I) const
    {
        return I >= 0 && static_cast<size_t>(I) < Octets.size() ? static_cast<uint8_t>(Octets[static_cast<size_t>(I)])
                                                                : 0;
    }
};

// One field of a parameter. It holds no value: everything it shows is read
// from its parameter's Value when asked, and every store goes there.
//
// The layout attributes (Name, Kind, Bit, Length, DefaultText, Literals) live
// in the parameter's shared layout; a setter gives the parameter a private
// copy of its layout first when another parameter still shares it. The
// selection mark Checked (inherited, a plain member) belongs to this field
// alone.
//
// Fields of a parameter are created by TParamFieldCollection::Add and
// addressed by their index; a field made with a null collection stands alone
// with a layout of its own and no parameter (its value reads as empty).
class TParamField : public TCkCollectionItem {
public:
    explicit TParamField(TCollection* Collection);
    ~TParamField() override;
    const char* ClassName() const override { return "TParamField"; }

    TCustomParameter* Parameter() const { return FParameter; }

    const std::string& Name() const { return Def().Name; }
    void SetName(std::string Name);
    uint8_t Kind() const { return Def().Kind; }
    void SetKind(uint8_t Kind);
    int32_t Bit() const { return Def().Bit; }
    void SetBit(int32_t Bit);
    int32_t Length() const { return Def().Length; }
    void SetLength(int32_t Length);
    // The octets of a whole value (1 for a field inside one octet), and
    // their order.
    int32_t Octets() const { return Def().Octets; }
    bool MsbFirst() const { return Def().MsbFirst; }
    void SetOctets(int32_t Octets, bool MsbFirst);
    bool ShowValue() const { return Def().ShowValue; }
    void SetShowValue(bool ShowValue);
    const std::string& DefaultText() const { return Def().DefaultText; }
    void SetDefaultText(std::string Text);
    const TEnumLiterals& Literals() const { return Def().Literals; }
    // For the layout loader: the literal table to Add to.
    TEnumLiterals& MutableLiterals();

    int GetOctetIndex() const;
    int GetBitShift() const;

    // The field's bits, cut from its octet or its whole value (octets beyond
    // the value's end read as 0; APPENDIX fields read 0).
    uint32_t GetValue() const;
    // Replaces the field's bits inside its octets; nothing beyond the value.
    void SetValue(uint32_t Value);
    std::string GetValueText() const;
    // Raises EConvertError for an INTEGER text that does not convert and
    // for a DIGITS text with a character that is not a hex digit.
    void SetValueText(std::string_view Text);
    std::string GetHexText() const;
    std::string GetDigits() const;
    void SetDigits(std::string_view Text);
    // "Name = value text".
    std::string GetDescription() const;

    // Copies the layout attributes and Checked; Parameter stays.
    void Assign(const TPersistent& Source) override;

    const TFieldDef& Def() const;

private:
    // The value the field reads: its parameter's, or none.
    TParamValue Value() const;

    TFieldDef& MutableDef();

    TCustomParameter* FParameter = nullptr;
    std::unique_ptr<TFieldDef> FOwnDef;
};

// The operations of a field on a layout and a value, shared by the field
// objects, by the parameter's own texts and by whatever shows a decoded
// message without making field objects. The readers take the value as a
// TParamValue; the writers take the parameter whose value they change.
namespace FieldOps {
// A whole value's number: its octets put together, those beyond the end of
// the value reading as 0.
uint32_t GetWholeValue(const TFieldDef& Def, const TParamValue& Value);

inline uint32_t GetValue(const TFieldDef& Def, const TParamValue& Value)
{
    if (Def.Octet < 0 || static_cast<size_t>(Def.Octet) >= Value.Octets.size())
        return 0;
    if (Def.Span > 1)
        return GetWholeValue(Def, Value);
    // A one-octet field: bits above bit 7 of its octet read as 0.
    return static_cast<uint32_t>(static_cast<uint8_t>(Value.Octets[static_cast<size_t>(Def.Octet)]) >> Def.Shift) &
        Def.Mask;
}
std::string GetValueText(const TFieldDef& Def, const TParamValue& Value);
// Appends what GetValueText gives.
void AppendValueText(std::string& Out, const TFieldDef& Def, const TParamValue& Value);
std::string GetHexText(const TFieldDef& Def, const TParamValue& Value);
std::string GetDigits(const TParamValue& Value);
void AppendDigits(std::string& Out, const TParamValue& Value);
// Appends the octets from Size to the end as hex pairs separated by blanks.
void AppendTailHex(std::string& Out, const TParamValue& Value);

void SetValue(const TFieldDef& Def, TCustomParameter* Parameter, uint32_t Value);
void SetValueText(const TFieldDef& Def, TCustomParameter* Parameter, std::string_view Text);
void SetDigits(TCustomParameter* Parameter, std::string_view Text);
} // namespace FieldOps
