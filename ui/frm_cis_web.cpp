// Web destinations and the copy of the product name.
#include "frm_cis.h"

void TForm_CIS::Edit_CIP_SHELLURL() {}
void TForm_CIS::btn_copyClick() {}
void TForm_CIS::btn_ExtraitClick() {}
void TForm_CIS::btn_VIDALClick() {}
void TForm_CIS::PAgedetlchragemntdelANSM1Click() {}
void TForm_CIS::mnu_DOWNLOADClick() {}
void TForm_CIS::DGSUrgent1Click() {}
void TForm_CIS::CopierleNom1Click() {}
