#pragma once
// How the bytes of a UTF-8 file read, written from the rules on their own for
// the tests and the fuzzer. Each byte that starts no valid UTF-8 sequence
// reads as Windows-1252 on its own (MixedUtf8Text); a file without
// byte-order mark reads that way once a valid multi-byte letter comes before
// any invalid byte, else as Windows-1252 throughout (UnmarkedFileText).
// `windows1252` gives the text of some bytes in that code page.
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

// `letterBeforeStray`, when given, tells whether a multi-byte letter came
// before the first invalid byte (true when there is none).
template <typename Windows1252>
QString MixedUtf8Text(QByteArrayView bytes, const Windows1252 &windows1252,
                      bool *letterBeforeStray = nullptr)
{
    QString text;
    bool letter = false, stray = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype len = Utf8SequenceAt(bytes, i);
        if (len == 0) {
            if (!stray && letterBeforeStray)
                *letterBeforeStray = letter;
            stray = true;
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
        letter = letter || len > 1;
        i += len;
    }
    if (!stray && letterBeforeStray)
        *letterBeforeStray = true;
    return text;
}

template <typename Windows1252>
QString UnmarkedFileText(QByteArrayView bytes, const Windows1252 &windows1252)
{
    bool letterFirst = false;
    const QString mixed = MixedUtf8Text(bytes, windows1252, &letterFirst);
    return letterFirst ? mixed : windows1252(bytes);
}
