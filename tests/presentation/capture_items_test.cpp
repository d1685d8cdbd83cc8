// The captures: their octets kept in the collection's arena, the summary
// decoded once when a capture is added, and the row texts made from it.
#include "presentation/CaptureItems.h"

#include "core/HexString.h"
#include "isup/IsupCatalog.h"
#include "presentation/CaptureDecoding.h"
#include "presentation/CaptureRow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const TSystemTime Stamp{2026, 12, 1, 7, 9, 5, 3, 12};

std::string Octets(const char* SpacedHex)
{
    THexString Hex(true);
    Hex.FromText(SpacedHex);
    return std::string(Hex.Data());
}

std::string RecordBytes(uint8_t Direction, uint8_t Link, const std::string& Message)
{
    return CaptureRecordBytes({Stamp, Direction, Link, Message});
}

// All nine cells of a row, the image column's empty text first.
std::vector<std::string> Row(const TCaptureItemsCollection& Captures, int Index)
{
    std::vector<std::string> Cells;
    for (int Column = 0; Column < CaptureColumnCount; ++Column)
        Cells.push_back(CellText(Captures.Items(Index), Column, Captures.Texts()));
    return Cells;
}

// Made when first used: the hex reader's delimiters are themselves a
// global of another unit.
const std::string& Sltm()
{
    static const std::string Message = Octets("81 29 89 34 01 11 60 01 23 45 67 89 AB");
    return Message;
}
// RLC on CIC 0x0105, routing label octets 01 80 00 30.
const std::string& Rlc()
{
    static const std::string Message = Octets("85 01 80 00 30 05 01 10 00");
    return Message;
}

TEST(CaptureItems, KeepEveryCapturesOctetsAndAddress)
{
    // Captures of every size, long ones beyond the arena's block share
    // included, keep their octets and addresses while others are added.
    const TEmptyIsupCatalog Catalog;
    TCaptureItemsCollection Captures;
    std::vector<const TCaptureItem*> Items;
    std::vector<std::string> Records;
    for (int I = 0; I < 3000; ++I) {
        const size_t Length = I % 500 == 0 ? 70000 + I : static_cast<size_t>(I % 300);
        std::string Message;
        for (size_t J = 0; J < Length; ++J)
            Message.push_back(static_cast<char>((I + J) & 0xFF));
        Records.push_back(RecordBytes(1, 2, Message));
        Items.push_back(Captures.Add(Records.back(), Catalog));
    }
    ASSERT_EQ(Captures.Count(), 3000);
    for (int I = 0; I < 3000; ++I) {
        ASSERT_EQ(&Captures.Items(I), Items[static_cast<size_t>(I)]);
        ASSERT_EQ(Items[static_cast<size_t>(I)]->GetRecord(), Records[static_cast<size_t>(I)]) << I;
    }
    Captures.Clear();
    EXPECT_EQ(Captures.Count(), 0);
    EXPECT_EQ(Captures.ArenaBytes(), 0u);
    EXPECT_EQ(Captures.Add(RecordBytes(2, 3, "\x81"), Catalog)->GetRecord(), RecordBytes(2, 3, "\x81"));
    // Shorter than stamp, direction and link: no capture.
    EXPECT_EQ(Captures.Add(RecordBytes(2, 3, "").substr(0, 17), Catalog), nullptr);
    EXPECT_EQ(Captures.Count(), 1);
}

TEST(CaptureItems, DroppingTheOldestKeepsTheRestAndHandsBackTheirMemory)
{
    // Long messages with blocks of their own among short ones that share
    // blocks: after dropping, every remaining capture still reads its own
    // octets, and the memory held falls with the captures.
    const TEmptyIsupCatalog Catalog;
    TCaptureItemsCollection Captures;
    std::vector<std::string> Records;
    auto Add = [&](int I) {
        const size_t Length = I % 97 == 0 ? 40000 : 200 + static_cast<size_t>(I % 50);
        Records.push_back(RecordBytes(1, static_cast<uint8_t>(I), std::string(Length, static_cast<char>(I))));
        Captures.Add(Records.back(), Catalog);
    };
    int Next = 0;
    for (; Next < 20000; ++Next)
        Add(Next);
    const size_t Full = Captures.ArenaBytes();
    Captures.DropOldest(19000);
    EXPECT_EQ(Captures.Count(), 1000);
    EXPECT_EQ(Captures.Dropped(), 19000u);
    EXPECT_LT(Captures.ArenaBytes(), Full / 3);
    // Dropping goes on while captures arrive: the arena stays near what the
    // kept captures need.
    for (int Round = 0; Round < 20; ++Round) {
        for (int I = 0; I < 2000; ++I)
            Add(Next++);
        Captures.DropOldest(2000);
    }
    ASSERT_EQ(Captures.Count(), 1000);
    EXPECT_LT(Captures.ArenaBytes(), Full / 3);
    for (int I = 0; I < Captures.Count(); ++I)
        ASSERT_EQ(Captures.Items(I).GetRecord(), Records[Records.size() - 1000 + static_cast<size_t>(I)]) << I;
    // More than are held drops them all; Clear starts the count again.
    Captures.DropOldest(5000);
    EXPECT_EQ(Captures.Count(), 0);
    EXPECT_EQ(Captures.Dropped(), 60000u);
    EXPECT_EQ(Captures.ArenaBytes(), 0u);
    Add(Next++);
    EXPECT_EQ(Captures.Items(0).GetRecord(), Records.back());
    Captures.Clear();
    EXPECT_EQ(Captures.Dropped(), 0u);
}

