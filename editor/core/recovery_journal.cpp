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

constexpr std::string_view kSignature = "GWJOURN1";
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kOwnerSuffix = ".owner";
constexpr std::string_view kTemporarySuffix = ".journal.tmp";
constexpr std::string_view kSetAsideSuffix = ".unreadable";
// No journal is larger: the board, the place and a file name of any sensible length.
constexpr std::uintmax_t kLargestJournal = 1u << 20;

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

}  // namespace

std::vector<std::uint8_t> EncodeJournal(const BoardGrid& board, const DocumentPlace& place) {
    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
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
    for (const BoardCell& cell : board.cells) {
        out.push_back(cell.Char);
        out.push_back(cell.Color);
    }
    PutNumber(out, Checksum(out), 4);
    return out;
}

bool DecodeJournal(std::span<const std::uint8_t> bytes, BoardGrid& board, DocumentPlace& place,
                   std::string& why) {
    constexpr std::size_t kFixed = kSignature.size() + 2 + 8 + 4;
    constexpr std::size_t kCells = 2 * kBoardCells;
    if (bytes.size() < kFixed + kCells + 4 ||
        !std::equal(kSignature.begin(), kSignature.end(), bytes.begin())) {
        why = "it is no recovery file of this editor";
        return false;
    }
    const std::size_t nameLength = GetNumber(bytes, kFixed - 4, 4);
    if (bytes.size() != kFixed + nameLength + kCells + 4 ||
        GetNumber(bytes, bytes.size() - 4, 4) != Checksum(bytes.first(bytes.size() - 4))) {
        why = "it is incomplete or damaged";
        return false;
    }
    // Only the bytes the encoder writes are a journal: one document, one journal. And only a
    // document of the map file is one: a journal is outside input, as a map file is, and what it
    // puts on the board must show, and save, as it stands.
    const std::uint8_t named = bytes[kSignature.size()];
    const std::uint8_t kind = bytes[kSignature.size() + 1];
    const std::uint64_t levelBits = GetNumber(bytes, kSignature.size() + 2, 8);
    const bool canonical =
        named <= 1 &&
        (kind == static_cast<std::uint8_t>(LevelKind::Double) ||
         (kind == static_cast<std::uint8_t>(LevelKind::Whole) && levelBits <= 0xFFFF) ||
         (kind == static_cast<std::uint8_t>(LevelKind::None) && levelBits == 0));
    if (!canonical) {
        why = "it is incomplete or damaged";
        return false;
    }
    DocumentPlace read;
    read.named = named == 1;
    if (kind == static_cast<std::uint8_t>(LevelKind::Whole))
        read.level = OptionalNumber::Whole(static_cast<std::int16_t>(levelBits));
    else if (kind == static_cast<std::uint8_t>(LevelKind::Double))
        read.level = OptionalNumber::Double(SameBits<double>(levelBits));
    read.fileName.assign(bytes.begin() + kFixed, bytes.begin() + kFixed + nameLength);
    // A level is the place of a level in the map file: from 0 to the last reachable one.
    if (read.level.HasValue() && !LevelOffset(read.level.Value())) {
        why = "its level is not a level from 0 to " + std::to_string(kLastLevel);
        return false;
    }
    // The system would take a name only up to its first zero byte: another file.
    if (read.fileName.find('\0') != std::string::npos) {
        why = "its map file name holds a zero byte";
        return false;
    }
    BoardGrid cells;
    std::size_t at = kFixed + nameLength;
    for (BoardCell& cell : cells.cells) {
        cell = {bytes[at], bytes[at + 1]};
        // A colour byte of the map file holds colours 0 to 15.
        if (ByteToColor(ColorToByte(cell.Color)) != cell.Color) {
            why = "a cell has colour " + std::to_string(cell.Color) + ", which no map holds";
            return false;
        }
        at += 2;
    }
    board = cells;
    place = std::move(read);
    return true;
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

FileResult RecoveryJournal::Write(const BoardGrid& board, const DocumentPlace& place) {
    if (!Enabled()) return {};
    const fs::path folder = PathFromUtf8(folder_);
    std::error_code error;
    if (fs::create_directories(folder, error)) {
        // The journals hold the user's file names and levels: for the user alone.
        fs::permissions(folder, fs::perms::owner_all, error);
    }
    if (error) return FileResult::Failure(Reason(error));
    // The mark comes first, so no other editor ever takes this journal for an orphan.
    if (ownerMark_ < 0) ownerMark_ = TakeMark(folder / (tag_ + std::string(kOwnerSuffix)), true);
    if (ownerMark_ < 0) return FileResult::Failure(Reason({errno, std::generic_category()}));
    return ReplaceFile(folder / (tag_ + std::string(kTemporarySuffix)),
                       folder / (tag_ + std::string(kJournalSuffix)), EncodeJournal(board, place));
}

void RecoveryJournal::Remove() {
    if (ownerMark_ < 0) return;  // never written
    const fs::path folder = PathFromUtf8(folder_);
    std::error_code ignored;
    fs::remove(folder / (tag_ + std::string(kJournalSuffix)), ignored);
    DropMark(ownerMark_);
    fs::remove(folder / (tag_ + std::string(kOwnerSuffix)), ignored);
}

bool RecoveryJournal::TakeMostRecent(BoardGrid& board, DocumentPlace& place,
                                     std::vector<SetAside>& setAside) {
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
        if (why.empty() && DecodeJournal(bytes, board, place, why)) {
            takenMark_ = mark;
            takenTag_ = candidate.tag;
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

void RecoveryJournal::FinishRecovery(bool keptElsewhere) {
    if (takenMark_ < 0) return;
    const fs::path folder = PathFromUtf8(folder_);
    std::error_code ignored;
    if (keptElsewhere) fs::remove(folder / (takenTag_ + std::string(kJournalSuffix)), ignored);
    DropMark(takenMark_);
    if (keptElsewhere) fs::remove(folder / (takenTag_ + std::string(kOwnerSuffix)), ignored);
    takenTag_.clear();
}

}  // namespace gridwright
