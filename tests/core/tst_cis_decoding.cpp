// Bytes to lines: the decoding choice by the first bytes and the cutting rules.
#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "core/text_codec.h"
#include "scan_paths.h"
#include "test_files.h"
#include "unmarked_text.h"
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The lines a load gives, by each path of the build (portable, and SSE2 on
// x86-64); when a path disagrees with the portable one, or marks a line as
// not marketed that does not hold "Non commercialisée" (or the other way
// round), a line saying so, which no expected list holds.
QStringList linesOf(const QByteArray &bytes)
{
    QStringList first;
    for (const ScanPath path : kScanPaths) {
        const CisStore store = loadOnPath(path, bytes);
        QStringList out;
        for (qsizetype i = 0; i < store.count(); ++i) {
            out << store.line(i);
            if (store.isNotMarketed(i) != out.last().contains(u"Non commercialisée"_s))
                return {
                    u"<path %1 marks line %2 wrongly: %3>"_s.arg(int(path)).arg(i).arg(out.last())};
        }
        if (path == ScanPath::Portable)
            first = out;
        else if (out != first)
            return {u"<path %1 gives: %2>"_s.arg(int(path)).arg(out.join(u" / "))};
    }
    return first;
}
// The cutting rules written plainly: a line runs up to CR, LF or NUL; CR LF
// is one break; a NUL ends the text; a final break adds no empty line.
QStringList referenceCut(const QString &text)
{
    QStringList out;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    for (qsizetype q = 0; q < n; ++q) {
        const char16_t c = text[q].unicode();
        if (c == 0) {
            if (q > pos)
                out << text.mid(pos, q - pos);
            return out;
        }
        if (c != u'\r' && c != u'\n')
            continue;
        out << text.mid(pos, q - pos);
        if (c == u'\r' && q + 1 < n && text[q + 1] == u'\n')
            ++q;
        pos = q + 1;
    }
    if (pos < n)
        out << text.mid(pos);
    return out;
}

// The bytes read as Windows-1252.
QString cp1252Decoded(QByteArrayView bytes)
{
    QString text;
    for (const char b : bytes)
        text += QChar(Cp1252Unit(static_cast<unsigned char>(b)));
    return text;
}

// Random UTF-8 bytes in CIS-like proportions: mostly ASCII, accents, a few
// longer sequences, the breaks, and with `invalid`, stray and cut bytes.
QByteArray randomUtf8(QRandomGenerator &rng, qsizetype size, bool invalid)
{
    static const char *const pieces[] = {"\xC3\xA9",
                                         "\xC3\xA8",
                                         "\xC3\x89",
                                         "\xE2\x80\x99",
                                         "\xE2\x82\xAC",
                                         "\xF0\x9F\x98\x80",
                                         "\xC5\x93",
                                         "\r\n",
                                         "\n",
                                         "\r",
                                         "\t",
                                         ("Non commercialis\xC3\xA9"
                                          "e")};
    static const char *const broken[] = {
        "\xE9", "\xC3", "\xE2\x80", "\xF0\x9F\x98", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "\xFF", "\x80"};
    QByteArray bytes;
    while (bytes.size() < size) {
        const quint32 pick = rng.bounded(100);
        if (pick < 70)
            bytes += char(0x20 + rng.bounded(0x5F));
        else if (pick < 95 || !invalid)
            bytes += pieces[rng.bounded(int(std::size(pieces)))];
        else
            bytes += broken[rng.bounded(int(std::size(broken)))];
    }
    return bytes;
}

} // namespace

class TestCisDecoding : public QObject
{
    Q_OBJECT
private slots:
    void decoding_data();
    void decoding();
    void windows1252HighBlock();
    void cutting_data();
    void cutting();
    void utf8EqualsQtDecoder_data();
    void utf8EqualsQtDecoder();
    void utf8WithStrayBytesKeepsItsMarks_data();
    void utf8WithStrayBytesKeepsItsMarks();
};

