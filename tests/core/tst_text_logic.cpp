// The window-free text rules of the search and the record view.
#include "core/text_logic.h"
#include <QTest>

using namespace Qt::StringLiterals;

class TestTextLogic : public QObject
{
    Q_OBJECT
private slots:
    void lineMatchesQuery_data();
    void lineMatchesQuery();
    void resultRowText();
    void holdsNotMarketed_data();
    void holdsNotMarketed();
    void splitResultRow_data();
    void splitResultRow();
};

void TestTextLogic::lineMatchesQuery_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("expected");

    QTest::newRow("small letters, capital query") << u"doliprane 500 mg"_s << u"DOLIPRANE"_s << true;
    QTest::newRow("beginning of a word") << u"doliprane"_s << u"DOLI"_s << true;
    QTest::newRow("query upper-cased too") << u"DOLIPRANE"_s << u"doli"_s << true;
    QTest::newRow("no accent folding") << u"comprimé pelliculé"_s << u"COMPRIME"_s << false;
    QTest::newRow("accented query, small accent")
        << u"comprimé pelliculé"_s << u"COMPRIMÉ"_s << true;
    QTest::newRow("accented query, capital accent") << u"COMPRIMÉ"_s << u"COMPRIMÉ"_s << true;
    QTest::newRow("empty query") << u"abc"_s << QString() << false;
    QTest::newRow("empty line") << QString() << u"A"_s << false;
    QTest::newRow("both empty") << QString() << QString() << false;
    QTest::newRow("whole line") << u"61266250\tA 313"_s << u"61266250\tA 313"_s << true;
    QTest::newRow("code alone") << u"61266250\tA 313"_s << u"61266250"_s << true;
    QTest::newRow("query longer than line") << u"ab"_s << u"ABC"_s << false;
    QTest::newRow("tab is not ;") << u"orale\tcutanée"_s << u"ORALE;CUTANÉE"_s << false;
    QTest::newRow("; matches ;") << u"orale;cutanée"_s << u"ORALE;CUTANÉE"_s << true;
    QTest::newRow("tab matches tab") << u"orale\tcutanée"_s << u"ORALE\tCUTANÉE"_s << true;
    QTest::newRow("one space") << u"a b"_s << u" "_s << true;
    QTest::newRow("one space, none") << u"ab"_s << u" "_s << false;
    QTest::newRow("sharp s keeps its length") << u"straße"_s << u"STRASSE"_s << false;
    QTest::newRow("sharp s itself") << u"straße"_s << u"STRAßE"_s << true;
    QTest::newRow("curly apostrophe") << u"l’eau"_s << u"L’EAU"_s << true;
    QTest::newRow("straight is not curly") << u"l'eau"_s << u"L’EAU"_s << false;
    QTest::newRow("y diaeresis maps above Latin-1") << u"ÿ"_s << u"Ÿ"_s << true;
    QTest::newRow("restart after partial match") << u"AAAB"_s << u"AAB"_s << true;
    QTest::newRow("match at the very end") << u"xyzabc"_s << u"ABC"_s << true;
}

void TestTextLogic::lineMatchesQuery()
{
    QFETCH(QString, line);
    QFETCH(QString, query);
    QFETCH(bool, expected);
    QCOMPARE(LineMatchesQuery(line, query), expected);
}

void TestTextLogic::resultRowText()
{
    QCOMPARE(ResultRowText(u"\ta\tb\t\tc;d\t"_s), u";a;b;;c;d;"_s);
    QCOMPARE(ResultRowText(QString()), QString());
}

void TestTextLogic::holdsNotMarketed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("exact") << u"Non commercialisée"_s << true;
    QTest::newRow("inside a row") << u"1;NOM;Non commercialisée;x"_s << true;
    QTest::newRow("small n") << u"non commercialisée"_s << false;
    QTest::newRow("capitals") << u"NON COMMERCIALISÉE"_s << false;
    QTest::newRow("no accent") << u"Non commercialisee"_s << false;
    QTest::newRow("marketed") << u"Commercialisée"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void TestTextLogic::holdsNotMarketed()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(HoldsNotMarketed(text), expected);
}

void TestTextLogic::splitResultRow_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("empty row") << QString() << QStringList();
    QTest::newRow("plain fields") << u"a;b;c"_s << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("leading ;") << u";a"_s << QStringList{QString(), u"a"_s};
    QTest::newRow("trailing ;") << u"a;"_s << QStringList{u"a"_s, QString()};
    QTest::newRow(";; between") << u"a;;b"_s << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("only ;") << u";"_s << QStringList{QString(), QString()};
    QTest::newRow("no trimming") << u" a ;\tb "_s << QStringList{u" a "_s, u"\tb "_s};
    QTest::newRow("quoted A;B") << u"\"A;B\";c"_s << QStringList{u"A;B"_s, u"c"_s};
    QTest::newRow("text after closing quote")
        << u"\"ab\"cd;ef"_s << QStringList{u"ab"_s, u"cd"_s, u"ef"_s};
    QTest::newRow("space after closing quote")
        << u"\"a\" ;b"_s << QStringList{u"a"_s, u" "_s, u"b"_s};
    QTest::newRow("doubled quotes") << u"\"a\"\"b\";c"_s << QStringList{u"a\"b"_s, u"c"_s};
    QTest::newRow("unterminated quote")
        << u"x;\"abc;def\"\"g"_s << QStringList{u"x"_s, u"abc;def\"g"_s};
    QTest::newRow("lone quote at end") << u"x;\""_s << QStringList{u"x"_s, QString()};
    QTest::newRow("doubled quote then end") << u"\"ab\"\""_s << QStringList{u"ab\""_s};
    QTest::newRow("empty quoted field") << u"\"\";x"_s << QStringList{QString(), u"x"_s};
    QTest::newRow("empty quoted row") << u"\"\""_s << QStringList{QString()};
    QTest::newRow("quoted then trailing ;") << u"\"ab\";"_s << QStringList{u"ab"_s, QString()};
    QTest::newRow("quote inside plain field") << u"a\"b;c\"d"_s << QStringList{u"a\"b"_s, u"c\"d"_s};
    QTest::newRow("nine fields")
        << u"61266250;A 313;pommade;cutanée;Autorisation active;Procédure nationale;Commercialisée;12/03/1998;"_s
        << QStringList{u"61266250"_s,
                       u"A 313"_s,
                       u"pommade"_s,
                       u"cutanée"_s,
                       u"Autorisation active"_s,
                       u"Procédure nationale"_s,
                       u"Commercialisée"_s,
                       u"12/03/1998"_s,
                       QString()};
}

void TestTextLogic::splitResultRow()
{
    QFETCH(QString, row);
    QFETCH(QStringList, fields);
    QCOMPARE(SplitResultRow(row), fields);
}

QTEST_GUILESS_MAIN(TestTextLogic)
#include "tst_text_logic.moc"
