// The visual style, the program's fonts and the carried pictures.
#include "dialog_helpers.h"
#include "ui/dialogs/msg_dialog.h"
#include "ui/dialogs/vela_ini_gui.h"
#include "ui/style/amethyst_style.h"
#include "ui/style/visual_style.h"
#include "util/vela_ini.h"

#include <QClipboard>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(MsgKind)

using namespace dialogs;

class TestVisualStyle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void styleRegistry();
    void styleKeepsGeometry();
    void styleLook();
    void programFonts();

    void pictures_data();
    void pictures();
    void glyphPairs_data();
    void glyphPairs();
};

void TestVisualStyle::initTestCase()
{
    InitVerdaneResources();
}

void TestVisualStyle::styleRegistry()
{
    QVERIFY(CarriedStyleNames().contains(kProgramStyleName));

    // An unknown name changes nothing.
    QStyle *before = QApplication::style();
    const QPalette paletteBefore = QApplication::palette();
    QVERIFY(!ApplyVisualStyle(u"Amethyst"_s));
    QVERIFY(!ApplyVisualStyle(QString()));
    QVERIFY(!ApplyVisualStyle(u"Amethyst Kamri "_s));
    QCOMPARE(QApplication::style(), before);
    QCOMPARE(QApplication::palette(), paletteBefore);

    // Found whatever the letter case, and in force for dialogs made afterwards.
    QVERIFY(ApplyVisualStyle(u"aMETHYST kAMRI"_s));
    QVERIFY(qobject_cast<AmethystKamriStyle *>(QApplication::style()));
    QCOMPARE(ActiveVisualStyleName(), kProgramStyleName);
    QCOMPARE(QApplication::palette().color(QPalette::Highlight), amethyst::kOrange);

    QString dialogStyle;
    QColor dialogText;
    showAndAct(
        [] { return ShowMessageDialog(u"x"_s, MsgKind::Information, MsgButton::OK); },
        [&](QWidget *w) {
            dialogStyle = w->style()->objectName();
            dialogText =
                w->findChild<QLabel *>(u"MessageText"_s)->palette().color(QPalette::WindowText);
            w->close();
        });
    QCOMPARE(dialogStyle, kProgramStyleName);
    QCOMPARE(dialogText, amethyst::kText);

    // Another style set behind the registry's back is not reported as ours.
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QVERIFY(ActiveVisualStyleName().isEmpty());
    QVERIFY(ApplyVisualStyle(kProgramStyleName));
}

// Controls placed to the pixel must keep their sizes under the style.
void TestVisualStyle::styleKeepsGeometry()
{
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
    AmethystKamriStyle kamri;
    for (QStyle::PixelMetric m :
         {QStyle::PM_ButtonMargin, QStyle::PM_DefaultFrameWidth, QStyle::PM_ButtonDefaultIndicator,
          QStyle::PM_IndicatorWidth, QStyle::PM_IndicatorHeight, QStyle::PM_ScrollBarExtent,
          QStyle::PM_MenuBarHMargin, QStyle::PM_MenuBarVMargin, QStyle::PM_MenuBarItemSpacing,
          QStyle::PM_FocusFrameHMargin, QStyle::PM_LayoutLeftMargin, QStyle::PM_SizeGripSize})
        QCOMPARE(kamri.pixelMetric(m), fusion->pixelMetric(m));

    QGroupBox box(u"Entrez tout ou partie d''un nom de médicament sans accent"_s);
    box.setGeometry(234, 1, 451, 86);
    QLineEdit edit(&box);
    edit.setGeometry(6, 35, 195, 24);
    QPushButton button(u"Rechercher"_s, &box);
    button.setGeometry(207, 15, 169, 69);
    box.setStyle(fusion.get());
    const QRect fusionContents = box.contentsRect();
    const QSize fusionHint = button.sizeHint();
    box.setStyle(&kamri);
    button.setStyle(&kamri);
    edit.setStyle(&kamri);
    QCOMPARE(box.contentsRect(), fusionContents);
    QCOMPARE(edit.geometry(), QRect(6, 35, 195, 24));
    QCOMPARE(button.geometry(), QRect(207, 15, 169, 69));
    button.setStyle(fusion.get());
    QCOMPARE(button.sizeHint(), fusionHint);
}

