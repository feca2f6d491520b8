#include "cis_loader.h"
#include "app_error.h"
#include "cis_store_p.h"
#include "cp1252.h"
#include "platform_qt.h"
#include "simd.h"
#include "upper_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <bit>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

inline bool isBreak(char16_t c)
{
    return c <= 13 && (c == 0 || c == 10 || c == 13);
}

// Cutting, fed with the break characters (CR, LF, NUL) in text order. A line
// runs up to the next break; CR then LF are skipped once each after it; a NUL
// ends everything; a final line break adds no empty line.
struct Cutter
{
    CisStore::Impl &d;
    qsizetype pos = 0; // start of the next line
    bool stopped = false;

    // `next` is the character after position q (0 at the end of the text).
    void onBreak(qsizetype q, unsigned c, unsigned next)
    {
        if (q < pos || stopped)
            return; // the LF of a CR LF, already passed over
        if (c == 0) {
            if (q > pos)
                d.addLine(pos, q);
            stopped = true;
            pos = q;
            return;
        }
        d.addLine(pos, q);
        pos = q + 1;
        if (c == 13 && next == 10)
            ++pos;
    }
    // Forgets every line cut so far.
    void reset()
    {
        d.starts.size = d.ends.size = 0;
        pos = 0;
        stopped = false;
    }
    // Returns the length of the text kept.
    qsizetype finish(qsizetype n)
    {
        if (!stopped && pos < n)
            d.addLine(pos, n);
        return stopped ? pos : n;
    }
};

// Windows-1252 in one pass: each byte gives its text unit and, over itself,
// its twin byte; the breaks are found on the way.
qsizetype decodeCp1252(unsigned char *raw, qsizetype n, char16_t *text, Cutter &cut)
{
    char16_t unitOf[256];
    unsigned char twinOf[256];
    bool breakOf[256] = {};
    breakOf[0] = breakOf[10] = breakOf[13] = true;
    const unsigned char *tw = CisUpper::twinTable();
    for (int b = 0; b < 256; ++b) {
        unitOf[b] = Cp1252Unit(static_cast<unsigned char>(b));
        twinOf[b] = tw[unitOf[b]];
    }
    auto scalar = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to && !cut.stopped; ++i) {
            const unsigned char b = raw[i];
            text[i] = unitOf[b];
            raw[i] = twinOf[b];
            if (breakOf[b])
                cut.onBreak(i, b, i + 1 < n ? raw[i + 1] : 0);
        }
    };
    qsizetype i = 0;
#if defined(CIS_HAVE_SSE2)
    const __m128i zero = _mm_setzero_si128();
    const __m128i lf = _mm_set1_epi8(10), cr = _mm_set1_epi8(13);
    const __m128i shiftA = _mm_set1_epi8(char(128 - 'a'));
    const __m128i limit = _mm_set1_epi8(char(-128 + 26));
    const __m128i caseBit = _mm_set1_epi8(32);
    for (; i + 16 <= n && !cut.stopped; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(raw + i));
        const unsigned high = unsigned(_mm_movemask_epi8(v));
        const unsigned breaks = unsigned(_mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, lf)), _mm_cmpeq_epi8(v, cr))));
        // Every byte as if it were ASCII, then the few others through the tables.
        alignas(16) unsigned char orig[16];
        if (high)
            _mm_store_si128(reinterpret_cast<__m128i *>(orig), v);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(text + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(text + i + 8), _mm_unpackhi_epi8(v, zero));
        const __m128i lower = _mm_cmplt_epi8(_mm_add_epi8(v, shiftA), limit);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(raw + i),
                         _mm_sub_epi8(v, _mm_and_si128(lower, caseBit)));
        for (unsigned m = high; m; m &= m - 1) {
            const int k = std::countr_zero(m);
            text[i + k] = unitOf[orig[k]];
            raw[i + k] = twinOf[orig[k]];
        }
        for (unsigned m = breaks; m; m &= m - 1) {
            const qsizetype q = i + std::countr_zero(m);
            // Break characters are their own twin bytes, so raw still tells.
            cut.onBreak(q, raw[q], q + 1 < n ? raw[q + 1] : 0);
        }
    }
#endif
    scalar(i, n);
    return cut.finish(n);
}

// Cuts decoded units and writes their twin bytes into `twin`.
qsizetype cutUnits(const char16_t *t, qsizetype m, unsigned char *twin, Cutter &cut)
{
    const unsigned char *tw = CisUpper::twinTable();
    for (qsizetype i = 0; i < m && !cut.stopped; ++i) {
        const char16_t c = t[i];
        twin[i] = tw[c];
        if (isBreak(c))
            cut.onBreak(i, c, i + 1 < m ? t[i + 1] : 0);
    }
    return cut.finish(m);
}

