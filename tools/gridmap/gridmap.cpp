// gridmap: the map toolbox, for pipelines, reviewers and designers who work in other editors.
//
//   gridmap info MAP [--json]
//   gridmap render MAP LEVEL OUT.png [--brightness B]
//   gridmap render MAP LEVELS OUTDIR [--brightness B]
//   gridmap export MAP LEVEL OUT.xp|OUT.tmx|OUT.txt
//   gridmap import MAP LEVEL IN.xp|IN.tmx|IN.txt
//   gridmap export MAP LEVEL OUT.bin|OUT.xb|OUT.ans [--title T] [--author A] [--group G]
//   gridmap import MAP LEVEL IN.bin|IN.xb|IN.ans [--background drop] [--from COLUMN,ROW]
//   gridmap diff A B [LEVELS] [--stat]
//   gridmap textconv MAP
//   gridmap merge BASE OURS THEIRS [-o OUT]
//   gridmap git-setup [--global]
//   gridmap level insert|duplicate|delete MAP N
//   gridmap level move MAP N M
//   gridmap sheet MAP OUT.png [LEVELS]
//   gridmap find MAP [--glyph G] [--colour C] [LEVELS]
//   gridmap replace MAP [--glyph A:B] [--colour C:D] [LEVELS]
//
// render writes the 800 x 450 editing surface exactly as the editor shows it right after a
// start-up with MAP on its command line, at that level instead of 0: border, colour row, glyph
// table and the level's board, through the colour table at brightness B (default 1). Import
// changes only the 1536 bytes of its level, as the editor's Save does; level and replace rewrite
// the map file whole or not at all, as the editor's Level menu does.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ansi_art_format.h"
#include "git_setup.h"
#include "indexed_png.h"
#include "levels/level_operations.h"
#include "levels/overview.h"
#include "map_compare/map_compare.h"
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
    "       gridmap export MAP LEVEL OUT.bin|OUT.xb|OUT.ans [--title T] [--author A] [--group G]\n"
    "       gridmap import MAP LEVEL IN.bin|IN.xb|IN.ans [--background drop] [--from COLUMN,ROW]\n"
    "       gridmap diff A B [LEVELS] [--stat]\n"
    "       gridmap textconv MAP\n"
    "       gridmap merge BASE OURS THEIRS [-o OUT]\n"
    "       gridmap git-setup [--global]\n"
    "       gridmap level insert|duplicate|delete MAP N\n"
    "       gridmap level move MAP N M\n"
    "       gridmap sheet MAP OUT.png [LEVELS]\n"
    "       gridmap find MAP [--glyph G] [--colour C] [LEVELS]\n"
    "       gridmap replace MAP [--glyph A:B] [--colour C:D] [LEVELS]\n"
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

// The formats of the ANSI-art editors.
bool IsAnsiArt(const std::string& format) {
    return format == ".bin" || format == ".xb" || format == ".ans";
}

// The options of an export or import in those formats, as the command line gives them.
struct AnsiArtOptions {
    std::optional<std::string> title, author, group;
    std::optional<std::string> background, from;

    bool ForExport() const { return title || author || group; }
    bool ForImport() const { return background || from; }
};

// The SAUCE record's fields of an export, or nothing and the message that refuses them.
std::optional<SauceFields> ExportFields(const AnsiArtOptions& options, std::string& problem) {
    SauceFields fields;
    fields.date = SauceDateToday();
    const std::tuple<const char*, const std::optional<std::string>*, std::string*, std::size_t>
        texts[] = {{"--title", &options.title, &fields.title, kSauceTitleBytes},
                   {"--author", &options.author, &fields.author, kSauceAuthorBytes},
                   {"--group", &options.group, &fields.group, kSauceGroupBytes}};
    for (const auto& [name, given, field, limit] : texts) {
        if (!*given) continue;
        std::string why;
        const std::optional<std::string> bytes = SauceText(**given, limit, why);
        if (!bytes) {
            problem = std::string(name) + " " + Quoted(**given) + " " + why;
            return std::nullopt;
        }
        *field = *bytes;
    }
    return fields;
}