// The look: indigo bars and group titles, orange for the default button.
void TestVisualStyle::styleLook()
{
    QVERIFY(ApplyVisualStyle(kProgramStyleName));
    QWidget window;
    window.resize(300, 120);
    auto *bar = new QMenuBar(&window);
    bar->addMenu(u"Fichier"_s);
    bar->addMenu(u"Editer"_s);
    bar->setGeometry(0, 0, 300, 22);
    auto *box = new QGroupBox(u"Titre"_s, &window);
    box->setGeometry(10, 30, 200, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QImage barImage = bar->grab().toImage();
    QCOMPARE(barImage.pixelColor(barImage.width() - 3, barImage.height() / 2), amethyst::kIndigo);

    const QImage boxImage = box->grab().toImage();
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &opt,
                                                     QStyle::SC_GroupBoxLabel, box);
    // The title stands on indigo, in light text.
    int indigo = 0;
    for (int x = label.left(); x <= label.right(); ++x)
        for (int y = label.top(); y <= label.bottom(); ++y)
            indigo += boxImage.pixelColor(x, y) == amethyst::kIndigo;
    QVERIFY2(indigo > label.width() * label.height() / 3, qPrintable(QString::number(indigo)));
    bool lightText = false;
    for (int x = label.left(); x <= label.right() && !lightText; ++x)
        for (int y = label.top(); y <= label.bottom() && !lightText; ++y)
            lightText = boxImage.pixelColor(x, y).lightness() > 200;
    QVERIFY(lightText);
    if (qEnvironmentVariableIsSet("VERDANE_STYLE_SAMPLE"))
        window.grab().save(qEnvironmentVariable("VERDANE_STYLE_SAMPLE"));
}

void TestVisualStyle::programFonts()
{
    EnsureProgramFonts();
    EnsureProgramFonts(); // idempotent
    const bool wine = QFile::exists(u"/usr/share/wine/fonts/tahoma.ttf"_s);
    for (const QString &family : {u"Tahoma"_s, u"MS Sans Serif"_s}) {
        QFont f(family);
        f.setPixelSize(11);
        const QString resolved = QFontInfo(f).family();
        if (wine)
            QCOMPARE(resolved, family);
        else
            QVERIFY2(resolved.contains(u"DejaVu"_s) || resolved == family, qPrintable(resolved));
    }
    if (wine) {
        QFont bold(u"Tahoma"_s);
        bold.setBold(true);
        QCOMPARE(QFontInfo(bold).family(), u"Tahoma"_s);
        QVERIFY(QFontInfo(bold).bold());
        // Bold must look bold: more ink than the regular face.
        auto ink = [](const QFont &f) {
            QImage im(200, 40, QImage::Format_RGB32);
            im.fill(Qt::white);
            QPainter p(&im);
            p.setFont(f);
            p.setPen(Qt::black);
            p.drawText(4, 28, u"Rechercher"_s);
            p.end();
            qint64 sum = 0;
            for (int y = 0; y < im.height(); ++y)
                for (int x = 0; x < im.width(); ++x)
                    sum += 255 - qGray(im.pixel(x, y));
            return sum;
        };
        QFont regular(u"Tahoma"_s);
        regular.setPixelSize(13);
        bold.setPixelSize(13);
        QVERIFY2(ink(bold) * 10 > ink(regular) * 13,
                 qPrintable(u"%1 vs %2"_s.arg(ink(bold)).arg(ink(regular))));
    }
}

void TestVisualStyle::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::newRow("logo") << u":/img/logo.gif"_s << QByteArray("gif") << QSize(233, 80) << false;
    QTest::newRow("yes") << u":/img/yes.png"_s << QByteArray("png") << QSize(128, 128) << true;
    QTest::newRow("no") << u":/img/no.png"_s << QByteArray("png") << QSize(128, 128) << true;
    QTest::newRow("copy") << u":/img/copy.png"_s << QByteArray("png") << QSize(16, 16) << true;
}

void TestVisualStyle::pictures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage img = reader.read();
    QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(img.size(), size);
    if (alpha) {
        // Transparent corners, an opaque middle.
        QCOMPARE(qAlpha(img.pixel(0, size.height() - 1)), 0);
        QCOMPARE(qAlpha(img.pixel(size.width() - 1, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(size.width() / 2 + 1, size.height() / 2 + 1)), 255);
    } else {
        const QImage rgba = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < rgba.height(); ++y)
            for (int x = 0; x < rgba.width(); ++x)
                QCOMPARE(qAlpha(rgba.pixel(x, y)), 255);
        QCOMPARE(img.pixelColor(0, 0), QColor(Qt::white));
    }
}

void TestVisualStyle::glyphPairs_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("tick") << u":/img/tick.bmp"_s;
    QTest::newRow("door") << u":/img/door.bmp"_s;
}

void TestVisualStyle::glyphPairs()
{
    QFETCH(QString, path);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage img = reader.read();
    QCOMPARE(img.size(), QSize(36, 18));
    QCOMPARE(img.format(), QImage::Format_Indexed8); // a 16-colour bitmap, read as indexed
    QVERIFY(img.colorCount() <= 16);

    // Transparent colour from the bottom-left pixel; both halves draw a shape.
    const QRgb ground = img.pixel(0, 17);
    int shape[2] = {0, 0};
    bool colourInSecond = false;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 36; ++x) {
            const QRgb c = img.pixel(x, y);
            if (c == ground)
                continue;
            ++shape[x / 18];
            if (x >= 18 && qGray(c) != qRed(c))
                colourInSecond = true; // greyed form: greys only
        }
    QVERIFY(shape[0] > 20);
    QVERIFY(shape[1] > 20);
    QVERIFY(!colourInSecond);
}

QTEST_MAIN(TestVisualStyle)
#include "tst_visual_style.moc"
