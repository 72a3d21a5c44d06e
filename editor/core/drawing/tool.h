// The drawing tools of the Tool menu. Pen paints cell by cell as the pointer passes (and fills
// Shift rectangles); the others act on the board through the units beside this header.
#pragma once

#include <optional>

#include "menu.h"

namespace gridwright {

enum class Tool { Pen, Line, Fill, Select, Pick, Text };

// The Tool menu's command of a tool, and the tool of a command (nothing for other commands).
constexpr MenuCommand ToolCommand(Tool tool) {
    switch (tool) {
        case Tool::Pen:
            return MenuCommand::ToolPen;
        case Tool::Line:
            return MenuCommand::ToolLine;
        case Tool::Fill:
            return MenuCommand::ToolFill;
        case Tool::Select:
            return MenuCommand::ToolSelect;
        case Tool::Pick:
            return MenuCommand::ToolPick;
        case Tool::Text:
            return MenuCommand::ToolText;
    }
    return MenuCommand::ToolPen;
}

constexpr std::optional<Tool> CommandTool(MenuCommand command) {
    switch (command) {
        case MenuCommand::ToolPen:
            return Tool::Pen;
        case MenuCommand::ToolLine:
            return Tool::Line;
        case MenuCommand::ToolFill:
            return Tool::Fill;
        case MenuCommand::ToolSelect:
            return Tool::Select;
        case MenuCommand::ToolPick:
            return Tool::Pick;
        case MenuCommand::ToolText:
            return Tool::Text;
        default:
            return std::nullopt;
    }
}

}  // namespace gridwright
