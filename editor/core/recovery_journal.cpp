#include "recovery_journal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "own_files.h"

namespace gridwright {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSignature = "GWJOURN1";   // the document alone
constexpr std::string_view kSignature2 = "GWJOURN2";  // the document and its history
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kOwnerSuffix = ".owner";
constexpr std::string_view kTemporarySuffix = ".journal.tmp";
constexpr std::string_view kSetAsideSuffix = ".unreadable";
// No journal is larger: the history's steps fill at most its memory limit, the records appended
// since the last snapshot at most as much again.
constexpr std::uintmax_t kLargestJournal = 4 * kHistoryByteLimit;

enum class LevelKind : std::uint8_t { None = 0, Whole = 1, Double = 2 };

// A value's bits as another type of the same size; std::bit_cast, which the standard library of
// the WebAssembly build lacks.
template <typename To, typename From>
To SameBits(const From& from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

// FNV-1a: enough to tell a whole journal from a torn or foreign file.
std::uint32_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
    return hash;
}

void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t GetNumber(std::span<const std::uint8_t> in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{in[at + i]} << (8 * i);
    return value;
}

std::string Reason(const std::error_code& error) {
    return error.message();
}

long long ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return ::getpid();
#endif
}

// An owner mark: the file `path` held open (Windows: shared with nobody) or locked (elsewhere)
// for as long as the descriptor stays open. With `create` false a missing mark is no mark.
// Gives -1 when the mark is held by another process or cannot be made.
int TakeMark(const fs::path& path, bool create) {
#ifdef _WIN32
    int descriptor = -1;
    const int flags = _O_RDWR | _O_BINARY | _O_NOINHERIT | (create ? _O_CREAT : 0);
    if (_wsopen_s(&descriptor, path.c_str(), flags, _SH_DENYRW, _S_IREAD | _S_IWRITE) != 0)
        return -1;
    return descriptor;
#else
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (descriptor < 0) return -1;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
#endif
}

void DropMark(int& descriptor) {
    if (descriptor < 0) return;
#ifdef _WIN32
    _close(descriptor);
#else
    ::close(descriptor);
#endif
    descriptor = -1;
}

// ---- The place and the cells, as both forms hold them ---------------------------------------

void PutPlace(std::vector<std::uint8_t>& out, const DocumentPlace& place) {
    out.push_back(place.named ? 1 : 0);
    const LevelKind kind = !place.level.HasValue() ? LevelKind::None
                           : place.level.IsWhole() ? LevelKind::Whole
                                                   : LevelKind::Double;
    out.push_back(static_cast<std::uint8_t>(kind));
    const double level = place.level.Value();
    std::uint64_t levelBits = 0;
    if (kind == LevelKind::Whole)
        levelBits = static_cast<std::uint16_t>(static_cast<std::int16_t>(level));
    else if (kind == LevelKind::Double)
        levelBits = SameBits<std::uint64_t>(level);
    PutNumber(out, levelBits, 8);
    PutNumber(out, place.fileName.size(), 4);
    out.insert(out.end(), place.fileName.begin(), place.fileName.end());
}

// Reads a place that PutPlace wrote; empty when it is one, else why not. Only the bytes PutPlace
// writes are a place, and only a place of the map file is one: a journal is outside input, as a
// map file is, and what it puts on the board must show, and save, as it stands.
std::string ReadPlace(std::uint8_t named, std::uint8_t kind, std::uint64_t levelBits,
                      std::string name, DocumentPlace& place) {
    const bool canonical =
        named <= 1 &&
        (kind == static_cast<std::uint8_t>(LevelKind::Double) ||
         (kind == static_cast<std::uint8_t>(LevelKind::Whole) && levelBits <= 0xFFFF) ||
         (kind == static_cast<std::uint8_t>(LevelKind::None) && levelBits == 0));
    if (!canonical) return "it is incomplete or damaged";
    DocumentPlace read;
    read.named = named == 1;
    if (kind == static_cast<std::uint8_t>(LevelKind::Whole))
        read.level = OptionalNumber::Whole(static_cast<std::int16_t>(levelBits));
    else if (kind == static_cast<std::uint8_t>(LevelKind::Double))
        read.level = OptionalNumber::Double(SameBits<double>(levelBits));
    // A level is the place of a level in the map file: from 0 to the last reachable one.
    if (read.level.HasValue() && !LevelOffset(read.level.Value()))
        return "its level is not a level from 0 to " + std::to_string(kLastLevel);
    // The system would take a name only up to its first zero byte: another file.
    if (name.find('\0') != std::string::npos) return "its map file name holds a zero byte";
    read.fileName = std::move(name);
    place = std::move(read);
    return {};
}

