// The store: its fast search must give exactly the lines the literal test
// gives, whatever the text; the marking test likewise.
#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "core/text_codec.h"
#include "core/text_logic.h"
#include "core/upper_table.h"
#include "scan_paths.h"
#include "test_files.h"

#include <QRandomGenerator>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {
std::vector<qsizetype> literalScan(const CisStore &store, QStringView query)
{
    std::vector<qsizetype> out;
    for (qsizetype i = 0; i < store.count(); ++i)
        if (LineMatchesQuery(store.line(i), query))
            out.push_back(i);
    return out;
}

// Letters whose upper case lies above Latin-1 or comes from above it, marks,
// separators, a surrogate pair: everything the search bytes treat specially.
const QString kAlphabet =
    u"aAbBeEéÉèsSßyYÿŸµΜıIiſ’';\t \"Non commercialiséeNON COMMERCIALISÉE\U0001F600Ωω"_s;

// The same characters without those Windows-1252 lacks: lines the store
// keeps as their own bytes.
QString plainAlphabet()
{
    QString plain;
    for (const QChar c : kAlphabet)
        if (Cp1252Byte(c.unicode()) >= 0)
            plain += c;
    return plain;
}

// What a load gives: each line's text, then its mark.
QStringList linesAndMarks(const CisStore &store)
{
    QStringList out;
    for (qsizetype i = 0; i < store.count(); ++i)
        out << store.line(i) + (store.isNotMarketed(i) ? u"|marked"_s : u"|"_s);
    return out;
}

QString randomText(QRandomGenerator &rng, int maxLen, bool plainOnly = false)
{
    static const QString plain = plainAlphabet();
    const QString &alphabet = plainOnly ? plain : kAlphabet;
    const int len = int(rng.bounded(maxLen + 1));
    QString s;
    for (int k = 0; k < len; ++k)
        s += alphabet[rng.bounded(int(alphabet.size()))];
    return s;
}
} // namespace

class TestCisStore : public QObject
{
    Q_OBJECT
private slots:
    void appendAndRead();
    void clearAndMove();
    void byteTablesAgree();
    void searchEqualsLiteralOnGeneratedLines_data();
    void searchEqualsLiteralOnGeneratedLines();
    void searchByARarePair();
    void searchStopsAtTheTextsEnd();
    void notMarketedEqualsLiteral();
    void notMarketedWhileCutting_data();
    void notMarketedWhileCutting();
    void everyPathLoadsAlike();
    void searchEqualsLiteralOnWholeFile_data();
    void searchEqualsLiteralOnWholeFile();
};

void TestCisStore::appendAndRead()
{
    CisStore store;
    QVERIFY(store.isEmpty());
    QVERIFY(store.search(u"A").empty());
    store.append(u"61266250\tcafé"_s);
    store.append(QString());
    store.append(u"l’eau\tNon commercialisée"_s);
    QCOMPARE(store.count(), qsizetype(3));
    QCOMPARE(store.line(0), u"61266250\tcafé"_s);
    QCOMPARE(store.line(1), QString());
    QCOMPARE(store.line(2), u"l’eau\tNon commercialisée"_s);
    QCOMPARE(store.search(u"CAFÉ"_s), std::vector<qsizetype>{0});
    QCOMPARE(store.search(u"CAFE"_s), std::vector<qsizetype>{});
    QCOMPARE(store.search(QString()), std::vector<qsizetype>{});
    QCOMPARE(store.search(u"L’"_s), std::vector<qsizetype>{2});
    QCOMPARE(store.search(u"\t"_s), (std::vector<qsizetype>{0, 2}));
    // A query may not run from one line into the next.
    QCOMPARE(store.search(u"CAFÉL"_s), std::vector<qsizetype>{});
    QVERIFY(!store.isNotMarketed(0));
    QVERIFY(store.isNotMarketed(2));
    // The marks follow later appends.
    store.append(u"Non commercialisée"_s);
    QVERIFY(store.isNotMarketed(3));
}

void TestCisStore::clearAndMove()
{
    CisStore a;
    a.append(u"abc"_s);
    a.append(u"déf"_s);
    CisStore b(std::move(a));
    QCOMPARE(a.count(), qsizetype(0));
    QCOMPARE(b.count(), qsizetype(2));
    QCOMPARE(b.line(1), u"déf"_s);
    a.append(u"x"_s);
    a = std::move(b);
    QCOMPARE(a.count(), qsizetype(2));
    QCOMPARE(a.search(u"DÉF"_s), std::vector<qsizetype>{1});
    a.clear();
    QVERIFY(a.isEmpty());
    QVERIFY(a.search(u"ABC"_s).empty());
    a.append(u"zz"_s);
    QCOMPARE(a.search(u"Z"_s), std::vector<qsizetype>{0});
}

