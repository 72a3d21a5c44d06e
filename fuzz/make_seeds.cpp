// Writes the seed corpora that come from the programs' own writers, from the levels of a map:
// journals as the editor keeps them, settings as it writes them, the exports of gridmap export,
// and the inputs of the faults the fuzz targets once found (regressions/).
//   make_fuzz_seeds examples/sample.qmap fuzz
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "ansi_art_format.h"
#include "cell_text/cell_text.h"
#include "fuzz_support.h"
#include "map_compare/map_compare.h"
#include "map_file.h"
#include "recovery_journal.h"
#include "text_format.h"
#include "tiled_format.h"
#include "user_settings.h"
#include "xp_format.h"

using namespace gridwright;
namespace fs = std::filesystem;

namespace {

fs::path root;

void Put(const std::string& folder, const std::string& name, std::span<const std::uint8_t> bytes) {
    fs::create_directories(root / folder);
    fuzz::WriteFile(root / folder / name, bytes);
}

void Put(const std::string& folder, const std::string& name, const std::string& text) {
    Put(folder, name, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// A journal's checksum made good again after its bytes were changed, as a program that writes
// journals wrongly would.
std::vector<std::uint8_t> Resealed(std::vector<std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i + 4 < bytes.size(); ++i) hash = (hash ^ bytes[i]) * 16777619u;
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - 4 + i] = static_cast<std::uint8_t>(hash >> (8 * i));
    return bytes;
}

// A journal as the editor keeps it after a session on the map's levels: strokes, a Level
// Select, a level inserted, Undo and Redo, each appended to the snapshot of the first step.
std::vector<std::uint8_t> JournalOfAHistory(const std::vector<BoardGrid>& levels,
                                            const std::string& mapName) {
    History history;
    JournalWriter writer;
    BoardGrid board = levels.at(0);
    DocumentPlace place{OptionalNumber::Whole(0), mapName, true};
    std::vector<std::uint8_t> journal;
    const auto step = [&](const BoardGrid& before, const DocumentPlace& beforePlace,
                          std::optional<FileStep> file = std::nullopt) {
        if (before != board || beforePlace != place || file)
            history.Record(before, beforePlace, board, place, false, std::move(file));
        bool whole = false;
        const std::vector<std::uint8_t> bytes = writer.Next(board, place, history, whole);
        if (whole) journal.clear();
        journal.insert(journal.end(), bytes.begin(), bytes.end());
    };
    for (int stroke = 0; stroke < 3; ++stroke) {
        const BoardGrid before = board;
        for (int x = 0; x < 4; ++x) board(x + stroke, stroke) = {219, 12};
        step(before, place);
    }
    BoardGrid before = board;
    DocumentPlace beforePlace = place;
    board = levels.at(1);
    place.level = OptionalNumber::Double(1);
    step(before, beforePlace);
    before = board;
    beforePlace = place;
    const std::int64_t bytes = static_cast<std::int64_t>(levels.size()) * kLevelBytes;
    step(before, beforePlace,
         FileStep{mapName,
                  {{LevelOperation::Insert, 1, 0, std::nullopt}},
                  {{LevelOperation::Delete, 1, 0, std::nullopt}},
                  bytes,
                  bytes + kLevelBytes});
    std::vector<std::uint16_t> changed;
    history.Undo(board, place, changed);
    step(board, place);
    history.Undo(board, place, changed);
    step(board, place);
    history.Redo(board, place, changed);
    step(board, place);
    return journal;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds MAP FUZZ_FOLDER\n");
        return 2;
    }
    const std::vector<std::uint8_t> map = fuzz::ReadFile(argv[1]);
    root = argv[2];
    const std::string mapName = fs::path(argv[1]).filename().string();
    std::vector<BoardGrid> levels;
    for (std::size_t at = 0; at + kLevelBytes <= map.size(); at += kLevelBytes) {
        LevelBlock block;
        std::copy_n(map.begin() + static_cast<std::ptrdiff_t>(at), kLevelBytes, block.begin());
        levels.push_back(BoardFromLevelBlock(block));
    }

    Put("corpus/map_file", mapName, map);
    Put("corpus/map_file", "partial-level.qmap",
        std::span(map).first(std::min<std::size_t>(map.size(), kLevelBytes + 700)));

