#pragma once
// The main window Form_CIS. Handlers keep their historical names; the window
// class holds one reference per control under its name.
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class CisStore;
class QAction;
class QDropEvent;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QWidget;
class ResultListView;
class ProgressGauge;
class StatusLamp;
class LabeledLineEdit;
class PanelStatusBar;
class UpperCaseLineEdit;

// Program-wide text: the full path of the current CIS file.
extern QString CisFilePath;

class TForm_CIS : public QMainWindow
{
    Q_OBJECT
public:
    // Builds every control, then runs FormCreate (its errors go to the error box).
    explicit TForm_CIS(QWidget *parent = nullptr);
    ~TForm_CIS() override;

    // ---- Controls, under their names (also their objectName) -------------
    QWidget *ClientArea1 = nullptr; // the client area that holds the bands
    ProgressGauge *Gauge1 = nullptr;
    ResultListView *JvCheckListBox1 = nullptr;
    QWidget *ListBox1 = nullptr; // hidden for the window's whole life
    PanelStatusBar *StatusBar1 = nullptr;
    QFrame *panel_edit = nullptr;
    StatusLamp *JvLED_COMM = nullptr;
    StatusLamp *JvLED_AUT = nullptr;
    LabeledLineEdit *Edit_CIP = nullptr;
    LabeledLineEdit *Edit_NOM = nullptr;
    LabeledLineEdit *EDIT_VOIE = nullptr;
    LabeledLineEdit *EDIT_commecialise = nullptr;
    LabeledLineEdit *edit_AUTORISATION = nullptr;
    LabeledLineEdit *edit_PROCEDURE = nullptr;
    LabeledLineEdit *edit_FORME = nullptr;
    LabeledLineEdit *edit_NUM = nullptr;
    QFrame *Panel2 = nullptr;
    QLabel *img_NO = nullptr;
    QLabel *img_YES = nullptr;
    QPushButton *btn_copy = nullptr;
    QFrame *panel_btn = nullptr;
    QPushButton *btn_Extrait = nullptr;
    QPushButton *btn_VIDAL = nullptr;
    QFrame *Panel3 = nullptr;
    QLabel *Image1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    UpperCaseLineEdit *Edit1 = nullptr;
    QPushButton *btn_SEARCH = nullptr;
    QPushButton *btn_close = nullptr;

    QMenuBar *MainMenu1 = nullptr;
    QMenu *Fihcier1 = nullptr;
    QAction *PAgedetlchragemntdelANSM1 = nullptr;
    QAction *mnu_DOWNLOAD = nullptr;
    QAction *N2 = nullptr;
    QAction *DGSUrgent1 = nullptr;
    QAction *N1 = nullptr;
    QAction *Quitter1 = nullptr;
    QMenu *Editer1 = nullptr;
    QAction *CopierleNom1 = nullptr;

    QAction *INI_GET = nullptr;
    QAction *INI_SAVE = nullptr;
    QAction *Action1 = nullptr;

    // The line store CisLines. Shared with the result list, which keeps the
    // store its rows came from until the next search.
    std::shared_ptr<CisStore> CisLines;

    // The record boxes in the window's order of ownership (Escape clears them
    // in this order).
    QList<LabeledLineEdit *> recordBoxes() const;

    // ---- Handlers, grouped by the file that defines them -------------------
    // frm_cis.cpp: creation, first showing, settings, the ways out.
    void FormCreate();
    void FormShow();
    // The close step: FormClose (INI_SAVE), then the quit request. Returns
    // false when the settings could not be written (error box shown, the
    // program keeps running).
    bool FormClose();
    void INI_GETExecute();
    void INI_SAVEExecute(); // throws AppError
    // The database path as the settings file keeps it (see frm_cis.cpp).
    QString savedDatabasePath() const;
    void Quitter1Click();
    void btn_closeClick();

