// Decoding speed of ISUP messages as the capture list and the decoded view
// see them: DecodePacketL4 clones the catalog prototype of the message type
// and reads the octets into it; the list row takes the name.
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "decode/PacketDecoder.h"
#include "isup/IsupCatalog.h"
#include "isup/IsupPacket.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A catalog like the one the definition files give: parameter layouts with
// their fields, and message prototypes holding their own instances.
class TBenchCatalog : public TIsupCatalog {
public:
    explicit TBenchCatalog(int IamOptionals)
    {
        // Mandatory layouts of ITU-T Q.763.
        auto& NCI = Layout(0x06, "NCI", ptFixed, 1, 4);
        auto& FCI = Layout(0x07, "FCI", ptFixed, 2, 9);
        auto& CPC = Layout(0x09, "CPC", ptFixed, 1, 1);
        auto& TMR = Layout(0x02, "TMR", ptFixed, 1, 1);
        auto& BCI = Layout(0x11, "BCI", ptFixed, 2, 10);
        auto& CdPN = Layout(0x04, "CdPN", ptNumber, 2, 4);
        auto& Cause = Layout(0x12, "CAU", ptVariable, 2, 4);
        // Optional layouts: real codes first, then more of the same shape.
        const uint8_t Codes[] = {0x0A, 0x08, 0x0B, 0x0D, 0x28, 0x1D, 0x31, 0x39, 0x3A, 0x3B, 0x3D, 0x3F, 0x4E, 0x4F,
                                 0x2B, 0x2D, 0x29, 0x2A, 0x32, 0x34, 0x35, 0x36, 0x37, 0x38, 0x3C, 0x3E, 0x40, 0x41,
                                 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x50, 0x51,
                                 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F};
        std::vector<TCustomParameter*> Optional;
        for (uint8_t Code : Codes) {
            const bool Number = Code == 0x0A || Code == 0x0B || Code == 0x28;
            Optional.push_back(&Layout(Code, "P" + std::to_string(Code), Number ? ptNumber : ptVariable,
                                       Number ? 2 : 1 + Code % 3, 2 + Code % 6));
        }

        auto& IAM = Prototype(0x01, "IAM", "Initial address");
        for (auto* L : {&NCI, &FCI, &CPC, &TMR, &CdPN})
            Instantiate(*L, IAM, true);
        for (int I = 0; I < IamOptionals && I < static_cast<int>(Optional.size()); ++I)
            Instantiate(*Optional[static_cast<size_t>(I)], IAM, false);

        auto& ACM = Prototype(0x06, "ACM", "Address complete");
        Instantiate(BCI, ACM, true);
        for (int I = 4; I < 14; ++I)
            Instantiate(*Optional[static_cast<size_t>(I)], ACM, false);

        auto& ANM = Prototype(0x09, "ANM", "Answer");
        for (int I = 4; I < 14; ++I)
            Instantiate(*Optional[static_cast<size_t>(I)], ANM, false);

        auto& REL = Prototype(0x0C, "REL", "Release");
        Instantiate(Cause, REL, true);
        for (int I = 6; I < 12; ++I)
            Instantiate(*Optional[static_cast<size_t>(I)], REL, false);

        auto& RLC = Prototype(0x10, "RLC", "Release complete");
        Instantiate(Cause, RLC, false);
    }
    std::unique_ptr<TCustomIsupPacket> NewMessage(uint8_t MessageType) const override
    {
        const TCustomIsupPacket* Packet = Prototype(MessageType);
        if (!Packet)
            return nullptr;
        auto Copy = std::make_unique<TCustomIsupPacket>();
        Copy->Assign(*Packet);
        return Copy;
    }
    const TCustomIsupPacket* Prototype(uint8_t MessageType) const override
    {
        for (const auto& Packet : FPrototypes)
            if (Packet->MessageType == MessageType)
                return Packet.get();
        return nullptr;
    }

