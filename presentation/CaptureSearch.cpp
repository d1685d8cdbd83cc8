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

int FindNextCapture(const TCaptureItemsCollection& Captures, int RowCount, int SelectedRow, std::string_view SearchText)
{
    if (SearchText.empty())
        return -1;
    const std::string Wanted = UpperCaseAZ(SearchText);
    // The name columns show pooled texts: each is matched once, not once
    // per row, so that a million rows take a few milliseconds.
    const TTextPool& Texts = Captures.Texts();
    std::vector<bool> Matches(Texts.Count());
    for (uint32_t I = 1; I < Texts.Count(); ++I)
        Matches[I] = UpperCaseAZ(Texts.Text(I)).find(Wanted) != std::string::npos;
    const int Last = std::min(RowCount, Captures.Count());
    for (int Row = SelectedRow < 0 ? 0 : SelectedRow + 1; Row < Last; ++Row) {
        const TCaptureItem& Item = Captures.Items(Row);
        if (Matches[NameColumnText(Item, colIn)] || Matches[NameColumnText(Item, colOut)])
            return Row;
    }
    return -1;
}
