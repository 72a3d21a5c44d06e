#include "ansi_art_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "renderer.h"

namespace gridwright {

namespace {

constexpr int kXBinHeaderBytes = 11;
constexpr int kFontHeight = 16;
constexpr std::uint8_t kXBinPaletteFlag = 1, kXBinFontFlag = 2, kXBinCompressedFlag = 4,
                       kXBinLargeFontFlag = 16;
// Larger pictures than this are no level's source: 4,194,304 cells, 2048 x 2048.
constexpr std::size_t kMostCells = std::size_t{1} << 22;
constexpr std::size_t kMostAnsiRows = 8192;
constexpr char kFontName[] = "IBM VGA";

// ANSI's colour order (black, red, green, yellow, blue, magenta, cyan, white) against the PC's
// (black, blue, green, cyan, red, magenta, brown, light grey): red and blue, cyan and yellow
// change places, so one table turns either order into the other.
constexpr std::array<std::uint8_t, 8> kOtherColorOrder = {0, 4, 2, 6, 1, 5, 3, 7};

// The glyphs that viewers act on in an ANSI stream: tab, line feed, carriage return, the
// end-of-file mark that starts SAUCE, and escape.
constexpr std::array<std::uint8_t, 5> kStreamGlyphs = {9, 10, 13, 26, 27};

// A picture's cell: glyph, foreground (0-15, PC order), background (0-7, or 0-15 under iCE) and
// the blink bit.
struct ArtCell {
    std::uint8_t glyph = 0, foreground = 0, background = 0;
    bool blink = false;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<ArtCell> cells;  // row by row

    ArtCell& At(int column, int row) {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(column)];
    }
};

ArtCell FromAttribute(std::uint8_t glyph, std::uint8_t attribute) {
    return {glyph, static_cast<std::uint8_t>(attribute & 0x0F),
            static_cast<std::uint8_t>((attribute >> 4) & 0x07), (attribute & 0x80) != 0};
}

std::string Size(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// The level a picture holds, by the import's rules.
BoardOrError ToBoard(Picture& picture, const AnsiArtImport& how) {
    int left = 0, top = 0;
    if (how.from) {
        std::tie(left, top) = *how.from;
        if (left < 0 || top < 0 || left + kBoardColumns > picture.width ||
            top + kBoardRows > picture.height)
            return BoardOrError::Failure("the picture is " + Size(picture.width, picture.height) +
                                         " cells: 32 x 24 from " + "column " +
                                         std::to_string(left) + ", row " + std::to_string(top) +
                                         " do not fit in it");
    } else if (picture.width != kBoardColumns || picture.height != kBoardRows) {
        return BoardOrError::Failure("the picture is " + Size(picture.width, picture.height) +
                                     " cells; a level is 32 x 24 (--from COLUMN,ROW takes 32 x "
                                     "24 cells of a larger picture)");
    }
    BoardGrid board;
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) {
            const ArtCell& cell = picture.At(left + X, top + Y);
            if (!how.dropBackground && (cell.background != 0 || cell.blink))
                return BoardOrError::Failure(
                    CellPlace(left + X, top + Y) + ": " +
                    (cell.blink ? "a blink (or iCE bright background) bit"
                                : "the background colour " + std::to_string(cell.background)) +
                    ", which a map cell cannot hold (--background drop keeps only the glyph "
                    "and its colour)");
            board(X, Y) = {cell.glyph, cell.foreground};
        }
    }
    return {board, {}};
}

SauceRecord Record(const SauceFields& fields, std::uint8_t dataType) {
    SauceRecord record;
    record.title = fields.title;
    record.author = fields.author;
    record.group = fields.group;
    record.date = fields.date;
    record.dataType = dataType;
    record.fontName = kFontName;
    return record;
}

std::uint8_t Attribute(const BoardCell& cell) {
    return cell.Color & 0x0F;
}

// ---- XBin's runs ----

struct RunCell {
    std::uint8_t glyph, attribute;
    bool operator==(const RunCell&) const = default;
};