TEST(CaptureItems, TextsAreKeptOnce)
{
    TTextPool Texts;
    EXPECT_EQ(Texts.Intern(""), 0u);
    const uint32_t Iam = Texts.Intern("IAM");
    EXPECT_EQ(Texts.Intern(std::string("IA") + "M"), Iam);
    EXPECT_NE(Texts.Intern("ACM"), Iam);
    EXPECT_EQ(Texts.Text(Iam), "IAM");
    EXPECT_EQ(Texts.Text(0), "");
    EXPECT_EQ(Texts.Text(99), "");
    // Many texts later, the first index still names its text.
    for (int I = 0; I < 1000; ++I)
        Texts.Intern("text " + std::to_string(I));
    EXPECT_EQ(Texts.Text(Iam), "IAM");
    EXPECT_EQ(Texts.Intern("text 500"), Texts.Intern("text 500"));
}

TEST(CaptureRows, TheDirectionPlacesTheNameAndChoosesTheImage)
{
    const TEmptyIsupCatalog Catalog;
    TCaptureItemsCollection Captures;
    Captures.Add(RecordBytes(cdIn, 3, Sltm()), Catalog);
    Captures.Add(RecordBytes(cdOut, 7, Sltm()), Catalog);
    Captures.Add(RecordBytes(3, 255, Sltm()), Catalog);
    Captures.Add(RecordBytes(cdNone, 0, Octets("FF 00 00 00 00")), Catalog);
    using TCells = std::vector<std::string>;
    const std::string Label = "1234 => 2345, sls=0";
    EXPECT_EQ(Row(Captures, 0), (TCells{"", "SLTM", "", "3", Label, "", "9:05:03.012", "7.12.2026", ""}));
    EXPECT_EQ(Row(Captures, 1), (TCells{"", "", "SLTM", "7", Label, "", "9:05:03.012", "7.12.2026", ""}));
    EXPECT_EQ(Row(Captures, 2), (TCells{"", "SLTM", "SLTM", "255", Label, "", "9:05:03.012", "7.12.2026", ""}));
    // A stop entry: STOP under IN, no link, whatever its direction.
    EXPECT_EQ(Row(Captures, 3), (TCells{"", "STOP", "", "", "", "", "9:05:03.012", "7.12.2026", ""}));
    EXPECT_EQ(Captures.Items(0).Summary.StateImage, ciIn);
    EXPECT_EQ(Captures.Items(1).Summary.StateImage, ciOut);
    EXPECT_EQ(Captures.Items(2).Summary.StateImage, ciNone);
    EXPECT_EQ(Captures.Items(3).Summary.StateImage, ciStop);
}

TEST(CaptureRows, AFailedDecodeShowsTheErrorWhateverTheDirection)
{
    const TEmptyIsupCatalog Catalog;
    TCaptureItemsCollection Captures;
    Captures.Add(RecordBytes(cdIn, 0, Octets("83 01 80 00 30 00 01")), Catalog);
    Captures.Add(RecordBytes(cdOut, 1, ""), Catalog);
    // ISUP without definitions: the message type is unknown.
    Captures.Add(RecordBytes(cdNone, 2, Rlc()), Catalog);
    using TCells = std::vector<std::string>;
    EXPECT_EQ(Row(Captures, 0),
              (TCells{"", "(\?\?\?)", "", "0", "", "", "9:05:03.012", "7.12.2026", "Unknown Subsystem Code: 0x03"}));
    EXPECT_EQ(Row(Captures, 1),
              (TCells{"", "", "(\?\?\?)", "1", "", "", "9:05:03.012", "7.12.2026", "Can`t read SIO from stream"}));
    EXPECT_EQ(CellText(Captures.Items(2), colIn, Captures.Texts()), "(\?\?\?)");
    EXPECT_EQ(CellText(Captures.Items(2), colOut, Captures.Texts()), "(\?\?\?)");
    EXPECT_FALSE(CellText(Captures.Items(2), colDescription, Captures.Texts()).empty());
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(Captures.Items(I).Summary.StateImage, ciError);
    // The error texts are kept once for all the rows that show them.
    Captures.Add(RecordBytes(cdIn, 0, Octets("83 01 80 00 30")), Catalog);
    EXPECT_EQ(Captures.Items(3).Summary.ErrorText, Captures.Items(0).Summary.ErrorText);
}

TEST(CaptureItems, AnItemOverBytesReadsThemInPlace)
{
    const std::string Bytes = RecordBytes(cdOut, 9, Sltm());
    const TCaptureItem Item = TCaptureItem::OverRecord(Bytes);
    EXPECT_EQ(Item.OctetBytes().data(), Bytes.data() + MinCaptureRecordSize);
    EXPECT_EQ(Item.Record(), (TCaptureRecord{Stamp, cdOut, 9, Sltm()}));
    EXPECT_EQ(Item.GetRecordText().substr(48, 9), "02 09 81 ");
    const TCaptureRecord Record{Stamp, cdIn, 4, Sltm()};
    EXPECT_EQ(TCaptureItem::OverRecord(Record).GetRecord(), CaptureRecordBytes(Record));
    const TCaptureItem Message = TCaptureItem::OverMessage(Sltm());
    EXPECT_EQ(Message.Direction, cdNone);
    EXPECT_EQ(Message.OctetBytes(), Sltm());
}

} // namespace
