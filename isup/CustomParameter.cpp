#include "isup/CustomParameter.h"

#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/ParameterCollection.h"

#include <new>
#include <ostream>

namespace {

const TParamLayout& EmptyLayout()
{
    static const TParamLayout Layout;
    return Layout;
}

// Free blocks of sizeof(TCustomParameter) octets, linked through their
// first word. Off under AddressSanitizer, which must see every free: GCC
// says so with __SANITIZE_ADDRESS__, clang only through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(VELMORA_ADDRESS_SANITIZER)
constexpr size_t MaxFreeBlocks = 0;
#else
constexpr size_t MaxFreeBlocks = 4096;
#endif

struct TFreeBlock {
    TFreeBlock* Next;
};

thread_local TFreeBlock* FreeBlocks = nullptr;
thread_local size_t FreeBlockCount = 0;

} // namespace

void* TCustomParameter::operator new(size_t Size)
{
    if (Size == sizeof(TCustomParameter) && FreeBlocks) {
        TFreeBlock* Block = FreeBlocks;
        FreeBlocks = Block->Next;
        --FreeBlockCount;
        return Block;
    }
    return ::operator new(Size);
}

void TCustomParameter::operator delete(void* Block, size_t Size)
{
    if (Size == sizeof(TCustomParameter) && FreeBlockCount < MaxFreeBlocks) {
        FreeBlocks = new (Block) TFreeBlock{FreeBlocks};
        ++FreeBlockCount;
        return;
    }
    ::operator delete(Block, Size);
}

void PrintTo(const TSelectionMark& Mark, std::ostream* Out)
{
    *Out << static_cast<int>(static_cast<uint8_t>(Mark));
}

TCustomParameter::TCustomParameter(TCollection* Collection, bool Mandatory, uint8_t Code)
    : TCkCollectionItem(Collection)
    , FCode(Code)
    , FMandatory(Mandatory)
    , FPresent(Mandatory)
    , FFields(this)
{
    if (auto* Parameters = dynamic_cast<TParameterCollection*>(Collection))
        FOwnerVersion = &Parameters->FVersion;
}

TCustomParameter::~TCustomParameter() = default;

const TParamLayout& TCustomParameter::Layout() const
{
    return FLayout ? *FLayout : EmptyLayout();
}

TParamLayout& TCustomParameter::MutableLayout()
{
    // Layouts change only while the definitions load; a layout that another
    // parameter still shares is copied before the change.
    if (!FLayout || FLayout.use_count() != 1)
        FLayout = std::make_shared<TParamLayout>(Layout());
    Changed();
    return const_cast<TParamLayout&>(*FLayout);
}

bool TCustomParameter::FieldChecked(int I) const
{
    if (I < FFields.ObjectCount())
        return static_cast<const TParamField&>(*FFields.GetItem(I)).Checked != 0;
    if (I < 64)
        return ((FFieldUnchecked >> I) & 1u) == 0;
    const size_t High = static_cast<size_t>(I - 64);
    return High >= FFieldCheckedHigh.size() || FFieldCheckedHigh[High] != 0;
}

void TCustomParameter::SetFieldChecked(int I, bool Checked)
{
    Changed();
    if (I < 64) {
        const uint64_t Bit = uint64_t{1} << I;
        FFieldUnchecked = Checked ? FFieldUnchecked & ~Bit : FFieldUnchecked | Bit;
        return;
    }
    const size_t High = static_cast<size_t>(I - 64);
    if (High >= FFieldCheckedHigh.size())
        FFieldCheckedHigh.resize(High + 1, 1);
    FFieldCheckedHigh[High] = Checked ? 1 : 0;
}

void TCustomParameter::SetParamType(uint8_t ParamType)
{
    FParamType = ParamType;
    Changed();
    if (!FMandatory)
        FPart = ipOptional;
    else if (ParamType == ptFixed)
        FPart = ipFixed;
    else
        FPart = ipVariable;
}

void TCustomParameter::SetName(std::string Name)
{
    MutableLayout().Name = std::move(Name);
}

void TCustomParameter::SetCaption(std::string Caption)
{
    MutableLayout().Caption = std::move(Caption);
}

bool TCustomParameter::GetPresent() const
{
    return FMandatory || FPresent;
}

