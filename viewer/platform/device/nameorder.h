// The order in which the device enumerates a folder's entries: the order a
// file manager shows them in, not the host's hashed directory order.
//
// Names compare without regard to letter case (Unicode simple case mapping:
// "É" with "é", "Ж" with "ж", the two Greek small sigmas together), with
// each run of the digits 0-9 compared by its value (IMG_2 before IMG_10;
// any length, no overflow) and otherwise by folded code point. Names still
// equal then put the run with fewer leading zeros first (7 before 07), and
// the last tie goes by UTF-8 bytes (code points), so "IMG.JPG" comes before
// "img.jpg" and the order is total.
#pragma once

#include <string>
#include <string_view>

// Appends the sort key of `name` to `keys`. Two keys compare as plain
// sequences of char32_t (std::u32string_view::compare) in this order, up to
// the final tie by bytes, which the caller, holding the bytes, applies.
void AppendNameSortKey(std::u16string_view name, std::u32string* keys);

// Below zero, zero or above zero as `a` comes before, with or after `b` in
// that order, the last tie by UTF-8 bytes included: where a name stands
// among a folder's enumerated entries.
int CompareNames(std::u16string_view a, std::u16string_view b);
