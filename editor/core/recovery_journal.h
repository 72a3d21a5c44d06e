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

// A journal's bytes: a signature, the place (level, file name, whether a name was given), the
// 768 cells, and a checksum over all of it, so a torn or foreign file is recognised.
std::vector<std::uint8_t> EncodeJournal(const BoardGrid& board, const DocumentPlace& place);
// False, with the reason, when the bytes are no whole journal, are not exactly what EncodeJournal
// writes for some document, or hold a document that the map file cannot (a colour beyond 15, a
// level no map reaches, a name with a zero byte); board and place are then unchanged.
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

    // Replaces this editor's journal with the document, whole or not at all: a temporary file is
    // written and put on the disk, then renamed over the journal.
    FileResult Write(const BoardGrid& board, const DocumentPlace& place);
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
    // Takes the most recent journal that no running editor owns into board and place, and holds
    // it until FinishRecovery. Journals that cannot be read are set aside on the way. False when
    // no readable journal is left.
    bool TakeMostRecent(BoardGrid& board, DocumentPlace& place, std::vector<SetAside>& setAside);
    // Once the recovered document is kept elsewhere (this editor's own journal, or the map file),
    // the taken journal is removed; otherwise it is left for a later Recover.
    void FinishRecovery(bool keptElsewhere);

  private:
    std::string folder_;
    std::string tag_;       // this editor's name for its files
    int ownerMark_ = -1;    // held while this editor's journal exists
    int takenMark_ = -1;    // the owner mark of a journal being recovered
    std::string takenTag_;  // and that journal's name
};

}  // namespace gridwright