// One multi-byte UTF-8 sequence starting at s[r] (s[r] >= 0x80): its code
// point and length, or length 0 and the length of its maximal invalid
// subpart (overlong forms, surrogates and code points past U+10FFFF are
// invalid).
struct Utf8Sequence
{
    char32_t cp = 0;
    int len = 0;
    int bad = 0;
};

Utf8Sequence readSequence(const unsigned char *s, qsizetype r, qsizetype n)
{
    const unsigned char b = s[r];
    int len;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        if (b == 0xE0)
            lo = 0xA0;
        else if (b == 0xED)
            hi = 0x9F; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        if (b == 0xF0)
            lo = 0x90;
        else if (b == 0xF4)
            hi = 0x8F;
    } else {
        return {0, 0, 1};
    }
    int k = 1;
    for (; k < len; ++k) {
        if (r + k >= n)
            break;
        const unsigned char c = s[r + k];
        if (c < lo || c > hi)
            break;
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (k < len)
        return {0, 0, k};
    return {cp, len, 0};
}

// Writes back the UTF-8 form of valid text units: the exact bytes they were
// decoded from, since valid UTF-8 has one form only. Returns the byte count.
qsizetype encodeUtf8(const char16_t *t, qsizetype m, unsigned char *out)
{
    qsizetype w = 0;
    for (qsizetype i = 0; i < m; ++i) {
        char32_t c = t[i];
        if (c < 0x80) {
            out[w++] = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            out[w++] = static_cast<unsigned char>(0xC0 | (c >> 6));
            out[w++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < m) {
            c = 0x10000 + ((c - 0xD800) << 10) + (t[++i] - 0xDC00);
            out[w++] = static_cast<unsigned char>(0xF0 | (c >> 18));
            out[w++] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            out[w++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            out[w++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            out[w++] = static_cast<unsigned char>(0xE0 | (c >> 12));
            out[w++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            out[w++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    return w;
}

// UTF-8 in one pass over raw[from, n): each sequence gives its text units
// and, over the bytes already read, their twin bytes (raw[i] for unit i); the
// breaks are found on the way, and ASCII runs go 16 bytes at a time. Every
// sequence gives at most one unit per byte, so the twin never overtakes the
// bytes still to read.
// With `strict`, gives -1 at the first invalid sequence with raw as it was
// and no line cut (the caller then reads the bytes as Windows-1252);
// otherwise each maximal invalid subpart becomes U+FFFD.
qsizetype decodeUtf8(unsigned char *raw, qsizetype from, qsizetype n, char16_t *text, Cutter &cut,
                     bool strict)
{
    const unsigned char *tw = CisUpper::twinTable();
    const unsigned char *s = raw + from;
    const qsizetype len = n - from;
    unsigned char *twin = raw;
    qsizetype r = 0, w = 0;

    auto asciiUnit = [&](unsigned char c) {
        text[w] = c;
        twin[w] = tw[c];
        if (isBreak(c))
            cut.onBreak(w, c, r + 1 < len ? s[r + 1] : 0);
        ++w;
        ++r;
    };
#if defined(CIS_HAVE_SSE2)
    const __m128i zero = _mm_setzero_si128();
    const __m128i lf = _mm_set1_epi8(10), cr = _mm_set1_epi8(13);
    const __m128i shiftA = _mm_set1_epi8(char(128 - 'a'));
    const __m128i limit = _mm_set1_epi8(char(-128 + 26));
    const __m128i caseBit = _mm_set1_epi8(32);
    // The first `count` bytes of v, all ASCII, as text units and twin bytes;
    // 16 are written, the rest overwritten later.
    auto asciiBlock = [&](__m128i v, unsigned count) {
        const unsigned breaks = unsigned(_mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, lf)), _mm_cmpeq_epi8(v, cr))));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(text + w), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(text + w + 8), _mm_unpackhi_epi8(v, zero));
        const __m128i lower = _mm_cmplt_epi8(_mm_add_epi8(v, shiftA), limit);
        const __m128i upper = _mm_sub_epi8(v, _mm_and_si128(lower, caseBit));
        unsigned inRun = count >= 16 ? breaks : breaks & ((1u << count) - 1);
        if (inRun) {
            alignas(16) unsigned char orig[17];
            _mm_store_si128(reinterpret_cast<__m128i *>(orig), v);
            orig[16] = r + 16 < len ? s[r + 16] : 0;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(twin + w), upper);
            for (; inRun; inRun &= inRun - 1) {
                const int k = std::countr_zero(inRun);
                cut.onBreak(w + k, orig[k], orig[k + 1]);
            }
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(twin + w), upper);
        }
        r += count;
        w += count;
    };
#endif
    while (r < len) {
#if defined(CIS_HAVE_SSE2)
        if (r + 16 <= len) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + r));
            const unsigned high = unsigned(_mm_movemask_epi8(v));
            // All 16 bytes ASCII: writing 16 twin bytes at w <= r only covers
            // bytes read. Else the ASCII bytes before the first other one,
            // when all 16 twin bytes land before the unread bytes.
            const unsigned count = high == 0              ? 16u
                                   : (from + r) - w >= 16 ? unsigned(std::countr_zero(high))
                                                          : 0u;
            if (count > 0) {
                asciiBlock(v, count);
                if (count == 16)
                    continue;
            }
        }
