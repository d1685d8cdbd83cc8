// Searching the capture list by message name: the text is looked for in
// the IN column, then in the OUT column, of each row after the selected
// one, with the letters a-z taken as A-Z.
#pragma once

#include "presentation/CaptureItems.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Upper-cases the letters a-z only; every other character stays as it is.
std::string UpperCaseAZ(std::string_view Text);

// The first of the first RowCount captures, from SelectedRow + 1 (from 0
// when SelectedRow < 0) to the last, whose IN or OUT text contains
// SearchText, letter case of a-z ignored; -1 when none does. An empty
// SearchText never matches, and the search does not wrap around.
int FindNextCapture(const TCaptureItemsCollection& Captures, int RowCount, int SelectedRow,
                    std::string_view SearchText);

// The same over the rows of a filtered list: row R shows capture
// RowCaptures[R]; the result is a row, -1 when no row after SelectedRow
// matches.
int FindNextCapture(const TCaptureItemsCollection& Captures, std::span<const uint32_t> RowCaptures, int SelectedRow,
                    std::string_view SearchText);
