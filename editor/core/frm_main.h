// The editor's one window, frmMain: the board being edited, the brushes, the rectangle anchor,
// the current level and the map file name, with its start-up, mouse, menu and board-view methods.
#pragma once

#include <cstdint>

#include "menu.h"
#include "window_services.h"

namespace gridwright {

class FrmMain {
public:
    explicit FrmMain(WindowServices& services);

    // Called once by the front end after the window exists, before it delivers any other event.
    void Form_Load();

    // Pointer events of the editing surface. Button: the pressed button (1 left, 2 right, 4 middle)
    // for a press, the sum of the held buttons for a move. Shift: 1 Shift + 2 Ctrl + 4 Alt.
    // X, Y: pixels from the surface's top-left corner (outside it while a button is held).
    void picScreen_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void picScreen_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);

    // Menu handlers; Invoke dispatches a MenuCommand from the menu description to them.
    void mnuWorldLoad_Click();
    void mnuFileSaveGame_Click();
    void mnuFileLevel_Click();
    void mnuWorldQuit_Click();
    void mnuOptionBright_Click();
    void Invoke(MenuCommand command);

    // (Fields and the remaining methods follow.)
};

}  // namespace gridwright
