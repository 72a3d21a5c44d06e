// The recovery journal: while the board holds edits that the map file does not, the editor keeps
// the whole document in a file of its own in the user's state folder, so that a crash, a killed
// process or an Exit loses nothing. Each editor writes only its own journal, named after its
// process and start, and holds an owner mark on it for as long as it runs; the system lets go of
// the mark when the process ends, however it ends, and only then may another editor recover it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "board.h"
#include "history.h"
#include "map_file.h"

namespace gridwright {

// A journal's first form, which holds the document alone: a signature, the place (level, file
// name, whether a name was given), the 768 cells, and a checksum over all of it, so a torn or
// foreign file is recognised. Still read, for journals an earlier version left.
std::vector<std::uint8_t> EncodeJournal(const BoardGrid& board, const DocumentPlace& place);

// What a journal brings back: the document, and the steps of its undo history that the journal
// kept (none in a journal of the first form).
struct JournalContents {
    BoardGrid board;
    DocumentPlace place;
    RecoveredSteps history;
    // A record that is not the last one was damaged: what came after it is lost, which a write
    // cut short by a crash never does.
    bool damagedWithin = false;
};

// The journal as the editor writes it keeps the history too, and costs each step only what the
// step changed: a signature, then records, each with its length and a checksum. The first is a
// snapshot of the document and its history; each later step appends a record of the cells and
// place that changed and of the steps added, dropped, undone or redone. A last record cut short
// by a crash is left out and everything before it kept. Now and then the journal is written anew
// as one snapshot, so that it stays about as large as the history it holds.
class JournalWriter {
  public:
    // The bytes that bring the journal up to date with the document and its history: the whole
    // journal when `whole` comes back true, otherwise a record to append to it.
    std::vector<std::uint8_t> Next(const BoardGrid& board, const DocumentPlace& place,
                                   const History& history, bool& whole);
    // The bytes of the last Next did not reach the journal (or it was removed): the next ones
    // are a whole journal.
    void Restart() { started_ = false; }

  private:
    bool started_ = false;
    BoardGrid board_;
    DocumentPlace place_;
    std::uint64_t oldest_ = 0, newest_ = 0, position_ = 0;
    std::uint64_t serialsWritten_ = 0;  // the steps with serials below it are in the journal
    std::size_t snapshotBytes_ = 0, appendedBytes_ = 0;
};

// False, with the reason, when the bytes are no journal of either form, or hold a document that
// the map file cannot (a colour beyond 15, a level no map reaches, a name with a zero byte), or a
// first form that is not exactly what EncodeJournal writes; `contents` is then unchanged. Steps
// that do not lead to the document are left out, the document kept.
bool ReadJournal(std::span<const std::uint8_t> bytes, JournalContents& contents, std::string& why);
// The document of a journal of either form, as ReadJournal reads it.
bool DecodeJournal(std::span<const std::uint8_t> bytes, BoardGrid& board, DocumentPlace& place,
                   std::string& why);

class RecoveryJournal {
  public:
    RecoveryJournal();
    ~RecoveryJournal();
    RecoveryJournal(const RecoveryJournal&) = delete;
    RecoveryJournal& operator=(const RecoveryJournal&) = delete;

    // The folder (UTF-8) that holds the journals; empty turns journalling off.
    void SetFolder(std::string folder);
    const std::string& Folder() const { return folder_; }
    bool Enabled() const { return !folder_.empty(); }

    // Brings this editor's journal up to date with the document and its history: a record
    // appended and put on the disk, or, now and then, the whole journal replaced at once (a
    // temporary file written and put on the disk, then renamed over the journal).
    FileResult Write(const BoardGrid& board, const DocumentPlace& place, const History& history);
    // Removes this editor's journal; nothing when there is none.
    void Remove();
    // The path of this editor's journal (which exists only while there are edits to keep).
    std::string Path() const;

    // A journal that could not be read, renamed so that it is neither taken again nor lost.
    struct SetAside {
        std::string path;
        std::string reason;
        std::string keptAs;  // empty when even the rename failed; the file then stays as it was
    };
    // Takes the most recent journal that no running editor owns into `contents`, and holds it
    // until FinishRecovery. Journals that cannot be read are set aside on the way. False when no
    // readable journal is left.
    bool TakeMostRecent(JournalContents& contents, std::vector<SetAside>& setAside);
    // Once the recovered document is kept elsewhere (this editor's own journal, or the map file),
    // the taken journal is removed, or set aside when it was damaged within (the set-aside is
    // then appended to `setAside`); otherwise it is left for a later Recover.
    void FinishRecovery(bool keptElsewhere, std::vector<SetAside>& setAside);

  private:
    std::string folder_;
    std::string tag_;     // this editor's name for its files
    int ownerMark_ = -1;  // held while this editor's journal exists
    JournalWriter writer_;
    int takenMark_ = -1;    // the owner mark of a journal being recovered
    std::string takenTag_;  // and that journal's name
    bool takenDamaged_ = false;
};

}  // namespace gridwright
