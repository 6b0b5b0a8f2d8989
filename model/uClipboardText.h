#pragma once
// The texts that copying puts on the clipboard, as UTF-16: the window only hands them to
// SetClipboardText. Lines are separated by CR LF; a NUL in a line becomes U+2400 (the symbol
// for null), so that readers of the clipboard do not take it for the end of the text.

#include <cstdint>
#include <string>
#include <vector>

#include "model/uNavigation.h"

// The text of a row's entry decoded by DecodeLineBytes, as copied; empty for an invalid row or empty line.
std::u16string RowTextW(const TVisibleRows& Rows, int32_t Row);

// "Copy line": every selected row in row order, each followed by CR LF (rows outside the view
// and repeats are ignored). With no selected row, the current row's text alone, without a line
// break. Empty when there is neither, which copies nothing.
std::u16string SelectionClipboardText(const TVisibleRows& Rows, std::vector<int32_t> SelectedRows, int32_t CurrentRow);

// "Copy all visible": every visible row, each followed by CR LF; empty for an empty view.
std::u16string AllVisibleClipboardText(const TVisibleRows& Rows);
