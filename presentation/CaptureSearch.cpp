#include "presentation/CaptureSearch.h"

#include "presentation/CaptureRow.h"

#include <algorithm>
#include <vector>

std::string UpperCaseAZ(std::string_view Text)
{
    std::string Upper(Text);
    for (char& C : Upper)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return Upper;
}

namespace {

// Which texts of the pool contain SearchText. The name columns show pooled
// texts: each is matched once, not once per row, so that a million rows
// take a few milliseconds.
std::vector<bool> PooledMatches(const TTextPool& Texts, std::string_view SearchText)
{
    const std::string Wanted = UpperCaseAZ(SearchText);
    std::vector<bool> Matches(Texts.Count());
    for (uint32_t I = 1; I < Texts.Count(); ++I)
        Matches[I] = UpperCaseAZ(Texts.Text(I)).find(Wanted) != std::string::npos;
    return Matches;
}

} // namespace

int FindNextCapture(const TCaptureItemsCollection& Captures, std::span<const uint32_t> RowCaptures, int SelectedRow,
                    std::string_view SearchText)
{
    if (SearchText.empty())
        return -1;
    const std::vector<bool> Matches = PooledMatches(Captures.Texts(), SearchText);
    for (size_t Row = SelectedRow < 0 ? 0 : static_cast<size_t>(SelectedRow) + 1; Row < RowCaptures.size(); ++Row) {
        if (RowCaptures[Row] >= static_cast<uint32_t>(Captures.Count()))
            break;
        const TCaptureItem& Item = Captures.Items(static_cast<int>(RowCaptures[Row]));
        if (Matches[NameColumnText(Item, colIn)] || Matches[NameColumnText(Item, colOut)])
            return static_cast<int>(Row);
    }
    return -1;
}

int FindNextCapture(const TCaptureItemsCollection& Captures, int RowCount, int SelectedRow, std::string_view SearchText)
{
    if (SearchText.empty())
        return -1;
    const std::vector<bool> Matches = PooledMatches(Captures.Texts(), SearchText);
    const int Last = std::min(RowCount, Captures.Count());
    for (int Row = SelectedRow < 0 ? 0 : SelectedRow + 1; Row < Last; ++Row) {
        const TCaptureItem& Item = Captures.Items(Row);
        if (Matches[NameColumnText(Item, colIn)] || Matches[NameColumnText(Item, colOut)])
            return Row;
    }
    return -1;
}
