// The main window Form_CIS: its controls and their layout, creation, first
// showing and the two ways out (close step, quit).
#include "ui/frm_cis.h"

#include "core/app_error.h"
#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "ui/accessibility.h"
#include "ui/dialogs/msg_dialog.h"
#include "ui/labeled_line_edit.h"
#include "ui/panel_status_bar.h"
#include "ui/progress_gauge.h"
#include "ui/result_list.h"
#include "ui/status_lamp.h"
#include "ui/style/visual_style.h"
#include "ui/upper_case_line_edit.h"
#include "ui/window_geometry.h"
#include "ui/window_shortcuts.h"
#include "util/program_folders.h"
#include "util/vela_ini.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSessionManager>
#include <QShowEvent>
#include <QTimer>
#include <new>

using namespace Qt::StringLiterals;

QString CisFilePath;

namespace {

// Kept letter for letter: "d''un" with two apostrophes (the plain message of
// an empty search has one).
const QString kSearchHint = u"Entrez tout ou partie d''un nom de médicament sans accent"_s;
constexpr int kHintMs = 2500;

// The client area: it reports its resizes and the showing or hiding of its
// bands so the window can arrange them at once.
class ClientAreaWidget : public QWidget
{
public:
    explicit ClientAreaWidget(QWidget *parent) : QWidget(parent) { }
    std::function<void()> arrange;

    void watch(QWidget *band) { band->installEventFilter(this); }

protected:
    void resizeEvent(QResizeEvent *e) override
    {
        QWidget::resizeEvent(e);
        if (arrange)
            arrange();
    }
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if ((e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent) && arrange)
            arrange();
        return QWidget::eventFilter(watched, e);
    }
};

QFont tahoma(double pixelSize, bool bold)
{
    QFont f(u"Tahoma"_s);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setBold(bold);
    return f;
}

QFont boldFont(double scale)
{
    return tahoma(11 * scale, true);
}

// A glyph bitmap holds two images side by side: the normal one, then its
// greyed form for the disabled button. The colour of the bottom-left pixel
// is transparent.
QIcon glyphIcon(const QString &path)
{
    const QImage img(path);
    if (img.isNull() || img.width() < 2)
        return {};
    const int w = img.width() / 2, h = img.height();
    const QRgb transparent = img.pixel(0, h - 1);
    auto part = [&](int i) {
        QPixmap pm = QPixmap::fromImage(img.copy(i * w, 0, w, h));
        pm.setMask(pm.createMaskFromColor(QColor::fromRgb(transparent), Qt::MaskInColor));
        return pm;
    };
    QIcon icon;
    icon.addPixmap(part(0), QIcon::Normal);
    icon.addPixmap(part(1), QIcon::Disabled);
    return icon;
}

void setHint(QWidget *w, const QString &text)
{
    w->setToolTip(text);
    w->setToolTipDuration(kHintMs);
}

QFrame *makePanel(QWidget *parent, const QString &name, const QString &accessible)
{
    auto *f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    f->setLineWidth(1);
    f->setAccessibleName(accessible);
    return f;
}

} // namespace

// ---- Construction ----------------------------------------------------------

TForm_CIS::TForm_CIS(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    CisLines = std::make_shared<CisStore>();
    EnsureAccessibleInterfaces();
    buildControls();
    wireHandlers();
    guarded([this] { FormCreate(); });
}

TForm_CIS::~TForm_CIS() = default;

int TForm_CIS::scaled(int v) const
{
    return m_scale == 1.0 ? v : int(std::lround(v * m_scale));
}

