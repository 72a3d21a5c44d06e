// Zoom: device pixels to surface pixels, the zoom a display asks for, the settings file that
// remembers the user's choice, and the window's zoom through the Option menu.
#include "zoom.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "user_settings.h"

namespace gridwright {
namespace {

using testing::ScratchDir;

// Every device pixel of a block shows the block's surface pixel, left of and above the surface
// too; a press on the last device pixel of cell (15, 2) at 2x lands in cell (15, 2).
TEST(Zoom, DevicePixelsFloorToTheSurfacePixelTheyShow) {
    for (const int zoom : {1, 2, 3, 4}) {
        for (int device = -3 * zoom; device < 3 * zoom; ++device) {
            const int expected = device >= 0 ? device / zoom : -((-device + zoom - 1) / zoom);
            EXPECT_EQ(SurfacePixel(device, zoom), expected) << device << " at " << zoom;
        }
    }
    EXPECT_EQ(SurfacePixel(319, 2), 159);
    EXPECT_EQ(SurfacePixel(107, 2), 53);
    EXPECT_EQ(SurfacePixel(319.75, 2), 159) << "a fraction of a device pixel stays in it";
    EXPECT_EQ(SurfacePixel(1e300, 4), 1000000);
    EXPECT_EQ(SurfacePixel(-1e300, 4), -1000000);
    EXPECT_EQ(SurfacePixel(std::nan(""), 2), -1000000);
}

// The status line names the cell under the pointer's surface pixel. A half surface pixel, which is
// what a 2x display reports for device pixel 319, would round into the next cell.
TEST(Zoom, TheLastDevicePixelOfACellHitsThatCell) {
    testing::StartedEditor editor;
    editor.form.picScreen_MouseMove(0, 0, static_cast<float>(SurfacePixel(319, 2)),
                                    static_cast<float>(SurfacePixel(107, 2)));
    EXPECT_EQ(editor.services.status, "[L:15,2=0,0]");
    editor.form.picScreen_MouseMove(0, 0, 319 / 2.0f, 107 / 2.0f);
    EXPECT_EQ(editor.services.status, "[L:16,3=0,0]") << "the half pixel the front ends avoid";
}

TEST(Zoom, TheDisplaysScaleInWholeStepsAndItsChanges) {
    EXPECT_EQ(ZoomForScale(1.0), 1);
    EXPECT_EQ(ZoomForScale(1.5), 1) << "144 dpi stays one to one";
    EXPECT_EQ(ZoomForScale(2.0), 2);
    EXPECT_EQ(ZoomForScale(2.5), 2);
    EXPECT_EQ(ZoomForScale(6.0), 4);
    EXPECT_EQ(ZoomForScale(0.0), 1);
    EXPECT_EQ(ZoomForScale(std::nan("")), 1);

    EXPECT_EQ(ZoomForNewDisplay(1, 1, 2), 2);
    EXPECT_EQ(ZoomForNewDisplay(3, 1, 2), 4);
    EXPECT_EQ(ZoomForNewDisplay(2, 2, 1), 1);
    EXPECT_EQ(ZoomForNewDisplay(3, 2, 1), 2);
    EXPECT_EQ(ZoomForNewDisplay(4, 2, 2), 4);
    EXPECT_EQ(ZoomForNewDisplay(3, 0, 2), 3);
}

TEST(UserSettings, ReadsWhatAPersonWritesAndKeepsOtherSettings) {
    UserSettings settings;
    std::string why;
    ASSERT_TRUE(ParseSettings("# mine\r\n\r\n  zoom = 3 \r\nlater=thing\n", settings, why)) << why;
    EXPECT_EQ(settings.zoom, 3);
    ASSERT_EQ(settings.otherLines.size(), 1u);

    const std::string text = FormatSettings(settings);
    EXPECT_NE(text.find("\nzoom=3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nlater=thing\n"), std::string::npos) << text;
    UserSettings again;
    ASSERT_TRUE(ParseSettings(text, again, why)) << why;
    EXPECT_EQ(again.zoom, 3);
    EXPECT_EQ(again.otherLines, settings.otherLines);

    UserSettings none;
    EXPECT_TRUE(ParseSettings("", none, why));
    EXPECT_FALSE(none.zoom.has_value());
}

TEST(UserSettings, DamageIsRefusedWithItsLineAndLeavesTheSettingsAlone) {
    for (const auto& [text, line] :
         {std::pair{"zoom=2\nzoom=5\n", "line 2"}, std::pair{"zoom=0", "line 1"},
          std::pair{"zoom=2x", "line 1"}, std::pair{"zoom=", "line 1"},
          std::pair{"# note\nzoom 2\n", "line 2"}, std::pair{"=2", "line 1"},
          std::pair{"\x7f\x45LF\x02\x01", "line 1"}}) {
        UserSettings settings;
        settings.zoom = 4;
        std::string why;
        EXPECT_FALSE(ParseSettings(text, settings, why)) << text;
        EXPECT_NE(why.find(line), std::string::npos) << why;
        EXPECT_EQ(settings.zoom, 4);
    }
}

TEST(UserSettings, FileRoundTripMakesTheFolderAndReportsDamageWithItsPath) {
    ScratchDir dir;
    const std::string folder = dir.File("config/gridwright");
    std::string problem;
    EXPECT_FALSE(ReadSettingsFile(folder, problem).zoom.has_value());
    EXPECT_EQ(problem, "") << "no file is no problem";

    UserSettings settings;
    settings.zoom = 2;
    ASSERT_TRUE(WriteSettingsFile(folder, settings));
    EXPECT_EQ(ReadSettingsFile(folder, problem).zoom, 2);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(std::filesystem::directory_iterator(folder)->path().filename(), kSettingsFileName)
        << "no temporary file is left";

    const std::string file = folder + "/" + std::string(kSettingsFileName);
    testing::WriteBytes(file, {'z', 'o', 'o', 'm', '=', '9'});
    EXPECT_FALSE(ReadSettingsFile(folder, problem).zoom.has_value());
    EXPECT_NE(problem.find(file), std::string::npos) << problem;
    EXPECT_NE(problem.find("line 1"), std::string::npos) << problem;

    testing::WriteBytes(file, testing::Bytes(100000, 'x'));
    EXPECT_FALSE(ReadSettingsFile(folder, problem).zoom.has_value());
    EXPECT_NE(problem.find("larger"), std::string::npos) << problem;
}

// A window on a display of the given zoom, keeping its settings in `settingsFolder`.
struct ZoomedEditor {
    ZoomedEditor(int display, const std::string& settingsFolder) {
        services.displayZoom = display;
        services.settingsFolder = settingsFolder;
        form.Form_Load();
    }
    void Choose(MenuCommand command) { form.Invoke(command); }
    int Remembered() const {
        std::string problem;
        return ReadSettingsFile(services.settingsFolder, problem).zoom.value_or(0);
    }

