// The editor's two clipboard forms on the Windows clipboard, read back as another program would.
#include "clipboard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace gridwright::win32 {
namespace {

TEST(ClipboardText, LineEndsAreCrLfOnTheClipboardAndLfInTheEditor) {
    EXPECT_EQ(ClipboardText("ab\ncd"), L"ab\r\ncd");
    EXPECT_EQ(ClipboardText("\n\n"), L"\r\n\r\n");
    EXPECT_EQ(ClipboardText("\xE2\x90\x80\xE2\x98\xBA"), L"\u2400\u263A");
    EXPECT_EQ(ClipboardText(""), L"");
    EXPECT_EQ(TextFromClipboard(L"ab\r\ncd\r\n"), "ab\ncd\n");
    EXPECT_EQ(TextFromClipboard(L"\u2400\u263A\nx"), "\xE2\x90\x80\xE2\x98\xBA\nx");
    // A carriage return alone is no line end here: the editor is told of the odd character.
    EXPECT_EQ(TextFromClipboard(L"a\rb\r"), "a\rb\r");
    EXPECT_EQ(TextFromClipboard(L"a\r\r\nb"), "a\r\nb");
}

// A window of our own to own the clipboard, as the editor's frame does.
class Clipboard : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_ = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override { DestroyWindow(owner_); }

    // Puts text alone on the clipboard, as any other program would.
    void PutTextOnly(const wchar_t* text) {
        ASSERT_TRUE(OpenClipboard(owner_));
        EmptyClipboard();
        const std::size_t size = (std::wcslen(text) + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(memory), text, size);
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
    }

    HWND owner_ = nullptr;
};

TEST_F(Clipboard, HoldsBothFormsUnderTheirNames) {
    const std::string cells =
        "\xE2\x98\xBA"
        "A\n\nE0\n";
    ASSERT_TRUE(PutOnClipboard(owner_,
                               "\xE2\x98\xBA"
                               "A\nBC",
                               cells));

    wchar_t name[64] = {};
    ASSERT_GT(GetClipboardFormatNameW(CellsClipboardFormat(), name, 64), 0);
    EXPECT_STREQ(name, L"application/x-gridwright-cells");
    // Another program sees the text with CR LF line ends.
    ASSERT_TRUE(OpenClipboard(owner_));
    const auto* text = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, L"\u263AA\r\nBC");
    CloseClipboard();

    ClipboardContent content;
    ASSERT_TRUE(TakeFromClipboard(owner_, content));
    EXPECT_EQ(content.cells, cells);
    EXPECT_EQ(content.text,
              "\xE2\x98\xBA"
              "A\nBC");

    // A second copy replaces both.
    ASSERT_TRUE(PutOnClipboard(owner_, "x", "x\n\n1"));
    ASSERT_TRUE(TakeFromClipboard(owner_, content));
    EXPECT_EQ(content.cells, "x\n\n1");
    EXPECT_EQ(content.text, "x");
}

TEST_F(Clipboard, TextFromAnotherProgramComesWithoutCells) {
    PutTextOnly(L"sign\r\npost");
    ClipboardContent content;
    content.cells = "stale";
    ASSERT_TRUE(TakeFromClipboard(owner_, content));
    EXPECT_EQ(content.cells, std::nullopt);
    EXPECT_EQ(content.text, "sign\npost");

    ASSERT_TRUE(OpenClipboard(owner_));
    EmptyClipboard();
    CloseClipboard();
    ASSERT_TRUE(TakeFromClipboard(owner_, content));
    EXPECT_EQ(content.cells, std::nullopt);
    EXPECT_EQ(content.text, std::nullopt);
}

TEST_F(Clipboard, HeldByAnotherWindowIsAFailureNotAnEmptyRead) {
    HWND other = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(other));
    // Another thread stands for the other program: the clipboard is open in this one.
    struct Attempt {
        HWND owner;
        bool put, read;
    } attempt{owner_, true, true};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* data) -> DWORD {
            auto* a = static_cast<Attempt*>(data);
            ClipboardContent content;
            a->put = PutOnClipboard(a->owner, "x", "x\n\n1");
            a->read = TakeFromClipboard(a->owner, content);
            return 0;
        },
        &attempt, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseClipboard();
    DestroyWindow(other);
    EXPECT_FALSE(attempt.put);
    EXPECT_FALSE(attempt.read);
}

}  // namespace
}  // namespace gridwright::win32
