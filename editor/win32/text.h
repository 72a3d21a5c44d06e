// Text crosses the core's interface as UTF-8; the Win32 API speaks UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace gridwright::win32 {

// Invalid UTF-8 sequences become U+FFFD rather than being dropped silently.
std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace gridwright::win32