#endif
        const unsigned char b = s[r];
        if (b < 0x80) {
            asciiUnit(b);
            continue;
        }
        const Utf8Sequence q = readSequence(s, r, len);
        if (q.len == 0) {
            if (strict) {
                // Put back the bytes the twin overwrote, and forget the lines.
                encodeUtf8(text, w, raw + from);
                cut.reset();
                return -1;
            }
            text[w] = 0xFFFD;
            twin[w] = 0;
            ++w;
            r += q.bad;
            continue;
        }
        r += q.len;
        if (q.cp >= 0x10000) {
            const char32_t c = q.cp - 0x10000;
            text[w] = char16_t(0xD800 + (c >> 10));
            text[w + 1] = char16_t(0xDC00 + (c & 0x3FF));
            twin[w] = tw[text[w]];
            twin[w + 1] = tw[text[w + 1]];
            w += 2;
        } else {
            text[w] = char16_t(q.cp);
            twin[w] = tw[text[w]];
            ++w;
        }
    }
    return cut.finish(w);
}

} // namespace

void FillStoreFromOwnedBytes(CisStore &store, unsigned char *raw, qsizetype size)
{
    // The raw block becomes the twin: every decoder gives at most one unit
    // per input byte, and the twin has one byte per unit.
    struct Guard
    {
        unsigned char *p;
        ~Guard() { std::free(p); }
    } guard{raw};

    store.clear();
    CisStore::Impl &d = store.impl();
    Cutter cut{d};

    auto startsWith = [&](std::initializer_list<unsigned char> mark) {
        return size >= qsizetype(mark.size()) && std::equal(mark.begin(), mark.end(), raw);
    };

    qsizetype kept = 0;
    bool failed = false;
    try {
        d.starts.reserve(size / 128 + 16);
        d.ends.reserve(d.starts.capacity);
        if (startsWith({0xFF, 0xFE}) || startsWith({0xFE, 0xFF})) {
            const bool big = raw[0] == 0xFE;
            const qsizetype m = (size - 2) / 2;
            d.text.reserve(m + 1);
            char16_t *t = d.text.data;
            const unsigned char *s = raw + 2;
            for (qsizetype k = 0; k < m; ++k)
                t[k] = big ? char16_t((s[2 * k] << 8) | s[2 * k + 1])
                           : char16_t(s[2 * k] | (s[2 * k + 1] << 8));
            kept = cutUnits(t, m, raw, cut);
        } else if (startsWith({0xEF, 0xBB, 0xBF})) {
            d.text.reserve(size - 3 + 1);
            kept = decodeUtf8(raw, 3, size, d.text.data, cut, false);
        } else {
            d.text.reserve(size + 1);
            // A file without mark that is valid UTF-8 is UTF-8 (copies
            // converted by other tools); anything else is Windows-1252.
            kept = decodeUtf8(raw, 0, size, d.text.data, cut, true);
            if (kept < 0)
                kept = decodeCp1252(raw, size, d.text.data, cut);
        }
    } catch (const std::bad_alloc &) {
        // Only the line table can fail once cutting has begun; every line it
        // lists is whole, and its text lies before the last line's end.
        failed = true;
        kept = d.ends.size ? d.ends.data[d.ends.size - 1] : 0;
        if (!d.text.data)
            kept = 0;
    }
    d.text.size = kept;
    guard.p = nullptr;
    d.twin.adopt(raw, kept, size + 1);
    if (kept == 0) {
        d.text.reset();
        d.twin.reset();
    } else {
        d.text.shrink();
        d.twin.shrink();
    }
    try {
        d.computeNotMarketed();
    } catch (const std::bad_alloc &) {
        // Lines without their marks would show a wrong "marketed" state.
        store.clear();
        throw;
    }
    if (failed)
        throw std::bad_alloc();
}

