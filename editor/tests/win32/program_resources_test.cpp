// The resources linked into gridwright.exe, read back from the built program as the system reads
// them: the manifest the loader applies, the version shown in the file's properties, the icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "resource.h"
#include "text.h"

namespace gridwright::win32 {
namespace {

// Set by the build: the program's path on the build machine, reached through Wine's Z: drive.
std::wstring ProgramPath() {
    return L"Z:" + Utf8ToWide(GW_EDITOR_EXE);
}

class ProgramResources : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(program_, nullptr) << "cannot load " << GW_EDITOR_EXE;
    }
    void TearDown() override {
        if (program_ != nullptr) FreeLibrary(program_);
    }

    std::string_view Resource(LPCWSTR type, LPCWSTR name) {
        HRSRC found = FindResourceW(program_, name, type);
        if (found == nullptr) return {};
        const void* data = LockResource(LoadResource(program_, found));
        return {static_cast<const char*>(data), SizeofResource(program_, found)};
    }

    HMODULE program_ = nullptr;
};

TEST_F(ProgramResources, ManifestAsksForCommonControls6AndPerMonitorDpi) {
    const std::string_view manifest = Resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string_view::npos);
    EXPECT_NE(manifest.find("<dpiAwareness"), std::string_view::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string_view::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string_view::npos);
    EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string_view::npos);
}

TEST_F(ProgramResources, IconHoldsTheUsualSizes) {
    const std::string_view group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_GRIDWRIGHT));
    ASSERT_GE(group.size(), 6u);
    const auto* directory = reinterpret_cast<const BYTE*>(group.data());
    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(directory), TRUE, size, size,
                                                   LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0);
        EXPECT_FALSE(Resource(RT_ICON, MAKEINTRESOURCEW(id)).empty());
    }
}

TEST_F(ProgramResources, VersionIsTheProjectsVersion) {
    const std::wstring path = ProgramPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(GW_VERSION_MINOR, GW_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, GW_VERSION_PATCH));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(text), L"gridwright");
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(text), L"gridwright.exe");
}

TEST(Program, IsAWindowsGuiProgram) {
    HANDLE file = CreateFileW(ProgramPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char headers[4096] = {};
    DWORD read = 0;
    ReadFile(file, headers, sizeof headers, &read, nullptr);
    CloseHandle(file);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(headers);
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LT(static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64), read);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(headers + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

}  // namespace
}  // namespace gridwright::win32
