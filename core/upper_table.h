#pragma once
// Simple upper-case mapping of one UTF-16 unit, through tables built once.
// QChar's per-unit mapping never changes the length (surrogates map to
// themselves), unlike QString::toUpper's full mapping. Shared by the line
// test and the store's search, which must agree letter for letter.

namespace CisUpper {
// Unit -> simple upper-case unit.
const char16_t *unitTable();
// Unit -> the byte stored in the search twin: the upper-case unit when it
// fits in Latin-1, else 0 (no line holds a NUL, so 0 never matches text).
const unsigned char *twinTable();
} // namespace CisUpper