void FillStoreFromBytes(CisStore &store, const char *data, qsizetype size)
{
    auto *raw = static_cast<unsigned char *>(std::malloc(size_t(size) + 1));
    if (!raw)
        throw std::bad_alloc();
    if (size > 0)
        std::memcpy(raw, data, size_t(size));
    FillStoreFromOwnedBytes(store, raw, size);
}

namespace {

[[noreturn]] void throwOpenError(const QString &path, const QString &reason)
{
    const QString full = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    throw AppError(u"Impossible d'ouvrir le fichier \"%1\". %2"_s.arg(full, reason));
}

// Whatever allocation fails, running out of memory reads the same.
[[noreturn]] void throwOutOfMemory()
{
    throw AppError(u"Impossible d'insérer une ligne"_s);
}

[[noreturn]] void throwFileError(const QString &path, const platform::Error &error)
{
    if (error.kind == platform::ErrorKind::NoMemory)
        throwOutOfMemory();
    throwOpenError(path, ReasonText(error));
}

std::function<void()> &beforeLockHook()
{
    static std::function<void()> hook;
    return hook;
}

struct MallocBlock
{
    unsigned char *p = nullptr;
    ~MallocBlock() { std::free(p); }
};

} // namespace

void SetLoadBeforeLockHookForTesting(std::function<void()> hook)
{
    beforeLockHook() = std::move(hook);
}

void LoadCisLines(CisStore &store, const QString &path)
{
    using platform::ErrorKind;
    platform::File f;
    if (const platform::Error e = f.openForReading(NativePath(path)))
        throwFileError(path, e);
    platform::FileInfo before;
    if (const platform::Error e = f.stat(before))
        throwFileError(path, e);
    if (before.type == platform::EntryType::Directory)
        throwFileError(path, platform::MakeError(ErrorKind::IsDirectory));
    if (before.type != platform::EntryType::File)
        throwFileError(path, platform::MakeError(ErrorKind::NotRegularFile));
    if (beforeLockHook())
        beforeLockHook()();
    if (const platform::Error e = f.lockForReading())
        throwFileError(path, e);

    const qsizetype size = qsizetype(before.size);
    MallocBlock raw{static_cast<unsigned char *>(std::malloc(size_t(size) + 1))};
    if (!raw.p)
        throwOutOfMemory();
    qsizetype got = 0;
    while (got < size) {
        platform::Error e;
        const std::int64_t k = f.read(raw.p + got, size - got, e);
        if (k < 0)
            throwFileError(path, e);
        if (k == 0)
            break;
        got += qsizetype(k);
    }
    // A download still going on, or a file rewritten while we read it: its
    // bytes may be partial or mixed, so none of them is taken.
    platform::FileInfo after;
    const bool changed = f.checkNoWriterCame() || f.stat(after) || !after.sameVersionAs(before)
                         || got != size;
    f.close();
    if (changed)
        throwFileError(path, platform::MakeError(ErrorKind::Busy));

    try {
        unsigned char *owned = raw.p;
        raw.p = nullptr;
        FillStoreFromOwnedBytes(store, owned, got);
    } catch (const std::bad_alloc &) {
        throwOutOfMemory();
    }
}

bool CisFileExists(const QString &path)
{
    using platform::EntryType;
    if (path.isEmpty())
        return false;
    const platform::Path name = NativePath(path);
    platform::FileInfo entry;
    if (const platform::Error e = platform::Stat(name, entry, false)) {
        if (e.kind == platform::ErrorKind::NotFound || e.kind == platform::ErrorKind::NameTooLong)
            return false;
        // Attributes unreadable for another reason: trust a listing of the
        // parent folder.
        const QFileInfo info(path);
        return platform::ListedAsNonDirectory(NativePath(info.absolutePath()),
                                              NativePath(info.fileName()));
    }
    if (entry.type != EntryType::Link)
        return entry.type != EntryType::Directory;
    // A link: its target must be there, not a folder, and readable.
    platform::FileInfo target;
    if (platform::Stat(name, target) || target.type == EntryType::Directory)
        return false;
    platform::File f;
    return !f.openForReading(name);
}

QString FindCisTxtIn(const QString &dir)
{
    const QString wanted = u"cis.txt"_s;
    const QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // The exact lower-case name first, then any spelling that is usable.
    if (names.contains(wanted) && CisFileExists(dir + wanted))
        return dir + wanted;
    for (const QString &n : names) {
        if (n.size() != wanted.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; same && k < n.size(); ++k) {
            char16_t c = n[k].unicode();
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            same = c == wanted[k].unicode();
        }
        if (!same)
            continue;
        if (CisFileExists(dir + n))
            return dir + n;
    }
    return dir + wanted;
}