// The search reads a plain line's bytes and a wide line's search bytes
// through one table: it must leave every search byte as it is, and give each
// plain byte its unit's search byte, in reach of one case-bit compare.
void TestCisStore::byteTablesAgree()
{
    const CisUpper::ByteTables &bt = CisUpper::byteTables();
    const unsigned char *searchByte = CisUpper::searchByteTable();
    const char16_t *up = CisUpper::unitTable();
    for (char32_t c = 0; c < 0x10000; ++c) {
        const unsigned char b = searchByte[c];
        if (b != 0 && bt.fold[b] != b)
            QFAIL(qPrintable(u"U+%1: search byte %2 folds to %3"_s.arg(uint(c), 4, 16)
                                 .arg(b, 2, 16)
                                 .arg(bt.fold[b], 2, 16)));
        const int plain = Cp1252Byte(char16_t(c));
        if (plain >= 0)
            QCOMPARE(bt.unit[plain], char16_t(c));
    }
    for (int b = 0; b < 256; ++b) {
        const char16_t u = bt.unit[b];
        QCOMPARE(Cp1252Byte(u), b);
        QCOMPARE(bt.upper[b], up[u]);
        QCOMPARE(bt.fold[b], searchByte[u] ? searchByte[u] : static_cast<unsigned char>(b));
        QVERIFY(bt.fold[b] == b || ((b & 0x20) && bt.fold[b] == (b & ~0x20)));
        QCOMPARE(bt.checkUnits[b], b != 0 && searchByte[u] == 0);
    }
}

void TestCisStore::searchEqualsLiteralOnGeneratedLines_data()
{
    QTest::addColumn<int>("maxLine");
    QTest::addColumn<int>("maxQuery");
    // Short lines; lines past the 64 places tested after a hit; queries
    // longer than a 16-byte block of the full check.
    QTest::newRow("short lines") << 40 << 4;
    QTest::newRow("long lines") << 160 << 4;
    QTest::newRow("long lines, long queries") << 160 << 40;
}

void TestCisStore::searchEqualsLiteralOnGeneratedLines()
{
    QFETCH(int, maxLine);
    QFETCH(int, maxQuery);
    QRandomGenerator rng(20190101 + quint32(maxLine * 100 + maxQuery));
    CisStore store;
    QStringList lines;
    for (int i = 0; i < 3000; ++i) {
        // Plain and wide lines side by side, as a UTF-8 file gives them.
        const QString l = randomText(rng, maxLine, i % 3 != 0);
        lines << l;
        store.append(l);
    }
    // Through the loader's own cutting (lone surrogates of the generated
    // lines do not survive UTF-8, so it is checked against itself).
    CisStore loaded;
    const QByteArray utf8 = "\xEF\xBB\xBF" + lines.join(u"\r\n"_s).toUtf8() + "\r\n";
    FillStoreFromBytes(loaded, utf8.constData(), utf8.size());
    QCOMPARE(loaded.count(), store.count());

    for (int q = 0; q < 400; ++q) {
        QString query;
        if (q % 2) {
            const QString &l = lines[rng.bounded(lines.size())];
            const int from = l.isEmpty() ? 0 : int(rng.bounded(int(l.size())));
            query = l.mid(from, 1 + rng.bounded(maxQuery));
            if (q % 4 == 1)
                query = query.toLower();
        } else {
            query = randomText(rng, 3);
        }
        const auto expected = literalScan(store, query);
        const auto expectedLoaded = literalScan(loaded, query);
        for (const ScanPath path : kScanPaths) {
            QCOMPARE(store.search(query, path), expected);
            QCOMPARE(loaded.search(query, path), expectedLoaded);
        }
    }
}

