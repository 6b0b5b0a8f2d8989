#pragma once
// What a row of the view is: its entry, its text, and the effective level and colour rule of the
// entry. Rows are 0 .. VisibleCount - 1 and -1 is none; entries index the loaded log's list.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/uNavigation.h"
#include "viewer/uSkerrinState.h"

// The entry a row shows; -1 for no row, and for a row past the entry list.
int32_t EntryOfRow(const TSkerrinState& S, int32_t Row);
// The row showing an entry; -1 when it is not visible.
int32_t RowOfEntry(const TSkerrinState& S, int32_t Entry);
// How the viewer decodes lines that are not UTF-8 (for DecodeLineBytes): the Encoding menu's
// choice, on Automatic the host's ANSI/ASCII switch, and UTF-8 for a file with a byte-order mark.
TCodePage LineCodePageOf(const TSkerrinState& S);
// The view's rows as the portable navigation and copy functions take them.
TVisibleRows RowsOf(const TSkerrinState& S);
// The stored bytes of an entry's line.
std::string_view EntryBytes(const TSkerrinState& S, int32_t Entry);
// The row's line decoded; empty for no row.
std::wstring RowTextOf(TSkerrinState& S, int32_t Row);
// The level counters, navigation and colours use for an entry, and its first matching colour
// rule (-1 for none), from the viewer's rule cache.
TLogLevel LevelOfEntry(TSkerrinState& S, int32_t Entry);
int32_t RuleOfEntry(TSkerrinState& S, int32_t Entry);