void TForm_CIS::buildControls()
{
    InitVerdaneResources();
    setObjectName(u"Form_CIS"_s);
    // No accessible name of its own: screen readers announce the caption,
    // which the record view changes.
    setWindowTitle(u"ANSM CIS - Verdane 2015 ***{:-"_s);
    // The import's way in without a mouse, where a screen reader finds it.
    setAccessibleDescription(
        u"Importer un fichier CIS : déposez-le sur la fenêtre, ou ouvrez-le par Ctrl+O"_s);

    // Density: fonts follow the screen's dots per inch; the window font is
    // 13 pixels high at 96 dpi, so lengths follow it by the same factor.
    m_scale = ScreenDensityScale();
    setFont(tahoma(11 * m_scale, false));

    buildMenu();
    buildCommands();
    // The bands in creation (stacking) order.
    buildClientArea();
    buildRecordPanel();
    buildWebPanel();
    buildSearchBand();
    buildTabCycle();

    auto *client = static_cast<ClientAreaWidget *>(ClientArea1);
    client->arrange = [this] { arrangeBands(); };
    for (QWidget *band : {static_cast<QWidget *>(Gauge1), ListBox1,
                          static_cast<QWidget *>(StatusBar1), static_cast<QWidget *>(panel_edit),
                          static_cast<QWidget *>(panel_btn), static_cast<QWidget *>(Panel3)})
        client->watch(band);

    // The designed client size: 686 x 443 below the menu bar.
    ClientArea1->resize(scaled(686), scaled(443));
    resize(scaled(686), scaled(443) + MainMenu1->sizeHint().height());
    if (layout())
        layout()->activate();
    arrangeBands();

    // Log-off or shut-down ends the program without the close step.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager &) { endSession(); });
}

void TForm_CIS::place(QWidget *w, int x, int y, int width, int height) const
{
    w->setGeometry(scaled(x), scaled(y), scaled(width), scaled(height));
}

void TForm_CIS::buildMenu()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(u"MainMenu1"_s);
    MainMenu1->setAccessibleName(u"Menu"_s);
    MainMenu1->setFont(DesktopFont("QMenuBar")); // like its drop-down menus
    Fihcier1 = MainMenu1->addMenu(u"Fichier"_s);
    Fihcier1->setObjectName(u"Fihcier1"_s);
    Fihcier1->setAccessibleName(u"Fichier"_s);
    PAgedetlchragemntdelANSM1 = Fihcier1->addAction(u"Page de téléchargement de l'ANSM"_s);
    PAgedetlchragemntdelANSM1->setObjectName(u"PAgedetlchragemntdelANSM1"_s);
    // Kept letter for letter: "CLIC!" without a space; "Editer" below without accent.
    mnu_DOWNLOAD = Fihcier1->addAction(u"Télécharger \"CIS.TXT\" en un seul CLIC!"_s);
    mnu_DOWNLOAD->setObjectName(u"mnu_DOWNLOAD"_s);
    N2 = Fihcier1->addSeparator();
    N2->setObjectName(u"N2"_s);
    DGSUrgent1 = Fihcier1->addAction(u"DGS Urgent"_s);
    DGSUrgent1->setObjectName(u"DGSUrgent1"_s);
    N1 = Fihcier1->addSeparator();
    N1->setObjectName(u"N1"_s);
    Quitter1 = Fihcier1->addAction(u"&Quitter"_s);
    Quitter1->setObjectName(u"Quitter1"_s);
    Quitter1->setShortcut(ShortcutOf(WindowCommand::Quit));
    Editer1 = MainMenu1->addMenu(u"Editer"_s);
    Editer1->setObjectName(u"Editer1"_s);
    Editer1->setAccessibleName(u"Editer"_s);
    CopierleNom1 = Editer1->addAction(u"Copier le Nom"_s);
    CopierleNom1->setObjectName(u"CopierleNom1"_s);
    CopierleNom1->setShortcut(ShortcutOf(WindowCommand::CopyName));
    for (QAction *a : {PAgedetlchragemntdelANSM1, mnu_DOWNLOAD, DGSUrgent1, Quitter1, CopierleNom1})
        a->setShortcutContext(Qt::WindowShortcut);
}

