#pragma once
// Simple upper-case mapping of one UTF-16 unit, through tables built once.
// QChar's per-unit mapping never changes the length (surrogates map to
// themselves), unlike QString::toUpper's full mapping. The one upper-case
// table of the program: the line test and the store's search use it, and
// must agree letter for letter.

namespace CisUpper {
// Unit -> simple upper-case unit.
const char16_t *unitTable();
// Unit -> its search byte: the upper-case unit when it fits in Latin-1,
// else 0. Two units with the same non-zero search byte have the same upper
// case.
const unsigned char *searchByteTable();

// What the store needs to know of each of its bytes (see core/line_table.h).
struct ByteTables
{
    // Byte of a plain line -> its text unit (Windows-1252).
    char16_t unit[256];
    // Byte of a plain line -> the upper case of its unit.
    char16_t upper[256];
    // Byte -> the search byte of its unit when that is not 0, else the byte
    // itself. Leaves every search byte unchanged, so it reads plain lines and
    // the search bytes of wide lines alike; fold[b] is b or b - 32.
    unsigned char fold[256];
    // Non-zero bytes whose unit has search byte 0 (fold leaves them as they
    // are): a query byte equal to one of them needs each hit checked unit by
    // unit.
    bool checkUnits[256];
};
const ByteTables &byteTables();
} // namespace CisUpper