// Lines of A with "QZ" inside: the query's first and last places (A and A)
// give a candidate at nearly every place, its rare pair in the middle one
// per line, so the search tests that pair, from inside the query; nearly
// every line is a hit, up to the end of the text (every length from 14 to
// 100, around the 64 places tested after a hit).
void TestCisStore::searchByARarePair()
{
    for (int length = 14; length <= 100; ++length) {
        QByteArray bytes;
        for (int i = 0; i < 120; ++i) {
            QByteArray l(length, 'A');
            const int at = 6 + (i * 7) % (length - 11);
            l[at] = 'Q';
            l[at + 1] = 'Z';
            if (i % 5 == 0) // a near miss
                l[at + 2 + i % 4] = 'B';
            bytes += l + "\n";
        }
        CisStore store;
        FillStoreFromBytes(store, bytes.constData(), bytes.size());
        for (const QString &query : {u"AAAAQZAAAA"_s, u"aaqzaaaa"_s, u"AQZA"_s, u"AAAAAAQZ"_s}) {
            const auto expected = literalScan(store, query);
            QVERIFY2(expected.size() > 20, qPrintable(query));
            for (const ScanPath path : kScanPaths) {
                QVERIFY2(store.search(query, path) == expected,
                         qPrintable(u"length %1, %2, path %3"_s.arg(length).arg(query).arg(
                             QLatin1StringView(ScanPathName(path)))));
            }
        }
    }
}

// The 64 places tested after a hit hold the whole query before the text's
// end, though the pair tested stops short of it: here the last line ends in
// "QKA", and the bytes after the text (the file's last two, left by the
// decoding in place) are "KA".
void TestCisStore::searchStopsAtTheTextsEnd()
{
    QByteArray text = "caf\xC3\xA9 caf\xC3\xA9\n";
    for (int i = 0; i < 40; ++i)
        text += "KZK QZZZA KA QZA KZZK QZZK AZA AK KZZA QZZA\n";
    text += "xx QKAKA yy\n";
    text += QByteArray(62, 'x') + "QKA";
    CisStore store;
    FillStoreFromBytes(store, text.constData(), text.size());
    for (const ScanPath path : kScanPaths) {
        QCOMPARE(store.search(u"QKAKA"_s, path), std::vector<qsizetype>{41});
        QCOMPARE(store.search(u"qkaka"_s, path), std::vector<qsizetype>{41});
    }
}

void TestCisStore::notMarketedEqualsLiteral()
{
    QRandomGenerator rng(7);
    CisStore store;
    const QString mark = u"Non commercialisée"_s;
    for (int i = 0; i < 2000; ++i) {
        QString l = randomText(rng, 20);
        switch (rng.bounded(5)) {
        case 0:
            l.insert(rng.bounded(int(l.size()) + 1), mark);
            break;
        case 1:
            l.insert(rng.bounded(int(l.size()) + 1), u"NON COMMERCIALISÉE"_s);
            break;
        case 2:
            l.insert(rng.bounded(int(l.size()) + 1), u"Non commercialiséE"_s + mark.mid(3));
            break;
        default:
            break;
        }
        store.append(l);
    }
    qsizetype marked = 0;
    for (qsizetype i = 0; i < store.count(); ++i) {
        QCOMPARE(store.isNotMarketed(i), HoldsNotMarketed(store.line(i)));
        marked += store.isNotMarketed(i);
    }
    QVERIFY(marked > 300);
}

// A Windows-1252 file's marks are found in the same pass as its line breaks,
// 64 bytes at a time, the last bytes one by one: a mark at every offset
// around those bounds, and a mark past a NUL, which belongs to no line.
void TestCisStore::notMarketedWhileCutting_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray mark("Non commercialis\xE9"
                          "e");
    for (int pad : {0, 1, 15, 16, 46, 47, 63, 64, 65, 100}) {
        const QByteArray line = QByteArray(pad, 'x') + mark;
        QTest::addRow("mark after %d bytes, then more lines", pad)
            << line + "\r\n" + line + "\r\nplain\r\n" + QByteArray(120, 'y');
        QTest::addRow("mark after %d bytes, at the end", pad) << QByteArray(120, 'y') + "\n" + line;
    }
    QTest::newRow("mark past a NUL")
        << "A\t" + mark + QByteArray("\r\nB\0", 5) + mark + "\r\nC\t" + mark + QByteArray(200, 'z');
    QTest::newRow("mark cut short by the end") << QByteArray(100, 'w') + mark.left(17);
    QTest::newRow("mark in other letters") << QByteArray(100, 'w')
                                                  + "NON COMMERCIALIS\xC9"
                                                    "E";
}