void TestCisDecoding::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("no mark, Windows-1252")
        << QByteArray("61266250\tcaf\xE9\r\nNon commercialis\xE9"
                      "e\r\n")
        << QStringList{u"61266250\tcafé"_s, u"Non commercialisée"_s};
    QTest::newRow("no mark, 0x92 is a curly apostrophe") << QByteArray("l\x92"
                                                                       "eau")
                                                         << QStringList{u"l’eau"_s};
    QTest::newRow("no mark, plain ASCII")
        << QByteArray("abc\r\ndef") << QStringList{u"abc"_s, u"def"_s};
    QTest::newRow("no mark, valid UTF-8 is UTF-8")
        << QByteArray("Non commercialis\xC3\xA9"
                      "e\nl\xE2\x80\x99"
                      "eau \xF0\x9F\x98\x80")
        << QStringList{u"Non commercialisée"_s, u"l’eau \U0001F600"_s};
    QTest::newRow("no mark, UTF-8 with a stray byte: that byte is Windows-1252")
        << QByteArray("caf\xC3\xA9\n\xE9t\xE9\xC3\xA9") << QStringList{u"café"_s, u"étéé"_s};
    QTest::newRow("no mark, UTF-8 cut short after its letters")
        << QByteArray("caf\xC3\xA9 ab\xC3") << QStringList{u"café abÃ"_s};
    QTest::newRow("no mark, ASCII then an unfinished letter is Windows-1252")
        << QByteArray("ab\xC3") << QStringList{u"abÃ"_s};
    QTest::newRow("no mark, a stray byte before any UTF-8 letter: Windows-1252")
        << QByteArray("\xE9t\xC3\xA9") << QStringList{u"étÃ©"_s};
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF"
                                              "61266250\tcaf\xC3\xA9\r\nx")
                                << QStringList{u"61266250\tcafé"_s, u"x"_s};
    QTest::newRow("UTF-8 mark, invalid bytes read as Windows-1252")
        << QByteArray("\xEF\xBB\xBF"
                      "a\xFF"
                      "b\r\nNon commercialis\xC3\xA9"
                      "e\xE9\r\nc\xC3")
        << QStringList{u"aÿb"_s, u"Non commercialiséeé"_s, u"cÃ"_s};
    QTest::newRow("UTF-8 mark before Windows-1252 text, marks kept")
        << QByteArray("\xEF\xBB\xBF"
                      "6\tNon commercialis\xE9"
                      "e\r\n")
        << QStringList{u"6\tNon commercialisée"_s};
    QTest::newRow("UTF-8 mark, overlong and surrogate forms refused")
        << QByteArray("\xEF\xBB\xBF"
                      "\xC0\xAF|\xED\xA0\x80|\xE2\x82")
        << QStringList{u"À¯|í\u00A0€|â‚"_s};
    QTest::newRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << QStringList();
    // The NUL is cut only after a run of 32 or 64 bytes: the letter after
    // the run must not be decoded into a line that never comes.
    for (const int k : {32, 64})
        QTest::addRow("UTF-8 mark, %d NULs then a letter Windows-1252 lacks", k)
            << QByteArray("\xEF\xBB\xBF") + QByteArray(k, '\0') + "\xC8\x80\xE2\x82\xAC"
                   + QByteArray(70, 'A')
            << QStringList();
    QTest::newRow("UTF-16LE mark, odd byte ignored")
        << QByteArray("\xFF\xFE") + utf16(u"A\r\né’\n"_s, false) + QByteArray("\x41", 1)
        << QStringList{u"A"_s, u"é’"_s};
    QTest::newRow("UTF-16BE mark") << QByteArray("\xFE\xFF") + utf16(u"61266250\tcafé\r\nB"_s, true)
                                   << QStringList{u"61266250\tcafé"_s, u"B"_s};
    QTest::newRow("UTF-16LE mark only") << QByteArray("\xFF\xFE") << QStringList();
    QTest::newRow("UTF-16LE mark and one byte") << QByteArray("\xFF\xFE\x41") << QStringList();
    QTest::newRow("UTF-16BE mark only") << QByteArray("\xFE\xFF") << QStringList();
    QTest::newRow("shorter than the UTF-8 mark") << QByteArray("\xEF\xBB") << QStringList{u"ï»"_s};
    QTest::newRow("one byte FF") << QByteArray("\xFF") << QStringList{u"ÿ"_s};
    QTest::newRow("one byte FE") << QByteArray("\xFE") << QStringList{u"þ"_s};
    QTest::newRow("UTF-16 without mark: one line")
        << utf16(u"AB\r\nCD"_s, false) << QStringList{u"A"_s};
    QTest::newRow("empty file") << QByteArray() << QStringList();
}

void TestCisDecoding::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(linesOf(bytes), lines);
}

