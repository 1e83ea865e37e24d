#pragma once
// The frame that every command on the selected symbols runs in: one undo
// step, the backup of what the command can reach, the symbols it reaches
// with a voice filter, each once, and the modified flag at the end.
//
//   CEditFrame frame(doc);
//   if (!frame.Open())
//       return;                 // nothing changed, the modified flag untouched
//   for (CKVMsg* msg : frame.Collect(voice))
//       ...                     // the live symbols; passes may repeat over the list
//   frame.Close();              // modified, even when nothing matched
//
// A query reads the same collection through a frame made with Use::Query,
// which backs nothing up and opens no step: the score stays as it was.

#include "Platform.h"

#include <functional>
#include <set>
#include <vector>

class CKVDoc;
class CKVMsg;
class CKVMeas;
struct SelRect;

namespace selhit {
struct MeasPlace;
}

class CEditFrame {
public:
    // What a walk of the live tree yields for each measure: its children
    // with the members of its beam groups and chords after their container
    // (the order the selection collection lists them in), or its own
    // children only.
    enum class Members { Included, DirectOnly };

    // Edit: a command's frame, whose collection backs up what the step
    // missed. Query: a reader's, whose collection changes nothing (no Open,
    // no Close).
    enum class Use { Edit, Query };

    explicit CEditFrame(CKVDoc& doc, Use use = Use::Edit);

    // Opens the undo step (before any other test, so that even a command
    // that returns at once has closed the previous step), then backs up what
    // the command can reach. With every page selected that is the whole
    // document (ObjectBackup), and the redraw rectangle stays as it was;
    // otherwise the selected measures (SelMeasBackup), which rebuild the
    // redraw rectangle, then the measures outside them that hold the far
    // ends of their ties and slurs (SelFarEndBackup), then what BackUpUnheld
    // adds. False when the command must return at once with nothing changed:
    // undo is not being recorded, or memory is short.
    bool Open();

    // Every page is selected: the command works on the whole score.
    bool WholeScore() const;

    // The symbols the command reaches, in order, null ones skipped, those of
    // another voice (low byte of `voice`; 0 every voice) left out. With every
    // page selected they come from the live tree (staves, then ossia staves,
    // each measure in order), since the map also holds the copies undo keeps;
    // otherwise from the selection collection (GetSelMsgCount/GetSelNote).
    // A symbol (by id) that an earlier call of this frame gave is not given
    // again, so a symbol covered by two records is handled once. A command
    // that leaves the step and the backup to the host collects without Open.
    std::vector<CKVMsg*> Collect(int voice, Members members = Members::Included);
    // The same for one selection record (GetSelMsgCount(record)).
    std::vector<CKVMsg*> CollectRecord(short record, int voice);

    // Backs up, into the open step, the measure of every symbol given that
    // the step does not hold yet (alone or with its staff), then the
    // measures outside them that hold the far ends of their ties and
    // slurs: a measure the command changes is backed up before its first
    // change even where the selection's backup left it out. True when
    // anything was backed up: the symbols given are then the copies undo
    // keeps, and the live ones must be collected again.
    static bool BackUpMissed(CKVDoc& doc, const std::vector<CKVMsg*>& msgs);

    // Sets the modified flag. Not called after Open gave false.
    void Close();

    // Whether a symbol is of the voice (low byte; 0 every voice).
    static bool VoiceMatches(const CKVMsg& msg, int voice);

    // A command whose steps can free symbols of its list (dissolving a group
    // over a stretch frees the other groups that reach into it, re-beaming a
    // measure may free a group or a note) holds the ids of the list instead
    // and looks each up when its turn comes: the symbol the live score holds
    // under the id, or null once it went.
    static std::vector<DWORD> Ids(const std::vector<CKVMsg*>& msgs);
    static CKVMsg* Live(CKVDoc& doc, DWORD id);

    // Visits the live tree of the master system: every staff, then every
    // ossia staff, every measure of each in order, each measure's children
    // (with or without the members of groups and chords).
    static void ForEachLiveMsg(CKVDoc& doc, Members members, const std::function<void(CKVMeas&, CKVMsg&)>& visit);

private:
    // The selection may reach symbols in measures that the step's backup
    // (the frame's or the host's) left out: BackUpMissed for the first
    // `count` collected symbols (true when it backed one up: the collected
    // ids then name the copies undo keeps, and the caller collects again),
    // or, unless every page is selected, for the whole collection.
    bool BackUpUnheld(int count);
    void BackUpUnheld();
    // Appends a symbol not given before that passes the voice filter.
    void Take(CKVMsg* msg, int voice, std::vector<CKVMsg*>& out);
    // The collection that `count` makes (it fills the selected-id list and
    // answers its length). A symbol in a measure that the open step does
    // not hold yet has its measure backed up first, and the collection is
    // made again from the live copies, so that undo gives every change back.
    std::vector<CKVMsg*> FromCollection(const std::function<int()>& count, int voice);

    CKVDoc& m_doc;
    Use m_use;
    std::set<DWORD> m_given;
};

// The walk of the commands that test each symbol's handle against the
// selection records themselves rather than reading the collection (colour
// and line thickness):
//
//   CRecordWalk walk(doc);
//   if (!walk.Open())
//       return;
//   walk.Run(takesPageSymbol, onPageSymbol, onMeas);
class CRecordWalk {
public:
    explicit CRecordWalk(CKVDoc& doc);

    // Empties the copy-pointer map and the collected ids, opens the undo
    // step and backs up the selected measures (which rebuilds the redraw
    // rectangle), leaving the modified flag as it was. False when memory is
    // short: nothing is changed.
    bool Open();

    // For each record: with a kind-1 record, the page-level symbols of its
    // page that `takes` accepts and whose handle, moved by the symbol's
    // position, meets the rectangle; each goes live to `onPageSymbol`, its
    // page backed up at its first hit. Then every measure of every block the
    // record reaches (normal blocks before ossia blocks, staff by staff),
    // with the rectangle its symbols are tested against: a kind-1 record's
    // own, the whole plane for the measures a kind 2, 3 or 4 record names.
    // A measure that `changes` says the walk changes is backed up first
    // unless the step holds it already (the backup of the selection judges
    // by other geometry), and so are the far ends of its ties and slurs;
    // `onMeas` gets its live copy.
    using MeasVisit = std::function<void(const selhit::MeasPlace&, const CRect&)>;
    using MeasTest = std::function<bool(const selhit::MeasPlace&, const CRect&)>;
    void Run(const std::function<bool(CKVMsg&)>& takes, const std::function<void(CKVMsg&)>& onPageSymbol,
             const MeasTest& changes, const MeasVisit& onMeas);

private:
    // The measure at `place` and the far ends of its ties and slurs, each
    // backed up into the open step unless the step holds it already; the
    // live measure.
    CKVMeas* HeldInStep(const selhit::MeasPlace& place);

    void PageSymbols(short pageIndex, const CRect& rect, const std::function<bool(CKVMsg&)>& takes,
                     const std::function<void(CKVMsg&)>& onPageSymbol);

    CKVDoc& m_doc;
    std::set<short> m_pagesBackedUp;
};