// Every path (portable, and SSE2 on x86-64) must cut and mark alike.
void TestCisStore::notMarketedWhileCutting()
{
    QFETCH(QByteArray, bytes);
    QStringList first;
    for (const ScanPath path : kScanPaths) {
        const CisStore store = loadOnPath(path, bytes);
        QVERIFY(store.count() > 0);
        for (qsizetype i = 0; i < store.count(); ++i)
            QCOMPARE(store.isNotMarketed(i), HoldsNotMarketed(store.line(i)));
        if (bytes.contains('\0'))
            QCOMPARE(store.count(), qsizetype(2)); // what follows the NUL is not read
        if (first.isEmpty())
            first = linesAndMarks(store);
        else
            QCOMPARE(linesAndMarks(store), first);
    }
}

// Random bytes (line breaks of every kind, NULs, the mark and pieces of it,
// Windows-1252 and UTF-8 letters) loaded through each path: the same lines
// and the same marks.
void TestCisStore::everyPathLoadsAlike()
{
    QRandomGenerator rng(20261211);
    const QList<QByteArray> pieces = {"a",
                                      "N",
                                      "e",
                                      "x",
                                      "\t",
                                      " ",
                                      "\r",
                                      "\n",
                                      "\r\n",
                                      QByteArray(1, '\0'),
                                      "Non commercialis\xE9"
                                      "e",
                                      "Non commercialis\xC3\xA9"
                                      "e",
                                      "Non commercialis",
                                      "\xE9",
                                      "\xC3\xA9",
                                      "\xC3",
                                      "\xE2\x82\xAC",
                                      "\x92",
                                      QByteArray(40, 'q'),
                                      QByteArray(70, 'r')};
    int compared = 0;
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes;
        if (round % 3 == 0)
            bytes = "\xEF\xBB\xBF"; // marked as UTF-8
        // Without NULs most of the time, so that the later blocks are cut too.
        const int count = int(rng.bounded(40));
        for (int k = 0; k < count; ++k) {
            const QByteArray &piece = pieces[rng.bounded(int(pieces.size()))];
            if (piece.contains('\0') && rng.bounded(4) != 0)
                continue;
            bytes += piece;
        }
        QStringList first;
        for (const ScanPath path : kScanPaths) {
            const CisStore store = loadOnPath(path, bytes);
            const QStringList got = linesAndMarks(store);
            if (path == ScanPath::Portable) {
                first = got;
                continue;
            }
            if (got != first)
                QFAIL(qPrintable(u"bytes %1, path %2: [%3] against [%4]"_s
                                     .arg(QString::fromLatin1(bytes.toHex()))
                                     .arg(QLatin1StringView(ScanPathName(path)))
                                     .arg(got.join(u" / "), first.join(u" / "))));
            ++compared;
        }
    }
    QVERIFY(compared > 0 || std::size(kScanPaths) == 1);
}

void TestCisStore::searchEqualsLiteralOnWholeFile_data()
{
    QTest::addColumn<QString>("path"); // empty: the real file
    QTest::addColumn<QString>("query");
    const QList<std::pair<const char *, QString>> files = {
        {"sample", testDataFile("cis_sample_cp1252.txt")}, {"real", QString()}};
    for (const auto &[name, path] : files) {
        for (const QString &q : {u"PARACETAMOL"_s,
                                 u"ZZZZZ"_s,
                                 u" "_s,
                                 u"COMPRIMÉ"_s,
                                 u"COMPRIME"_s,
                                 u"’"_s,
                                 u"D’"_s,
                                 u";"_s,
                                 u"\t"_s,
                                 u"\tCOMPRIMÉ"_s,
                                 u"61266250"_s,
                                 u"60100"_s,
                                 u"NON COMMERCIALISÉE"_s,
                                 u"É"_s,
                                 u"µ"_s,
                                 u"Ÿ"_s,
                                 u"Œ"_s,
                                 u"\""_s,
                                 u"paracétamol"_s,
                                 u"E"_s})
            QTest::addRow("%s: %s", name, q.toUtf8().toPercentEncoding().constData()) << path << q;
    }
}

void TestCisStore::searchEqualsLiteralOnWholeFile()
{
    QFETCH(QString, path);
    QFETCH(QString, query);
    if (path.isEmpty()) {
        SKIP_WITHOUT_REAL_CIS_FILE();
        path = realCisFile();
    }
    static std::map<QString, CisStore> stores; // each file loaded once
    CisStore &store = stores[path];
    if (store.isEmpty())
        LoadCisLines(store, path);
    const auto expected = literalScan(store, query);
    QCOMPARE(store.search(query), expected);
}

QTEST_GUILESS_MAIN(TestCisStore)
#include "tst_cis_store.moc"