// One row of cells in XBin's run-length scheme: a control byte (bits 7-6 the kind, bits 5-0 the
// count less one) and its data.
void CompressRow(std::span<const RunCell> row, std::vector<std::uint8_t>& out) {
    constexpr std::size_t kLongest = 64;
    const std::size_t end = row.size();
    const auto runOf = [&](std::size_t at, auto same) {
        std::size_t n = 1;
        while (at + n < end && n < kLongest && same(row[at + n], row[at])) ++n;
        return n;
    };
    const auto sameCell = [](const RunCell& a, const RunCell& b) { return a == b; };
    const auto sameGlyph = [](const RunCell& a, const RunCell& b) { return a.glyph == b.glyph; };
    const auto sameColor = [](const RunCell& a, const RunCell& b) {
        return a.attribute == b.attribute;
    };
    for (std::size_t at = 0; at < end;) {
        if (const std::size_t n = runOf(at, sameCell); n >= 2) {
            out.insert(out.end(), {static_cast<std::uint8_t>(0xC0 | (n - 1)), row[at].glyph,
                                   row[at].attribute});
            at += n;
            continue;
        }
        const std::size_t glyphs = runOf(at, sameGlyph), colors = runOf(at, sameColor);
        if (glyphs >= 3 && glyphs >= colors) {
            out.push_back(static_cast<std::uint8_t>(0x40 | (glyphs - 1)));
            out.push_back(row[at].glyph);
            for (std::size_t i = 0; i < glyphs; ++i) out.push_back(row[at + i].attribute);
            at += glyphs;
            continue;
        }
        if (colors >= 3) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (colors - 1)));
            out.push_back(row[at].attribute);
            for (std::size_t i = 0; i < colors; ++i) out.push_back(row[at + i].glyph);
            at += colors;
            continue;
        }
        // Plain cells up to where a run of equal cells starts.
        std::size_t n = 1;
        while (at + n < end && n < kLongest &&
               !(at + n + 1 < end && row[at + n] == row[at + n + 1]))
            ++n;
        out.push_back(static_cast<std::uint8_t>(n - 1));
        for (std::size_t i = 0; i < n; ++i) {
            out.push_back(row[at + i].glyph);
            out.push_back(row[at + i].attribute);
        }
        at += n;
    }
}

// Reads cells in XBin's run-length scheme; runs may cross rows.
std::optional<std::string> Decompress(std::span<const std::uint8_t> data, std::size_t total,
                                      int width, std::vector<RunCell>& cells) {
    std::size_t at = 0;
    const auto where = [&] {
        const std::size_t cell = cells.size();
        return CellPlace(static_cast<int>(cell % static_cast<std::size_t>(width)),
                         static_cast<int>(cell / static_cast<std::size_t>(width)));
    };
    while (cells.size() < total) {
        if (at >= data.size())
            return "the cells end after " + std::to_string(cells.size()) + " of " +
                   std::to_string(total) + " (the file is cut short)";
        const std::uint8_t control = data[at++];
        const int kind = control >> 6;
        const std::size_t count = (control & 0x3F) + 1u;
        if (count > total - cells.size())
            return "a run at " + where() + " goes past the picture's last cell";
        const std::size_t needs = kind == 0 ? 2 * count : kind == 3 ? 2 : 1 + count;
        if (data.size() - at < needs)
            return "the run at " + where() + " is cut short (the file ends inside it)";
        for (std::size_t i = 0; i < count; ++i) {
            switch (kind) {
                case 0:
                    cells.push_back({data[at + 2 * i], data[at + 2 * i + 1]});
                    break;
                case 1:
                    cells.push_back({data[at], data[at + 1 + i]});
                    break;
                case 2:
                    cells.push_back({data[at + 1 + i], data[at]});
                    break;
                default:
                    cells.push_back({data[at], data[at + 1]});
                    break;
            }
        }
        at += needs;
    }
    return std::nullopt;
}

// Our palette at brightness 1 in XBin's six bits a component.
std::array<std::uint8_t, 48> SixBitPalette() {
    std::array<std::uint8_t, 48> palette{};
    for (int color = 0; color < kPaletteSize; ++color) {
        const Rgb rgb = kBasePalette[color];
        const std::int16_t parts[3] = {rgb.red, rgb.green, rgb.blue};
        for (int part = 0; part < 3; ++part)
            palette[3 * color + part] =
                static_cast<std::uint8_t>(std::lround(parts[part] * 63.0 / 255.0));
    }
    return palette;
}

}  // namespace

std::vector<std::uint8_t> EncodeBin(const BoardGrid& board, const SauceFields& fields) {
    std::vector<std::uint8_t> file;
    file.reserve(2 * kBoardCells + 1 + kSauceBytes);
    for (int Y = 0; Y < kBoardRows; ++Y)
        for (int X = 0; X < kBoardColumns; ++X) {
            file.push_back(board(X, Y).Char);
            file.push_back(Attribute(board(X, Y)));
        }
    SauceRecord record = Record(fields, kSauceDataBinaryText);
    record.fileType = kBoardColumns / 2;  // binary text keeps its width here
    // and viewers that take the width of every kind of picture from TInfo1 find it there too.
    record.tinfo1 = kBoardColumns;
    record.tinfo2 = kBoardRows;
    AppendSauce(file, record);
    return file;
}

