// The search's inner loop: the SSE2 path (where the build has it) and the
// portable path must find the same first place as a plain
// position-by-position comparison, on every length and alignment (the SSE2
// path works in blocks of 16 and hands the tail to the portable one). And
// the path the build takes is the one CMake was asked for.
#include "core/byte_search.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>

namespace {

const unsigned char *naiveFind(const unsigned char *h, qsizetype n, const unsigned char *nd,
                               qsizetype m)
{
    for (qsizetype i = 0; i + m <= n; ++i)
        if (std::memcmp(h + i, nd, size_t(m)) == 0)
            return h + i;
    return nullptr;
}

const auto *bytes(const QByteArray &a)
{
    return reinterpret_cast<const unsigned char *>(a.constData());
}

// Where each path finds the needle: -1 for nowhere.
struct Places
{
    qsizetype naive, portable, sse2;
};

Places placesOf(const QByteArray &hay, const QByteArray &needle)
{
    const auto at = [&](const unsigned char *p) { return p ? p - bytes(hay) : qsizetype(-1); };
    const qsizetype n = hay.size(), m = needle.size();
    Places p{at(naiveFind(bytes(hay), n, bytes(needle), m)),
             at(FindBytesPortable(bytes(hay), n, bytes(needle), m)), p.naive};
#if defined(CIS_HAVE_SSE2)
    p.sse2 = at(FindBytesSse2(bytes(hay), n, bytes(needle), m));
#endif
    return p;
}

} // namespace

class TestByteSearch : public QObject
{
    Q_OBJECT
private slots:
    void builtPathIsConfigured();
    void edges_data();
    void edges();
    void randomInputs();
    void bytePairRandomInputs();
};

// VERDANE_EXPECTED_SCAN_PATH comes from CMake: "portable" with
// VERDANE_PORTABLE_SCANS or off x86-64, else "SSE2".
void TestByteSearch::builtPathIsConfigured()
{
    QCOMPARE(ScanPathName(kScanPath), VERDANE_EXPECTED_SCAN_PATH);
    QCOMPARE(std::size(kScanPaths), kScanPath == ScanPath::Sse2 ? size_t(2) : size_t(1));
    QCOMPARE(kScanPaths[0], ScanPath::Portable);
}

void TestByteSearch::edges_data()
{
    QTest::addColumn<QByteArray>("hay");
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<qsizetype>("place");

    const QByteArray block(40, 'A');
    QTest::newRow("one byte, absent") << block << QByteArray("B") << qsizetype(-1);
    QTest::newRow("one byte, last") << block + 'B' << QByteArray("B") << qsizetype(40);
    QTest::newRow("needle is the whole hay")
        << QByteArray("PARACETAMOL") << QByteArray("PARACETAMOL") << qsizetype(0);
    QTest::newRow("needle longer than the hay")
        << QByteArray("PARA") << QByteArray("PARACETAMOL") << qsizetype(-1);
    QTest::newRow("at the very end") << block + "XYZ" << QByteArray("XYZ") << qsizetype(40);
    QTest::newRow("cut by the end") << block + "XY" << QByteArray("XYZ") << qsizetype(-1);
    QTest::newRow("across a block boundary")
        << QByteArray(14, 'A') + "XYZ" + block << QByteArray("XYZ") << qsizetype(14);
    QTest::newRow("first and last bytes match, middle not")
        << QByteArray("XAZ") + QByteArray(30, '.') + "XYZ" << QByteArray("XYZ") << qsizetype(33);
    QTest::newRow("bytes above 0x7F")
        << block + "\xC9\xC8\xC9" << QByteArray("\xC8\xC9") << qsizetype(41);
    QTest::newRow("repeated prefix")
        << QByteArray("AAAAAAAAAAAAAAAAAAAAB") << QByteArray("AAAB") << qsizetype(17);
    QTest::newRow("empty hay") << QByteArray() << QByteArray("A") << qsizetype(-1);
}

void TestByteSearch::edges()
{
    QFETCH(QByteArray, hay);
    QFETCH(QByteArray, needle);
    QFETCH(qsizetype, place);
    const Places p = placesOf(hay, needle);
    QCOMPARE(p.naive, place);
    QCOMPARE(p.portable, place);
    QCOMPARE(p.sse2, place);
    for (const ScanPath path : kScanPaths) {
        const unsigned char *at = FindBytes(bytes(hay), hay.size(), bytes(needle), needle.size(),
                                            path);
        QCOMPARE(at ? at - bytes(hay) : qsizetype(-1), place);
    }
}