void TCustomParameter::SetPresent(bool Flag)
{
    FPresent = FMandatory || Flag;
    Changed();
}

std::string TCustomParameter::GetTypeText() const
{
    switch (FParamType) {
    case ptFixed:
        return "Fixed";
    case ptVariable:
        return "Variable";
    case ptNumber:
        return "Number";
    default:
        return {};
    }
}

void TCustomParameter::LoadFromStream(TMemoryStream& Stream)
{
    size_t Length = 0;
    if (FPart == ipFixed) {
        Length = static_cast<uint8_t>(FSize);
    } else {
        uint8_t LengthOctet = 0;
        if (Stream.ReadByte(LengthOctet))
            Length = LengthOctet;
    }
    // Octets the input lacks stay zero.
    FValue.assign(Length, '\0');
    Stream.Read(FValue.data(), Length);
    FPresent = true;
    Changed();
}

void TCustomParameter::SaveToStream(TMemoryStream& Stream) const
{
    // One length octet: longer values go out cut to their length modulo 256.
    const uint8_t Length = static_cast<uint8_t>(FValue.size());
    if (FPart != ipFixed)
        Stream.WriteByte(Length);
    Stream.Write(FValue.data(), Length);
}

void TCustomParameter::SetHexValue(std::string_view Text)
{
    THexString Parsed(true);
    Parsed.FromText(Text);
    if (Parsed.Count() < FSize)
        ApplyDefaults();
    else
        FValue.assign(Parsed.Data());
    Changed();
}

std::string TCustomParameter::GetHexValue() const
{
    return BytesToSpacedHex(reinterpret_cast<const uint8_t*>(FValue.data()), FValue.size());
}

void TCustomParameter::SetText(std::string_view Text)
{
    SetHexValue(Text);
}

std::string TCustomParameter::GetText() const
{
    return GetHexValue();
}

std::string TCustomParameter::GetDescription() const
{
    return Name() + " = " + FFields.GetDescription();
}

void TCustomParameter::ClearPresent()
{
    SetPresent(false);
}

void TCustomParameter::ApplyDefaults()
{
    SetValueLength(FSize);
    for (const TFieldDef& Def : Layout().Fields)
        FieldOps::SetValueText(Def, this, Def.DefaultText);
}

void TCustomParameter::SetValueLength(int Length)
{
    FValue.resize(Length > 0 ? static_cast<size_t>(Length) : 0, '\0');
    Changed();
}

std::string TCustomParameter::GetTitle() const
{
    if (Name() == Caption())
        return Name();
    return Name() + ", " + Caption();
}

void TCustomParameter::Assign(const TPersistent& Source)
{
    if (const auto* Parameter = dynamic_cast<const TCustomParameter*>(&Source)) {
        CopyFrom(*Parameter);
        return;
    }
    TCkCollectionItem::Assign(Source);
}

void TCustomParameter::CopyFrom(const TCustomParameter& Source)
{
    if (&Source == this)
        return;
    FCode = Source.FCode;
    SetParamType(Source.FParamType);
    FPresent = Source.FPresent;
    FOddBit = Source.FOddBit;
    FSize = Source.FSize;
    FValue = Source.FValue;
    // A copy takes the mark as it stands; no mark has changed for that.
    Checked.Load(Source.Checked);
    Changed();
    // Fields: the layout is shared, the marks are copied.
    if (FFields.ObjectCount() > 0)
        FFields.Release();
    FLayout = Source.FLayout;
    if (Source.FFields.ObjectCount() == 0) {
        FFieldUnchecked = Source.FFieldUnchecked;
        FFieldCheckedHigh = Source.FFieldCheckedHigh;
    } else {
        // The source's field objects hold the marks (the selection window
        // made them): gather them into the mask word.
        const int Count = Source.FFields.ObjectCount();
        const int Low = Count < 64 ? Count : 64;
        uint64_t Unchecked = 0;
        for (int I = 0; I < Low; ++I)
            Unchecked |= uint64_t{static_cast<const TParamField&>(*Source.FFields.GetItem(I)).Checked == 0} << I;
        FFieldUnchecked = Unchecked;
        FFieldCheckedHigh.clear();
        for (int I = 64; I < Count; ++I)
            SetFieldChecked(I, Source.FieldChecked(I));
    }
}