// Named commands and the other non-visual components.
void TForm_CIS::buildCommands()
{
    auto *actionList = new QObject(this);
    actionList->setObjectName(u"ActionList1"_s);
    INI_GET = new QAction(u"INI_GET"_s, actionList);
    INI_GET->setObjectName(u"INI_GET"_s);
    INI_SAVE = new QAction(u"INI_SAVE"_s, actionList);
    INI_SAVE->setObjectName(u"INI_SAVE"_s);
    Action1 = new QAction(u"Action1"_s, actionList);
    Action1->setObjectName(u"Action1"_s);
    connect(INI_GET, &QAction::triggered, this, [this] { guarded([this] { INI_GETExecute(); }); });
    connect(INI_SAVE, &QAction::triggered, this, [this] { guarded([this] { INI_SAVEExecute(); }); });
    // Opening a CIS file from the keyboard: a window command, in no menu.
    m_openCisFile = new QAction(u"Ouvrir un fichier CIS"_s, this);
    m_openCisFile->setShortcut(ShortcutOf(WindowCommand::OpenCisFile));
    m_openCisFile->setShortcutContext(Qt::WindowShortcut);
    addAction(m_openCisFile);
    auto *dragDrop = new QObject(this);
    dragDrop->setObjectName(u"JvDragDrop1"_s);
    auto *imageList = new QObject(this);
    imageList->setObjectName(u"ImageList1"_s);
}

// The client area, then the progress gauge, the result list, the hidden
// list box and the status bar.
void TForm_CIS::buildClientArea()
{
    ClientArea1 = new ClientAreaWidget(this);
    ClientArea1->setObjectName(u"ClientArea1"_s);
    ClientArea1->setAccessibleName(u"Contenu de la fenêtre"_s);
    setCentralWidget(ClientArea1);

    Gauge1 = new ProgressGauge(ClientArea1);
    Gauge1->setObjectName(u"Gauge1"_s);
    Gauge1->setAccessibleName(u"Progression"_s);
    Gauge1->setFont(boldFont(m_scale));
    place(Gauge1, 0, 219, 686, 16);
    Gauge1->hide();

    JvCheckListBox1 = new ResultListView(ClientArea1);
    JvCheckListBox1->setObjectName(u"JvCheckListBox1"_s);
    JvCheckListBox1->setAccessibleName(u"Résultats"_s);
    setHint(JvCheckListBox1, u"[ X Coché = Commercialisé ]"_s);
    {
        // Latin text needs no shaping: laying out each painted row's text
        // (ligatures and kerning looked up) was most of a listing's paint.
        QFont listFont = font();
        listFont.setStyleStrategy(QFont::PreferNoShaping);
        JvCheckListBox1->setFont(listFont);
    }
    place(JvCheckListBox1, 0, 112, 686, 107);

    ListBox1 = new QWidget(ClientArea1);
    ListBox1->setObjectName(u"ListBox1"_s);
    ListBox1->setAccessibleName(u"Base de données"_s);
    ListBox1->setFocusPolicy(Qt::NoFocus);
    place(ListBox1, 0, 88, 686, 24);
    ListBox1->hide();

    StatusBar1 = new PanelStatusBar(ClientArea1);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    place(StatusBar1, 0, 424, 686, 19);
}