// How an import in those formats takes its picture, or nothing and the message that refuses it.
std::optional<AnsiArtImport> ImportRules(const AnsiArtOptions& options, std::string& problem) {
    AnsiArtImport how;
    if (options.background) {
        if (*options.background != "drop") {
            problem = "--background " + Quoted(*options.background) + ": the one choice is drop";
            return std::nullopt;
        }
        how.dropBackground = true;
    }
    if (options.from) {
        const std::string& text = *options.from;
        int column = -1, row = -1;
        const char* const last = text.data() + text.size();
        const auto [afterColumn, columnError] = std::from_chars(text.data(), last, column);
        const bool parsed = columnError == std::errc() && afterColumn != last &&
                            *afterColumn == ',' &&
                            std::from_chars(afterColumn + 1, last, row).ptr == last && row >= 0 &&
                            column >= 0 && afterColumn + 1 != last;
        if (!parsed || column > 65535 || row > 65535) {
            problem = "--from " + Quoted(text) + " is not COLUMN,ROW (two whole numbers, from 0)";
            return std::nullopt;
        }
        how.from = std::pair{column, row};
    }
    return how;
}

// The level and the format (the file's extension) of an export or an import, or nothing and the
// message that refuses them.
std::optional<std::pair<double, std::string>> LevelAndFormat(const std::string& levelText,
                                                             const std::string& file,
                                                             std::string& problem) {
    const std::optional<double> level = ParseLevel(levelText);
    const std::string format = Extension(file);
    if (!level)
        problem = NotALevel(levelText);
    else if (format != ".xp" && format != ".tmx" && format != ".txt" && !IsAnsiArt(format))
        problem = Quoted(file) +
                  ": the extension names the format, .xp, .tmx or .txt, or .bin, .xb or .ans";
    else
        return std::pair{*level, format};
    return std::nullopt;
}

