#pragma once
// How the bytes of a file without byte-order mark read, written from the
// rule on its own for the tests and the fuzzer: UTF-8 once a valid
// multi-byte letter comes before any invalid byte, each byte of an invalid
// sequence then read as Windows-1252 on its own; else Windows-1252
// throughout. `windows1252` gives the text of some bytes in that code page.
#include <QByteArrayView>
#include <QChar>
#include <QString>

// Length of the valid UTF-8 sequence at bytes[i], 0 when none starts there.
inline qsizetype Utf8SequenceAt(QByteArrayView bytes, qsizetype i)
{
    const auto b = uchar(bytes[i]);
    const qsizetype len = b < 0x80                 ? 1
                          : b >= 0xC2 && b <= 0xDF ? 2
                          : b >= 0xE0 && b <= 0xEF ? 3
                          : b >= 0xF0 && b <= 0xF4 ? 4
                                                   : 0;
    return len > 0 && i + len <= bytes.size() && bytes.sliced(i, len).isValidUtf8() ? len : 0;
}

template <typename Windows1252>
QString UnmarkedFileText(QByteArrayView bytes, const Windows1252 &windows1252)
{
    QString text;
    bool utf8 = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype len = Utf8SequenceAt(bytes, i);
        if (len == 0) {
            if (!utf8)
                return windows1252(bytes);
            text += windows1252(bytes.sliced(i, 1));
            ++i;
            continue;
        }
        // The code point by hand: QString::fromUtf8 drops a leading U+FEFF.
        static constexpr uchar kLeadBits[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t cp = uchar(bytes[i]) & kLeadBits[len];
        for (qsizetype k = 1; k < len; ++k)
            cp = (cp << 6) | (uchar(bytes[i + k]) & 0x3F);
        text += QChar::fromUcs4(cp);
        utf8 = utf8 || len > 1;
        i += len;
    }
    return text;
}