// Record panel: a raised bevel and a 1-pixel spacing inside it.
void TForm_CIS::buildRecordPanel()
{
    panel_edit = makePanel(ClientArea1, u"panel_edit"_s, u"Fiche du produit"_s);
    place(panel_edit, 0, 235, 686, 131);

    JvLED_COMM = new StatusLamp(panel_edit);
    JvLED_COMM->setObjectName(u"JvLED_COMM"_s);
    JvLED_COMM->setAccessibleName(u"Commercialisé"_s);
    place(JvLED_COMM, 545, 102, 17, 17);
    JvLED_AUT = new StatusLamp(panel_edit);
    JvLED_AUT->setObjectName(u"JvLED_AUT"_s);
    JvLED_AUT->setAccessibleName(u"Autorisation active"_s);
    place(JvLED_AUT, 545, 57, 17, 17);

    const QFont boldFace = boldFont(m_scale);
    auto box = [&](const QString &name, const QString &caption, int x, int y, int w, bool bold) {
        auto *e = new LabeledLineEdit(caption, panel_edit);
        e->setObjectName(name);
        e->label()->setObjectName(name + u"_Label"_s);
        if (bold)
            e->setFont(boldFace);
        place(e, x, y, w, 21);
        e->label()->setFixedHeight(scaled(13));
        e->placeLabel();
        return e;
    };
    Edit_CIP = box(u"Edit_CIP"_s, u"CODE CIS"_s, 16, 92, 57, false);
    Edit_NOM = box(u"Edit_NOM"_s, u"NOM"_s, 16, 17, 393, true);
    EDIT_VOIE = box(u"EDIT_VOIE"_s, u"VOIE ADMIN."_s, 312, 56, 97, true);
    EDIT_commecialise = box(u"EDIT_commecialise"_s, u"COMMERCIALISE"_s, 415, 100, 130, false);
    edit_AUTORISATION = box(u"edit_AUTORISATION"_s, u"AUTORISATION"_s, 415, 56, 130, false);
    edit_PROCEDURE = box(u"edit_PROCEDURE"_s, u"PROCEDURE"_s, 415, 17, 130, false);
    edit_FORME = box(u"edit_FORME"_s, u"FORME"_s, 16, 56, 290, true);
    edit_NUM = box(u"edit_NUM"_s, u"REFERENCE"_s, 312, 100, 97, false);

    Panel2 = new QFrame(panel_edit);
    Panel2->setObjectName(u"Panel2"_s);
    Panel2->setFrameStyle(QFrame::NoFrame);
    Panel2->setAutoFillBackground(
        true); // opaque: at the designed width it covers the lamps' right edge
    Panel2->setAccessibleName(u"Commercialisation"_s);
    place(Panel2, 556, 2, 128, 127);
    auto picture = [&](const QString &name, const QString &path, const QString &accessible) {
        auto *l = new QLabel(Panel2);
        l->setObjectName(name);
        l->setAccessibleName(accessible);
        l->setPixmap(QPixmap(path));
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(0, 0, Panel2->width(), Panel2->height());
        l->hide();
        return l;
    };
    img_NO = picture(u"img_NO"_s, u":/img/no.png"_s, u"Commercialisé : non"_s);
    img_YES = picture(u"img_YES"_s, u":/img/yes.png"_s, u"Commercialisé : oui"_s);

    btn_copy = new QPushButton(panel_edit);
    btn_copy->setObjectName(u"btn_copy"_s);
    btn_copy->setAccessibleName(u"Copier"_s);
    btn_copy->setIcon(QIcon(u":/img/copy.png"_s));
    btn_copy->setIconSize(QSize(scaled(16), scaled(16)));
    setHint(btn_copy, u"Copier"_s);
    place(btn_copy, 389, 17, 20, 21);
}

void TForm_CIS::buildWebPanel()
{
    panel_btn = makePanel(ClientArea1, u"panel_btn"_s, u"Liens"_s);
    place(panel_btn, 0, 366, 686, 58);
    const QIcon tick = glyphIcon(u":/img/tick.bmp"_s);
    const QSize glyphSize(scaled(18), scaled(18));
    btn_Extrait = new QPushButton(
        u"Consulter Extrait / Notice / RCP sur le site de l'Agence Nationale de Sécurité du Médicament"_s,
        panel_btn);
    btn_Extrait->setObjectName(u"btn_Extrait"_s);
    btn_Extrait->setAccessibleName(btn_Extrait->text());
    btn_Extrait->setFont(boldFont(m_scale));
    btn_Extrait->setIcon(tick);
    btn_Extrait->setIconSize(glyphSize);
    place(btn_Extrait, 1, 1, 555, 56);
    btn_Extrait->setEnabled(false);
    btn_VIDAL = new QPushButton(u"Vidal"_s, panel_btn);
    btn_VIDAL->setObjectName(u"btn_VIDAL"_s);
    btn_VIDAL->setAccessibleName(u"Vidal"_s);
    btn_VIDAL->setIcon(tick);
    btn_VIDAL->setIconSize(glyphSize);
    place(btn_VIDAL, 556, 1, 129, 56);
    btn_VIDAL->setEnabled(false);
}