std::vector<std::uint8_t> EncodeXBin(const BoardGrid& board, const SauceFields& fields) {
    std::vector<std::uint8_t> file = {'X',
                                      'B',
                                      'I',
                                      'N',
                                      0x1A,
                                      kBoardColumns,
                                      0,
                                      kBoardRows,
                                      0,
                                      kFontHeight,
                                      kXBinPaletteFlag | kXBinCompressedFlag};
    const std::array<std::uint8_t, 48> palette = SixBitPalette();
    file.insert(file.end(), palette.begin(), palette.end());
    std::array<RunCell, kBoardColumns> row{};
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X)
            row[static_cast<std::size_t>(X)] = {board(X, Y).Char, Attribute(board(X, Y))};
        CompressRow(row, file);
    }
    SauceRecord record = Record(fields, kSauceDataXBin);
    record.tinfo1 = kBoardColumns;
    record.tinfo2 = kBoardRows;
    AppendSauce(file, record);
    return file;
}

std::optional<std::vector<std::uint8_t>> EncodeAnsi(const BoardGrid& board,
                                                    const SauceFields& fields,
                                                    std::string& problem) {
    std::vector<std::string> refused;
    int count = 0;
    for (int Y = 0; Y < kBoardRows; ++Y)
        for (int X = 0; X < kBoardColumns; ++X)
            if (std::find(kStreamGlyphs.begin(), kStreamGlyphs.end(), board(X, Y).Char) !=
                kStreamGlyphs.end()) {
                if (++count <= 3)
                    refused.push_back(CellPlace(X, Y) + " (glyph " +
                                      std::to_string(board(X, Y).Char) + ")");
            }
    if (count > 0) {
        problem =
            "an ANSI stream cannot hold glyphs 9, 10, 13, 26 and 27 (viewers take them as "
            "tab, line feed, carriage return, end of file and escape); the level has " +
            std::to_string(count) + (count == 1 ? " such cell: " : " such cells: ");
        for (std::size_t i = 0; i < refused.size(); ++i)
            problem += (i > 0 ? "; " : "") + refused[i];
        if (count > 3) problem += "; ...";
        problem += ". .bin and .xb hold every glyph";
        return std::nullopt;
    }

    std::string text = "\x1b[0m";
    int shown = 7;  // light grey, the colour after a reset
    for (int Y = 0; Y < kBoardRows; ++Y) {
        // Each row has its place: a viewer 80 columns wide would run the rows together.
        text += "\x1b[" + std::to_string(Y + 1) + ";1H";
        for (int X = 0; X < kBoardColumns; ++X) {
            const int color = board(X, Y).Color & 0x0F;
            if (color != shown) {
                text += "\x1b[0;";
                if (color >= 8) text += "1;";
                text += std::to_string(30 + kOtherColorOrder[static_cast<std::size_t>(color & 7)]);
                text += 'm';
                shown = color;
            }
            text += static_cast<char>(board(X, Y).Char);
        }
    }
    text += "\x1b[0m";
    std::vector<std::uint8_t> file(text.begin(), text.end());
    SauceRecord record = Record(fields, kSauceDataCharacter);
    record.fileType = 1;  // ANSi
    record.tinfo1 = kBoardColumns;
    record.tinfo2 = kBoardRows;
    AppendSauce(file, record);
    return file;
}

BoardOrError DecodeBin(std::span<const std::uint8_t> file, const AnsiArtImport& how) {
    const SaucedFile split = SplitSauce(file);
    int width = 160;  // what readers assume of binary text without a record
    if (split.record) {
        if (split.record->dataType != kSauceDataBinaryText)
            return BoardOrError::Failure("its SAUCE record says it is no binary text (data type " +
                                         std::to_string(split.record->dataType) + ")");
        if (split.record->fileType == 0)
            return BoardOrError::Failure("its SAUCE record gives a width of 0 columns");
        width = 2 * split.record->fileType;
    } else if (split.picture.size() == 2 * static_cast<std::size_t>(kBoardCells)) {
        width = kBoardColumns;
    }
    const std::size_t rowBytes = 2 * static_cast<std::size_t>(width);
    if (split.picture.empty() || split.picture.size() % rowBytes != 0)
        return BoardOrError::Failure("its " + std::to_string(split.picture.size()) +
                                     " bytes of cells are not whole rows of " +
                                     std::to_string(width) + " cells");
    if (split.picture.size() / 2 > kMostCells)
        return BoardOrError::Failure("the picture is larger than any level's");
    Picture picture{width, static_cast<int>(split.picture.size() / rowBytes), {}};
    for (std::size_t at = 0; at < split.picture.size(); at += 2)
        picture.cells.push_back(FromAttribute(split.picture[at], split.picture[at + 1]));
    return ToBoard(picture, how);
}