int Export(const std::string& map, const std::string& levelText, const std::string& out,
           const AnsiArtOptions& options) {
    std::string problem;
    const auto levelAndFormat = LevelAndFormat(levelText, out, problem);
    if (!levelAndFormat) return Fail(problem);
    const auto& [level, format] = *levelAndFormat;
    if (options.ForImport()) return Fail("--background and --from are options of import");
    if (options.ForExport() && !IsAnsiArt(format))
        return Fail("--title, --author and --group are for .bin, .xb and .ans");
    std::optional<SauceFields> fields;
    if (IsAnsiArt(format) && !(fields = ExportFields(options, problem))) return Fail(problem);
    BoardGrid board;
    OpenedFileFacts opened;
    if (FileResult read = ReadMapLevel(map, level, board, opened); !read)
        return Fail(CannotReadMap(map, read));

    std::string failed;
    FileResult written;
    if (format == ".xp") {
        written = WriteOutputs(opened, {{out, EncodeXp(board)}}, failed);
    } else if (format == ".bin") {
        written = WriteOutputs(opened, {{out, EncodeBin(board, *fields)}}, failed);
    } else if (format == ".xb") {
        written = WriteOutputs(opened, {{out, EncodeXBin(board, *fields)}}, failed);
    } else if (format == ".ans") {
        const std::optional<std::vector<std::uint8_t>> file = EncodeAnsi(board, *fields, problem);
        if (!file) return Fail("cannot export level " + levelText + " as ANSI: " + problem);
        written = WriteOutputs(opened, {{out, *file}}, failed);
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

BoardOrError ReadOtherEditorsFile(const std::string& in, const std::string& format,
                                  const AnsiArtImport& how) {
    if (format == ".tmx") return DecodeTiledMap(in);
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!tool_files::ReadInput(in, kMaxImportBytes, bytes, reason))
        return BoardOrError::Failure(reason);
    if (bytes.size() > kMaxImportBytes)
        return BoardOrError::Failure("the file is larger than any level in that format");
    if (format == ".xp") return DecodeXp(bytes);
    if (format == ".bin") return DecodeBin(bytes, how);
    if (format == ".xb") return DecodeXBin(bytes, how);
    if (format == ".ans") return DecodeAnsi(bytes, how);
    return DecodeText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int Import(const std::string& map, const std::string& levelText, const std::string& in,
           const AnsiArtOptions& options) {
    std::string problem;
    const auto levelAndFormat = LevelAndFormat(levelText, in, problem);
    if (!levelAndFormat) return Fail(problem);
    const auto& [level, format] = *levelAndFormat;
    if (options.ForExport()) return Fail("--title, --author and --group are options of export");
    if (options.ForImport() && !IsAnsiArt(format))
        return Fail("--background and --from are for .bin, .xb and .ans");
    const std::optional<AnsiArtImport> how = ImportRules(options, problem);
    if (!how) return Fail(problem);
    // The whole level is read and checked before the map is touched.
    const BoardOrError read = ReadOtherEditorsFile(in, format, *how);
    if (!read.board) return Fail("cannot import " + Quoted(in) + ": " + read.error);
    // A missing map is made, as the editor's Save makes it; anything but a file is refused, as
    // the opened file tells, so the file checked is the file written.
    const auto check = [](const OpenedFileFacts& facts) {
        return tool_files::InputTypeProblem(facts.mode);
    };
    if (FileResult written = WriteCheckedLevelBlock(map, *LevelOffset(level),
                                                    LevelBlockFromBoard(*read.board), check);
        !written)
        return Fail("cannot write the map file " + Quoted(map) + ": " + written.reason);
    return 0;
}

// ---- diff, textconv and merge: map files under version control ----

// What diff(1) and git's merge drivers answer for trouble, apart from "different" (1).
constexpr int kTrouble = 2;

int Trouble(const std::string& message) {
    std::cerr << "gridmap: " << message << "\n";
    return kTrouble;
}

// A whole map file that is only read.
FileResult ReadWholeMap(const std::string& map, std::vector<std::uint8_t>& bytes,
                        OpenedFileFacts* facts = nullptr) {
    if (std::string problem = tool_files::InputProblem(map); !problem.empty())
        return FileResult::Failure(problem);
    return ReadMapFile(map, bytes, facts);
}

// Gathers output and hands it to standard output in large pieces.
class OutputLines {
  public:
    ~OutputLines() { Flush(); }
    void Add(std::string_view line) {
        text_ += line;
        text_ += '\n';
        if (text_.size() >= (1 << 16)) Flush();
    }
    // False when standard output refused some of it.
    bool Flush() {
        if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), stdout) != text_.size())
            failed_ = true;
        text_.clear();
        return std::fflush(stdout) == 0 && !failed_;
    }

  private:
    std::string text_;
    bool failed_ = false;
};

int Diff(const std::string& a, const std::string& b, const std::string& levelsText, bool stat) {
    std::vector<std::uint8_t> before, after;
    for (const auto& [path, bytes] : {std::pair{&a, &before}, std::pair{&b, &after}})
        if (FileResult read = ReadWholeMap(*path, *bytes); !read)
            return Trouble(CannotReadMap(*path, read));
    std::string problem;
    const std::optional<LevelSpan> span = ParseLevelSpan(
        levelsText, std::max(MapLevelCount(before.size()), MapLevelCount(after.size())), problem);
    if (!span) return Trouble(problem);
    OutputLines out;
    const bool differ =
        CompareMaps(before, after, span->first, span->last, [&](const LevelChange& change) {
            if (stat) {
                out.Add(ChangeSummary(change));
                return;
            }
            for (const std::string& line : ChangeLines(change)) out.Add(line);
        });
    if (!out.Flush()) return Trouble("cannot write the differences to standard output");
    return differ ? 1 : 0;
}

