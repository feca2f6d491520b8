#include "core/text_codec.h"

namespace {

// The Windows-1252 byte of each unit; 0 for the units the code page lacks,
// told apart from the byte 0 by decoding it back.
struct Cp1252Bytes
{
    unsigned char byte[0x10000] = {};
    Cp1252Bytes()
    {
        for (int b = 0; b < 256; ++b)
            byte[Cp1252Unit(static_cast<unsigned char>(b))] = static_cast<unsigned char>(b);
    }
};

const Cp1252Bytes &cp1252Bytes()
{
    static const Cp1252Bytes table;
    return table;
}

bool startsWith(const char *data, qsizetype size, QByteArrayView mark)
{
    return size >= mark.size() && QByteArrayView(data, mark.size()) == mark;
}

} // namespace

ByteOrderMark DetectByteOrderMark(const char *data, qsizetype size)
{
    if (startsWith(data, size, "\xFF\xFE"))
        return ByteOrderMark::Utf16Le;
    if (startsWith(data, size, "\xFE\xFF"))
        return ByteOrderMark::Utf16Be;
    if (startsWith(data, size, "\xEF\xBB\xBF"))
        return ByteOrderMark::Utf8;
    return ByteOrderMark::None;
}

qsizetype ByteOrderMarkSize(ByteOrderMark mark)
{
    switch (mark) {
    case ByteOrderMark::Utf8:
        return 3;
    case ByteOrderMark::Utf16Le:
    case ByteOrderMark::Utf16Be:
        return 2;
    case ByteOrderMark::None:
        break;
    }
    return 0;
}

const unsigned char *Cp1252ByteTable()
{
    return cp1252Bytes().byte;
}

int Cp1252Byte(char16_t unit)
{
    const unsigned char b = cp1252Bytes().byte[unit];
    return Cp1252Unit(b) == unit ? b : -1;
}

QString DecodeCp1252(const char *data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < size; ++i)
        out[i] = Cp1252Unit(static_cast<unsigned char>(data[i]));
    return text;
}

bool EncodeCp1252(QStringView text, QByteArray *out)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = Cp1252Byte(text[i].unicode());
        if (b < 0)
            return false;
        bytes[i] = char(b);
    }
    if (out)
        *out = bytes;
    return true;
}

QString DecodeUtf16(const char *data, qsizetype size, bool bigEndian)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    QString text(size / 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < size / 2; ++i)
        out[i] = Utf16Unit(bytes + 2 * i, bigEndian);
    return text;
}

QByteArray EncodeUtf16(QStringView text, bool bigEndian)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    const int high = bigEndian ? 0 : 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        bytes[2 * i + high] = char(u >> 8);
        bytes[2 * i + 1 - high] = char(u & 0xFF);
    }
    return bytes;
}