    for (std::size_t n = 0; n < levels.size(); ++n) {
        const auto level = static_cast<std::int16_t>(n);
        const std::string name = "level-" + std::to_string(n);
        Put("corpus/journal", name + ".journal",
            EncodeJournal(levels[n], {OptionalNumber::Whole(level), mapName, true}));
        Put("corpus/xp_import", name + ".xp", EncodeXp(levels[n]));
        Put("corpus/txt_import", name + ".txt", EncodeText(levels[n]));
        const TiledFiles tiled =
            EncodeTiled(levels[n], "Level " + std::to_string(n), "level.tsx", "level-tiles.png");
        Put("corpus/tmx_import", name + ".tmx", tiled.map);
        if (n == 0) Put("corpus/tsx_import", "level.tsx", tiled.tileset);
    }
    Put("corpus/journal", "typed-level.journal",
        EncodeJournal(levels.at(1), {OptionalNumber::Double(0.25), mapName, true}));
    Put("corpus/journal", "unnamed.journal", EncodeJournal(levels.at(0), {{}, "", false}));
    Put("corpus/journal", "history.journal", JournalOfAHistory(levels, mapName));

    UserSettings settings;
    settings.zoom = 2;
    Put("corpus/settings", "zoom.ini", FormatSettings(settings));
    settings.otherLines = {"theme = dark"};
    Put("corpus/settings", "later-version.ini", FormatSettings(settings));
    settings.recentFiles = {"/home/me/levels.qmap", "/home/me/a b/&more.qmap"};
    Put("corpus/settings", "recent.ini", FormatSettings(settings));
    Put("corpus/settings", "by-hand.ini", "# mine\r\n\r\n  zoom = 3 \r\nlater=thing\n");

    // The history's input is a run of operations as the fuzzer's data provider reads them.
    std::mt19937 random(1);
    for (const std::size_t length : {64, 512, 2048}) {
        std::vector<std::uint8_t> run(length);
        for (std::uint8_t& byte : run) byte = static_cast<std::uint8_t>(random());
        Put("corpus/history", "run-" + std::to_string(length), run);
    }

    // The clipboard's forms of blocks cut from the first level, as a copy writes them.
    const auto cut = [&](int width, int height, int x, int y) {
        CellBlock block = CellBlock::Sized(width, height);
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                block(column, row) = levels.at(0)(x + column, y + row);
        return block;
    };
    for (const auto& [name, block] : {std::pair{std::string("one-cell"), cut(1, 1, 0, 0)},
                                      {"five-by-three", cut(5, 3, 4, 6)},
                                      {"whole-level", cut(kBoardColumns, kBoardRows, 0, 0)}}) {
        Put("corpus/cell_text", name + ".cells", EncodeCells(block));
        Put("corpus/cell_text", name + ".plain", EncodePlainText(block));
    }
    // The same as the editor's clipboard holds them after a copy (both forms), for a paste.
    const auto paste = [&](const std::string& name, std::uint8_t choice, int column, int row,
                           const CellBlock& block) {
        const std::string cells = EncodeCells(block);
        std::string input{static_cast<char>(choice), static_cast<char>(column),
                          static_cast<char>(row), static_cast<char>(cells.size() & 0xFF),
                          static_cast<char>(cells.size() >> 8)};
        Put("corpus/paste", name, input + cells + EncodePlainText(block));
    };
    paste("both-forms-at-5-3", 3 | 14 << 4, 5, 3, cut(5, 3, 4, 6));
    paste("text-alone-at-30-22", 2 | 9 << 4, 30, 22, cut(5, 3, 4, 6));
    paste("whole-level-cells", 1, 0, 0, cut(kBoardColumns, kBoardRows, 0, 0));

