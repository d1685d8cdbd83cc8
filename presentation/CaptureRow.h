// The capture list's row of a capture: its columns, their captions and
// design widths, and the text of each cell, made when the cell is drawn
// from the capture's record and its summary.
#pragma once

#include "presentation/CaptureItems.h"

#include <string>

enum TCaptureColumn {
    // No text: the row's state image.
    colImage,
    colIn,
    colOut,
    colLink,
    colRoutingLabel,
    colCic,
    colTime,
    colDate,
    colDescription,
    CaptureColumnCount
};

// The caption of a column ("" for the image column), and its design width
// in pixels; nothing for a column that does not exist.
const char* CaptureColumnCaption(int Column);
int CaptureColumnWidth(int Column);

// Appends the text of Column for Item, whose summary's texts are in Texts:
// - IN, OUT: the name, under IN unless the message was sent (direction 2),
//   under OUT unless it was received (direction 1), so any other direction
//   code shows it under both; a stop entry shows "STOP" under IN only;
// - Link: the link number in decimal, nothing for a stop entry;
// - Routing Label: "OPC => DPC, sls=SLS" when the message decoded;
// - CIC: the CIC of an ISUP message in decimal;
// - Time, Date: the stamp as H:MM:SS.mmm and D.M.YYYY;
// - Description: the decoder's error text;
// - the image column: nothing.
void AppendCellText(const TCaptureItem& Item, int Column, const TTextPool& Texts, std::string& Text);
std::string CellText(const TCaptureItem& Item, int Column, const TTextPool& Texts);

// The pool index of the text of a name column (IN or OUT), 0 when the
// column is empty for the item: what search and the list's text cache
// work with instead of the text.
uint32_t NameColumnText(const TCaptureItem& Item, int Column);
