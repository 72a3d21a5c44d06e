#include "cell_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "code_page_437.h"
#include "utf8.h"

namespace gridwright {

namespace {

constexpr char32_t kNulSymbol = U'\u2400';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

char32_t GlyphCharacter(std::uint8_t glyph) {
    return glyph == 0 ? kNulSymbol : kCodePage437[glyph];
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

std::string CellPlace(int X, int Y) {
    return "row " + std::to_string(Y) + ", column " + std::to_string(X);
}

std::string CodePoint(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    return code;
}

CellsOrError Failure(std::string why) {
    return {std::nullopt, std::move(why)};
}

}  // namespace

std::optional<std::uint8_t> TextGlyph(char32_t character) {
    if (character == kNulSymbol) return 0;
    if (character >= 0x20 && character < 0x7F) return static_cast<std::uint8_t>(character);
    // The other characters through a table by character, each code plus one (0: none), built
    // once: the code page's characters all lie below U+2670, so it takes under 10 KB and a whole
    // board of text is read in a fraction of the time it takes to paint it.
    static const std::vector<std::uint16_t> codes = [] {
        char32_t highest = 0;
        for (const char32_t c : kCodePage437) highest = std::max(highest, c);
        std::vector<std::uint16_t> table(static_cast<std::size_t>(highest) + 1);
        for (std::size_t code = kCodePage437.size(); code-- > 0;)
            table[kCodePage437[code]] = static_cast<std::uint16_t>(code + 1);
        return table;
    }();
    // U+0000 is the code page's NUL, which the text forms write as U+2400 instead.
    if (character == 0 || character >= codes.size() || codes[character] == 0) return std::nullopt;
    return static_cast<std::uint8_t>(codes[character] - 1);
}

std::string EncodeCells(const CellBlock& block) {
    std::string text;
    for (int y = 0; y < block.height; ++y) {
        for (int x = 0; x < block.width; ++x) AppendUtf8(text, GlyphCharacter(block(x, y).Char));
        text += '\n';
    }
    text += '\n';
    for (int y = 0; y < block.height; ++y) {
        for (int x = 0; x < block.width; ++x) text += kHexDigits[block(x, y).Color & 0x0F];
        text += '\n';
    }
    return text;
}

std::string GlyphText(std::uint8_t glyph) {
    std::string text;
    AppendUtf8(text, GlyphCharacter(glyph));
    return text;
}

std::string EncodeText(const BoardGrid& board) {
    CellBlock block = CellBlock::Sized(kBoardColumns, kBoardRows);
    for (int Y = 0; Y < kBoardRows; ++Y)
        for (int X = 0; X < kBoardColumns; ++X) block(X, Y) = board(X, Y);
    return EncodeCells(block);
}

CellsOrError DecodeCells(std::string_view text, std::optional<BoardPoint> size) {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines = Lines(text);

    int rows = 0;
    if (size) {
        rows = size->Y;
        const std::size_t expected = 2 * static_cast<std::size_t>(rows) + 1;
        while (lines.size() > expected && lines.back().empty()) lines.pop_back();
        if (lines.size() != expected || !lines[rows].empty())
            return Failure("the text is not " + std::to_string(rows) +
                           " lines of glyphs, an empty line and " + std::to_string(rows) +
                           " lines of colours");
    } else {
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        while (rows < static_cast<int>(lines.size()) && !lines[rows].empty()) ++rows;
        if (rows < 1 || rows > kBoardRows || lines.size() != 2 * static_cast<std::size_t>(rows) + 1)
            return Failure(
                "the text is not 1 to 24 lines of glyphs, an empty line and as many lines of "
                "colours");
    }

    std::optional<CellBlock> block;
    for (int y = 0; y < rows; ++y) {
        const std::optional<std::u32string> glyphs = DecodeUtf8(lines[y]);
        if (!glyphs) return Failure("row " + std::to_string(y) + ": not UTF-8 text");
        if (!block) {
            const int columns = size ? size->X : static_cast<int>(glyphs->size());
            if (columns > kBoardColumns)
                return Failure("row 0 has " + Characters(glyphs->size()) + "; a row has 1 to 32");
            block = CellBlock::Sized(columns, rows);
        }
        const auto width = static_cast<std::size_t>(block->width);
        if (glyphs->size() != width)
            return Failure("row " + std::to_string(y) + " has " + Characters(glyphs->size()) +
                           "; a row has " + std::to_string(width));
        const std::string_view colors = lines[rows + 1 + y];
        if (colors.size() != width)
            return Failure("colour row " + std::to_string(y) + " has " + Characters(colors.size()) +
                           "; a row has " + std::to_string(width));
        for (int x = 0; x < block->width; ++x) {
            const std::optional<std::uint8_t> glyph = TextGlyph((*glyphs)[x]);
            if (!glyph)
                return Failure(CellPlace(x, y) + ": the character " + CodePoint((*glyphs)[x]) +
                               " is not in code page 437");
            const char digit = colors[x];
            const std::size_t color =
                kHexDigits.find(digit >= 'a' && digit <= 'f' ? digit - 'a' + 'A' : digit);
            if (color == std::string_view::npos)
                return Failure("colour " + CellPlace(x, y) + ": \"" + std::string(1, digit) +
                               "\" is not a hexadecimal digit");
            (*block)(x, y) = {*glyph, static_cast<std::uint8_t>(color)};
        }
    }
    return {std::move(block), {}};
}

std::string EncodePlainText(const CellBlock& block) {
    std::string text;
    for (int y = 0; y < block.height; ++y) {
        if (y > 0) text += '\n';
        for (int x = 0; x < block.width; ++x) AppendUtf8(text, GlyphCharacter(block(x, y).Char));
    }
    return text;
}

CellsOrError DecodePlainText(std::string_view text, std::uint8_t color) {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines = Lines(text);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty()) return Failure("the text is empty");

    std::vector<std::u32string> rows;
    std::size_t width = 0;
    for (std::size_t y = 0; y < lines.size(); ++y) {
        std::optional<std::u32string> characters = DecodeUtf8(lines[y]);
        if (!characters) return Failure("line " + std::to_string(y + 1) + " is not UTF-8 text");
        for (std::size_t x = 0; x < characters->size(); ++x) {
            const char32_t c = (*characters)[x];
            if (!TextGlyph(c))
                return Failure("line " + std::to_string(y + 1) + ", character " +
                               std::to_string(x + 1) + ": " + CodePoint(c) +
                               (c == U'\t' ? " (a tab)" : "") + " is not in code page 437");
        }
        width = std::max(width, characters->size());
        rows.push_back(std::move(*characters));
    }
    if (width == 0) return Failure("the text holds only empty lines");

    const int columns = static_cast<int>(std::min<std::size_t>(width, kBoardColumns));
    const int height = static_cast<int>(std::min<std::size_t>(rows.size(), kBoardRows));
    CellBlock block = CellBlock::Sized(columns, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < columns; ++x) {
            const std::u32string& row = rows[static_cast<std::size_t>(y)];
            const char32_t c = static_cast<std::size_t>(x) < row.size() ? row[x] : U' ';
            block(x, y) = {*TextGlyph(c), color};
        }
    return {std::move(block), {}};
}

}  // namespace gridwright