    HeadlessServices services;
    FrmMain form{services};
};

TEST(WindowZoom, StartsAtTheDisplaysZoomAndStepsWithinOneToFour) {
    ScratchDir dir;
    ZoomedEditor editor(2, dir.File("settings"));
    EXPECT_EQ(editor.form.Zoom(), 2);
    EXPECT_EQ(editor.services.zooms, (std::vector<int>{2})) << "told before the first blit";
    EXPECT_EQ(editor.services.blits, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("settings"))) << "nothing chosen, nothing kept";

    editor.Choose(MenuCommand::ZoomIn);
    editor.Choose(MenuCommand::ZoomIn);
    editor.Choose(MenuCommand::ZoomIn);
    EXPECT_EQ(editor.services.zooms, (std::vector<int>{2, 3, 4}));
    EXPECT_FALSE(editor.services.menuEnabled.at(MenuCommand::ZoomIn));
    EXPECT_TRUE(editor.services.menuEnabled.at(MenuCommand::ZoomOut));
    EXPECT_EQ(editor.Remembered(), 4);
    // Each new zoom takes the whole surface again, the same pixels as before.
    EXPECT_EQ(editor.services.blits, 3);
    EXPECT_EQ(editor.services.changedRects.back(), (PixelRect{0, 0, 800, 450}));

