#include "input_box.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace gridwright::win32 {

namespace {

constexpr WORD kPromptId = 1001;
constexpr WORD kAnswerId = 1002;

// Builds an in-memory dialog template (DLGTEMPLATE followed by its DLGITEMTEMPLATEs), so the box
// needs no resource script. Sizes are dialog units, which scale with the dialog font.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short width, short height, std::wstring_view title) {
        DLGTEMPLATE header{};
        header.style = style;
        header.cx = width;
        header.cy = height;
        Append(&header, sizeof header);
        countOffset_ = offsetof(DLGTEMPLATE, cdit);
        Word(0);  // no menu
        Word(0);  // the predefined dialog class
        Text(title);
        Word(8);  // point size of the DS_SETFONT font
        Text(L"MS Shell Dlg");
    }

    void Item(DWORD style, short x, short y, short width, short height, WORD id,
              WORD predefinedClass, std::wstring_view text) {
        Align(4);
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = width;
        item.cy = height;
        item.id = id;
        Append(&item, sizeof item);
        Word(0xFFFF);  // a predefined class follows as an atom
        Word(predefinedClass);
        Text(text);
        Word(0);  // no creation data
        auto* count = reinterpret_cast<WORD*>(bytes_.data() + countOffset_);
        ++*count;
    }

    const DLGTEMPLATE* Get() {
        Align(4);
        return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
    }

  private:
    void Append(const void* data, size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Word(WORD w) { Append(&w, sizeof w); }
    void Text(std::wstring_view text) {
        Append(text.data(), text.size() * sizeof(wchar_t));
        Word(0);
    }
    void Align(size_t to) {
        while (bytes_.size() % to != 0) bytes_.push_back(0);
    }

    // The dialog manager needs the template DWORD-aligned; a vector's heap block always is.
    std::vector<std::uint8_t> bytes_;
    size_t countOffset_ = 0;
};

struct Exchange {
    const std::wstring& prompt;
    const std::wstring& defaultAnswer;
    std::wstring answer;
};

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* exchange = reinterpret_cast<const Exchange*>(lParam);
            SetDlgItemTextW(dialog, kPromptId, exchange->prompt.c_str());
            HWND field = GetDlgItem(dialog, kAnswerId);
            SetWindowTextW(field, exchange->defaultAnswer.c_str());
            SendMessageW(field, EM_SETSEL, 0, -1);
            SetFocus(field);
            return FALSE;  // focus was set here
        }
        case WM_COMMAND: {
            auto* exchange = reinterpret_cast<Exchange*>(GetWindowLongPtrW(dialog, DWLP_USER));
            if (LOWORD(wParam) == IDOK) {
                HWND field = GetDlgItem(dialog, kAnswerId);
                std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
                text.resize(static_cast<size_t>(
                    GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
                exchange->answer = std::move(text);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                exchange->answer.clear();
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

std::wstring InputBox(HWND owner, const std::wstring& title, const std::wstring& prompt,
                      const std::wstring& defaultAnswer) {
    constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
    DialogTemplate dialog(
        DS_MODALFRAME | DS_SHELLFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 240, 74,
        title);
    dialog.Item(SS_LEFT | SS_NOPREFIX, 7, 7, 226, 24, kPromptId, kStatic, L"");
    dialog.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 33, 226, 14, kAnswerId, kEdit, L"");
    dialog.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, 129, 53, 50, 14, IDOK, kButton, L"OK");
    dialog.Item(WS_TABSTOP | BS_PUSHBUTTON, 183, 53, 50, 14, IDCANCEL, kButton, L"Cancel");

    Exchange exchange{prompt, defaultAnswer, {}};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, InputBoxProc,
                            reinterpret_cast<LPARAM>(&exchange));
    return exchange.answer;
}

}  // namespace gridwright::win32
