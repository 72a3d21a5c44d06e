#include "clipboard.h"

#include <cstring>
#include <optional>

#include "text.h"

namespace gridwright::win32 {

namespace {

// Another program may hold the clipboard for a moment (a clipboard viewer reading what we put):
// a few tries a few milliseconds apart before giving up.
bool OpenClipboardSoon(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(10);
    }
    return false;
}

// Hands `size` bytes to the clipboard under `format`; the clipboard owns them on success.
bool SetData(UINT format, const void* data, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) return false;
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, data, size);
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory) == nullptr) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

// The characters of a clipboard entry up to its terminating zero or its end, whichever comes
// first: the memory's size may be rounded up past the data.
template <typename Char>
std::optional<std::basic_string<Char>> GetData(UINT format) {
    if (!IsClipboardFormatAvailable(format)) return std::nullopt;
    HANDLE memory = GetClipboardData(format);
    if (memory == nullptr) return std::nullopt;
    const auto* data = static_cast<const Char*>(GlobalLock(memory));
    if (data == nullptr) return std::nullopt;
    const std::size_t capacity = GlobalSize(memory) / sizeof(Char);
    std::size_t length = 0;
    while (length < capacity && data[length] != 0) ++length;
    std::basic_string<Char> result(data, length);
    GlobalUnlock(memory);
    return result;
}

}  // namespace

std::wstring ClipboardText(std::string_view utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    std::wstring text;
    text.reserve(wide.size() + wide.size() / 16);
    for (const wchar_t c : wide) {
        if (c == L'\n') text += L'\r';
        text += c;
    }
    return text;
}

std::string TextFromClipboard(std::wstring_view text) {
    std::wstring joined;
    joined.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
        joined += text[i];
    }
    return WideToUtf8(joined);
}

UINT CellsClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(Utf8ToWide(kCellsClipboardType).c_str());
    return format;
}

bool PutOnClipboard(HWND owner, std::string_view text, std::string_view cells) {
    const UINT cellsFormat = CellsClipboardFormat();
    if (cellsFormat == 0 || !OpenClipboardSoon(owner)) return false;
    // Both forms with their terminating zero, which readers of text formats look for.
    const std::wstring wide = ClipboardText(text);
    const std::string bytes(cells);
    const bool put = EmptyClipboard() &&
                     SetData(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)) &&
                     SetData(cellsFormat, bytes.c_str(), bytes.size() + 1);
    // Never one form without the other: a paste would take the text for the cells.
    if (!put) EmptyClipboard();
    CloseClipboard();
    return put;
}

bool TakeFromClipboard(HWND owner, ClipboardContent& content) {
    if (!OpenClipboardSoon(owner)) return false;
    content = {};
    if (const UINT cellsFormat = CellsClipboardFormat(); cellsFormat != 0)
        content.cells = GetData<char>(cellsFormat);
    // The system offers CF_UNICODETEXT for text put there in the older 8-bit forms too.
    if (auto text = GetData<wchar_t>(CF_UNICODETEXT)) content.text = TextFromClipboard(*text);
    CloseClipboard();
    return true;
}

}  // namespace gridwright::win32
