// The desktop side of the settings layer: URLs handed to the browser and the
// clipboard.
#include "ui/dialogs/vela_ini_gui.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

class TestVelaIniGui : public QObject
{
    Q_OBJECT

private slots:
    void formattedUrl_data();
    void formattedUrl();
    void onlyWebPagesAreOpened_data();
    void onlyWebPagesAreOpened();
    void clipboard();

    void cleanup();
};

void TestVelaIniGui::cleanup()
{
    SetUrlOpenerForTesting({});
}

void TestVelaIniGui::formattedUrl_data()
{
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("extract by CIS code")
        << u"http://agence-prd.ansm.sante.fr/php/ecodex/extrait.php?specid=%s"_s << u"60001234"_s
        << QByteArray("http://agence-prd.ansm.sante.fr/php/ecodex/extrait.php?specid=60001234");
    QTest::newRow("argument inside the path, already encoded")
        << u"http://www.vidal.fr/recherche/index/q:%s/"_s
        << u"ABACAVIR%2FLAMIVUDINE%20ARROW%20600%20mg"_s
        << QByteArray(
               "http://www.vidal.fr/recherche/index/q:ABACAVIR%2FLAMIVUDINE%20ARROW%20600%20mg/");
    QTest::newRow("empty argument")
        << u"http://agence-prd.ansm.sante.fr/php/ecodex/extrait.php?specid=%s"_s << QString()
        << QByteArray("http://agence-prd.ansm.sante.fr/php/ecodex/extrait.php?specid=");
    QTest::newRow("a %s in the argument is not replaced again")
        << u"https://h/q=%s&r=1"_s << u"a%25s"_s << QByteArray("https://h/q=a%25s&r=1");
}

void TestVelaIniGui::formattedUrl()
{
    QFETCH(QString, urlTemplate);
    QFETCH(QString, argument);
    QFETCH(QByteArray, expected);
    QList<QUrl> opened;
    SetUrlOpenerForTesting([&](const QUrl &u) {
        opened << u;
        return true;
    });
    ShellOpenFormattedUrl(urlTemplate, argument);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first().toEncoded(), expected);
}

void TestVelaIniGui::onlyWebPagesAreOpened_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("opened");
    QTest::newRow("http")
        << u"http://dgs-urgent.sante.gouv.fr/dgs-urgent/inter/listeMessageBuilder.do?cmd=afficherListe"_s
        << true;
    QTest::newRow("https") << u"https://agence-prd.ansm.sante.fr/php/ecodex/telecharger/lirecis.php"_s
                           << true;
    QTest::newRow("file") << u"file:///etc/passwd"_s << false;
    QTest::newRow("no scheme") << u"/usr/bin/xterm"_s << false;
    QTest::newRow("other scheme") << u"smb://host/share"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void TestVelaIniGui::onlyWebPagesAreOpened()
{
    QFETCH(QString, url);
    QFETCH(bool, opened);
    QList<QUrl> seen;
    SetUrlOpenerForTesting([&](const QUrl &u) {
        seen << u;
        return false; // the opener's answer is passed back
    });
    QCOMPARE(ShellOpenUrl(url), false);
    QCOMPARE(seen.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(seen.first().toEncoded(), url.toUtf8());

    SetUrlOpenerForTesting([&](const QUrl &) { return true; });
    QCOMPARE(ShellOpenUrl(url), opened);
}

void TestVelaIniGui::clipboard()
{
    QGuiApplication::clipboard()->setText(u"avant"_s);
    CopyTextToClipboard(u"DOLIPRANE 1000 mg, comprimé"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"DOLIPRANE 1000 mg, comprimé"_s);
}

QTEST_MAIN(TestVelaIniGui)
#include "tst_vela_ini_gui.moc"
