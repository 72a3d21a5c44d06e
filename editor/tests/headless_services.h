// A window system without a window, for the tests: it records captions, failures and blits, and
// answers input boxes from a script.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "bitmap_info.h"
#include "classic_random.h"
#include "surface_geometry.h"
#include "window_services.h"

namespace gridwright {

class HeadlessServices : public WindowServices {
  public:
    void SetCaption(std::string_view text) override { caption = text; }
    void SetStatusCaption(std::string_view text) override { status = text; }
    // Answers with the next scripted answer; with none left, as if Cancel were pressed.
    std::string InputBox(std::string_view prompt, std::string_view defaultAnswer) override;
    void ShowMainWindow() override { windowShown = true; }
    PictureSize GetPictureSize(Picture picture) override { return sizes[picture]; }
    void SetPictureVisible(Picture picture, bool visible) override {
        visibility[picture] = visible;
    }
    void BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                    const PixelRect& changed) override;
    std::string CommandLineArguments() override { return commandLine; }
    double Random() override { return random.Next(); }
    void EndProgram() override { ended = true; }
    void ReportFailure(std::string_view message) override { failures.emplace_back(message); }
    void SetMenuEnabled(MenuCommand command, bool enabled) override {
        menuEnabled[command] = enabled;
    }
    std::string RecoveryFolder() override { return recoveryFolder; }
    std::string SettingsFolder() override { return settingsFolder; }
    int DisplayZoom() override { return displayZoom; }
    void SetZoom(int value) override { zooms.push_back(value); }
    void SetMenuChecked(MenuCommand command, bool checked) override {
        menuChecked[command] = checked;
    }
    // The clipboard is `clipboard`; with clipboardAtOnce false, a read waits, as the browser's
    // does, and the test hands the content to FrmMain::PasteClipboard itself.
    void WriteClipboard(std::string_view text, std::string_view cells) override {
        clipboard = {std::string(cells), std::string(text)};
        ++clipboardWrites;
    }
    bool ReadClipboard(ClipboardContent& content) override {
        ++clipboardReads;
        if (!clipboardAtOnce) return false;
        content = clipboard;
        return true;
    }
    void SetPointerShape(PointerShape shape) override { pointerShapes.push_back(shape); }
    // Answers with the next scripted file, an empty one standing for Cancel; with none left,
    // Cancel. The folder it was asked to start in is kept.
    std::optional<std::string> ChooseMapFile(std::string_view folder) override;
    void AddRecentDocument(std::string_view path) override { recentDocuments.emplace_back(path); }
    void SetMenuCaption(MenuCommand command, std::string_view text) override {
        menuCaptions[command] = text;
    }
    void SetMenuVisible(MenuCommand command, bool visible) override {
        menuVisible[command] = visible;
    }

    // The palette index of the last blit's pixel (x, y), y counted from the top.
    std::uint8_t BlittedIndex(int x, int y) const;

    struct Question {
        std::string prompt;
        std::string defaultAnswer;
    };

    std::string caption{"QUORIX Map Editor"};
    std::string status{"[]"};
    std::string commandLine;
    std::deque<std::string> answers;
    std::vector<Question> questions;
    std::vector<std::string> failures;
    std::map<Picture, PictureSize> sizes{{Picture::picScreen, {kSurfaceWidth, kSurfaceHeight}},
                                         {Picture::picMainScreen, {kSurfaceWidth, kSurfaceHeight}}};
    std::map<Picture, bool> visibility;
    std::map<MenuCommand, bool> menuEnabled;
    std::string recoveryFolder;  // empty: no recovery files
    std::string settingsFolder;  // empty: no settings file
    int displayZoom = 1;
    std::vector<int> zooms;  // every SetZoom, in order
    std::map<MenuCommand, bool> menuChecked;
    ClipboardContent clipboard;
    bool clipboardAtOnce = true;
    int clipboardWrites = 0;
    int clipboardReads = 0;
    std::vector<PointerShape> pointerShapes;   // every SetPointerShape, in order
    std::deque<std::string> chosenFiles;       // the file dialog's answers; "" is Cancel
    std::vector<std::string> dialogFolders;    // where each file dialog started
    std::vector<std::string> recentDocuments;  // every AddRecentDocument, in order
    std::map<MenuCommand, std::string> menuCaptions;
    std::map<MenuCommand, bool> menuVisible;
    bool windowShown = false;
    bool ended = false;
    int blits = 0;
    std::vector<std::uint8_t> blittedBits;
    BitmapInfo blittedInfo{};
    std::vector<PixelRect> changedRects;  // each blit's changed rectangle, in order
    // With keepPicture set, every blit converts only its changed rectangle into `shownPicture` (the
    // surface's colours, top row first), as the front ends do; a blit after which the picture
    // differs from the whole buffer's colours counts as stale.
    bool keepPicture = false;
    std::vector<std::uint32_t> shownPicture;
    int staleBlits = 0;
    ClassicRandom random;
};

}  // namespace gridwright
