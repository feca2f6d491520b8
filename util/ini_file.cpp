// The settings file: this program's own reader and writer of the Windows
// private-profile text format. A write edits the file's bytes in place of
// the one line concerned, so everything else in the file (comments, blank
// lines, unknown keys, line endings, encoding) stays byte for byte.
#include "util/vela_ini.h"

#include "core/app_error.h"
#include "core/text_codec.h"
#include "platform/platform_qt.h"
#include "util/program_folders.h"
#include "util/safe_file_writer.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

enum class Encoding { Utf8, Utf8Mark, Utf16Le, Utf16Be, Cp1252 };

struct Line
{
    qsizetype start; // first byte of the content
    qsizetype end;   // byte after the content, where the line break starts
    qsizetype next;  // byte after the line break
    QString text;    // decoded content
};

struct Document
{
    QByteArray bytes;
    Encoding encoding = Encoding::Utf8;
    qsizetype bodyStart = 0; // after the byte-order mark
    qsizetype bodyEnd = 0;   // before a stray last byte of a UTF-16 file
    int unit = 1;            // bytes per code unit
    QList<Line> lines;
};

QString decode(const Document &doc, qsizetype start, qsizetype end)
{
    const char *data = doc.bytes.constData() + start;
    const qsizetype size = end - start;
    switch (doc.encoding) {
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        return DecodeUtf16(data, size, doc.encoding == Encoding::Utf16Be);
    case Encoding::Cp1252:
        return DecodeCp1252(data, size);
    case Encoding::Utf8:
    case Encoding::Utf8Mark:
        break;
    }
    // Invalid sequences become U+FFFD for matching; the bytes stay as they are.
    // A line may start with U+FEFF (a name holding it): fromUtf8 would drop it
    // as a byte-order mark, and that name would never read back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(QByteArrayView(data, size));
}

QByteArray encode(Encoding encoding, const QString &text)
{
    switch (encoding) {
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        return EncodeUtf16(text, encoding == Encoding::Utf16Be);
    case Encoding::Cp1252: {
        QByteArray bytes;
        EncodeCp1252(text, &bytes); // checked by the caller beforehand
        return bytes;
    }
    case Encoding::Utf8:
    case Encoding::Utf8Mark:
        break;
    }
    return text.toUtf8();
}

char16_t unitAt(const Document &doc, qsizetype pos)
{
    const auto *p = reinterpret_cast<const unsigned char *>(doc.bytes.constData() + pos);
    if (doc.unit == 1)
        return *p;
    return Utf16Unit(p, doc.encoding == Encoding::Utf16Be);
}

