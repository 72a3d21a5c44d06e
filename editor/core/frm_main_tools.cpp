// frmMain's drawing tools: the Tool menu, the keys and the clipboard commands.
#include <cctype>

#include "frm_main.h"

namespace gridwright {

void FrmMain::ChooseTool(Tool tool) {
    if (tool == tool_) return;
    services_.SetMenuChecked(ToolCommand(tool_), false);
    tool_ = tool;
    services_.SetMenuChecked(ToolCommand(tool_), true);
}

bool FrmMain::KeyDown(NamedKey key, std::int16_t) {
    for (const MenuItem& top : MenuBar())
        for (const MenuItem& item : top.items)
            if (key != NamedKey::None && item.namedKey == key) {
                Invoke(item.command);
                return true;
            }
    return false;
}

bool FrmMain::TypeCharacter(char32_t character) {
    if (character >= 0x80) return false;
    const char upper = static_cast<char>(std::toupper(static_cast<int>(character)));
    for (const MenuItem& top : MenuBar())
        for (const MenuItem& item : top.items)
            if (item.plainKey != 0 && item.plainKey == upper) {
                Invoke(item.command);
                return true;
            }
    return false;
}

void FrmMain::PointerLeft() {}

void FrmMain::PasteClipboard(const ClipboardContent&) {}

}  // namespace gridwright
