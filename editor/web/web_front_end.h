// The editor in a web page: the window services over the page's canvas, menu bar, in-page input
// box and messages (page.js), reached through the functions that web_front_end.cpp declares with
// EM_JS. It only translates events for the core (FrmMain) and hands the page what the core paints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "classic_random.h"
#include "window_services.h"

namespace gridwright {

class WebFrontEnd final : public WindowServices {
  public:
    // `recoveryFolder` is the in-memory folder whose journals the page keeps in the browser's
    // storage; empty when the browser has none for the page, and the editor then keeps none.
    WebFrontEnd(std::string commandLineArguments, std::string recoveryFolder);

    // The next input box is answered with `answer` at once, without showing: the page asked
    // for it already, as a file picker does for File > Open.
    void AnswerNextInputBox(std::string answer) { nextAnswer_ = std::move(answer); }
    // How many failures have been reported so far; the page tells a failed Save by it.
    int Failures() const { return failures_; }
    // What a Paste hands the core once the browser's clipboard has answered (web_translate.h:
    // PasteContent): `read` nothing when the browser refused.
    ClipboardContent PasteContent(const std::optional<ClipboardContent>& read) const;

    void SetCaption(std::string_view caption) override;
    void SetStatusCaption(std::string_view caption) override;
    std::string InputBox(std::string_view prompt, std::string_view defaultAnswer) override;
    void ShowMainWindow() override;
    PictureSize GetPictureSize(Picture picture) override;
    void SetPictureVisible(Picture picture, bool visible) override;
    void BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                    const PixelRect& changed) override;
    std::string CommandLineArguments() override;
    double Random() override;
    void EndProgram() override;
    void ReportFailure(std::string_view message) override;
    void SetMenuEnabled(MenuCommand command, bool enabled) override;
    // The whole part of the page's device pixel ratio; the page remembers no settings.
    int DisplayZoom() override;
    void SetZoom(int zoom) override;
    void SetMenuChecked(MenuCommand command, bool checked) override;
    // Both forms go to the browser's clipboard (the cells under a web custom format where the
    // browser has them) and stay in the page too, for a browser that refuses or keeps no cells.
    void WriteClipboard(std::string_view text, std::string_view cells) override;
    // The browser's clipboard answers later: the page reads it and hands it to
    // FrmMain::PasteClipboard through gw_paste_clipboard.
    bool ReadClipboard(ClipboardContent& content) override;
    void SetPointerShape(PointerShape shape) override;
    std::string RecoveryFolder() override;

  private:
    std::string commandLineArguments_;
    std::string recoveryFolder_;
    std::optional<std::string> nextAnswer_;
    std::vector<std::uint32_t> picture_;  // the canvas's picture, RGBA bytes, top row first
    int failures_ = 0;
    ClipboardContent written_;  // the last Copy's or Cut's forms
    ClassicRandom random_;
};

}  // namespace gridwright