// Top band: logo and the search group.
void TForm_CIS::buildSearchBand()
{
    Panel3 = makePanel(ClientArea1, u"Panel3"_s, u"Bandeau"_s);
    place(Panel3, 0, 0, 686, 88);
    const QSize glyphSize(scaled(18), scaled(18));
    Image1 = new QLabel(Panel3);
    Image1->setObjectName(u"Image1"_s);
    Image1->setAccessibleName(u"Agence Nationale de Sécurité du Médicament"_s);
    Image1->setPixmap(QPixmap(u":/img/logo.gif"_s));
    Image1->setAlignment(Qt::AlignCenter);
    place(Image1, 1, 1, 233, 86);

    GroupBox1 = new QGroupBox(kSearchHint, Panel3);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox1->setAccessibleName(kSearchHint);
    GroupBox1->setFont(boldFont(m_scale));
    setHint(GroupBox1, kSearchHint);
    place(GroupBox1, 234, 1, 451, 86);

    Edit1 = new UpperCaseLineEdit(GroupBox1);
    Edit1->setObjectName(u"Edit1"_s);
    Edit1->setAccessibleName(kSearchHint);
    Edit1->setFont(tahoma(13 * m_scale, true));
    setHint(Edit1, kSearchHint);
    place(Edit1, 6, 35, 195, 24);

    btn_SEARCH = new QPushButton(u"Rechercher"_s, GroupBox1);
    btn_SEARCH->setObjectName(u"btn_SEARCH"_s);
    btn_SEARCH->setAccessibleName(u"Rechercher"_s);
    btn_SEARCH->setIcon(glyphIcon(u":/img/tick.bmp"_s));
    btn_SEARCH->setIconSize(glyphSize);
    btn_SEARCH->setDefault(true); // the look; Enter is routed by the window
    setHint(btn_SEARCH, kSearchHint);
    place(btn_SEARCH, 207, 15, 169, 69);

    btn_close = new QPushButton(u"&Fermer"_s, GroupBox1);
    btn_close->setObjectName(u"btn_close"_s);
    btn_close->setAccessibleName(u"Fermer"_s);
    btn_close->setIcon(glyphIcon(u":/img/door.bmp"_s));
    btn_close->setIconSize(glyphSize);
    setHint(btn_close, kSearchHint);
    place(btn_close, 376, 15, 73, 69);
}

void TForm_CIS::buildTabCycle()
{
    // Buttons take the focus from the keyboard only through Tab, as the boxes do.
    for (QPushButton *b : {btn_copy, btn_Extrait, btn_VIDAL, btn_SEARCH, btn_close})
        b->setFocusPolicy(Qt::StrongFocus);

    // The keyboard's cycle through the window.
    const QList<QWidget *> cycle = {Edit1,    btn_SEARCH,     btn_close,         JvCheckListBox1,
                                    Edit_NOM, edit_FORME,     EDIT_VOIE,         Edit_CIP,
                                    edit_NUM, edit_PROCEDURE, edit_AUTORISATION, EDIT_commecialise,
                                    btn_copy, btn_Extrait,    btn_VIDAL};
    for (qsizetype i = 0; i + 1 < cycle.size(); ++i)
        QWidget::setTabOrder(cycle[i], cycle[i + 1]);
}

QList<LabeledLineEdit *> TForm_CIS::recordBoxes() const
{
    return {Edit_CIP,          Edit_NOM,       EDIT_VOIE,  EDIT_commecialise,
            edit_AUTORISATION, edit_PROCEDURE, edit_FORME, edit_NUM};
}

// ---- Band arrangement ------------------------------------------------------

