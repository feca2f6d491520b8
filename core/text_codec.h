#pragma once
// The text encodings the program reads and writes, shared by the CIS file's
// loading and the settings file: Windows-1252 both ways, UTF-16 in either
// byte order, and the byte-order marks that choose between them.
#include <QByteArray>
#include <QString>
#include <QStringView>

enum class ByteOrderMark { None, Utf8, Utf16Le, Utf16Be };

// The mark `data` starts with, tested in the order FF FE, FE FF, EF BB BF;
// a text shorter than a mark does not hold it.
ByteOrderMark DetectByteOrderMark(const char *data, qsizetype size);
// Its length in bytes (0 for None).
qsizetype ByteOrderMarkSize(ByteOrderMark mark);

// Windows-1252. The five bytes the code page leaves undefined map to the
// code point of the same value, so every byte string decodes, and encodes
// back, unchanged.
inline constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
inline char16_t Cp1252Unit(unsigned char byte)
{
    return (byte >= 0x80 && byte < 0xA0) ? kCp1252High[byte - 0x80] : char16_t(byte);
}
// The unit's byte, or -1 when the code page lacks it.
int Cp1252Byte(char16_t unit);
// The same for loops: Cp1252ByteTable()[u] is the byte when Cp1252Unit of it
// gives u back.
const unsigned char *Cp1252ByteTable();
QString DecodeCp1252(const char *data, qsizetype size);
// False, with `out` untouched, when a unit has no Windows-1252 byte; `out`
// may be null to ask only whether the text fits.
bool EncodeCp1252(QStringView text, QByteArray *out);

// UTF-16 without its mark: the unit at p, and `size / 2` units from data (a
// last odd byte is left out).
inline char16_t Utf16Unit(const unsigned char *p, bool bigEndian)
{
    return bigEndian ? char16_t((p[0] << 8) | p[1]) : char16_t(p[0] | (p[1] << 8));
}
QString DecodeUtf16(const char *data, qsizetype size, bool bigEndian);
QByteArray EncodeUtf16(QStringView text, bool bigEndian);