Document parse(QByteArray bytes)
{
    Document doc;
    doc.bytes = std::move(bytes);
    const QByteArray &b = doc.bytes;
    const ByteOrderMark mark = DetectByteOrderMark(b.constData(), b.size());
    doc.bodyStart = ByteOrderMarkSize(mark);
    switch (mark) {
    case ByteOrderMark::Utf16Le:
        doc.encoding = Encoding::Utf16Le;
        doc.unit = 2;
        break;
    case ByteOrderMark::Utf16Be:
        // Big-endian UTF-16 is rare but still a text editor's choice; read
        // as 8-bit, an edit would corrupt it.
        doc.encoding = Encoding::Utf16Be;
        doc.unit = 2;
        break;
    case ByteOrderMark::Utf8:
        doc.encoding = Encoding::Utf8Mark;
        break;
    case ByteOrderMark::None:
        doc.encoding = QByteArrayView(b).isValidUtf8() ? Encoding::Utf8 : Encoding::Cp1252;
        break;
    }

    // CR LF, LF alone and CR alone all end a line. A stray last byte of a
    // UTF-16 file belongs to no line and stays last, so that an edit keeps
    // every unit in step.
    doc.bodyEnd = b.size() - (b.size() - doc.bodyStart) % doc.unit;
    const qsizetype size = doc.bodyEnd;
    const qsizetype last = size - doc.unit; // last position holding a whole unit
    qsizetype start = doc.bodyStart;
    qsizetype pos = start;
    while (pos <= last) {
        const char16_t u = unitAt(doc, pos);
        if (u != u'\r' && u != u'\n') {
            pos += doc.unit;
            continue;
        }
        qsizetype next = pos + doc.unit;
        if (u == u'\r' && next <= last && unitAt(doc, next) == u'\n')
            next += doc.unit;
        doc.lines.append(Line{start, pos, next, decode(doc, start, pos)});
        start = pos = next;
    }
    if (start < size)
        doc.lines.append(Line{start, size, size, decode(doc, start, size)});
    return doc;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

enum class Kind { Other, Section, Key };

struct Parsed
{
    Kind kind = Kind::Other;
    QStringView name;  // section name or key
    QStringView value; // raw text after the "=", keys only
};

Parsed classify(const QString &line)
{
    Parsed p;
    const QStringView text = trimBlanks(line);
    if (text.isEmpty() || text.front() == u';')
        return p; // blank line or comment
    if (text.front() == u'[') {
        const QStringView rest = text.mid(1);
        const qsizetype close = rest.indexOf(u']');
        p.kind = Kind::Section;
        p.name = trimBlanks(close < 0 ? rest : rest.left(close));
        return p;
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return p;
    p.kind = Kind::Key;
    p.name = trimBlanks(text.left(eq));
    p.value = text.mid(eq + 1);
    return p;
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Found
{
    qsizetype section = -1; // header line of the first matching section
    qsizetype key = -1;     // first matching key line in it
    qsizetype lastKey = -1; // last key line of that section
};

// Only the first section of that name is searched, and in it the first key
// of that name wins. Keys before the first header belong to no section.
Found find(const Document &doc, QStringView section, QStringView key)
{
    Found f;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const Parsed p = classify(doc.lines.at(i).text);
        if (p.kind == Kind::Section) {
            if (f.section >= 0)
                break;
            if (sameName(p.name, section))
                f.section = i;
        } else if (p.kind == Kind::Key && f.section >= 0) {
            f.lastKey = i;
            if (f.key < 0 && sameName(p.name, key))
                f.key = i;
        }
    }
    return f;
}

QString cutValue(QString value)
{
    if (value.size() > IniLongestValue) {
        value.truncate(IniLongestValue);
        // Never hand back half of a surrogate pair.
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

QString unquote(QStringView value)
{
    value = trimBlanks(value);
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.toString();
}

// Quotes a value that the reader would otherwise change: blanks at its ends
// are trimmed and a pair of outer quotes is removed.
QString quoteForWriting(const QString &value)
{
    if (value.isEmpty())
        return value;
    const bool blanks = isBlank(value.front()) || isBlank(value.back());
    const bool quoted = value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    return blanks || quoted ? u'"' + value + u'"' : value;
}

QString settingsPath(const QString &iniFile)
{
    return iniFile.isEmpty() ? IniFileName() : iniFile;
}

// The line break the file already uses, for the lines a write adds.
QString lineBreakOf(const Document &doc)
{
    for (const Line &line : doc.lines) {
        if (line.next > line.end)
            return decode(doc, line.end, line.next);
    }
    return u"\r\n"_s;
}

qsizetype firstEqualsSign(const Document &doc, const Line &line)
{
    for (qsizetype pos = line.start; pos + doc.unit <= line.end; pos += doc.unit) {
        if (unitAt(doc, pos) == u'=')
            return pos;
    }
    return -1;
}

// The edit itself, in the document's own encoding.
QByteArray applyEdit(Document doc, const Found &found, const QString &section, const QString &key,
                     const QString &written)
{
    const QString eol = lineBreakOf(doc);
    QByteArray &out = doc.bytes;

    if (found.key >= 0) {
        // The value alone is replaced: the key keeps its spelling and the
        // line its break.
        const Line &line = doc.lines.at(found.key);
        const qsizetype valueStart = firstEqualsSign(doc, line) + doc.unit;
        out.replace(valueStart, line.end - valueStart, encode(doc.encoding, written));
    } else if (found.section >= 0) {
        const Line &anchor = doc.lines.at(found.lastKey >= 0 ? found.lastKey : found.section);
        if (anchor.next > anchor.end)
            out.insert(anchor.next, encode(doc.encoding, key + u'=' + written + eol));
        else // last line of a file without a final break
            out.insert(anchor.end, encode(doc.encoding, eol + key + u'=' + written));
    } else {
        QString text = u'[' + section + u']' + eol + key + u'=' + written + eol;
        if (!doc.lines.isEmpty() && doc.lines.back().next == doc.lines.back().end)
            text.prepend(eol);
        out.insert(doc.bodyEnd, encode(doc.encoding, text));
    }
    return out;
}

bool hasNonAscii(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; });
}

// `value` is the text to store; `written` is its form in the file.
QByteArray editedContent(QByteArray bytes, const QString &section, const QString &key,
                         const QString &value, const QString &written)
{
    if (bytes.isEmpty())
        return (u'[' + section + u"]\r\n"_s + key + u'=' + written + u"\r\n"_s).toUtf8();

    Document doc = parse(std::move(bytes));
    Found found = find(doc, section, key);
    // A key that already holds the value keeps its line as the user wrote it.
    if (found.key >= 0 && unquote(classify(doc.lines.at(found.key).text).value) == value)
        return doc.bytes;
    if (doc.encoding != Encoding::Cp1252)
        return applyEdit(std::move(doc), found, section, key, written);

    // The encoding of an 8-bit file is found again at every read: a
    // Windows-1252 file must still read as Windows-1252 after the edit. It
    // would not when the new text has no Windows-1252 form, nor when the
    // edit happens to leave bytes that form valid UTF-8 (for instance "Ã©",
    // which would then read as "é" in every key). In both cases the whole
    // file moves to UTF-8 (what this program writes new files in), every
    // line keeping its text and its line ending.
    if (EncodeCp1252(QString(section + key + written), nullptr)) {
        QByteArray out = applyEdit(doc, found, section, key, written);
        if (!hasNonAscii(out) || !QByteArrayView(out).isValidUtf8())
            return out;
    }
    const QString all = DecodeCp1252(doc.bytes.constData(), doc.bytes.size());
    doc = parse(all.toUtf8());
    found = find(doc, section, key);
    return applyEdit(std::move(doc), found, section, key, written);
}

bool hasLineBreakOrNul(const QString &text)
{
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            return true;
    }
    return false;
}

// A name the reader could not find again once written.
bool isWritableSection(QStringView section)
{
    return !section.contains(u']');
}

bool isWritableKey(QStringView key)
{
    return !key.isEmpty() && !key.contains(u'=') && key.front() != u'[' && key.front() != u';';
}

} // namespace