void TForm_CIS::arrangeBands()
{
    if (!ClientArea1 || !Panel3 || !GroupBox1)
        return;
    const int w = ClientArea1->width();
    const int h = ClientArea1->height();

    // Top bands downwards, bottom bands upwards (lowest first); hidden ones
    // take no place; the result list gets what is left.
    int top = 0;
    for (QWidget *b : {static_cast<QWidget *>(Panel3), ListBox1}) {
        if (b->isHidden())
            continue;
        b->setGeometry(0, top, w, b->height());
        top += b->height();
    }
    int bottom = h;
    for (QWidget *b : {static_cast<QWidget *>(StatusBar1), static_cast<QWidget *>(panel_btn),
                       static_cast<QWidget *>(panel_edit), static_cast<QWidget *>(Gauge1)}) {
        if (b->isHidden())
            continue;
        bottom -= b->height();
        b->setGeometry(0, bottom, w, b->height());
    }
    JvCheckListBox1->setGeometry(0, top, w, qMax(0, bottom - top));

    // Inside the bands: right-aligned controls follow the right edge, the
    // group box and the extract button take the width left to them.
    Panel2->move(w - scaled(2) - Panel2->width(), Panel2->y());
    btn_VIDAL->move(w - scaled(1) - btn_VIDAL->width(), btn_VIDAL->y());
    btn_Extrait->resize(qMax(0, btn_VIDAL->x() - btn_Extrait->x()), btn_Extrait->height());
    GroupBox1->resize(qMax(0, w - scaled(1) - GroupBox1->x()), GroupBox1->height());
    btn_close->move(GroupBox1->width() - scaled(2) - btn_close->width(), btn_close->y());
    btn_SEARCH->move(btn_close->x() - btn_SEARCH->width(), btn_SEARCH->y());
}

// ---- Creation, showing -----------------------------------------------------

void TForm_CIS::FormCreate()
{
    // A settings value that cannot be read costs the window its saved size,
    // never the database: the error is shown and creation goes on, so the
    // next close does not write an empty database path over the saved one.
    guarded([this] { INI_GETExecute(); });

    setAcceptDrops(true);

    guarded([this] {
        CisFilePath = IniReadString(u"ANSM"_s, u"CIS.TXT"_s, QString());
        if (!CisFileExists(CisFilePath))
            CisFilePath = FallbackCisFile(CisFilePath);
        if (CisFileExists(CisFilePath)) {
            LoadCisLines(*CisLines, CisFilePath);
            StatusBar1->setPanelText(3, u"Base de données CIS du "_s
                                            + DateText(GetFileDate(CisFilePath)));
        }
        StatusBar1->setPanelText(0, QString::number(CisLines->count()));
        if (CisLines->count() == 0)
            StatusBar1->setPanelText(3, u"Base de données CIS manquante"_s);
    });
}

void TForm_CIS::FormShow()
{
    Edit1->setFocus();
}

void TForm_CIS::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (e->spontaneous()) // the desktop restoring a minimised window
        return;
    FormShow();
    if (m_firstShowDone)
        return;
    m_firstShowDone = true;
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    centreOnScreen();
    m_placementPending = true;
    m_placementDeadline = QDateTime::currentMSecsSinceEpoch() + 3000;
    finishFirstPlacement();
    if (!m_placementPending)
        return;
    // The frame may come without a move (the window manager keeping the
    // position): look again now and then until the deadline.
    auto *poll = new QTimer(this);
    poll->setInterval(50);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (m_placementPending && QDateTime::currentMSecsSinceEpoch() < m_placementDeadline)
            finishFirstPlacement();
        else
            m_placementPending = false;
        if (!m_placementPending)
            poll->deleteLater();
    });
    poll->start();
}

void TForm_CIS::finishFirstPlacement()
{
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    // While the window manager reparents the window, the frame may be
    // reported smaller than the window itself: taking that off would double
    // the window. Wait for the next move then.
    if (!m_placementPending || frameExtra.isNull() || frameExtra.width() < 0
        || frameExtra.height() < 0)
        return; // the frame is not known yet
    m_placementPending = false;
    // The restored size is an outer size: the frame comes off it. A
    // dimension left negative was not restored and keeps its client length.
    const QSize outer = m_restoredOuterSize;
    if (outer.width() >= 0 || outer.height() >= 0)
        resize(outer.width() >= 0 ? outer.width() - frameExtra.width() : width(),
               outer.height() >= 0 ? outer.height() - frameExtra.height() : height());
    m_restoredOuterSize = QSize();
    centreOnScreen();
}

