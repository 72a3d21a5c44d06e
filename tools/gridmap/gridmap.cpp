// gridmap: the map toolbox, for pipelines, reviewers and designers who work in other editors.
//
//   gridmap info MAP [--json]
//   gridmap render MAP LEVEL OUT.png [--brightness B]
//   gridmap render MAP LEVELS OUTDIR [--brightness B]
//   gridmap export MAP LEVEL OUT.xp|OUT.tmx|OUT.txt
//   gridmap import MAP LEVEL IN.xp|IN.tmx|IN.txt
//
// render writes the 800 x 450 editing surface exactly as the editor shows it right after a
// start-up with MAP on its command line, at that level instead of 0: border, colour row, glyph
// table and the level's board, through the colour table at brightness B (default 1). Only import
// ever changes a map file, and only the 1536 bytes of its level, as the editor's Save does.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cfloat>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "indexed_png.h"
#include "map_file.h"
#include "map_levels.h"
#include "ordered_work.h"
#include "progress_bar.h"
#include "renderer.h"
#include "text_format.h"
#include "tiled_format.h"
#include "tool_files.h"
#include "version.h"
#include "xp_format.h"

namespace {

using namespace gridwright;
namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "usage: gridmap info MAP [--json]\n"
    "       gridmap render MAP LEVEL OUT.png [--brightness B]\n"
    "       gridmap render MAP LEVELS OUTDIR [--brightness B]\n"
    "       gridmap export MAP LEVEL OUT.xp|OUT.tmx|OUT.txt\n"
    "       gridmap import MAP LEVEL IN.xp|IN.tmx|IN.txt\n"
    "       gridmap --help | --version\n"
    "  Run gridmap COMMAND --help for what each command does.\n";

// Inputs of other editors larger than this are not levels.
constexpr std::size_t kMaxImportBytes = 16 << 20;

int Fail(const std::string& message) {
    std::cerr << "gridmap: " << message << "\n";
    return 1;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The extension of a path in lower case: ".png".
std::string Extension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::optional<double> ParseLevel(const std::string& text) {
    const std::optional<double> level = ParseNumber(text);
    if (!level || !LevelOffset(*level)) return std::nullopt;
    return level;
}

std::string NotALevel(const std::string& text) {
    return "level " + Quoted(text) + " is not a level from 0 to " + std::to_string(kLastLevel);
}

// Reads a level of a map that is only read, never created; `opened` tells which file was read.
// The checks look at the opened file, so the file checked is the file read.
FileResult ReadMapLevel(const std::string& map, double level, BoardGrid& board,
                        OpenedFileFacts& opened) {
    // A FIFO would wait for a writer, a device would never end.
    const auto check = [](const OpenedFileFacts& facts) {
        return tool_files::InputTypeProblem(facts.mode);
    };
    LevelBlock block;
    if (FileResult read = ReadCheckedLevelBlock(map, *LevelOffset(level), block, check, opened);
        !read)
        return read;
    board = BoardFromLevelBlock(block);
    return {};
}

std::string CannotReadMap(const std::string& map, const FileResult& result) {
    return "cannot read the map file " + Quoted(map) + ": " + result.reason;
}

// ---- info ----

int Info(const std::string& map, bool json) {
    MapSummary summary;
    if (FileResult read = SummarizeMap(map, summary); !read) return Fail(CannotReadMap(map, read));
    if (json) {
        nlohmann::ordered_json out;
        out["map"] = map;
        out["size"] = summary.size;
        out["levels"] = summary.wholeLevels;
        out["partial_level"] = nullptr;
        if (summary.partialBytes > 0)
            out["partial_level"] = {{"level", summary.wholeLevels},
                                    {"bytes", summary.partialBytes}};
        out["blank_levels"] = nlohmann::ordered_json::array();
        for (const LevelSpan& span : summary.blank)
            out["blank_levels"].push_back({{"first", span.first}, {"last", span.last}});
        // A file name need not be UTF-8; JSON text must be.
        std::cout << out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << "\n";
        return 0;
    }
    std::cout << "map: " << map << "\n";
    std::cout << "size: " << summary.size << " bytes\n";
    std::cout << "levels: " << summary.wholeLevels;
    if (summary.wholeLevels > 0) std::cout << " (" << SpanText({0, summary.wholeLevels - 1}) << ")";
    std::cout << "\npartial level: ";
    if (summary.partialBytes > 0)
        std::cout << summary.wholeLevels << ", " << summary.partialBytes << " of " << kLevelBytes
                  << " bytes\n";
    else
        std::cout << "none\n";
    std::cout << "blank levels: ";
    if (summary.blank.empty()) std::cout << "none";
    for (std::size_t i = 0; i < summary.blank.size(); ++i)
        std::cout << (i > 0 ? ", " : "") << SpanText(summary.blank[i]);
    std::cout << "\n";
    return 0;
}

// ---- render ----

// A file to write, and its bytes.
struct Output {
    std::string path;
    std::span<const std::uint8_t> bytes;
};

// Writes the files whole, all of them or none, and never over the map that was read. On failure,
// failed names the file that could not be written.
FileResult WriteOutputs(const OpenedFileFacts& map, std::initializer_list<Output> files,
                        std::string& failed) {
    for (const Output& file : files) {
        failed = file.path;
        if (tool_files::IsFile(file.path, map.device, map.inode))
            return FileResult::Failure("it must be a file of its own, not the map file");
    }
    // Pictures and exports can always be made again from the map: they are renamed into place
    // without waiting for the disk, which would take most of a one-level render's time.
    tool_files::ReplacedFiles outputs(/*waitForDisk=*/false);
    std::string reason;
    for (const Output& file : files) {
        failed = file.path;
        if (!outputs.Add(file.path, file.bytes, reason)) return FileResult::Failure(reason);
    }
    if (!outputs.Commit(reason)) return FileResult::Failure(reason);
    return {};
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

FileResult WritePicture(const std::string& path, IndexedSurface& surface,
                        const OpenedFileFacts& map) {
    const std::vector<std::uint8_t> png = EncodeIndexedPng(surface.View(), surface.info);
    if (png.empty()) return FileResult::Failure("the picture could not be made");
    std::string failed;
    return WriteOutputs(map, {{path, png}}, failed);
}

// The editor right after opening the map: furniture and board, no brush legend yet.
IndexedSurface LevelSurface(const BoardGrid& board, float brightness) {
    return RenderSurface(board, std::nullopt, brightness);
}

int RenderOne(const std::string& map, const std::string& levelText, const std::string& out,
              float brightness) {
    BoardGrid board;
    OpenedFileFacts opened;
    if (FileResult read = ReadMapLevel(map, *ParseLevel(levelText), board, opened); !read)
        return Fail(CannotReadMap(map, read));
    // The picture never takes the map's place, whatever links lead from one name to the other.
    if (tool_files::IsFile(out, opened.device, opened.inode))
        return Fail("the picture must be a file of its own, not the map file");
    IndexedSurface surface = LevelSurface(board, brightness);
    if (FileResult written = WritePicture(out, surface, opened); !written)
        return Fail("cannot write " + Quoted(out) + ": " + written.reason);
    return 0;
}

int RenderMany(const std::string& map, const std::string& levelsText, const std::string& outDir,
               float brightness) {
    if (std::string problem = tool_files::InputProblem(map); !problem.empty())
        return Fail(CannotReadMap(map, FileResult::Failure(problem)));
    std::error_code error;
    const std::uintmax_t size = fs::file_size(map, error);
    if (error) return Fail(CannotReadMap(map, FileResult::Failure(error.message())));
    std::string problem;
    const std::optional<LevelSpan> span = ParseLevelSpan(levelsText, LevelCount(size), problem);
    if (!span) return Fail(problem);
    fs::create_directories(outDir, error);
    if (error) return Fail("cannot write " + Quoted(outDir) + ": " + error.message());

    // The furniture is the same for every level: it is painted once, and each level repaints
    // only the board, on a surface of each thread's own.
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<IndexedSurface> surfaces(threads, LevelSurface(BoardGrid{}, brightness));
    const auto pathOf = [&](std::int64_t item) {
        return (fs::path(outDir) / ("level-" + std::to_string(span->first + item) + ".png"))
            .string();
    };
    ProgressBar progress(span->Count(), ::isatty(STDERR_FILENO) != 0, ::isatty(STDOUT_FILENO) != 0);
    std::string failure;
    RunInOrder(
        span->Count(), threads,
        [&](std::int64_t item, unsigned thread) {
            BoardGrid board;
            OpenedFileFacts opened;
            const auto level = static_cast<double>(span->first + item);
            if (FileResult read = ReadMapLevel(map, level, board, opened); !read)
                return FileResult::Failure(CannotReadMap(map, read));
            DrawCells(surfaces[thread].View(), kWholeBoard, board, std::nullopt);
            const std::string out = pathOf(item);
            if (FileResult written = WritePicture(out, surfaces[thread], opened); !written)
                return FileResult::Failure("cannot write " + Quoted(out) + ": " + written.reason);
            return FileResult{};
        },
        [&](std::int64_t item, const FileResult& outcome) {
            if (!outcome) {
                failure = outcome.reason;
                return;
            }
            progress.PrintLine(pathOf(item));
            progress.Step();
        });
    if (!failure.empty()) return Fail(failure);
    return 0;
}

int Render(const std::string& map, const std::string& levels, const std::string& out,
           const std::optional<std::string>& brightnessText) {
    // OUT.png names one picture; anything else is a folder for pictures of several levels.
    const bool onePicture = Extension(out) == ".png" && !fs::is_directory(out);
    if (onePicture && !ParseLevel(levels)) return Fail(NotALevel(levels));
    float brightness = 1.0f;
    if (brightnessText) {
        const std::optional<double> b = ParseNumber(*brightnessText);
        if (!b || *b <= 0 || *b > FLT_MAX)
            return Fail("brightness " + Quoted(*brightnessText) +
                        " is not a number greater than 0");
        brightness = static_cast<float>(*b);
    }
    if (onePicture) return RenderOne(map, levels, out, brightness);
    return RenderMany(map, levels, out, brightness);
}

// ---- export and import ----

// The level and the format (the file's extension) of an export or an import, or nothing and the
// message that refuses them.
std::optional<std::pair<double, std::string>> LevelAndFormat(const std::string& levelText,
                                                             const std::string& file,
                                                             std::string& problem) {
    const std::optional<double> level = ParseLevel(levelText);
    const std::string format = Extension(file);
    if (!level)
        problem = NotALevel(levelText);
    else if (format != ".xp" && format != ".tmx" && format != ".txt")
        problem = Quoted(file) + ": the extension names the format, .xp, .tmx or .txt";
    else
        return std::pair{*level, format};
    return std::nullopt;
}

int Export(const std::string& map, const std::string& levelText, const std::string& out) {
    std::string problem;
    const auto levelAndFormat = LevelAndFormat(levelText, out, problem);
    if (!levelAndFormat) return Fail(problem);
    const auto& [level, format] = *levelAndFormat;
    BoardGrid board;
    OpenedFileFacts opened;
    if (FileResult read = ReadMapLevel(map, level, board, opened); !read)
        return Fail(CannotReadMap(map, read));

    std::string failed;
    FileResult written;
    if (format == ".xp") {
        written = WriteOutputs(opened, {{out, EncodeXp(board)}}, failed);
    } else if (format == ".txt") {
        written = WriteOutputs(opened, {{out, AsBytes(EncodeText(board))}}, failed);
    } else {
        // The tileset's two files beside the map, named after it.
        const fs::path folder = fs::path(out).parent_path();
        const std::string stem = fs::path(out).stem().string();
        const std::string tilesetName = stem + ".tsx", pictureName = stem + "-tiles.png";
        const TiledFiles files = EncodeTiled(board, "Level " + levelText, tilesetName, pictureName);
        written = WriteOutputs(opened,
                               {{(folder / pictureName).string(), files.picture},
                                {(folder / tilesetName).string(), AsBytes(files.tileset)},
                                {out, AsBytes(files.map)}},
                               failed);
    }
    if (!written) return Fail("cannot write " + Quoted(failed) + ": " + written.reason);
    return 0;
}

BoardOrError ReadOtherEditorsFile(const std::string& in, const std::string& format) {
    if (format == ".tmx") return DecodeTiledMap(in);
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!tool_files::ReadInput(in, kMaxImportBytes, bytes, reason))
        return BoardOrError::Failure(reason);
    if (bytes.size() > kMaxImportBytes)
        return BoardOrError::Failure("the file is larger than any level in that format");
    if (format == ".xp") return DecodeXp(bytes);
    return DecodeText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int Import(const std::string& map, const std::string& levelText, const std::string& in) {
    std::string problem;
    const auto levelAndFormat = LevelAndFormat(levelText, in, problem);
    if (!levelAndFormat) return Fail(problem);
    const auto& [level, format] = *levelAndFormat;
    // A missing map is made, as the editor's Save makes it; anything but a file is refused.
    if (std::error_code missing; fs::exists(map, missing) || missing) {
        if (problem = tool_files::InputProblem(map); !problem.empty())
            return Fail("cannot write the map file " + Quoted(map) + ": " + problem);
    }
    // The whole level is read and checked before the map is touched.
    const BoardOrError read = ReadOtherEditorsFile(in, format);
    if (!read.board) return Fail("cannot import " + Quoted(in) + ": " + read.error);
    if (FileResult written =
            WriteLevelBlock(map, *LevelOffset(level), LevelBlockFromBoard(*read.board));
        !written)
        return Fail("cannot write the map file " + Quoted(map) + ": " + written.reason);
    return 0;
}

// ---- the command line ----

int Run(int argc, char** argv) {
    CLI::App app{"The map toolbox: views of map files, and levels to and from other editors."};
    app.name("gridmap");
    app.require_subcommand(1);
    app.footer(std::string(kUsage));
    app.set_version_flag("--version", std::string("gridmap ") + gw::VersionText(),
                         "Print the version and exit");

    std::string map, levels, out;
    bool json = false;
    std::optional<std::string> brightness;
    const auto addMap = [&](CLI::App* command) {
        command->add_option("MAP", map, "The map file: 1536-byte levels, level N at N x 1536")
            ->required();
    };

    CLI::App* info = app.add_subcommand("info", "What a map file holds");
    info->footer(
        "Prints the map file's size, its number of whole levels, a trailing partial level if\n"
        "there is one, and the blank levels (every cell glyph 0 in colour 0) as ranges.");
    addMap(info);
    info->add_flag("--json", json, "Print the same as one JSON object");

    CLI::App* render = app.add_subcommand("render", "Pictures of levels as the editor shows them");
    render->footer(
        "Writes the 800 x 450 editing surface as the editor shows it right after opening MAP at\n"
        "a level, as a PNG picture. With OUT.png: one level, 0 to 1398101. Otherwise OUT is a\n"
        "folder (made when missing) for OUT/level-N.png pictures of LEVELS: a level, a range\n"
        "A-B, or all (a trailing partial level included). Their paths are printed, with a\n"
        "progress bar on standard error when it is a terminal. MAP is only read.");
    addMap(render);
    render->add_option("LEVELS", levels, "A level, a range A-B, or all")->required();
    render->add_option("OUT", out, "OUT.png, or a folder")->required();
    render->add_option("--brightness", brightness, "Scales the palette (default 1)");

    CLI::App* exporter = app.add_subcommand("export", "A level in another editor's format");
    exporter->footer(
        "The extension of OUT names the format:\n"
        "  .xp   a REXPaint picture: one 32 x 24 layer, each glyph in its palette colour on\n"
        "        black.\n"
        "  .tmx  a Tiled map of one 32 x 24 tile layer, with its tileset OUT.tsx and the\n"
        "        tileset's picture OUT-tiles.png beside it: one tile per glyph and colour.\n"
        "  .txt  24 lines of 32 code page 437 characters (glyph 0 as U+2400), an empty line\n"
        "        and 24 lines of 32 hexadecimal colour digits, in UTF-8.\n"
        "MAP is only read.");
    addMap(exporter);
    exporter->add_option("LEVEL", levels, "The level, 0 to 1398101")->required();
    exporter->add_option("OUT", out, "OUT.xp, OUT.tmx or OUT.txt")->required();

    CLI::App* importer = app.add_subcommand("import", "A level from another editor's file");
    importer->footer(
        "Reads a level from a .xp, .tmx or .txt file as export writes them, and writes its 1536\n"
        "bytes into level LEVEL of MAP as the editor's Save does: no other byte changes, and a\n"
        "map shorter than the level grows with zero bytes. Colours become the nearest palette\n"
        "colour. A cell that a map cannot hold is refused with its layer, row and column\n"
        "(counted from 0, as in the editor), and then nothing is written.");
    addMap(importer);
    importer->add_option("LEVEL", levels, "The level, 0 to 1398101")->required();
    importer->add_option("IN", out, "IN.xp, IN.tmx or IN.txt")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
        // A wrong command line gets one line: what is wrong, and where the full text is.
        const std::vector<CLI::App*> commands = app.get_subcommands();
        const std::string help =
            commands.empty() ? "gridmap --help" : "gridmap " + commands[0]->get_name() + " --help";
        std::cerr << "gridmap: " << error.what() << " (" << help << " tells more)\n";
        return 2;
    }
    if (info->parsed()) return Info(map, json);
    if (render->parsed()) return Render(map, levels, out, brightness);
    if (exporter->parsed()) return Export(map, levels, out);
    return Import(map, levels, out);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