    // The octets of a message of this type with the given optional
    // parameters present, encoded from a copy of its prototype.
    std::string Octets(uint8_t MessageType, const std::vector<uint8_t>& PresentCodes) const
    {
        auto Packet = NewMessage(MessageType);
        Packet->Sio = 0x85;
        Packet->RoutingLabel = 0x1234ABCD;
        Packet->Cic = 0x0123;
        TParameterCollection& Parameters = Packet->Parameters();
        for (int I = 0; I < Parameters.Count(); ++I) {
            TCustomParameter& Parameter = Parameters.Items(I);
            if (Parameter.Part() == ipOptional) {
                bool Present = false;
                for (uint8_t Code : PresentCodes)
                    Present = Present || Code == Parameter.Code();
                Parameter.SetPresent(Present);
            }
        }
        TMemoryStream Stream;
        Packet->SaveToStream(Stream);
        return Stream.Bytes();
    }

    // What the selection window's tree does: every field of every prototype.
    void TouchFields()
    {
        for (const auto& Packet : FPrototypes)
            for (int I = 0; I < Packet->Parameters().Count(); ++I) {
                const TCustomParameter& Parameter = Packet->Parameters().Items(I);
                for (int F = 0; F < Parameter.Fields().Count(); ++F)
                    benchmark::DoNotOptimize(Parameter.Fields().Items(F).Checked);
            }
    }

private:
    TCustomParameter& Layout(uint8_t Code, std::string Name, uint8_t Type, int32_t Size, int FieldCount)
    {
        TCustomParameter& Layout = FLayouts.AddParameter(false, Code);
        Layout.SetName(Name);
        Layout.SetCaption(Name + " parameter of the bench catalog");
        Layout.SetParamType(Type);
        Layout.SetSize(Size);
        Layout.SetOddBit(7);
        for (int I = 0; I < FieldCount; ++I) {
            TParamField& Field = Layout.Fields().Add();
            Field.SetName("Field" + std::to_string(I));
            Field.SetKind(static_cast<uint8_t>(I % 3));
            Field.SetBit(I * 3 % (8 * Size));
            Field.SetLength(1 + I % 3);
            Field.SetDefaultText(I % 3 == 1 ? "Second" : "1");
            if (I % 3 == 1) {
                Field.MutableLiterals().Add("First", 0);
                Field.MutableLiterals().Add("Second", 1);
                Field.MutableLiterals().Add("Third", 2);
            }
        }
        if (Type == ptNumber) {
            TParamField& Digits = Layout.Fields().Add();
            Digits.SetName("Digits");
            Digits.SetKind(fkDigits);
            Digits.SetDefaultText("0123456789");
        }
        return Layout;
    }

    TCustomIsupPacket& Prototype(uint8_t Type, std::string Name, std::string Caption)
    {
        FPrototypes.push_back(std::make_unique<TCustomIsupPacket>());
        TCustomIsupPacket& Packet = *FPrototypes.back();
        Packet.MessageType = Type;
        Packet.SetName(std::move(Name));
        Packet.SetCaption(std::move(Caption));
        return Packet;
    }

    static void Instantiate(const TCustomParameter& Layout, TCustomIsupPacket& Packet, bool Mandatory)
    {
        TCustomParameter& Parameter = Packet.Parameters().AddParameter(Mandatory, Layout.Code());
        Parameter.Assign(Layout);
        Parameter.ApplyDefaults();
    }

    TParameterCollection FLayouts;
    std::vector<std::unique_ptr<TCustomIsupPacket>> FPrototypes;
};

std::vector<std::unique_ptr<THexString>> IsupMix(const TBenchCatalog& Catalog)
{
    std::vector<std::unique_ptr<THexString>> Messages;
    auto Add = [&](const std::string& Octets) { Messages.push_back(std::make_unique<THexString>(Octets, false)); };
    // IAM with calling party number, OBCI-style and a few more present.
    Add(Catalog.Octets(0x01, {0x0A, 0x08, 0x31, 0x39, 0x3D, 0x1D}));
    Add(Catalog.Octets(0x06, {0x29, 0x2D}));
    Add(Catalog.Octets(0x09, {}));
    Add(Catalog.Octets(0x0C, {0x31}));
    Add(Catalog.Octets(0x10, {0x12}));
    return Messages;
}

void DecodeAll(benchmark::State& State, const TBenchCatalog& Catalog,
               const std::vector<std::unique_ptr<THexString>>& Messages)
{
    for (auto _ : State) {
        for (const auto& Message : Messages) {
            const auto Packet = DecodePacketL4(*Message, Catalog);
            std::string Name = Packet->GetName();
            benchmark::DoNotOptimize(Name);
        }
    }
    State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Messages.size()));
}

