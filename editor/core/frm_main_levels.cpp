// frmMain's Level menu: the overview of the map's levels and the operations on whole levels.
#include "frm_main.h"

namespace gridwright {

void FrmMain::mnuLevelOverview_Click() {}
void FrmMain::mnuLevelInsert_Click() {}
void FrmMain::mnuLevelDuplicate_Click() {}
void FrmMain::mnuLevelDelete_Click() {}
void FrmMain::mnuLevelMove_Click() {}
void FrmMain::mnuLevelStep_Click(int) {}

}  // namespace gridwright