int TextConv(const std::string& map) {
    std::vector<std::uint8_t> bytes;
    if (FileResult read = ReadWholeMap(map, bytes); !read) return Fail(CannotReadMap(map, read));
    OutputLines out;
    const std::int64_t levels = MapLevelCount(bytes.size());
    for (std::int64_t level = 0; level < levels; ++level) {
        const auto at = static_cast<std::size_t>(level) * kLevelBytes;
        const std::size_t held = std::min<std::size_t>(kLevelBytes, bytes.size() - at);
        // A partial level shows as the editor loads it: what the file lacks is zero bytes.
        LevelBlock block{};
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), held, block.begin());
        std::string header = "level " + std::to_string(level);
        if (held < kLevelBytes)
            header += " (partial: " + std::to_string(held) + " of " + std::to_string(kLevelBytes) +
                      " bytes)";
        if (level > 0) out.Add("");
        out.Add(header);
        std::string text = EncodeText(BoardFromLevelBlock(block));
        if (!text.empty() && text.back() == '\n') text.pop_back();
        out.Add(text);
    }
    if (!out.Flush()) return Fail("cannot write the text to standard output");
    return 0;
}

int Merge(const std::string& base, const std::string& ours, const std::string& theirs,
          const std::optional<std::string>& out) {
    std::vector<std::uint8_t> maps[3];
    const std::string* paths[3] = {&base, &ours, &theirs};
    for (int i = 0; i < 3; ++i)
        if (FileResult read = ReadWholeMap(*paths[i], maps[i]); !read)
            return Trouble(CannotReadMap(*paths[i], read) + "; nothing was written");
    const MapMerge merge = MergeMaps(maps[0], maps[1], maps[2]);
    const std::string& target = out ? *out : ours;
    if (std::string reason; !tool_files::ReplaceFile(target, merge.bytes, reason))
        return Trouble("cannot write " + Quoted(target) + ": " + reason);
    if (merge.conflicts.empty()) return 0;
    const std::size_t count = merge.conflicts.size();
    // git hands the driver temporary files, so the report names no file; git names the map.
    std::string report = "gridmap: " + std::to_string(count) +
                         (count == 1 ? " conflict" : " conflicts") +
                         ", where the result keeps our side:\n";
    for (const MergeConflict& conflict : merge.conflicts) report += ConflictLine(conflict) + "\n";
    std::fwrite(report.data(), 1, report.size(), stderr);
    return 1;
}

// ---- levels, sheet, find and replace ----

// A whole number from 0 to `most`, or nothing.
std::optional<int> SmallNumber(std::string_view text, int most) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0 || value > most)
        return std::nullopt;
    return value;
}

// The whole level that N names, as the level operations take it.
std::optional<std::int64_t> WholeLevelArgument(const std::string& text, std::int64_t levels,
                                               std::string& problem) {
    const std::optional<double> level = ParseNumber(text);
    if (!level) {
        problem = "level " + Quoted(text) + " is not a number";
        return std::nullopt;
    }
    problem = LevelProblem(*level, levels);
    if (!problem.empty()) return std::nullopt;
    return static_cast<std::int64_t>(*level);
}

// Rewrites the map file as the editor's Level menu does.
int RewriteMap(const std::string& map, const std::vector<std::uint8_t>& bytes) {
    if (FileResult written = ReplaceMapFile(map, bytes); !written)
        return Fail("cannot write the map file " + Quoted(map) + ": " + written.reason +
                    "; it is unchanged");
    return 0;
}

