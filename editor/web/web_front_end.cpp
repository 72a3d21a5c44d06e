#include "web_front_end.h"

#include <emscripten/emscripten.h>

#include <cstdlib>
#include <utility>

#include "indexed_image.h"
#include "surface_geometry.h"
#include "web_translate.h"
#include "zoom.h"

// The page's side (page.js): Module.page holds what shows the editor. The bodies are JavaScript
// that the preprocessor and the formatter read as C++ tokens, so they hold no === or !==.
EM_JS(void, PageSetCaption, (const char* caption),
      { Module.page.setCaption(UTF8ToString(caption)); });
EM_JS(void, PageSetStatus, (const char* caption),
      { Module.page.setStatus(UTF8ToString(caption)); });
EM_JS(void, PageShowFailure, (const char* message),
      { Module.page.showFailure(UTF8ToString(message)); });
EM_JS(void, PageSetMenuEnabled, (int command, int enabled),
      { Module.page.setMenuEnabled(command, enabled); });
EM_JS(void, PageEnd, (), { Module.page.end(); });
EM_JS(double, PageDevicePixelRatio, (), { return window.devicePixelRatio || 1; });
EM_JS(void, PageSetZoom, (int zoom), { Module.page.setZoom(zoom); });
EM_JS(void, PageSetMenuChecked, (int command, int checked),
      { Module.page.setMenuChecked(command, checked); });
EM_JS(void, PageSetCursor, (const char* name), { Module.page.setCursor(UTF8ToString(name)); });
EM_JS(void, PageWriteClipboard, (const char* text, const char* cells),
      { Module.page.writeClipboard(UTF8ToString(text), UTF8ToString(cells)); });
// Starts reading the browser's clipboard; the page delivers it when it arrives.
EM_JS(void, PageReadClipboard, (), { Module.page.readClipboard(); });
// Copies the area's pixels of the RGBA picture at `pixels` onto the canvas.
EM_JS(void, PagePaint, (const void* pixels, int x, int y, int width, int height),
      { Module.page.paint(pixels, x, y, width, height); });
// Shows the input box and waits, without blocking the page, for OK or Cancel: the editor's call
// is suspended meanwhile and resumes with the answer, which the caller frees.
EM_ASYNC_JS(char*, PageInputBox, (const char* prompt, const char* defaultAnswer), {
    const answer = await Module.page.inputBox(UTF8ToString(prompt), UTF8ToString(defaultAnswer));
    return allocateUTF8(answer);
});

namespace gridwright {

namespace {

std::string Text(std::string_view text) {
    return std::string(text);  // the page takes NUL-terminated UTF-8
}

}  // namespace

WebFrontEnd::WebFrontEnd(std::string commandLineArguments, std::string recoveryFolder)
    : commandLineArguments_(std::move(commandLineArguments)),
      recoveryFolder_(std::move(recoveryFolder)),
      picture_(static_cast<std::size_t>(kSurfaceWidth) * kSurfaceHeight) {}

void WebFrontEnd::SetCaption(std::string_view caption) {
    PageSetCaption(Text(caption).c_str());
}

void WebFrontEnd::SetStatusCaption(std::string_view caption) {
    PageSetStatus(Text(caption).c_str());
}

std::string WebFrontEnd::InputBox(std::string_view prompt, std::string_view defaultAnswer) {
    if (nextAnswer_) {
        std::string answer = std::move(*nextAnswer_);
        nextAnswer_.reset();
        return answer;
    }
    char* answer = PageInputBox(Text(prompt).c_str(), Text(defaultAnswer).c_str());
    std::string text = answer != nullptr ? answer : "";
    std::free(answer);
    return text;
}

void WebFrontEnd::ShowMainWindow() {
    // The page is showing already.
}

PictureSize WebFrontEnd::GetPictureSize(Picture) {
    // The canvas keeps the surface's size in pixels whatever its size on the screen.
    return {static_cast<double>(kSurfaceWidth), static_cast<double>(kSurfaceHeight)};
}

void WebFrontEnd::SetPictureVisible(Picture, bool) {
    // The font is built in and the pixel buffer's size is the surface's: no control to hide.
}

void WebFrontEnd::BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                             const PixelRect& changed) {
    // Only the changed pixels are converted and painted; the rest of the canvas already shows
    // the buffer.
    const PixelRect area = Clip(changed, kSurfaceWidth, kSurfaceHeight);
    if (area.Empty()) return;
    IndexedToRgb(bits, info, picture_.data(), kSurfaceWidth, kSurfaceHeight, kSurfaceWidth, area);
    ToCanvasOrder(picture_.data(), kSurfaceWidth, kSurfaceHeight, kSurfaceWidth, area);
    PagePaint(picture_.data(), area.x, area.y, area.width, area.height);
}

std::string WebFrontEnd::CommandLineArguments() {
    return commandLineArguments_;
}

double WebFrontEnd::Random() {
    return random_.Next();
}

void WebFrontEnd::EndProgram() {
    PageEnd();
}

void WebFrontEnd::ReportFailure(std::string_view message) {
    ++failures_;
    PageShowFailure(Text(message).c_str());
}

void WebFrontEnd::SetMenuEnabled(MenuCommand command, bool enabled) {
    PageSetMenuEnabled(static_cast<int>(command), enabled ? 1 : 0);
}

int WebFrontEnd::DisplayZoom() {
    return ZoomForScale(PageDevicePixelRatio());
}

void WebFrontEnd::SetZoom(int zoom) {
    PageSetZoom(ClampZoom(zoom));
}

void WebFrontEnd::SetMenuChecked(MenuCommand command, bool checked) {
    PageSetMenuChecked(static_cast<int>(command), checked ? 1 : 0);
}

void WebFrontEnd::WriteClipboard(std::string_view text, std::string_view cells) {
    written_ = {std::string(cells), std::string(text)};
    PageWriteClipboard(written_.text->c_str(), written_.cells->c_str());
}

bool WebFrontEnd::ReadClipboard(ClipboardContent&) {
    PageReadClipboard();
    return false;
}

ClipboardContent WebFrontEnd::PasteContent(const std::optional<ClipboardContent>& read) const {
    return gridwright::PasteContent(read, written_);
}

std::string WebFrontEnd::RecoveryFolder() {
    return recoveryFolder_;
}

void WebFrontEnd::SetPointerShape(PointerShape shape) {
    PageSetCursor(Text(CursorName(shape)).c_str());
}

}  // namespace gridwright
