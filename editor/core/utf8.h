// UTF-8, the encoding of every text the editor and its tools exchange with the system (file
// names, the text forms of cells, the clipboard, typed characters).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gridwright {

// Appends one character (at most U+10FFFF, no surrogate) in its shortest form.
void AppendUtf8(std::string& out, char32_t character);
// The characters of UTF-8 text, or nothing when it is not UTF-8 (a broken or overlong sequence, a
// surrogate, or a value beyond U+10FFFF).
std::optional<std::u32string> DecodeUtf8(std::string_view text);

}  // namespace gridwright