int LevelCommand(const std::string& operation, const std::string& map, const std::string& from,
                 const std::string& to) {
    std::vector<std::uint8_t> bytes;
    if (FileResult read = ReadWholeMap(map, bytes); !read) return Fail(CannotReadMap(map, read));
    const std::int64_t levels = WholeLevels(static_cast<std::int64_t>(bytes.size()));
    std::string problem;
    const std::optional<std::int64_t> level = WholeLevelArgument(from, levels, problem);
    if (!level) return Fail(problem + "; nothing was changed");
    LevelEdit edit{LevelOperation::Insert, *level, 0, std::nullopt};
    if (operation == "duplicate") edit.operation = LevelOperation::Duplicate;
    if (operation == "delete") edit.operation = LevelOperation::Delete;
    if (operation == "move") {
        const std::optional<std::int64_t> target = WholeLevelArgument(to, levels, problem);
        if (!target) return Fail("cannot move there: " + problem + "; nothing was changed");
        edit.operation = LevelOperation::Move;
        edit.to = *target;
    }
    ApplyEdit(edit, bytes);
    return RewriteMap(map, bytes);
}

// A sheet holds this many thumbnails a row, as wide as the editing surface.
constexpr int kSheetColumns = kSurfaceWidth / kThumbnailSlotWidth;
// More levels than this make a picture too large to look at; they take several sheets.
constexpr std::int64_t kSheetMostLevels = 10000;

int Sheet(const std::string& map, const std::string& out, const std::string& levelsText) {
    if (tool_files::SameFile(map, out))
        return Fail("the picture must be a file of its own, not the map file");
    std::vector<std::uint8_t> bytes;
    OpenedFileFacts opened;
    if (FileResult read = ReadWholeMap(map, bytes, &opened); !read)
        return Fail(CannotReadMap(map, read));
    std::string problem;
    const std::optional<LevelSpan> span =
        ParseLevelSpan(levelsText, LevelCount(bytes.size()), problem);
    if (!span) return Fail(problem);
    if (span->Count() > kSheetMostLevels)
        return Fail("a sheet shows at most " + std::to_string(kSheetMostLevels) +
                    " levels; give a range of levels");
    const int rows = static_cast<int>((span->Count() + kSheetColumns - 1) / kSheetColumns);
    const int width = kSheetColumns * kThumbnailSlotWidth, height = rows * kThumbnailSlotHeight;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(width) * height, 0);
    const SurfaceView view = SurfaceView::BottomUp(bits.data(), width, height);
    for (std::int64_t i = 0; i < span->Count(); ++i) {
        // A partial level, and levels past the end, show as the editor loads them: zero bytes.
        LevelBlock level{};
        const auto at = static_cast<std::size_t>((span->first + i) * kLevelBytes);
        if (at < bytes.size())
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        std::min<std::size_t>(kLevelBytes, bytes.size() - at), level.begin());
        DrawThumbnailSlot(view, static_cast<int>(i % kSheetColumns) * kThumbnailSlotWidth,
                          static_cast<int>(i / kSheetColumns) * kThumbnailSlotHeight, level,
                          span->first + i, false);
    }
    BitmapInfo info{};
    info.bmiHeader = SurfaceHeader(width, height);
    SetBrightness(info, 1.0f);
    const std::vector<std::uint8_t> png = EncodeIndexedPng(view, info);
    if (png.empty()) return Fail("cannot write " + Quoted(out) + ": the picture could not be made");
    std::string failed;
    if (FileResult written = WriteOutputs(opened, {{out, png}}, failed); !written)
        return Fail("cannot write " + Quoted(out) + ": " + written.reason);
    return 0;
}

// The cells a find or replace looks at: --glyph and --colour as the command line gives them.
struct CellQuery {
    std::optional<std::string> glyph, colour;
};

// Reads the whole map and the levels that LEVELS names in it (ParseLevelSpan); none, with the
// message given, when either fails.
std::optional<LevelSpan> ReadMapLevels(const std::string& map, const std::string& levelsText,
                                       std::vector<std::uint8_t>& bytes) {
    if (FileResult read = ReadWholeMap(map, bytes); !read) {
        Fail(CannotReadMap(map, read));
        return std::nullopt;
    }
    std::string problem;
    std::optional<LevelSpan> span = ParseLevelSpan(levelsText, LevelCount(bytes.size()), problem);
    if (!span) Fail(problem);
    return span;
}