// A cell as the map file holds it: any glyph, colours 0 to 15.
std::string CellProblem(const BoardCell& cell) {
    if (ByteToColor(ColorToByte(cell.Color)) == cell.Color) return {};
    return "a cell has colour " + std::to_string(cell.Color) + ", which no map holds";
}

void PutCell(std::vector<std::uint8_t>& out, const BoardCell& cell) {
    out.push_back(cell.Char);
    out.push_back(cell.Color);
}

// Bounds-checked reading of a record's fields: once a read runs past the end, every later one
// fails too, so a record is checked once, at its end.
class FieldReader {
  public:
    explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Number(int bytes) {
        if (!Take(bytes)) return 0;
        return GetNumber(bytes_, at_ - bytes, bytes);
    }
    std::string Text() {
        const std::size_t length = Number(4);
        if (!Take(length)) return {};
        return std::string(bytes_.begin() + (at_ - length), bytes_.begin() + at_);
    }
    BoardCell Cell() {
        const auto glyph = static_cast<std::uint8_t>(Number(1));
        return {glyph, static_cast<std::uint8_t>(Number(1))};
    }
    // A count of items of at least `itemBytes` each, which the bytes left must be able to hold.
    std::size_t Count(int countBytes, std::size_t itemBytes) {
        const std::uint64_t count = Number(countBytes);
        if (count > Left() / itemBytes) return Fail(), 0;
        return static_cast<std::size_t>(count);
    }
    std::span<const std::uint8_t> Block(std::size_t size) {
        if (!Take(size)) return {};
        return bytes_.subspan(at_ - size, size);
    }
    std::size_t Left() const { return failed_ ? 0 : bytes_.size() - at_; }
    bool Failed() const { return failed_; }
    void Fail() { failed_ = true; }