void TestCisDecoding::windows1252HighBlock()
{
    QByteArray bytes;
    for (int b = 0x80; b < 0xA0; ++b)
        bytes += char(b);
    const QString expected = QString::fromUtf16(
        u"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
    QCOMPARE(expected.size(), 32);
    QCOMPARE(linesOf(bytes), QStringList{expected});
    // The rest is Latin-1.
    QByteArray rest;
    for (int b = 0xA0; b < 0x100; ++b)
        rest += char(b);
    const QStringList got = linesOf(rest);
    QCOMPARE(got.size(), 1);
    for (int b = 0xA0; b < 0x100; ++b)
        QCOMPARE(got.first().at(b - 0xA0).unicode(), char16_t(b));
}

void TestCisDecoding::cutting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    const QStringList ab{u"A"_s, u"B"_s};
    const QStringList aEmptyB{u"A"_s, QString(), u"B"_s};
    QTest::newRow("CR LF") << u"A\r\nB"_s << ab;
    QTest::newRow("LF") << u"A\nB"_s << ab;
    QTest::newRow("CR") << u"A\rB"_s << ab;
    QTest::newRow("CR LF CR LF") << u"A\r\n\r\nB"_s << aEmptyB;
    QTest::newRow("LF CR") << u"A\n\rB"_s << aEmptyB;
    QTest::newRow("CR CR LF") << u"A\r\r\nB"_s << aEmptyB;
    QTest::newRow("LF LF") << u"A\n\nB"_s << aEmptyB;
    QTest::newRow("final CR LF adds no line") << u"A\r\nB\r\n"_s << ab;
    QTest::newRow("final CR adds no line") << u"A\rB\r"_s << ab;
    QTest::newRow("no final break") << u"A\r\nB"_s << ab;
    QTest::newRow("final blank line kept") << u"A\r\n\r\n"_s << QStringList{u"A"_s, QString()};
    QTest::newRow("only a break") << u"\r\n"_s << QStringList{QString()};
    QTest::newRow("leading empty line") << u"\nA"_s << QStringList{QString(), u"A"_s};
    QTest::newRow("NUL ends the text") << u"A\r\nB\0C\r\nD"_s << ab;
    QTest::newRow("NUL first") << u"\0A"_s << QStringList();
    QTest::newRow("NUL after a break") << u"A\r\n\0B"_s << QStringList{u"A"_s};
    QTest::newRow("NUL after CR") << u"A\r\0\nB"_s << QStringList{u"A"_s};
    QTest::newRow("NUL after LF CR") << u"A\n\r\0"_s << QStringList{u"A"_s, QString()};
    QTest::newRow("breaks across long runs")
        << u"ABCDEFGHIJKLMNOP\rQRSTUVWXYZ012345\nabcdefghéjklmnop\r\n0123456789"_s
        << QStringList{u"ABCDEFGHIJKLMNOP"_s, u"QRSTUVWXYZ012345"_s, u"abcdefghéjklmnop"_s,
                       u"0123456789"_s};
    QTest::newRow("CR LF across a 16-byte boundary")
        << u"ABCDEFGHIJKLMNO\r\nPQ"_s << QStringList{u"ABCDEFGHIJKLMNO"_s, u"PQ"_s};
    QTest::newRow("NUL inside a long run") << u"ABCDEFGHIJKLMNOPQRS\0TUVWXYZ0123456789abcdef"_s
                                           << QStringList{u"ABCDEFGHIJKLMNOPQRS"_s};
    QTest::newRow("accents around the breaks")
        << u"ééééééééééééééé\r\nàààààààààààààààààà\n\rç"_s
        << QStringList{u"ééééééééééééééé"_s, u"àààààààààààààààààà"_s, QString(), u"ç"_s};
    // After the UTF-8 mark the text moves 3 bytes back as it is decoded: the
    // byte after a decoded run of 64 is not yet the LF that follows the CR.
    QTest::newRow("CR LF ending a run of 64")
        << QString(63, u'A') + u"\r\nB"_s << QStringList{QString(63, u'A'), u"B"_s};
    QTest::newRow("empty text") << QString() << QStringList();
}

// Each cutting case through every decoder: they cut on their own paths.
void TestCisDecoding::cutting()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QByteArray cp1252;
    for (QChar c : text)
        cp1252 += char(c.unicode());
    QCOMPARE(linesOf(cp1252), lines);
    QCOMPARE(linesOf(QByteArray("\xEF\xBB\xBF") + text.toUtf8()), lines);
    QCOMPARE(linesOf(QByteArray("\xFF\xFE") + utf16(text, false)), lines);
    QCOMPARE(linesOf(QByteArray("\xFE\xFF") + utf16(text, true)), lines);
}