// IAM (5 mandatory, 20 optional parameters, 6 present), ACM, ANM, REL, RLC.
void BM_DecodeIsupMix(benchmark::State& State)
{
    TBenchCatalog Catalog(20);
    DecodeAll(State, Catalog, IsupMix(Catalog));
}
BENCHMARK(BM_DecodeIsupMix);

// The same mix through a decoder that reuses its packets, as a capture list
// filling its rows or velmora-dump does.
void BM_DecodeIsupMixReused(benchmark::State& State)
{
    TBenchCatalog Catalog(20);
    const auto Messages = IsupMix(Catalog);
    TPacketDecoder Decoder(Catalog);
    for (auto _ : State) {
        for (const auto& Message : Messages) {
            const TCustomPacketL4& Packet = Decoder.Decode(Message->Data());
            benchmark::DoNotOptimize(&Packet);
        }
    }
    State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Messages.size()));
}
BENCHMARK(BM_DecodeIsupMixReused);

// The IAM alone, with 20 and with 50 optional parameters in its definition.
void BM_DecodeIsupIam(benchmark::State& State)
{
    TBenchCatalog Catalog(static_cast<int>(State.range(0)));
    std::vector<std::unique_ptr<THexString>> Messages;
    Messages.push_back(std::make_unique<THexString>(Catalog.Octets(0x01, {0x0A, 0x08, 0x31, 0x39, 0x3D, 0x1D}), false));
    DecodeAll(State, Catalog, Messages);
}
BENCHMARK(BM_DecodeIsupIam)->Arg(20)->Arg(50);

// The mix after the selection window has shown the catalog: the prototypes'
// field objects exist, and their Checked marks are copied from them.
void BM_DecodeIsupMixAfterSelection(benchmark::State& State)
{
    TBenchCatalog Catalog(20);
    Catalog.TouchFields();
    DecodeAll(State, Catalog, IsupMix(Catalog));
}
BENCHMARK(BM_DecodeIsupMixAfterSelection);

// The decoded view: decode, then walk every present parameter's checked
// fields and take their texts, as the tree does on a selection.
void BM_DecodeIsupIamForView(benchmark::State& State)
{
    TBenchCatalog Catalog(20);
    const THexString Message(Catalog.Octets(0x01, {0x0A, 0x08, 0x31, 0x39, 0x3D, 0x1D}), false);
    for (auto _ : State) {
        const auto Packet = DecodePacketL4(Message, Catalog);
        const auto& Isup = static_cast<const TCustomIsupPacket&>(*Packet);
        size_t Characters = 0;
        for (int I = 0; I < Isup.Parameters().Count(); ++I) {
            const TCustomParameter& Parameter = Isup.Parameters().Items(I);
            if (!Parameter.GetPresent())
                continue;
            for (int F = 0; F < Parameter.Fields().Count(); ++F) {
                const TParamField& Field = Parameter.Fields().Items(F);
                if (Field.Checked)
                    Characters += Field.GetDescription().size();
            }
        }
        benchmark::DoNotOptimize(Characters);
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_DecodeIsupIamForView);

// The same texts read through the parameter views, without parameter or
// field objects, from a reused packet: what velmora-dump -v does.
void BM_DecodeIsupIamForViewReused(benchmark::State& State)
{
    TBenchCatalog Catalog(20);
    const THexString Message(Catalog.Octets(0x01, {0x0A, 0x08, 0x31, 0x39, 0x3D, 0x1D}), false);
    TPacketDecoder Decoder(Catalog);
    std::string Text;
    for (auto _ : State) {
        const auto& Isup = static_cast<const TCustomIsupPacket&>(Decoder.Decode(Message.Data()));
        Text.clear();
        for (int I = 0; I < Isup.Parameters().Count(); ++I) {
            const TParameterView Parameter = Isup.Parameters().View(I);
            if (!Parameter.GetPresent())
                continue;
            const TParamValue Value = Parameter.ValueView();
            for (size_t F = 0; F < Parameter.Fields().size(); ++F) {
                if (!Parameter.FieldChecked(static_cast<int>(F)))
                    continue;
                const TFieldDef& Field = Parameter.Fields()[F];
                Text += Field.Name;
                Text += " = ";
                FieldOps::AppendValueText(Text, Field, Value);
            }
        }
        benchmark::DoNotOptimize(Text.data());
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_DecodeIsupIamForViewReused);

} // namespace
