#include "text_format.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "code_page_437.h"

namespace gridwright {

namespace {

constexpr char32_t kNulSymbol = U'\u2400';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

char32_t GlyphCharacter(std::uint8_t glyph) {
    return glyph == 0 ? kNulSymbol : kCodePage437[glyph];
}

std::optional<std::uint8_t> CharacterGlyph(char32_t c) {
    if (c == kNulSymbol) return 0;
    if (c == 0) return std::nullopt;
    return CodePage437Code(c);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        // Code page 437 reaches no further than the Basic Multilingual Plane.
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The characters of a line of UTF-8 text, or nothing when it is not UTF-8.
std::optional<std::u32string> DecodeUtf8(std::string_view text) {
    std::u32string out;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[at]);
        const int length = lead < 0x80                   ? 1
                           : lead >= 0xC2 && lead < 0xE0 ? 2
                           : lead >= 0xE0 && lead < 0xF0 ? 3
                           : lead >= 0xF0 && lead < 0xF5 ? 4
                                                         : 0;
        if (length == 0 || text.size() - at < static_cast<std::size_t>(length)) return std::nullopt;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<std::uint8_t>(text[at + i]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms and surrogates are not UTF-8.
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        out += c;
        at += static_cast<std::size_t>(length);
    }
    return out;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string Characters(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " character" : " characters");
}

}  // namespace

std::string EncodeText(const BoardGrid& board) {
    std::string text;
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) AppendUtf8(text, GlyphCharacter(board(X, Y).Char));
        text += '\n';
    }
    text += '\n';
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) text += kHexDigits[board(X, Y).Color & 0x0F];
        text += '\n';
    }
    return text;
}

BoardOrError DecodeText(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines = Lines(text);
    constexpr std::size_t kLines = 2 * kBoardRows + 1;
    while (lines.size() > kLines && lines.back().empty()) lines.pop_back();
    if (lines.size() != kLines || !lines[kBoardRows].empty())
        return BoardOrError::Failure(
            "the text is not 24 lines of glyphs, an empty line and 24 lines of colours");

    BoardGrid board;
    for (int Y = 0; Y < kBoardRows; ++Y) {
        const std::optional<std::u32string> glyphs = DecodeUtf8(lines[Y]);
        if (!glyphs) return BoardOrError::Failure("row " + std::to_string(Y) + ": not UTF-8 text");
        if (glyphs->size() != kBoardColumns)
            return BoardOrError::Failure("row " + std::to_string(Y) + " has " +
                                         Characters(glyphs->size()) + "; a row has 32");
        const std::string_view colors = lines[kBoardRows + 1 + Y];
        if (colors.size() != kBoardColumns)
            return BoardOrError::Failure("colour row " + std::to_string(Y) + " has " +
                                         Characters(colors.size()) + "; a row has 32");
        for (int X = 0; X < kBoardColumns; ++X) {
            const std::optional<std::uint8_t> glyph = CharacterGlyph((*glyphs)[X]);
            if (!glyph) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>((*glyphs)[X]));
                return BoardOrError::Failure(CellPlace(X, Y) + ": the character " + code +
                                             " is not in code page 437");
            }
            const char digit = colors[X];
            const std::size_t color =
                kHexDigits.find(digit >= 'a' && digit <= 'f' ? digit - 'a' + 'A' : digit);
            if (color == std::string_view::npos)
                return BoardOrError::Failure("colour " + CellPlace(X, Y) + ": \"" +
                                             std::string(1, digit) +
                                             "\" is not a hexadecimal digit");
            board(X, Y) = {*glyph, static_cast<std::uint8_t>(color)};
        }
    }
    return {board, {}};
}

}  // namespace gridwright