    // The ANSI-art exports, after the byte that chooses the format and the import's options.
    const SauceFields fields{"Level 1", "gridmap", "", "20261209"};
    const auto withChoice = [](std::uint8_t choice, std::vector<std::uint8_t> file) {
        file.insert(file.begin(), choice);
        return file;
    };
    Put("corpus/ansi_art_import", "level-1.bin", withChoice(0, EncodeBin(levels.at(1), fields)));
    Put("corpus/ansi_art_import", "level-1.xb", withChoice(1, EncodeXBin(levels.at(1), fields)));
    std::string problem;
    for (std::size_t n = 0; n < levels.size(); ++n)
        if (const auto ansi = EncodeAnsi(levels[n], fields, problem)) {
            Put("corpus/ansi_art_import", "level-" + std::to_string(n) + ".ans",
                withChoice(2, *ansi));
            Put("corpus/ansi_art_import", "level-" + std::to_string(n) + "-from-1-1.ans",
                withChoice(2 | 8 | 16 | 64, *ansi));
            break;
        }

    // Three maps for a merge: base, ours and theirs, after their sizes.
    const auto merge = [&](const std::string& name, const std::vector<std::uint8_t>& base,
                           const std::vector<std::uint8_t>& ours,
                           const std::vector<std::uint8_t>& theirs) {
        std::vector<std::uint8_t> input{
            static_cast<std::uint8_t>(base.size()), static_cast<std::uint8_t>(base.size() >> 8),
            static_cast<std::uint8_t>(ours.size()), static_cast<std::uint8_t>(ours.size() >> 8)};
        for (const auto* map : {&base, &ours, &theirs})
            input.insert(input.end(), map->begin(), map->end());
        Put("corpus/map_merge", name, input);
    };
    const auto levelBytes = [&](std::size_t n) {
        const LevelBlock block = LevelBlockFromBoard(levels.at(n));
        return std::vector<std::uint8_t>(block.begin(), block.end());
    };
    std::vector<std::uint8_t> base = levelBytes(0), ours = base, theirs = base;
    ours[0] = 'A';
    ours[3] = 4 * 16;
    theirs[100] = '#';
    merge("cells-on-both-sides", base, ours, theirs);
    theirs[0] = 'B';
    merge("one-cell-conflict", base, ours, theirs);
    const std::vector<std::uint8_t> next = levelBytes(1);
    theirs = base;
    theirs.insert(theirs.end(), next.begin(), next.end());
    merge("level-added", base, ours, theirs);
    merge("level-removed", theirs, theirs, base);
    merge("partial-level", base, ours,
          std::vector<std::uint8_t>(theirs.begin(), theirs.end() - 700));

    // The faults found, kept so that they stay found.
    const std::vector<std::uint8_t> good =
        EncodeJournal(levels.at(1), {OptionalNumber::Whole(1), mapName, true});
    const std::size_t cells = 22 + mapName.size();
    std::vector<std::uint8_t> bytes = good;
    bytes[cells + 1] = 156;
    Put("regressions/journal", "colour-156.journal", Resealed(bytes));
    for (const auto& [name, level] :
         {std::pair<std::string, double>{"level-nan.journal", std::nan("")},
          {"level-negative.journal", -1e300},
          {"level-unreachable.journal", 1398102.0}})
        Put("regressions/journal", name,
            EncodeJournal(levels.at(1), {OptionalNumber::Double(level), mapName, true}));
    bytes = good;
    bytes[12] = 1;  // a whole level's field beyond its 16 bits
    Put("regressions/journal", "whole-level-high-bits.journal", Resealed(bytes));
    bytes = good;
    bytes[8] = 2;  // a named flag of 2
    Put("regressions/journal", "named-flag-2.journal", Resealed(bytes));
    bytes = EncodeJournal(levels.at(1), {{}, mapName, true});
    bytes[10] = 5;  // level bits without a level
    Put("regressions/journal", "no-level-with-bits.journal", Resealed(bytes));

    std::string deep = EncodeTiledMap(levels.at(1), "Level 1", "level.tsx");
    const std::size_t start = deep.find("<layer"), end = deep.find("</layer>") + 8;
    std::string open, close;
    for (int i = 0; i < 20000; ++i) {
        open += "<group>";
        close += "</group>";
    }
    deep =
        deep.substr(0, start) + open + deep.substr(start, end - start) + close + deep.substr(end);
    Put("regressions/tmx_import", "layer-in-20000-groups.tmx", deep);

    Put("regressions/settings", "damaged-with-other-lines.ini",
        "recent=/home/me/levels.qmap\nzoom=big\ntheme=dark\n");
    return 0;
}