void TForm_CIS::moveEvent(QMoveEvent *e)
{
    QMainWindow::moveEvent(e);
    if (m_placementPending) {
        if (QDateTime::currentMSecsSinceEpoch() < m_placementDeadline)
            finishFirstPlacement();
        else
            m_placementPending = false;
    }
}

void TForm_CIS::centreOnScreen()
{
    CentreOnScreen(this);
}

// ---- Settings commands -----------------------------------------------------

void TForm_CIS::INI_GETExecute()
{
    // A stored value is an outer size; the first showing takes the frame
    // off it once the frame is known. Without one the designed client size
    // stays, and so does it when a bad piece stopped the restore before the
    // width or height was applied.
    // A value of three pieces or fewer leaves the height (and with two, the
    // width) as designed.
    const qsizetype pieces =
        SplitText(IniReadString(ProgramBaseName(), objectName(), QString()), u":"_s).size();
    const QSize before = size();
    bool complete = false;
    const auto remember = qScopeGuard([&] {
        const QSize outer = frameGeometry().size();
        m_restoredOuterSize = QSize(
            pieces > 2 && (complete || width() != before.width()) ? outer.width() : -1,
            pieces > 3 && (complete || height() != before.height()) ? outer.height() : -1);
    });
    RestoreWindowGeometry(this, QString());
    complete = true;
}

void TForm_CIS::INI_SAVEExecute()
{
    // A text the settings file cannot hold (a "]" in the program's name, a
    // line break in the database path or the program folder) is left out and
    // its old line stays: refusing the close for it would refuse every close.
    if (IniCanStore(ProgramBaseName(), objectName(), GeometryValue(frameGeometry())))
        SaveWindowGeometry(this, QString());
    const QString databasePath = savedDatabasePath();
    if (IniCanStore(u"ANSM"_s, u"CIS.TXT"_s, databasePath))
        IniWriteString(u"ANSM"_s, u"CIS.TXT"_s, databasePath, QString());
}

// A path longer than a read gives back whole would come back cut at the next
// start, naming no file, and an older database would load without a word:
// the copy the import kept (same size and date, a short name) is saved
// instead when there is one.
QString TForm_CIS::savedDatabasePath() const
{
    if (CisFilePath.size() <= IniLongestValue)
        return CisFilePath;
    const QString copy = ImportCopyPath(CisFilePath);
    const QFileInfo kept(copy), dropped(CisFilePath);
    if (!copy.isEmpty() && copy.size() <= IniLongestValue && kept.isFile() && dropped.isFile()
        && kept.size() == dropped.size() && GetFileDate(copy) == GetFileDate(CisFilePath))
        return copy;
    return CisFilePath;
}

// ---- The ways out ----------------------------------------------------------

bool TForm_CIS::FormClose()
{
    if (!guarded([this] { INI_SAVEExecute(); }))
        return false;
    requestQuit();
    return true;
}

void TForm_CIS::closeEvent(QCloseEvent *e)
{
    // A failed close step keeps the window open and the program running.
    if (m_sessionEnding || m_quitRequested || FormClose())
        e->accept();
    else
        e->ignore();
}

void TForm_CIS::btn_closeClick()
{
    close();
}

void TForm_CIS::Quitter1Click()
{
    requestQuit();
}

void TForm_CIS::endSession()
{
    m_sessionEnding = true;
    requestQuit();
}

std::function<void()> &TForm_CIS::quitRequest()
{
    // Queued behind the events already waiting; exit() rather than quit(),
    // which a window refusing to close could cancel.
    static std::function<void()> fn = [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };
    return fn;
}

void TForm_CIS::requestQuit()
{
    m_quitRequested = true;
    if (quitRequest())
        quitRequest()();
}

bool TForm_CIS::guarded(const std::function<void()> &fn)
{
    try {
        fn();
        return true;
    } catch (const AppError &e) {
        ShowErrorBox(e.message());
        return false;
    } catch (const std::bad_alloc &) {
        // Out of memory in a handler: tell the user and keep the program alive.
        ShowErrorBox(u"Mémoire insuffisante"_s);
        return false;
    }
}
