// Web destinations and the copy of the product name.
#include "ui/frm_cis.h"

#include "ui/dialogs/vela_ini_gui.h"
#include "ui/labeled_line_edit.h"
#include "util/vela_ini.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString AgencySite = u"http://agence-prd.ansm.sante.fr"_s;
const QString ReferenceSite = u"http://www.vidal.fr"_s;
const QString UrgentSite = u"https://dgs-urgent.sante.gouv.fr"_s;

// Trimmed, then percent-encoded: a name holding "/", "&", "#" or "?" must not
// change the URL's structure.
QString urlArgument(const QLineEdit *box)
{
    return PercentEncodeUrlArgument(TrimUrlArgument(box->text()));
}

void openExtract(const QLineEdit *cisBox)
{
    ShellOpenFormattedUrl(AgencySite + u"/php/ecodex/extrait.php?specid=%s"_s, urlArgument(cisBox));
}

} // namespace

void TForm_CIS::Edit_CIP_SHELLURL()
{
    openExtract(Edit_CIP);
}

void TForm_CIS::btn_ExtraitClick()
{
    openExtract(Edit_CIP);
}

void TForm_CIS::btn_VIDALClick()
{
    ShellOpenUrl(ReferenceSite + u"/recherche/index/q:"_s + urlArgument(Edit_NOM) + u"/"_s);
}

void TForm_CIS::PAgedetlchragemntdelANSM1Click()
{
    ShellOpenUrl(AgencySite + u"/php/ecodex/telecharger/telecharger.php"_s);
}

void TForm_CIS::mnu_DOWNLOADClick()
{
    ShellOpenUrl(AgencySite + u"/php/ecodex/telecharger/lirecis.php"_s);
}

void TForm_CIS::DGSUrgent1Click()
{
    ShellOpenUrl(UrgentSite + u"/dgs-urgent/inter/listeMessageBuilder.do?cmd=afficherListe"_s);
}

void TForm_CIS::btn_copyClick()
{
    // Only the selection, and nothing at all without one: the clipboard keeps
    // what the user put there.
    if (Edit_NOM->hasSelectedText())
        CopyTextToClipboard(Edit_NOM->selectedText());
}

void TForm_CIS::CopierleNom1Click()
{
    btn_copy->click();
}
