#include "presentation/CaptureRow.h"

#include "l4/PacketL4.h"

#include <charconv>

namespace {

struct TColumnInfo {
    const char* Caption;
    int Width;
};

constexpr TColumnInfo Columns[CaptureColumnCount] = {
    {"", 19},    {"IN", 43},   {"OUT", 43},  {"Link", 36},         {"Routing Label", 80},
    {"CIC", 32}, {"Time", 80}, {"Date", 66}, {"Description", 200},
};

void AppendNumber(unsigned Value, std::string& Text)
{
    char Digits[16];
    const auto End = std::to_chars(Digits, Digits + sizeof Digits, Value).ptr;
    Text.append(Digits, End);
}

} // namespace

const char* CaptureColumnCaption(int Column)
{
    return Column >= 0 && Column < CaptureColumnCount ? Columns[Column].Caption : "";
}

int CaptureColumnWidth(int Column)
{
    return Column >= 0 && Column < CaptureColumnCount ? Columns[Column].Width : 0;
}

uint32_t NameColumnText(const TCaptureItem& Item, int Column)
{
    const bool Stop = Item.IsStopEntry();
    switch (Column) {
    case colIn:
        return Stop || Item.Direction != cdOut ? Item.Summary.NameText : 0;
    case colOut:
        return !Stop && Item.Direction != cdIn ? Item.Summary.NameText : 0;
    default:
        return 0;
    }
}

void AppendCellText(const TCaptureItem& Item, int Column, const TTextPool& Texts, std::string& Text)
{
    const TCaptureSummary& Summary = Item.Summary;
    switch (Column) {
    case colIn:
    case colOut:
        Text += Texts.Text(NameColumnText(Item, Column));
        break;
    case colLink:
        if (!Item.IsStopEntry())
            AppendNumber(Item.Link, Text);
        break;
    case colRoutingLabel:
        if (Summary.HasRoutingLabel)
            AppendRoutingLabelText(Summary.RoutingLabel, Text);
        break;
    case colCic:
        if (Summary.HasCic)
            AppendNumber(Summary.Cic, Text);
        break;
    case colTime:
        AppendStampTime(Item.Stamp, Text);
        break;
    case colDate:
        AppendStampDate(Item.Stamp, Text);
        break;
    case colDescription:
        Text += Texts.Text(Summary.ErrorText);
        break;
    default:
        break;
    }
}

std::string CellText(const TCaptureItem& Item, int Column, const TTextPool& Texts)
{
    std::string Text;
    AppendCellText(Item, Column, Texts, Text);
    return Text;
}