  private:
    bool Take(std::size_t size) {
        if (failed_ || size > bytes_.size() - at_) {
            failed_ = true;
            return false;
        }
        at_ += size;
        return true;
    }
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

// Reads a place that PutPlace wrote; empty when it is one, else why not.
std::string ReadPlace(FieldReader& in, DocumentPlace& place) {
    const auto named = static_cast<std::uint8_t>(in.Number(1));
    const auto kind = static_cast<std::uint8_t>(in.Number(1));
    const std::uint64_t levelBits = in.Number(8);
    std::string name = in.Text();
    if (in.Failed()) return "it is incomplete or damaged";
    return ReadPlace(named, kind, levelBits, std::move(name), place);
}

// ---- The history's steps -----------------------------------------------------------------

enum class RecordKind : std::uint8_t { Snapshot = 1, Update = 2 };
enum StepParts : std::uint8_t { kStepPlace = 1, kStepFile = 2 };
constexpr std::size_t kRecordHead = 4 + 1;  // the body's length, the kind
constexpr std::size_t kRecordTail = 4;      // the checksum of head and body
// A record is never larger than the journal may be.
constexpr std::size_t kStepCellBytes = 2 + 2 + 2;
constexpr std::size_t kLevelEditBytes = 1 + 8 + 8 + 1;

void PutEdits(std::vector<std::uint8_t>& out, const std::vector<LevelEdit>& edits) {
    PutNumber(out, edits.size(), 4);
    for (const LevelEdit& edit : edits) {
        out.push_back(static_cast<std::uint8_t>(edit.operation));
        PutNumber(out, static_cast<std::uint64_t>(edit.level), 8);
        PutNumber(out, static_cast<std::uint64_t>(edit.to), 8);
        out.push_back(edit.content ? 1 : 0);
        if (edit.content) out.insert(out.end(), edit.content->begin(), edit.content->end());
    }
}

bool ReadEdits(FieldReader& in, std::vector<LevelEdit>& edits) {
    const std::size_t count = in.Count(4, kLevelEditBytes);
    edits.resize(count);
    for (LevelEdit& edit : edits) {
        const std::uint64_t operation = in.Number(1);
        if (operation > static_cast<std::uint8_t>(LevelOperation::Overwrite)) return false;
        edit.operation = static_cast<LevelOperation>(operation);
        edit.level = static_cast<std::int64_t>(in.Number(8));
        edit.to = static_cast<std::int64_t>(in.Number(8));
        const std::uint64_t hasContent = in.Number(1);
        if (hasContent > 1) return false;
        if (hasContent == 1) {
            const std::span<const std::uint8_t> block = in.Block(kLevelBytes);
            if (in.Failed()) return false;
            edit.content.emplace();
            std::copy(block.begin(), block.end(), edit.content->begin());
        }
    }
    return !in.Failed();
}

void PutStep(std::vector<std::uint8_t>& out, const HistoryStep& step) {
    PutNumber(out, step.cells.size(), 4);
    for (const StepCell& change : step.cells) {
        PutNumber(out, change.cell, 2);
        PutCell(out, change.before);
        PutCell(out, change.after);
    }
    out.push_back((step.place ? kStepPlace : 0) | (step.file ? kStepFile : 0));
    if (step.place) {
        PutPlace(out, step.place->before);
        PutPlace(out, step.place->after);
    }
    if (step.file) {
        PutNumber(out, step.file->path.size(), 4);
        out.insert(out.end(), step.file->path.begin(), step.file->path.end());
        PutNumber(out, static_cast<std::uint64_t>(step.file->bytesBefore), 8);
        PutNumber(out, static_cast<std::uint64_t>(step.file->bytesAfter), 8);
        PutEdits(out, step.file->forward);
        PutEdits(out, step.file->backward);
    }
}

// Empty when a step was read, else why not.
std::string ReadStep(FieldReader& in, HistoryStep& step) {
    const std::string damaged = "it is incomplete or damaged";
    step.cells.resize(in.Count(4, kStepCellBytes));
    for (std::size_t i = 0; i < step.cells.size(); ++i) {
        StepCell& change = step.cells[i];
        change.cell = static_cast<std::uint16_t>(in.Number(2));
        change.before = in.Cell();
        change.after = in.Cell();
        // Each cell once, in the board's order, as the history records them.
        if (in.Failed() || change.cell >= kBoardCells ||
            (i > 0 && change.cell <= step.cells[i - 1].cell))
            return damaged;
        if (std::string why = CellProblem(change.before); !why.empty()) return why;
        if (std::string why = CellProblem(change.after); !why.empty()) return why;
    }
    const std::uint64_t parts = in.Number(1);
    if (in.Failed() || parts > (kStepPlace | kStepFile)) return damaged;
    if (parts & kStepPlace) {
        PlaceChange change;
        if (std::string why = ReadPlace(in, change.before); !why.empty()) return why;
        if (std::string why = ReadPlace(in, change.after); !why.empty()) return why;
        step.place = std::move(change);
    }
    if (parts & kStepFile) {
        FileStep file;
        file.path = in.Text();
        file.bytesBefore = static_cast<std::int64_t>(in.Number(8));
        file.bytesAfter = static_cast<std::int64_t>(in.Number(8));
        if (!ReadEdits(in, file.forward) || !ReadEdits(in, file.backward)) return damaged;
        if (file.path.empty() || file.path.find('\0') != std::string::npos)
            return "a level operation names no map file";
        step.file = std::move(file);
    }
    return {};
}

// Takes the document one step back (or forward); false, with nothing known of the document,
// when the step does not start from it.
bool TakeStep(const HistoryStep& step, bool back, BoardGrid& board, DocumentPlace& place) {
    for (const StepCell& change : step.cells) {
        if (board.cells[change.cell] != (back ? change.after : change.before)) return false;
        board.cells[change.cell] = back ? change.before : change.after;
    }
    if (step.place) {
        if (place != (back ? step.place->after : step.place->before)) return false;
        place = back ? step.place->before : step.place->after;
    }
    return true;
}

// True when the steps lead to the document: taken back from it one by one to the oldest, and
// forward from it to the newest, each starts from where the one before left it.
bool StepsLeadTo(const RecoveredSteps& history, const BoardGrid& board,
                 const DocumentPlace& place) {
    BoardGrid at = board;
    DocumentPlace atPlace = place;
    for (std::size_t i = history.position; i-- > 0;)
        if (!TakeStep(history.steps[i], true, at, atPlace)) return false;
    at = board;
    atPlace = place;
    for (std::size_t i = history.position; i < history.steps.size(); ++i)
        if (!TakeStep(history.steps[i], false, at, atPlace)) return false;
    return true;
}

// ---- Records ----------------------------------------------------------------------------

// Wraps a record's body: its length and kind before it, the checksum of all of it after.
std::vector<std::uint8_t> Sealed(RecordKind kind, std::vector<std::uint8_t> body,
                                 std::vector<std::uint8_t> out = {}) {
    const std::size_t start = out.size();
    PutNumber(out, body.size(), 4);
    out.push_back(static_cast<std::uint8_t>(kind));
    out.insert(out.end(), body.begin(), body.end());
    PutNumber(out, Checksum(std::span(out).subspan(start)), 4);
    return out;
}

// The journal's state as the records so far leave it.
struct JournalState {
    JournalContents contents;
    std::uint64_t oldest = 0;  // the position of contents.history.steps[0]
};

std::uint64_t Newest(const JournalState& state) {
    return state.oldest + state.contents.history.steps.size();
}

// Empty when the snapshot was read into `state`, else why not.
std::string ReadSnapshot(FieldReader& in, JournalState& state) {
    JournalState read;
    if (std::string why = ReadPlace(in, read.contents.place); !why.empty()) return why;
    for (BoardCell& cell : read.contents.board.cells) {
        cell = in.Cell();
        if (std::string why = CellProblem(cell); !why.empty()) return why;
    }
    read.oldest = in.Number(8);
    std::vector<HistoryStep>& steps = read.contents.history.steps;
    steps.resize(in.Count(4, 4 + 1));
    for (HistoryStep& step : steps)
        if (std::string why = ReadStep(in, step); !why.empty()) return why;
    const std::uint64_t position = in.Number(8);
    if (in.Failed() || in.Left() != 0 || read.oldest > ~std::uint64_t{0} - steps.size() ||
        position < read.oldest || position > Newest(read))
        return "it is incomplete or damaged";
    read.contents.history.position = static_cast<std::size_t>(position - read.oldest);
    state = std::move(read);
    return {};
}

// Empty when the update was applied to `state`, else why not (`state` then unchanged).
std::string ReadUpdate(FieldReader& in, JournalState& state) {
    const std::string damaged = "it is incomplete or damaged";
    JournalContents& now = state.contents;
    const std::uint64_t hasPlace = in.Number(1);
    if (hasPlace > 1) return damaged;
    DocumentPlace place = now.place;
    if (hasPlace == 1)
        if (std::string why = ReadPlace(in, place); !why.empty()) return why;
    BoardGrid board = now.board;
    const std::size_t cells = in.Count(2, 4);
    for (std::size_t i = 0; i < cells; ++i) {
        const std::uint64_t at = in.Number(2);
        const BoardCell cell = in.Cell();
        if (in.Failed() || at >= kBoardCells) return damaged;
        if (std::string why = CellProblem(cell); !why.empty()) return why;
        board.cells[at] = cell;
    }
    const std::uint64_t oldest = in.Number(8);
    const std::uint64_t keepBelow = in.Number(8);
    if (in.Failed() || keepBelow < state.oldest || keepBelow > Newest(state)) return damaged;
    std::vector<HistoryStep> added(in.Count(4, 4 + 1));
    for (HistoryStep& step : added)
        if (std::string why = ReadStep(in, step); !why.empty()) return why;
    const std::uint64_t position = in.Number(8);
    const std::uint64_t newest = keepBelow + added.size();
    if (in.Failed() || in.Left() != 0 || oldest < state.oldest || oldest > newest ||
        position < oldest || position > newest)
        return damaged;

    std::vector<HistoryStep>& steps = now.history.steps;
    steps.resize(static_cast<std::size_t>(keepBelow - state.oldest));
    for (HistoryStep& step : added) steps.push_back(std::move(step));
    steps.erase(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(oldest - state.oldest));
    state.oldest = oldest;
    now.history.position = static_cast<std::size_t>(position - oldest);
    now.board = board;
    now.place = std::move(place);
    return {};
}

std::vector<std::uint8_t> SnapshotBody(const BoardGrid& board, const DocumentPlace& place,
                                       const History& history) {
    std::vector<std::uint8_t> body;
    PutPlace(body, place);
    for (const BoardCell& cell : board.cells) PutCell(body, cell);
    PutNumber(body, history.OldestPosition(), 8);
    PutNumber(body, history.NewestPosition() - history.OldestPosition(), 4);
    for (std::uint64_t p = history.OldestPosition(); p < history.NewestPosition(); ++p)
        PutStep(body, history.StepFrom(p));
    PutNumber(body, history.Position(), 8);
    return body;
}

// Reads the second form: the signature, a snapshot, then updates up to the first record that is
// cut short or damaged.
bool ReadJournalLog(std::span<const std::uint8_t> bytes, JournalContents& contents,
                    std::string& why) {
    JournalState state;
    std::size_t at = kSignature2.size();
    bool first = true;
    while (at < bytes.size()) {
        const std::span<const std::uint8_t> rest = bytes.subspan(at);
        const bool whole = rest.size() >= kRecordHead + kRecordTail &&
                           GetNumber(rest, 0, 4) <= rest.size() - kRecordHead - kRecordTail;
        const std::size_t size =
            whole ? kRecordHead + GetNumber(rest, 0, 4) + kRecordTail : rest.size();
        const bool sound = whole && GetNumber(rest, size - kRecordTail, 4) ==
                                        Checksum(rest.first(size - kRecordTail));
        std::string problem = "it is incomplete or damaged";
        if (sound) {
            FieldReader in(rest.subspan(kRecordHead, size - kRecordHead - kRecordTail));
            const std::uint8_t kind = rest[4];
            if (first && kind == static_cast<std::uint8_t>(RecordKind::Snapshot))
                problem = ReadSnapshot(in, state);
            else if (!first && kind == static_cast<std::uint8_t>(RecordKind::Update))
                problem = ReadUpdate(in, state);
        }
        if (!problem.empty()) {
            if (first) {
                why = problem;
                return false;
            }
            // A crash cuts short only the last write: a record followed by more is damage.
            state.contents.damagedWithin = at + size < bytes.size();
            break;
        }
        first = false;
        at += size;
    }
    if (first) {
        why = "it is incomplete or damaged";
        return false;
    }
    if (!StepsLeadTo(state.contents.history, state.contents.board, state.contents.place))
        state.contents.history = {};
    contents = std::move(state.contents);
    return true;
}

// Reads the first form, which is exactly what EncodeJournal writes for one document.
bool ReadFirstForm(std::span<const std::uint8_t> bytes, JournalContents& contents,
                   std::string& why) {
    constexpr std::size_t kFixed = kSignature.size() + 2 + 8 + 4;
    constexpr std::size_t kCells = 2 * kBoardCells;
    if (bytes.size() < kFixed + kCells + 4) {
        why = "it is no recovery file of this editor";
        return false;
    }
    const std::size_t nameLength = GetNumber(bytes, kFixed - 4, 4);
    if (bytes.size() != kFixed + nameLength + kCells + 4 ||
        GetNumber(bytes, bytes.size() - 4, 4) != Checksum(bytes.first(bytes.size() - 4))) {
        why = "it is incomplete or damaged";
        return false;
    }
    JournalContents read;
    FieldReader in(bytes.subspan(kSignature.size(), bytes.size() - kSignature.size() - 4));
    if (std::string problem = ReadPlace(in, read.place); !problem.empty()) {
        why = problem;
        return false;
    }
    for (BoardCell& cell : read.board.cells) {
        cell = in.Cell();
        if (std::string problem = CellProblem(cell); !problem.empty()) {
            why = problem;
            return false;
        }
    }
    contents = std::move(read);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeJournal(const BoardGrid& board, const DocumentPlace& place) {
    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
    PutPlace(out, place);
    for (const BoardCell& cell : board.cells) PutCell(out, cell);
    PutNumber(out, Checksum(out), 4);
    return out;
}

bool ReadJournal(std::span<const std::uint8_t> bytes, JournalContents& contents, std::string& why) {
    const auto starts = [&](std::string_view signature) {
        return bytes.size() >= signature.size() &&
               std::equal(signature.begin(), signature.end(), bytes.begin());
    };
    if (starts(kSignature)) return ReadFirstForm(bytes, contents, why);
    if (starts(kSignature2)) return ReadJournalLog(bytes, contents, why);
    why = "it is no recovery file of this editor";
    return false;
}

bool DecodeJournal(std::span<const std::uint8_t> bytes, BoardGrid& board, DocumentPlace& place,
                   std::string& why) {
    JournalContents contents;
    if (!ReadJournal(bytes, contents, why)) return false;
    board = contents.board;
    place = std::move(contents.place);
    return true;
}

std::vector<std::uint8_t> JournalWriter::Next(const BoardGrid& board, const DocumentPlace& place,
                                              const History& history, bool& whole) {
    const std::uint64_t newest = history.NewestPosition();
    // The steps recorded since the last write follow the ones written, which are still where
    // they were: positions never move, and a new step replaces any that could have been redone.
    std::uint64_t keepBelow = newest;
    while (keepBelow > history.OldestPosition() &&
           history.SerialFrom(keepBelow - 1) >= serialsWritten_)
        --keepBelow;
    // Appending more than the last snapshot holds would make the journal a log of everything.
    whole = !started_ || keepBelow < oldest_ || keepBelow > newest_ ||
            appendedBytes_ > std::max<std::size_t>(snapshotBytes_, 64 * 1024);
    std::vector<std::uint8_t> out;
    if (whole) {
        out.assign(kSignature2.begin(), kSignature2.end());
        out = Sealed(RecordKind::Snapshot, SnapshotBody(board, place, history), std::move(out));
        snapshotBytes_ = out.size();
        appendedBytes_ = 0;
    } else {
        std::vector<std::uint8_t> body;
        body.push_back(place != place_ ? 1 : 0);
        if (place != place_) PutPlace(body, place);
        std::uint16_t changed = 0;
        for (std::size_t i = 0; i < kBoardCells; ++i) changed += board.cells[i] != board_.cells[i];
        PutNumber(body, changed, 2);
        for (std::size_t i = 0; i < kBoardCells; ++i) {
            if (board.cells[i] == board_.cells[i]) continue;
            PutNumber(body, i, 2);
            PutCell(body, board.cells[i]);
        }
        PutNumber(body, history.OldestPosition(), 8);
        PutNumber(body, keepBelow, 8);
        PutNumber(body, newest - keepBelow, 4);
        for (std::uint64_t p = keepBelow; p < newest; ++p) PutStep(body, history.StepFrom(p));
        PutNumber(body, history.Position(), 8);
        out = Sealed(RecordKind::Update, std::move(body));
        appendedBytes_ += out.size();
    }
    started_ = true;
    board_ = board;
    place_ = place;
    oldest_ = history.OldestPosition();
    newest_ = newest;
    position_ = history.Position();
    if (newest > oldest_) serialsWritten_ = history.SerialFrom(newest - 1) + 1;
    return out;
}

RecoveryJournal::RecoveryJournal() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    tag_ = std::to_string(ProcessId()) + "-" +
           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

RecoveryJournal::~RecoveryJournal() {
    DropMark(takenMark_);
    DropMark(ownerMark_);
}

void RecoveryJournal::SetFolder(std::string folder) {
    folder_ = std::move(folder);
}

std::string RecoveryJournal::Path() const {
    return Utf8FromPath(PathFromUtf8(folder_) / (tag_ + std::string(kJournalSuffix)));
}

FileResult RecoveryJournal::Write(const BoardGrid& board, const DocumentPlace& place,
                                  const History& history) {
    if (!Enabled()) return {};
    const fs::path folder = PathFromUtf8(folder_);
    std::error_code error;
    if (fs::create_directories(folder, error)) {
        // The journals hold the user's file names and levels: for the user alone.
        fs::permissions(folder, fs::perms::owner_all, error);
    }
    if (error) return FileResult::Failure(Reason(error));
    // The mark comes first, so no other editor ever takes this journal for an orphan.
    if (ownerMark_ < 0) {
        ownerMark_ = TakeMark(folder / (tag_ + std::string(kOwnerSuffix)), true);
        writer_.Restart();
    }
    if (ownerMark_ < 0) return FileResult::Failure(Reason({errno, std::generic_category()}));
    const fs::path journal = folder / (tag_ + std::string(kJournalSuffix));
    bool whole = false;
    std::vector<std::uint8_t> bytes = writer_.Next(board, place, history, whole);
    if (!whole) {
        if (AppendToFile(journal, bytes)) return {};
        // A part of the record may have reached the file, and nothing after it could be read:
        // the journal is written anew.
        writer_.Restart();
        bytes = writer_.Next(board, place, history, whole);
    }
    FileResult written =
        ReplaceFile(folder / (tag_ + std::string(kTemporarySuffix)), journal, bytes);
    if (!written) writer_.Restart();
    return written;
}

void RecoveryJournal::Remove() {
    if (ownerMark_ < 0) return;  // never written
    const fs::path folder = PathFromUtf8(folder_);
    std::error_code ignored;
    fs::remove(folder / (tag_ + std::string(kJournalSuffix)), ignored);
    writer_.Restart();
    DropMark(ownerMark_);
    fs::remove(folder / (tag_ + std::string(kOwnerSuffix)), ignored);
}

bool RecoveryJournal::TakeMostRecent(JournalContents& contents, std::vector<SetAside>& setAside) {
    if (!Enabled()) return false;
    DropMark(takenMark_);
    const fs::path folder = PathFromUtf8(folder_);
    struct Candidate {
        fs::file_time_type written;
        std::string tag;
    };
    std::vector<Candidate> candidates;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = Utf8FromPath(entry->path().filename());
        if (name.size() <= kJournalSuffix.size() || !name.ends_with(kJournalSuffix)) continue;
        const std::string tag = name.substr(0, name.size() - kJournalSuffix.size());
        if (tag == tag_) continue;
        std::error_code timeError;
        const auto written = fs::last_write_time(entry->path(), timeError);
        if (!timeError) candidates.push_back({written, tag});
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.written > b.written; });

