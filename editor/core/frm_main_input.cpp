// frmMain's mouse editing and menu commands.
#include "frm_main.h"

namespace gridwright {

void FrmMain::picScreen_MouseMove(std::int16_t, std::int16_t, float, float) {}
void FrmMain::picScreen_MouseDown(std::int16_t, std::int16_t, float, float) {}
void FrmMain::mnuWorldLoad_Click() {}
void FrmMain::mnuFileSaveGame_Click() {
    SaveMap();
}
void FrmMain::mnuFileLevel_Click() {}
void FrmMain::mnuWorldQuit_Click() {
    services_.EndProgram();
}
void FrmMain::mnuOptionBright_Click() {}

void FrmMain::Invoke(MenuCommand command) {
    switch (command) {
        case MenuCommand::Open:
            mnuWorldLoad_Click();
            break;
        case MenuCommand::Save:
            mnuFileSaveGame_Click();
            break;
        case MenuCommand::LevelSelect:
            mnuFileLevel_Click();
            break;
        case MenuCommand::Exit:
            mnuWorldQuit_Click();
            break;
        case MenuCommand::Brightness:
            mnuOptionBright_Click();
            break;
        case MenuCommand::None:
            break;
    }
}

}  // namespace gridwright
