// The "Patientez" window: the logo and one line of text on white.
#include "app/frm_SplashScreen.h"

#include "ui/style/visual_style.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPixmap>

using namespace Qt::StringLiterals;

TSplashScreen::TSplashScreen(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(u"SplashScreen"_s);
    setWindowTitle(u"Patientez"_s);
    setAccessibleName(u"Patientez"_s);

    const double scale = ScreenDensityScale();
    auto scaled = [scale](int v) { return int(std::lround(v * scale)); };

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    QFont f(u"MS Sans Serif"_s);
    f.setPixelSize(scaled(11));
    setFont(f);

    // A 3-pixel white border around a 233 x 99 client area.
    const int border = scaled(3);
    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setAccessibleName(u"Agence Nationale de Sécurité du Médicament"_s);
    Image1->setPixmap(QPixmap(u":/img/logo.gif"_s));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setGeometry(border, border, scaled(233), scaled(80));

    Label1 = new QLabel(u"Chargement de la base de données ..."_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setAccessibleName(Label1->text());
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(border, border + scaled(99) - scaled(13), scaled(233), scaled(13));

    setFixedSize(scaled(233) + 2 * border, scaled(99) + 2 * border);
}
