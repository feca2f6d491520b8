// The name search and the record view.
#include "frm_cis.h"

void TForm_CIS::btn_SEARCHClick() {}
void TForm_CIS::JvCheckListBox1Click() {}
void TForm_CIS::Edit_CIPChange() {}
void TForm_CIS::edit_AUTORISATIONChange() {}
void TForm_CIS::EDIT_commecialiseChange() {}
