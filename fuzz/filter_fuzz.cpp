// A filter expression, as typed into the filter bar or given to
// velmora-dump --filter, parsed and applied to captures of every kind. An
// expression that does not parse must say where, within the expression; one
// that parses must keep the same captures when its terms are given twice,
// all of which must hold.
#include "analysis/CaptureFilter.h"
#include "core/HexString.h"
#include "fuzz/FuzzSupport.h"
#include "presentation/CaptureItems.h"
#include "presentation/CaptureRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A typed line longer than this is not what a filter bar takes.
constexpr size_t LongestExpression = 4096;

// Captures of every kind the list holds: ISUP with and without a CIC worth
// matching, MTP management, a link test, a message that fails to decode and
// a stop entry, in both directions and on several links.
TCaptureItemsCollection& Captures()
{
    static TCaptureItemsCollection* Items = [] {
        auto* Made = new TCaptureItemsCollection;
        const char* const Messages[] = {
            "85 0D 08 3F 52 15 00 01 00 20 00 0A 00 02 06 04 03 10 21 43 01 00",
            "85 0D 08 3F 52 15 00 0C 02 00 02 82 91",
            "85 01 80 00 30 15 00 01 06 01 00",
            "81 29 89 34 01 11 60 01 23 45 67 89 AB",
            "80 29 89 34 01 11 05",
            "83 01 80 00 30 00 01",
            "85 01 80 00 30",
            "FF 00 00 00 00",
        };
        uint8_t Link = 0;
        for (const char* Hex : Messages) {
            std::string Octets;
            ParseSpacedHex(Hex, Octets);
            for (const uint8_t Direction : {uint8_t{1}, uint8_t{2}}) {
                std::string Record;
                AppendCaptureRecord(TSystemTime{2026, 12, 2, 8, 9, 30, 15, 250}, Direction, Link++, Octets, Record);
                Made->Add(Record, ShippedCatalog());
            }
        }
        return Made;
    }();
    return *Items;
}

std::vector<bool> Kept(const TCaptureFilter& Filter)
{
    std::vector<bool> Result;
    const TCaptureItemsCollection& Items = Captures();
    for (int I = 0; I < Items.Count(); ++I)
        Result.push_back(Filter.Matches(Items.Items(I), Items.Texts()));
    return Result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Captures();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size > LongestExpression)
        return 0;
    const std::string Expression(reinterpret_cast<const char*>(Data), Size);
    TCaptureFilter Filter;
    try {
        Filter = TCaptureFilter::Parse(Expression);
    } catch (const EFilterError& Error) {
        if (Error.Position > Expression.size())
            FuzzFail("a filter error points past the expression", Expression);
        if (Error.Reason.empty())
            FuzzFail("a filter error gives no reason", Expression);
        return 0;
    }
    if (Filter.Expression() != Expression)
        FuzzFail("a filter does not keep its expression", Expression);
    const std::vector<bool> Once = Kept(Filter);
    if (Filter.Empty() && std::find(Once.begin(), Once.end(), false) != Once.end())
        FuzzFail("an empty filter hides a capture", Expression);

    // Every term given twice: the same terms must all hold.
    TCaptureFilter Twice;
    try {
        Twice = TCaptureFilter::Parse(Expression + " " + Expression);
    } catch (const EFilterError& Error) {
        FuzzFail("an expression that parses does not parse when given twice", Expression + "\n  " + Error.what());
    }
    if (Kept(Twice) != Once)
        FuzzFail("terms given twice keep other captures", Expression);
    return 0;
}
