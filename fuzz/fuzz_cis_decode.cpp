// Decoding and cutting of any bytes, as a dropped or located CIS file: the
// store's lines equal those of a plain decoder written from the rules
// (byte-order marks; UTF-8 with each stray byte as Windows-1252, without a
// mark only once a multi-byte letter came first, else Windows-1252
// throughout; CR, LF and CR LF end a line, NUL ends the text, a final break
// adds no line), on each scan path of the build, and each line's "not marketed" mark is
// what its text says.
#include "fuzz_target.h"

#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "core/scan_path.h"
#include "core/text_logic.h"
#include "unmarked_text.h"

#include <QList>
#include <QStringView>

#include <new>

namespace {

// Windows-1252's bytes 0x80 to 0x9F; its five undefined bytes keep their value.
constexpr char16_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

QString windows1252(QByteArrayView bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto b = uchar(c);
        text += QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return text;
}

QString utf16(QByteArrayView bytes, bool bigEndian)
{
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = uchar(bytes[i]);
        const auto b = uchar(bytes[i + 1]);
        text += QChar(char16_t(bigEndian ? (a << 8) | b : a | (b << 8)));
    }
    return text;
}

QList<QString> cut(const QString &text)
{
    QList<QString> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0) {
            if (i > start)
                lines << text.mid(start, i - start);
            return lines;
        }
        if (c != u'\n' && c != u'\r')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

} // namespace

namespace {

int checkOnePath(QByteArrayView bytes, ScanPath path);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const ScanPath path : kScanPaths)
        checkOnePath(bytes, path);
    return 0;
}

namespace {

int checkOnePath(QByteArrayView bytes, ScanPath path)
{
    CisStore store;
    try {
        FillStoreFromBytes(store, bytes.data(), bytes.size(), path);
    } catch (const std::bad_alloc &) {
        return 0;
    }

    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        text = utf16(bytes.sliced(2), bytes[0] == '\xFE');
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        // A second mark is text (a zero-width no-break space).
        text = MixedUtf8Text(bytes.sliced(3), windows1252);
    } else {
        text = UnmarkedFileText(bytes, windows1252);
    }

    const QList<QString> expected = cut(text);
    FUZZ_CHECK(store.count() == expected.size());
    for (qsizetype i = 0; i < store.count(); ++i)
        FUZZ_CHECK(store.line(i) == expected.at(i));
    for (qsizetype i = 0; i < store.count(); ++i) {
        const QString line = store.line(i);
        FUZZ_CHECK(!line.contains(u'\n') && !line.contains(u'\r') && !line.contains(QChar(0)));
        FUZZ_CHECK(store.isNotMarketed(i) == HoldsNotMarketed(line));
    }
    return 0;
}

} // namespace