// Small alphabets make partial matches and near misses frequent, larger ones
// long stretches without a candidate; every length of hay up to several
// blocks and of needle up to past one block.
void TestByteSearch::randomInputs()
{
    QRandomGenerator rng(20240611);
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        const int alphabet = round % 2 ? 2 + int(rng.bounded(3)) : 8 + int(rng.bounded(24));
        const qsizetype n = rng.bounded(300);
        const qsizetype m = 1 + rng.bounded(40);
        QByteArray hay(n, Qt::Uninitialized), needle(m, Qt::Uninitialized);
        for (char &c : hay)
            c = char(0xC0 + rng.bounded(alphabet)); // high bytes, as accented letters
        for (char &c : needle)
            c = char(0xC0 + rng.bounded(alphabet));
        const Places p = placesOf(hay, needle);
        if (p.portable != p.naive || p.sse2 != p.naive)
            QFAIL(qPrintable(
                QStringLiteral("hay %1, needle %2: naive %3, portable %4, SSE2 %5")
                    .arg(QString::fromLatin1(hay.toHex()), QString::fromLatin1(needle.toHex()))
                    .arg(p.naive)
                    .arg(p.portable)
                    .arg(p.sse2)));
        found += p.naive >= 0;
    }
    // The inputs must exercise both outcomes.
    QVERIFY(found > 1000);
    QVERIFY(found < 19000);
}

// The search's two-place test, with and without the case bit, at every
// distance up to past one block: each path must hand over the same
// candidates as a plain loop, whether the caller takes every one, jumps
// ahead from each (within a block or past it), or stops early.
void TestByteSearch::bytePairRandomInputs()
{
    QRandomGenerator rng(20261210);
    const unsigned char letters[] = {'A', 'a', 'B', 'b', 0xC9, 0xE9, ' ', 0x00, 0xFF, 0xDF};
    int found = 0, jumped = 0, stopped = 0, quiet = 0;
    for (int round = 0; round < 20000; ++round) {
        // A third of the rounds are long and mostly spaces: stretches with no
        // candidate, which each path passes over a stretch at a time.
        const bool sparse = round % 3 == 2;
        const qsizetype n = rng.bounded(sparse ? 2000 : 300);
        QByteArray hay(n, Qt::Uninitialized);
        const int alphabet = round % 2 ? 4 : int(std::size(letters));
        for (char &c : hay)
            c = sparse && rng.bounded(40) != 0 ? ' ' : char(letters[rng.bounded(alphabet)]);
        BytePair t;
        t.d = round % 5 == 0 ? 0 : rng.bounded(40);
        t.maskA = rng.bounded(2) ? 0x20 : 0;
        t.maskB = t.d == 0 ? t.maskA : (rng.bounded(2) ? 0x20 : 0);
        t.a = letters[rng.bounded(alphabet)] | t.maskA;
        t.b = t.d == 0 ? t.a : letters[rng.bounded(alphabet)] | t.maskB;
        // Where the caller goes on from each candidate, and when it stops.
        const quint32 spread = round % 3 == 0 ? 1 : 1 + rng.bounded(80);
        const quint32 salt = rng.generate();
        const int limit = round % 4 == 0 ? 1 + int(rng.bounded(5)) : -1;
        const auto walk = [&](auto scan) {
            QList<qsizetype> seen;
            scan([&](qsizetype p) -> qsizetype {
                seen.append(p);
                if (seen.size() == limit)
                    return n + qsizetype(salt % 3); // any place at or past the end stops
                return p + 1 + qsizetype((quint32(p) * 2654435761u ^ salt) % spread);
            });
            return seen;
        };
        const QList<qsizetype> naive = walk([&](auto next) {
            for (qsizetype p = 0; p + t.d < n;)
                p = (uchar(hay[p]) | t.maskA) == t.a && (uchar(hay[p + t.d]) | t.maskB) == t.b
                        ? next(p)
                        : p + 1;
        });
        const QList<qsizetype> portable = walk(
            [&](auto next) { ScanBytePairPortable(bytes(hay), n, t, next); });
        QList<qsizetype> sse2 = naive;
#if defined(CIS_HAVE_SSE2)
        sse2 = walk([&](auto next) { ScanBytePairSse2(bytes(hay), n, t, next); });
#endif
        const auto text = [](const QList<qsizetype> &l) {
            QStringList parts;
            for (qsizetype p : l)
                parts << QString::number(p);
            return parts.join(u' ');
        };
        if (portable != naive || sse2 != naive)
            QFAIL(qPrintable(QStringLiteral("hay %1, %2/%3 %4/%5 at %6, spread %7, limit %8: "
                                            "naive [%9], portable [%10], SSE2 [%11]")
                                 .arg(QString::fromLatin1(hay.toHex()))
                                 .arg(t.a, 2, 16)
                                 .arg(t.maskA, 2, 16)
                                 .arg(t.b, 2, 16)
                                 .arg(t.maskB, 2, 16)
                                 .arg(t.d)
                                 .arg(spread)
                                 .arg(limit)
                                 .arg(text(naive), text(portable), text(sse2))));
        found += !naive.isEmpty();
        jumped += spread > 32 && naive.size() > 1;
        stopped += naive.size() == limit;
        quiet += n > 600 && naive.size() < 4;
    }
    // The inputs must exercise every outcome.
    QVERIFY(found > 1000);
    QVERIFY(found < 19000);
    QVERIFY(jumped > 1000);
    QVERIFY(stopped > 500);
    QVERIFY(quiet > 1000);
}

QTEST_GUILESS_MAIN(TestByteSearch)
#include "tst_byte_search.moc"