bool IniCanStore(const QString &section, const QString &key, const QString &value)
{
    // A line break in any text would inject lines into the file.
    if (hasLineBreakOrNul(section) || hasLineBreakOrNul(key) || hasLineBreakOrNul(value))
        return false;
    return isWritableSection(trimBlanks(section)) && isWritableKey(trimBlanks(key));
}

QString IniReadString(const QString &section, const QString &key, const QString &defaultValue,
                      const QString &iniFile)
{
    QString fallback = defaultValue;
    while (fallback.endsWith(u' '))
        fallback.chop(1);
    fallback = cutValue(fallback);

    const QString path = settingsPath(iniFile);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return fallback;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fallback;
    const Document doc = parse(file.readAll());
    file.close();

    const Found found = find(doc, trimBlanks(section), trimBlanks(key));
    if (found.key < 0)
        return fallback;
    return cutValue(unquote(classify(doc.lines.at(found.key).text).value));
}

void IniWriteString(const QString &section, const QString &key, const QString &value,
                    const QString &iniFile)
{
    const QString path = settingsPath(iniFile);
    const auto failure = [&path]() { return AppError(u"Impossible d'écrire dans %1"_s.arg(path)); };
    if (path.isEmpty())
        throw failure();
    if (!IniCanStore(section, key, value))
        throw failure();
    const QString sectionName = trimBlanks(section).toString();
    const QString keyName = trimBlanks(key).toString();

    // The program's own settings file may live in a per-user folder that
    // does not exist yet: it is made on the first write.
    if (path == IniFileName() && !EnsureParentFolder(path))
        throw failure();
    const QString target = ResolveWriteTarget(path);
    const platform::Path targetName = NativePath(target);
    QByteArray before;
    std::uint32_t mode = platform::DefaultNewFileMode();
    bool exists = false;
    platform::FileInfo st;
    if (!platform::Stat(targetName, st)) {
        exists = true;
        // A read-only file is refused even where the directory would allow
        // replacing it, as the desktop's own settings service does.
        if (st.type != platform::EntryType::File || st.readOnly || !platform::IsWritable(targetName))
            throw failure();
        mode = st.mode;
        QFile file(target);
        if (!file.open(QIODevice::ReadOnly))
            throw failure();
        before = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw failure();
    }

    const QByteArray after = editedContent(before, sectionName, keyName, value,
                                           quoteForWriting(value));
    if (exists && after == before)
        return;
    SafeFileWriter writer(target);
    if (!writer.open(mode, exists ? &st : nullptr) || !writer.write(after) || !writer.commit())
        throw failure();
}