int Find(const std::string& map, const CellQuery& query, const std::string& levelsText) {
    std::optional<std::uint8_t> glyph, colour;
    if (query.glyph) {
        const std::optional<int> g = SmallNumber(*query.glyph, 255);
        if (!g) return Fail("glyph " + Quoted(*query.glyph) + " is not a number from 0 to 255");
        glyph = static_cast<std::uint8_t>(*g);
    }
    if (query.colour) {
        const std::optional<int> c = SmallNumber(*query.colour, 15);
        if (!c) return Fail("colour " + Quoted(*query.colour) + " is not a number from 0 to 15");
        colour = static_cast<std::uint8_t>(*c);
    }
    if (!glyph && !colour) return Fail("give --glyph, --colour or both");
    std::vector<std::uint8_t> bytes;
    const std::optional<LevelSpan> span = ReadMapLevels(map, levelsText, bytes);
    if (!span) return 1;
    OutputLines out;
    for (const CellMatch& match : FindCells(bytes, span->first, span->last, glyph, colour))
        out.Add(std::to_string(match.level) + " " + std::to_string(match.column) + " " +
                std::to_string(match.row));
    if (!out.Flush()) return Fail("cannot write the cells to standard output");
    return 0;
}

// "A:B", each a number from 0 to most.
CellReplacement ParsePair(const std::string& text, int most) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const auto from = SmallNumber(std::string_view(text).substr(0, colon), most);
    const auto to = SmallNumber(std::string_view(text).substr(colon + 1), most);
    if (!from || !to) return std::nullopt;
    return std::pair{static_cast<std::uint8_t>(*from), static_cast<std::uint8_t>(*to)};
}

