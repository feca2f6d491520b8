// The name search and the record view.
#include "ui/frm_cis.h"

#include "core/cis_store.h"
#include "core/text_logic.h"
#include "ui/dialogs/msg_dialog.h"
#include "ui/dialogs/vela_ini_gui.h"
#include "ui/labeled_line_edit.h"
#include "ui/panel_status_bar.h"
#include "ui/progress_gauge.h"
#include "ui/result_list.h"
#include "ui/status_lamp.h"
#include "ui/upper_case_line_edit.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

// Hides the gauge however the scan ends.
class GaugeHider
{
public:
    explicit GaugeHider(ProgressGauge *g) : m_gauge(g) { }
    ~GaugeHider() { m_gauge->hide(); }
    GaugeHider(const GaugeHider &) = delete;
    GaugeHider &operator=(const GaugeHider &) = delete;

private:
    ProgressGauge *m_gauge;
};

// The fields of a listed product, cut at the tabs of its line: a ";" inside a
// field (several routes such as "cutanée;orale" are common) must not move the
// later fields into the wrong boxes, where a product that is not marketed
// would light the marketed lamp. A field that begins with a quote character
// is read by the row's quoting rule when that gives one field.
QStringList RecordFields(const ResultListModel &model, int row)
{
    const QString line = model.store()->line(model.storeLine(row));
    QStringList fields;
    for (const QStringView field : line.tokenize(u'\t')) {
        if (field.startsWith(u'"')) {
            const QStringList read = SplitResultRow(field);
            if (read.size() == 1) {
                fields << read.front();
                continue;
            }
        }
        fields << field.toString();
    }
    return fields;
}

} // namespace

void TForm_CIS::btn_SEARCHClick()
{
    if (!CisLines || CisLines->isEmpty()) {
        const QString text = u"BASE MEDICAMENTEUSE MANQUANTE !\r\n\r\n"
                             u"Cliquer sur \"Réessayer\" pour télécharger le fichier CIS\r\n\r\n"
                             u"Une fois téléchargé\r\n"
                             // Kept letter for letter: the double space in "sur le  programme".
                             u"Déposer le fichier \"CIS.TXT\" sur le  programme pour l'intégrer\r\n"
                             u"Et relancer la recherche"_s;
        if (ShowMessageDialog(text, MsgKind::Warning, MsgButton::Retry | MsgButton::Cancel,
                              MsgButton::Retry)
            != MsgResult::Cancel)
            mnu_DOWNLOAD->trigger(); // as a menu click
        return;
    }
    if (Edit1->text().isEmpty()) {
        ShowPlainMessage(u"Entrez tout ou partie d'un nom de médicament sans accent"_s);
        Edit1->setFocus();
        return;
    }

    // Preparation.
    const std::shared_ptr<const CisStore> store = CisLines;
    const qsizetype n = store->count();
    Gauge1->setMinValue(0);
    Gauge1->setMaxValue(int(n - 1));
    Gauge1->show();
    const GaugeHider hideGauge(Gauge1);
    JvCheckListBox1->clear();
    StatusBar1->setPanelText(0, QString::number(n));
    StatusBar1->setPanelText(1, u"0"_s);
    StatusBar1->setPanelText(2, u"0"_s);

    // Scan: the query cannot change while the click runs, so it is taken once.
    // The pass is one call over the store, too short for any repaint to show
    // its intermediate counts: the gauge and panels get their final values.
    const QString query = Edit1->text();
    std::vector<qsizetype> lines = store->search(query);
    Gauge1->setProgress(int(n - 1));
    StatusBar1->setPanelText(1, u"0"_s);
    const qsizetype matches = qsizetype(lines.size());
    JvCheckListBox1->resultModel()->setRows(store, std::move(lines));
    StatusBar1->setPanelText(2, QString::number(matches));

    // Marking pass: marketed rows checked, the others highlighted.
    const ResultListModel *model = JvCheckListBox1->resultModel();
    JvCheckListBox1->markRows([&](int row) { return store->isNotMarketed(model->storeLine(row)); });

    if (JvCheckListBox1->count() > 0) {
        JvCheckListBox1->setItemIndex(0);
        JvCheckListBox1Click();
        // Kept letter for letter: "occurence(s)" with one "r".
        StatusBar1->setPanelText(
            2, u"%1 occurence(s) pour \"%2\""_s.arg(JvCheckListBox1->count()).arg(Edit1->text()));
    }
}

void TForm_CIS::JvCheckListBox1Click()
{
    // No current row (an empty list): there is nothing to show.
    const int row = JvCheckListBox1->itemIndex();
    if (row < 0 || row >= JvCheckListBox1->count())
        return;
    // A damaged line (a download cut short) may hold fewer fields than a
    // product's nine: it shows what it holds and empties the other boxes,
    // so that the record never keeps the product shown before beside the
    // row now current.
    const QStringList fields = RecordFields(*JvCheckListBox1->resultModel(), row);
    // setText signals a change only when the text differs, so each reaction
    // runs only on a real change, in the boxes' order.
    LabeledLineEdit *const boxes[8] = {Edit_CIP,          Edit_NOM,          edit_FORME,
                                       EDIT_VOIE,         edit_AUTORISATION, edit_PROCEDURE,
                                       EDIT_commecialise, edit_NUM};
    for (int i = 0; i < 8; ++i) {
        const QString text = i < fields.size() ? fields[i] : QString();
        if (boxes[i]->text() == text)
            continue;
        boxes[i]->setText(text);
        // A long name is read from its beginning.
        boxes[i]->setCursorPosition(0);
    }
    // Without a marketing field, no picture claims either state (as after
    // the window is cleared).
    constexpr int kMarketingField = 6;
    if (fields.size() <= kMarketingField) {
        img_YES->hide();
        img_NO->hide();
    }
    setWindowTitle(Edit_NOM->text());
}

void TForm_CIS::Edit_CIPChange()
{
    const bool hasCode = !Edit_CIP->text().isEmpty();
    btn_Extrait->setEnabled(hasCode);
    btn_VIDAL->setEnabled(hasCode);
}

void TForm_CIS::edit_AUTORISATIONChange()
{
    JvLED_AUT->setStatus(edit_AUTORISATION->text().contains(u"Autorisation active"_s));
}

void TForm_CIS::EDIT_commecialiseChange()
{
    JvLED_COMM->setStatus(!HoldsNotMarketed(EDIT_commecialise->text()));
    img_YES->setVisible(JvLED_COMM->status());
    img_NO->setVisible(!JvLED_COMM->status());
}
