#include "app/CaptureSearch.h"

std::string UpperCaseAZ(std::string_view Text)
{
    std::string Upper(Text);
    for (char& C : Upper)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return Upper;
}

int FindNextCapture(int RowCount, int SelectedRow, std::string_view SearchText, const TRowText& ColumnText)
{
    if (SearchText.empty())
        return -1;
    const std::string Wanted = UpperCaseAZ(SearchText);
    for (int Row = SelectedRow < 0 ? 0 : SelectedRow + 1; Row < RowCount; ++Row)
        for (int Column : {1, 2})
            if (UpperCaseAZ(ColumnText(Row, Column)).find(Wanted) != std::string::npos)
                return Row;
    return -1;
}