    for (const Candidate& candidate : candidates) {
        const fs::path owner = folder / (candidate.tag + std::string(kOwnerSuffix));
        const fs::path journal = folder / (candidate.tag + std::string(kJournalSuffix));
        std::error_code missing;
        const bool hasOwner = fs::exists(owner, missing);
        int mark = TakeMark(owner, !hasOwner);
        if (mark < 0) continue;  // its editor is still running

        std::string why;
        std::vector<std::uint8_t> bytes;
        std::error_code sizeError;
        const std::uintmax_t size = fs::file_size(journal, sizeError);
        if (sizeError) {
            DropMark(mark);
            continue;  // gone meanwhile
        }
        if (size > kLargestJournal) {
            why = "it is too large to be a recovery file of this editor";
        } else {
            if (!ReadSmallFile(journal, kLargestJournal, bytes)) why = "it cannot be read";
        }
        if (why.empty() && ReadJournal(bytes, contents, why)) {
            takenMark_ = mark;
            takenTag_ = candidate.tag;
            takenDamaged_ = contents.damagedWithin;
            return true;
        }
        // Kept under a name no Recover takes again, next to where it was.
        const SetAside aside{Utf8FromPath(journal), why, SetAsideFile(journal, kSetAsideSuffix)};
        setAside.push_back(aside);
        DropMark(mark);
        if (!aside.keptAs.empty()) fs::remove(owner, error);
    }
    return false;
}

void RecoveryJournal::FinishRecovery(bool keptElsewhere, std::vector<SetAside>& setAside) {
    if (takenMark_ < 0) return;
    const fs::path folder = PathFromUtf8(folder_);
    const fs::path journal = folder / (takenTag_ + std::string(kJournalSuffix));
    std::error_code ignored;
    if (keptElsewhere && takenDamaged_) {
        // What came after the damage may yet be read by other means: kept, never taken again.
        setAside.push_back({Utf8FromPath(journal),
                            "a part of it is damaged, and only what came before that part was "
                            "recovered",
                            SetAsideFile(journal, kSetAsideSuffix)});
    } else if (keptElsewhere) {
        fs::remove(journal, ignored);
    }
    DropMark(takenMark_);
    if (keptElsewhere) fs::remove(folder / (takenTag_ + std::string(kOwnerSuffix)), ignored);
    takenTag_.clear();
    takenDamaged_ = false;
}

}  // namespace gridwright