int Replace(const std::string& map, const CellQuery& query, const std::string& levelsText) {
    CellReplacement glyph, colour;
    if (query.glyph && !(glyph = ParsePair(*query.glyph, 255)))
        return Fail("--glyph " + Quoted(*query.glyph) + " is not A:B with glyphs from 0 to 255");
    if (query.colour && !(colour = ParsePair(*query.colour, 15)))
        return Fail("--colour " + Quoted(*query.colour) + " is not C:D with colours from 0 to 15");
    if (!glyph && !colour) return Fail("give --glyph, --colour or both");
    std::vector<std::uint8_t> bytes;
    const std::optional<LevelSpan> span = ReadMapLevels(map, levelsText, bytes);
    if (!span) return 1;
    const std::vector<std::int64_t> counts =
        ReplaceCells(bytes, span->first, span->last, glyph, colour);
    std::int64_t total = 0;
    for (const std::int64_t count : counts) total += count;
    // An unchanged map is left as it is, not even rewritten.
    if (total > 0)
        if (const int failed = RewriteMap(map, bytes); failed != 0) return failed;
    OutputLines out;
    for (std::size_t i = 0; i < counts.size(); ++i)
        out.Add("level " + std::to_string(span->first + static_cast<std::int64_t>(i)) + ": " +
                std::to_string(counts[i]) + (counts[i] == 1 ? " cell" : " cells"));
    if (!out.Flush()) return Fail("cannot write the counts to standard output");
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
    AnsiArtOptions ansiArt;
    exporter->footer(
        exporter->get_footer() +
        "\nThe ANSI-art editors' formats, each with a SAUCE record (the date is today's):\n"
        "  .bin  binary text: the cells row by row, glyph and attribute (the colour on black).\n"
        "  .xb   XBin: 32 x 24 cells compressed, with our 16 colours as its palette.\n"
        "  .ans  ANSI: code page 437 bytes, colour codes and a place for each row. A level\n"
        "        with glyphs 9, 10, 13, 26 or 27 is refused: viewers act on those bytes.\n"
        "--title, --author and --group fill the record's fields (code page 437 text).");
    exporter->add_option("--title", ansiArt.title, "SAUCE title, at most 35 characters");
    exporter->add_option("--author", ansiArt.author, "SAUCE author, at most 20 characters");
    exporter->add_option("--group", ansiArt.group, "SAUCE group, at most 20 characters");

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
    importer->footer(
        importer->get_footer() +
        "\nAlso .bin, .xb and .ans, read with their SAUCE records (a .bin without one must be\n"
        "1536 bytes). A cell with a background colour or a blink bit is refused unless\n"
        "--background drop; a picture of another size than 32 x 24 unless --from COLUMN,ROW\n"
        "takes its 32 x 24 cells from there. An XBin's palette maps to our nearest colours.");
    importer->add_option("--background", ansiArt.background,
                         "drop: keep only each cell's glyph and colour");
    importer->add_option("--from", ansiArt.from, "COLUMN,ROW: the first cell to take");

    std::string second, third, compareLevels = "all";
    std::optional<std::string> mergeOut;
    bool stat = false, global = false;
    CLI::App* differ = app.add_subcommand("diff", "The cells in which two map files differ");
    differ->footer(
        "Prints a line for each cell that differs in a level of A and B, level by level:\n"
        "  level L (COLUMN,ROW): 'A' 15 -> '#' 4\n"
        "with the glyphs as the .txt form writes them and the colours as numbers; levels that\n"
        "only one file holds as added or removed, and a trailing partial level compared byte\n"
        "for byte. LEVELS (a level, a range A-B, or all) limits the comparison. Exit status as\n"
        "diff(1): 0 when they are equal, 1 when they differ, 2 for trouble.");
    differ->add_option("A", map, "The first map file")->required();
    differ->add_option("B", second, "The second map file")->required();
    differ->add_option("LEVELS", compareLevels, "A level, a range A-B, or all (the default)");
    differ->add_flag("--stat", stat, "One line for each changed level, with its count of cells");

    CLI::App* textconv = app.add_subcommand("textconv", "A map file as text, for git diff");
    textconv->footer(
        "Prints every level in the .txt form, each after a line \"level N\", so that git diff\n"
        "and git log -p show a changed cell as a changed line. See gridmap git-setup.");
    addMap(textconv);

    CLI::App* merger = app.add_subcommand("merge", "A three-way merge of map files, for git");
    merger->footer(
        "Merges the changes from BASE to OURS and from BASE to THEIRS cell by cell, into OURS\n"
        "(as git's merge drivers do) or OUT. A cell changed on one side takes that side; changed\n"
        "differently on both, it is a conflict that keeps our cell, listed on standard error:\n"
        "  level L (COLUMN,ROW): ours 'A' 15, theirs '#' 4\n"
        "Levels added at the end by one side are taken; added by both with different content,\n"
        "they are a conflict. The result is written whole or not at all, and not at all when\n"
        "an input cannot be read. Exit status: 0 merged, 1 conflicts, 2 trouble.");
    merger->add_option("BASE", map, "The map both sides started from")->required();
    merger->add_option("OURS", second, "Our map, which takes the result")->required();
    merger->add_option("THEIRS", third, "Their map")->required();
    merger->add_option("-o,--output", mergeOut, "Write the result here instead of OURS");

    CLI::App* gitSetup = app.add_subcommand("git-setup", "Sets git up to diff and merge maps");
    gitSetup->footer(
        "Adds the diff and merge drivers for map files to this repository's git configuration\n"
        "(to yours with --global):\n"
        "  git config diff.qmap.textconv 'gridmap textconv'\n"
        "  git config merge.qmap.name 'QUORIX map files, cell by cell'\n"
        "  git config merge.qmap.driver 'gridmap merge %O %A %B'\n"
        "and, in a repository, the line \"*.qmap diff=qmap merge=qmap\" to the .gitattributes\n"
        "at its top when it is missing. When the gridmap that the search path finds is another\n"
        "program, this one's full path takes the place of gridmap. Running it again changes\n"
        "nothing.");
    gitSetup->add_flag("--global", global, "Set up your own configuration, for every repository");

    CLI::App* level = app.add_subcommand("level", "Inserts, duplicates, deletes or moves a level");
    level->require_subcommand(1);
    level->footer(
        "Rewrites MAP whole or not at all (a new file beside it, put on the disk, renamed over\n"
        "it with its permissions), as the editor's Level menu does. N and M are whole levels\n"
        "of the map; a trailing partial level stays at the end.\n"
        "  insert N     a blank level (1536 zero bytes) at N; levels N and on move one up\n"
        "  duplicate N  a copy of level N right after it\n"
        "  delete N     level N taken out; the levels after it move one down\n"
        "  move N M     level N put at M; the levels between shift by one");
    std::string levelFrom, levelTo;
    std::vector<CLI::App*> levelCommands;
    for (const char* name : {"insert", "duplicate", "delete", "move"}) {
        CLI::App* command = level->add_subcommand(name, std::string("The level operation ") + name);
        addMap(command);
        command->add_option("N", levelFrom, "A whole level of the map")->required();
        if (std::string_view(name) == "move")
            command->add_option("M", levelTo, "Where it goes: a whole level of the map")
                ->required();
        levelCommands.push_back(command);
    }

    std::string sheetLevels = "all";
    CLI::App* sheet = app.add_subcommand("sheet", "One picture of many levels' thumbnails");
    sheet->footer(
        "Writes the thumbnails of the editor's level overview for LEVELS (a level, a range A-B,\n"
        "or all, the default) as one PNG picture, ten a row, each with its number: every cell's\n"
        "colours, and the glyphs' shapes at two by two pixels. At most 10000 levels. MAP is only\n"
        "read.");
    addMap(sheet);
    sheet->add_option("OUT", out, "OUT.png")->required();
    sheet->add_option("LEVELS", sheetLevels, "A level, a range A-B, or all (the default)");

    CellQuery query;
    std::string cellLevels = "all";
    CLI::App* finder = app.add_subcommand("find", "The cells that hold a glyph, a colour or both");
    finder->footer(
        "Prints a line \"LEVEL COLUMN ROW\" for each cell of LEVELS (all by default) that holds\n"
        "glyph G (0 to 255) and/or colour C (0 to 15), level by level, row by row. A trailing\n"
        "partial level is not searched. MAP is only read.");
    addMap(finder);
    finder->add_option("--glyph", query.glyph, "G: the glyph code, 0 to 255");
    finder->add_option("--colour", query.colour, "C: the colour, 0 to 15");
    finder->add_option("LEVELS", cellLevels, "A level, a range A-B, or all (the default)");

    CLI::App* replacer = app.add_subcommand("replace", "Replaces a glyph, a colour or both");
    replacer->footer(
        "In the whole levels of LEVELS (all by default), glyph A becomes B and colour C becomes "
        "D;\n"
        "with both, only cells with glyph A in colour C change, to glyph B in colour D. Prints\n"
        "\"level L: N cells\" for each level. MAP is rewritten whole or not at all, as the level\n"
        "command does, and not at all when no cell changes.");
    addMap(replacer);
    replacer->add_option("--glyph", query.glyph, "A:B: glyph codes, 0 to 255");
    replacer->add_option("--colour", query.colour, "C:D: colours, 0 to 15");
    replacer->add_option("LEVELS", cellLevels, "A level, a range A-B, or all (the default)");

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
    if (exporter->parsed()) return Export(map, levels, out, ansiArt);
    if (differ->parsed()) return Diff(map, second, compareLevels, stat);
    if (textconv->parsed()) return TextConv(map);
    if (merger->parsed()) return Merge(map, second, third, mergeOut);
    if (gitSetup->parsed()) return SetUpGit(global) ? 0 : 1;
    for (CLI::App* command : levelCommands)
        if (command->parsed()) return LevelCommand(command->get_name(), map, levelFrom, levelTo);
    if (sheet->parsed()) return Sheet(map, out, sheetLevels);
    if (finder->parsed()) return Find(map, query, cellLevels);
    if (replacer->parsed()) return Replace(map, query, cellLevels);
    return Import(map, levels, out, ansiArt);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