void TestCisDecoding::utf8EqualsQtDecoder_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("convertedFile"); // a Windows-1252 file to convert first

    QTest::newRow("committed sample converted to UTF-8")
        << QByteArray() << true << testDataFile("cis_sample_cp1252.txt");
    QTest::newRow("real file converted to UTF-8") << QByteArray() << true << u"real"_s;
    // The Latin-1 blocks (16, 32 and 64 bytes): a letter at every place
    // around their ends, the letter split by an end and then finished, left
    // unfinished, or followed by the file's end; C2 80 to C2 9F, which
    // Windows-1252 lacks, between them.
    QByteArray offsets, split, split64, unfinished, controls;
    for (int k = 0; k < 80; ++k) {
        offsets += QByteArray(k, 'a') + "\xC3\xA9" + QByteArray(k % 5, 'b') + "\xC2\xB5\r\n";
        split += QByteArray(k, 'c') + "\xC3\x89\xC3\xA8\xC3\xA0" + QByteArray(31 - k % 32, 'd')
                 + "\n";
        split64 += QByteArray(k, 'c') + "\xC3\x89\xC3\xA8\xC3\xA0" + QByteArray(63 - k % 64, 'd')
                   + "\n";
        unfinished += QByteArray(k, 'e') + "\xC3" + QByteArray(20, 'f') + "\r\n";
        controls += QByteArray(k, 'g') + "\xC2" + char(0x80 + k % 32) + "h\xC3\xA9\n";
    }
    QTest::newRow("Latin-1 letters at every place") << offsets << true << QString();
    QTest::newRow("Latin-1 letters split by a block's end") << split << true << QString();
    QTest::newRow("Latin-1 letters split by a 64-byte block's end") << split64 << true << QString();
    QTest::newRow("C2 80 to C2 9F among the letters") << controls << true << QString();
    QTest::newRow("unfinished letters") << unfinished << false << QString();
    // Two-byte letters beyond Latin-1 (leads C4 to DF, each with the ends of
    // the continuation range) inside runs of Latin-1 ones: each lead's own
    // rule, not C2's or C3's.
    QByteArray beyond;
    for (int lead = 0xC4; lead <= 0xDF; ++lead)
        for (const int cont : {0x80, 0x9F, 0xA0, 0xBF})
            beyond += QByteArray(lead % 61, 'm') + "\xC3\xA9" + char(lead) + char(cont)
                      + "\xC3\xA9n\n";
    QTest::newRow("letters beyond Latin-1 among Latin-1 ones") << beyond << true << QString();
    // One to sixteen letters in a row, at every place of a block: up to
    // eight in 16 bytes, each packed by the same steps.
    QByteArray dense;
    for (int n = 1; n <= 16; ++n)
        for (int k = 0; k < 33; ++k) {
            dense += QByteArray(k, 'p');
            for (int i = 0; i < n; ++i)
                dense += (i + k) % 3 ? "\xC3\xA9" : "\xC2\xB5";
            dense += "q\n";
        }
    QTest::newRow("runs of letters at every place") << dense << true << QString();
    // The runs go 16 KB at a time: letters, marks and breaks around the end
    // of the first chunk, at both parities of a two-byte letter.
    for (const int k : {0, 1}) {
        const QByteArray around = QByteArray(16384 - 96 - k, 'k') + "\r\n"
                                  + QByteArray(40, '\xC3').replace("\xC3", "\xC3\xA9") + "\r"
                                  + "\nNon commercialis\xC3\xA9" + "e\n\xC3\x89t\xC3\xA9\r\n";
        QTest::addRow("letters around a chunk's end, shift %d", k) << around << true << QString();
    }
    for (const int k : {14, 15, 16, 17, 30, 31, 32, 33, 62, 63, 64, 65})
        QTest::addRow("unfinished letter ending the file after %d bytes", k)
            << QByteArray(k, 'i') + "\xC3\xA9" + QByteArray(12, 'j') + "\xC3" << false << QString();
    QRandomGenerator rng(7);
    for (int k = 0; k < 6; ++k)
        QTest::addRow("random valid text %d", k)
            << randomUtf8(rng, 3000 + 500 * k, false) << true << QString();
    for (int k = 0; k < 6; ++k)
        QTest::addRow("random text with invalid bytes %d", k)
            << randomUtf8(rng, 3000 + 500 * k, true) << false << QString();
    // Long enough for several chunks, so that the cutting and the marks
    // behind the runs meet every other step there.
    for (int k = 0; k < 2; ++k)
        QTest::addRow("random valid text of several chunks %d", k)
            << randomUtf8(rng, 70000 + 3000 * k, false) << true << QString();
    QTest::newRow("random text of several chunks with invalid bytes")
        << randomUtf8(rng, 70000, true) << false << QString();
}

