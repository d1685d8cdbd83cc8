// Searching the capture list by message name: the text is looked for in the
// IN column, then in the OUT column, of each row after the selected one.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Upper-cases the letters a-z only; every other character stays as it is.
std::string UpperCaseAZ(std::string_view Text);

// The text of a row's IN (Column 1) or OUT (Column 2) column.
using TRowText = std::function<std::string(int Row, int Column)>;

// The first row from SelectedRow + 1 (from 0 when SelectedRow < 0) to the
// last whose IN or OUT text contains SearchText, letter case of a-z
// ignored; -1 when none does. An empty SearchText never matches, and the
// search does not wrap around.
int FindNextCapture(int RowCount, int SelectedRow, std::string_view SearchText, const TRowText& ColumnText);