    // frm_cis_search.cpp: the search and the record view.
    void btn_SEARCHClick();
    void JvCheckListBox1Click();
    void Edit_CIPChange();
    void edit_AUTORISATIONChange();
    void EDIT_commecialiseChange();

    // frm_cis_web.cpp: the browser commands and the copy of the name.
    void Edit_CIP_SHELLURL();
    void btn_ExtraitClick();
    void btn_VIDALClick();
    void PAgedetlchragemntdelANSM1Click();
    void mnu_DOWNLOADClick();
    void DGSUrgent1Click();
    void btn_copyClick();
    void CopierleNom1Click();

    // frm_cis_drop.cpp: a new CIS file dropped on the window.
    void JvDragDrop1Drop(QObject *sender, QPoint pos, const QStringList &files);

    // frm_cis_import.cpp: the import of a CIS file, whichever way it came:
    // confirm, load aside, swap, keep a copy, report. openCisFile is Ctrl+O:
    // the file dialog, then the same import as a drop.
    void importCisFile(const QString &path);
    void openCisFile();

    // frm_cis_keys.cpp: the window's keyboard.
    void FormKeyPress(QChar key);

    // ---- Seams ------------------------------------------------------------
    // The quit request; tests replace it (QCoreApplication::quit outside the
    // event loop would end every later modal loop at once).
    static std::function<void()> &quitRequest();
    bool quitRequested() const { return m_quitRequested; }

protected:
    // frm_cis.cpp
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    // frm_cis_drop.cpp
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    // frm_cis_keys.cpp
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    // -- frm_cis.cpp: controls, layout, start-up, close --
    // Every control with its texts, fonts and place, band by band, then the
    // tab cycle and the initial state.
    void buildControls();
    void buildMenu();
    void buildCommands();   // named commands and non-visual components
    void buildClientArea(); // gauge, result list, hidden list box, status bar
    void buildRecordPanel();
    void buildWebPanel();
    void buildSearchBand();
    void buildTabCycle();
    // Places w at a designed rectangle, scaled to this screen's density.
    void place(QWidget *w, int x, int y, int width, int height) const;
    // Places the bands in the client area and the right-aligned controls in
    // their bands; runs on every client resize and band show/hide.
    void arrangeBands();
    int scaled(int v) const; // a designed length at this screen's density
    void centreOnScreen();
    // The window frame may become known only after the first showing; until
    // then the first placement (restored outer size, centring) is redone.
    void finishFirstPlacement();
    void endSession(); // log-off or shut-down: leave without the close step
    void requestQuit();
    // Runs fn; an AppError escaping it is shown in the error box. Returns
    // false when it failed.
    bool guarded(const std::function<void()> &fn);

    bool m_quitRequested = false;
    bool m_firstShowDone = false;
    double m_scale = 1.0;
    bool m_sessionEnding = false;
    // Outer size restored before the frame was known; a negative width or
    // height was not restored.
    QSize m_restoredOuterSize;
    bool m_placementPending = false;
    qint64 m_placementDeadline = 0;

    QAction *m_openCisFile = nullptr; // Ctrl+O, a window command in no menu

    // -- frm_cis_drop.cpp --
    // A file drag over a child control, passed to the window's own handlers.
    bool forwardFileDrag(QWidget *target, QDropEvent *e);

    // -- frm_cis_keys.cpp: wiring and keyboard --
    void wireHandlers(); // connects every control to its handler; keyboard
    // Enter, Escape, F10, Alt+F and the arrows on buttons, for the focused
    // control; other characters reach FormKeyPress.
    bool routeKey(QWidget *target, QKeyEvent *key);
    // routeKey's steps: whether the press is the focused control's, seen for
    // the first time; Escape clears the window, then reaches the control;
    // Enter, Alt+F and the arrows on buttons; F10 opens the menu.
    bool isFocusedControlsPress(const QWidget *target) const;
    void escapeThenPassOn(QWidget *target, QKeyEvent *key);
    bool routeButtonKey(QKeyEvent *key);
    bool routeMenuKey(const QKeyEvent *key);
};