// A valid UTF-8 file reads as QString::fromUtf8 reads it, with or without
// its mark; with invalid bytes, as MixedUtf8Text says with the mark and as
// UnmarkedFileText says without.
void TestCisDecoding::utf8EqualsQtDecoder()
{
    QFETCH(QByteArray, utf8);
    QFETCH(bool, valid);
    QFETCH(QString, convertedFile);
    if (convertedFile == u"real"_s) {
        SKIP_WITHOUT_REAL_CIS_FILE();
        convertedFile = realCisFile();
    }
    if (!convertedFile.isEmpty()) {
        // The file as UTF-8: what its Windows-1252 decoding gives, encoded.
        CisStore store;
        LoadCisLines(store, convertedFile);
        QVERIFY(store.count() > 0);
        QString text;
        for (qsizetype i = 0; i < store.count(); ++i)
            text += store.line(i) + u"\r\n"_s;
        utf8 = text.toUtf8();
    }
    const QStringList expected = referenceCut(QString::fromUtf8(utf8));
    const QStringList marked = linesOf(QByteArray("\xEF\xBB\xBF") + utf8);
    if (valid)
        QCOMPARE(marked, expected);
    else
        QCOMPARE(marked, referenceCut(MixedUtf8Text(utf8, cp1252Decoded)));
    const QStringList unmarked = linesOf(utf8);
    if (valid) {
        QCOMPARE(unmarked, expected);
    } else {
        QCOMPARE(unmarked, referenceCut(UnmarkedFileText(utf8, cp1252Decoded)));
    }
}

// A UTF-8 file without mark and with stray bytes (a converted copy damaged
// afterwards, a download cut in the middle of a letter): its lines stay
// UTF-8, each stray byte reads as Windows-1252, and the "Non commercialisée"
// lines are still marked. Read as Windows-1252 throughout, as a file with an
// invalid byte once was, every product would show as marketed.
void TestCisDecoding::utf8WithStrayBytesKeepsItsMarks_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("tail");
    const QByteArray stray = "fin \xE9t\xE9\r\n";
    QTest::newRow("characters Windows-1252 holds")
        << u"PARACÉTAMOL ’ comprimé pelliculé\t€ Non commercialisée"_s << stray;
    QTest::newRow("characters it lacks")
        << u"ΩMÉGA 3 ≥ 5 µg \U0001F600 Non commercialisée"_s << stray;
    QTest::newRow("stray byte inside a line it cannot hold")
        << u"ΩMÉGA 3\tNon commercialisée"_s << QByteArray("ΩMÉGA ") + stray;
    QTest::newRow("download cut in the middle of a letter")
        << u"DOLIPRANE\tNon commercialisée"_s << QByteArray("6999\tCOMPRIM\xC3");
    QTest::newRow("stray byte after a NUL")
        << u"ΩMÉGA ’ 3\tNon commercialisée"_s << QByteArray("A\0B ΩMÉGA ") + stray;
}

void TestCisDecoding::utf8WithStrayBytesKeepsItsMarks()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, tail);
    QString text;
    for (int i = 0; i < 500; ++i)
        text += u"6%1\t"_s.arg(i) + line + u"\r\n"_s;
    const QByteArray bytes = text.toUtf8() + tail;
    const QStringList lines = linesOf(bytes);
    QCOMPARE(lines, referenceCut(UnmarkedFileText(bytes, cp1252Decoded)));
    QCOMPARE(lines.first(), u"60\t"_s + line);
    for (const ScanPath path : kScanPaths) {
        const CisStore store = loadOnPath(path, bytes);
        for (qsizetype i = 0; i < 500; ++i)
            QVERIFY2(store.isNotMarketed(i), qPrintable(u"line %1, path %2"_s.arg(i).arg(
                                                 QLatin1StringView(ScanPathName(path)))));
    }
}

QTEST_GUILESS_MAIN(TestCisDecoding)
#include "tst_cis_decoding.moc"