BoardOrError DecodeXBin(std::span<const std::uint8_t> file, const AnsiArtImport& how) {
    const std::span<const std::uint8_t> data = SplitSauce(file).picture;
    const auto damaged = [](const std::string& why) {
        return BoardOrError::Failure("damaged XBin header: " + why);
    };
    if (data.size() < kXBinHeaderBytes || data[0] != 'X' || data[1] != 'B' || data[2] != 'I' ||
        data[3] != 'N' || data[4] != 0x1A)
        return damaged("it does not start with XBIN and byte 26");
    const int width = data[5] | data[6] << 8, height = data[7] | data[8] << 8;
    const int fontHeight = data[9];
    const std::uint8_t flags = data[10];
    if (width == 0 || height == 0) return damaged("the picture is " + Size(width, height));
    if (fontHeight < 1 || fontHeight > 32)
        return damaged("a font height of " + std::to_string(fontHeight) + " (1 to 32)");
    if (flags & kXBinLargeFontFlag)
        return BoardOrError::Failure("its 512-character font has glyphs that a map cannot hold");
    const std::size_t total = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (total > kMostCells) return BoardOrError::Failure("the picture is larger than any level's");

    std::size_t at = kXBinHeaderBytes;
    // Each of the picture's colours as ours: its own palette's nearest, or ours as it is.
    std::array<std::uint8_t, 16> colors{};
    for (int i = 0; i < 16; ++i) colors[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    if (flags & kXBinPaletteFlag) {
        if (data.size() - at < 48) return damaged("the palette is cut short");
        for (int i = 0; i < 16; ++i) {
            std::uint8_t rgb[3];
            for (int part = 0; part < 3; ++part) {
                const std::uint8_t six = data[at + static_cast<std::size_t>(3 * i + part)];
                if (six > 63)
                    return damaged("palette colour " + std::to_string(i) + " has a component of " +
                                   std::to_string(six) + " (0 to 63)");
                rgb[part] = static_cast<std::uint8_t>(std::lround(six * 255.0 / 63.0));
            }
            colors[static_cast<std::size_t>(i)] = NearestPaletteColor(rgb[0], rgb[1], rgb[2]);
        }
        at += 48;
    }
    if (flags & kXBinFontFlag) {
        // The picture's own font is not kept: a map's glyphs are code page 437.
        const std::size_t fontBytes = 256 * static_cast<std::size_t>(fontHeight);
        if (data.size() - at < fontBytes) return damaged("the font is cut short");
        at += fontBytes;
    }

    std::vector<RunCell> cells;
    cells.reserve(total);
    const std::span<const std::uint8_t> rest = data.subspan(at);
    if (flags & kXBinCompressedFlag) {
        if (std::optional<std::string> problem = Decompress(rest, total, width, cells))
            return BoardOrError::Failure(*problem);
    } else {
        if (rest.size() < 2 * total)
            return BoardOrError::Failure("the cells end after " + std::to_string(rest.size() / 2) +
                                         " of " + std::to_string(total) +
                                         " (the file is cut short)");
        for (std::size_t i = 0; i < total; ++i) cells.push_back({rest[2 * i], rest[2 * i + 1]});
    }
    Picture picture{width, height, {}};
    picture.cells.reserve(total);
    for (const RunCell& cell : cells) {
        ArtCell art = FromAttribute(cell.glyph, cell.attribute);
        art.foreground = colors[art.foreground];
        // A background is black when its colour is black.
        art.background = colors[art.background];
        picture.cells.push_back(art);
    }
    return ToBoard(picture, how);
}

BoardOrError DecodeAnsi(std::span<const std::uint8_t> file, const AnsiArtImport& how) {
    const SaucedFile split = SplitSauce(file);
    // Viewers wrap at the record's width, at 80 columns without one.
    int width = 80, lines = 0;
    if (split.record && split.record->dataType == kSauceDataCharacter) {
        if (split.record->tinfo1 > 0) width = split.record->tinfo1;
        lines = split.record->tinfo2;
    }
    Picture picture{width, 0, {}};
    constexpr int kFarthestRow = static_cast<int>(kMostAnsiRows);
    int column = 0, row = 0, savedColumn = 0, savedRow = 0;
    int foreground = 7, background = 0;
    bool bold = false, blink = false;
    const std::span<const std::uint8_t> text = split.picture;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::uint8_t byte = text[at];
        if (byte == 26) break;  // the end of the picture
        if (byte == 27) {
            if (at + 1 >= text.size() || text[at + 1] != '[') continue;
            // A control sequence: numbers separated by ';', then its final letter.
            // Numbers past the sixteenth are dropped: no sequence we act on has that many.
            std::array<int, 16> numbers{};
            std::size_t count = 1;
            bool full = false;
            std::size_t end = at + 2;
            for (; end < text.size() && (text[end] < 0x40 || text[end] > 0x7E); ++end) {
                if (text[end] >= '0' && text[end] <= '9' && !full) {
                    int& n = numbers[count - 1];
                    n = std::min(n * 10 + (text[end] - '0'), 100000);
                } else if (text[end] == ';') {
                    if (count < numbers.size())
                        numbers[count++] = 0;
                    else
                        full = true;
                }
            }
            if (end >= text.size()) break;
            at = end;
            // A missing number, or 0, moves by one and places at the first row or column.
            const auto number = [&](std::size_t i) {
                return i < count && numbers[i] != 0 ? numbers[i] : 1;
            };

            switch (text[end]) {
                case 'm':
                    for (std::size_t i = 0; i < count; ++i) {
                        const int n = numbers[i];
                        if (n == 0) {
                            foreground = 7, background = 0, bold = false, blink = false;
                        } else if (n == 1) {
                            bold = true;
                        } else if (n == 22) {
                            bold = false;
                        } else if (n == 5) {
                            blink = true;
                        } else if (n == 25) {
                            blink = false;
                        } else if (n >= 30 && n <= 37) {
                            foreground = n - 30;
                        } else if (n == 39) {
                            foreground = 7;
                        } else if (n >= 40 && n <= 47) {
                            background = n - 40;
                        } else if (n == 49) {
                            background = 0;
                        }
                    }
                    break;
                case 'H':
                case 'f':
                    row = std::min(number(0) - 1, kFarthestRow);
                    column = std::min(number(1) - 1, width - 1);
                    break;
                case 'A':
                    row = std::max(0, row - number(0));
                    break;
                case 'B':
                    row = std::min(row + number(0), kFarthestRow);
                    break;
                case 'C':
                    column = std::min(width - 1, column + number(0));
                    break;
                case 'D':
                    column = std::max(0, column - number(0));
                    break;
                case 's':
                    savedColumn = column, savedRow = row;
                    break;
                case 'u':
                    column = savedColumn, row = savedRow;
                    break;
                default:
                    break;  // erasing, modes: nothing that a picture keeps
            }
            continue;
        }
        if (byte == '\n') {
            row = std::min(row + 1, kFarthestRow), column = 0;
            continue;
        }
        if (byte == '\r') {
            column = 0;
            continue;
        }
        if (byte == '\t') {
            column = std::min(width - 1, (column / 8 + 1) * 8);
            continue;
        }
        if (static_cast<std::size_t>(row) >= kMostAnsiRows ||
            static_cast<std::size_t>(row + 1) * static_cast<std::size_t>(width) > kMostCells)
            return BoardOrError::Failure("the picture is larger than any level's");
        if (row >= picture.height) {
            picture.height = row + 1;
            picture.cells.resize(static_cast<std::size_t>(picture.height) *
                                 static_cast<std::size_t>(width));
        }
        picture.At(column, row) = {
            byte,
            static_cast<std::uint8_t>(kOtherColorOrder[static_cast<std::size_t>(foreground)] +
                                      (bold ? 8 : 0)),
            kOtherColorOrder[static_cast<std::size_t>(background)], blink};
        if (++column == width) ++row, column = 0;
    }
    if (static_cast<std::size_t>(lines) * static_cast<std::size_t>(width) > kMostCells)
        return BoardOrError::Failure("the picture is larger than any level's");
    if (lines > picture.height) {
        picture.height = lines;
        picture.cells.resize(static_cast<std::size_t>(lines) * static_cast<std::size_t>(width));
    }
    return ToBoard(picture, how);
}

}  // namespace gridwright