    for (int i = 0; i < 4; ++i) editor.Choose(MenuCommand::ZoomOut);
    EXPECT_EQ(editor.form.Zoom(), 1);
    EXPECT_FALSE(editor.services.menuEnabled.at(MenuCommand::ZoomOut));
    EXPECT_EQ(editor.Remembered(), 1);
    editor.Choose(MenuCommand::ActualSize);
    EXPECT_EQ(editor.form.Zoom(), 2) << "the display's own size";
    EXPECT_EQ(editor.Remembered(), 2);
    EXPECT_EQ(editor.services.zooms, (std::vector<int>{2, 3, 4, 3, 2, 1, 2}));
}

TEST(WindowZoom, TheRememberedZoomWinsOverTheDisplaysAndADamagedFileIsIgnoredAloud) {
    ScratchDir dir;
    const std::string folder = dir.File("settings");
    {
        ZoomedEditor first(1, folder);
        first.Choose(MenuCommand::ZoomIn);
        first.Choose(MenuCommand::ZoomIn);
    }
    ZoomedEditor second(2, folder);
    EXPECT_EQ(second.form.Zoom(), 3);

    const std::string file = folder + "/" + std::string(kSettingsFileName);
    const testing::Bytes damaged{'z', 'o', 'o', 'm', '=', 'b', 'i', 'g'};
    testing::WriteBytes(file, damaged);
    ::testing::internal::CaptureStderr();
    ZoomedEditor third(2, folder);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(third.form.Zoom(), 2);
    EXPECT_NE(said.find(file), std::string::npos) << said;
    EXPECT_TRUE(third.services.failures.empty()) << "no box stops the start";
    EXPECT_EQ(testing::ReadBytes(file), damaged) << "left as it was until the user zooms";
}

TEST(WindowZoom, ADamagedSettingsFileIsKeptAsideBeforeTheZoomIsRemembered) {
    ScratchDir dir;
    const std::string folder = dir.File("settings");
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/" + std::string(kSettingsFileName);
    const std::string text = "recent=/home/me/levels.qmap\nzoom=big\ntheme=dark\n";
    const testing::Bytes damaged(text.begin(), text.end());
    testing::WriteBytes(file, damaged);
    ::testing::internal::CaptureStderr();
    ZoomedEditor editor(2, folder);
    editor.Choose(MenuCommand::ZoomIn);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(editor.Remembered(), 3);
    EXPECT_EQ(testing::ReadBytes(file + ".unreadable"), damaged) << "every line the user wrote";
    EXPECT_NE(said.find(file + ".unreadable"), std::string::npos) << said;

    // Damaged again: kept under a name of its own, the first one left alone.
    testing::WriteBytes(file, damaged);
    editor.Choose(MenuCommand::ZoomIn);
    EXPECT_EQ(testing::ReadBytes(file + ".unreadable-2"), damaged);
    EXPECT_EQ(testing::ReadBytes(file + ".unreadable"), damaged);
    EXPECT_EQ(editor.Remembered(), 4);
}

TEST(WindowZoom, FollowsTheDisplayWithoutRememberingIt) {
    ScratchDir dir;
    ZoomedEditor editor(1, dir.File("settings"));
    editor.Choose(MenuCommand::ZoomIn);
    editor.services.displayZoom = 2;
    editor.form.DisplayScaleChanged();
    EXPECT_EQ(editor.form.Zoom(), 4);
    EXPECT_EQ(editor.Remembered(), 2);
    editor.Choose(MenuCommand::ActualSize);
    EXPECT_EQ(editor.form.Zoom(), 2);
    const int blits = editor.services.blits;
    editor.form.DisplayScaleChanged();
    EXPECT_EQ(editor.services.blits, blits) << "no change, no blit";
}

}  // namespace
}  // namespace gridwright
