#pragma once
// Shared steps of the deep copies of score nodes.
//
// A copy re-links ties and slurs of messages outside the copied material
// (their ids and the references to them change, and a relink record goes to
// the document's open slur list). When a copy fails part-way, those changes
// must not stay behind pointing at a copy that its caller is about to
// delete, so every such change is logged while a copy runs and a failing
// copy rolls back what it changed before it returns 0.

#include "Platform.h"
#include "model/KVMsg.h"

class CKVDoc;
class CKVMsg;
class CKVObject;
class CKVSystem;
struct MsgRef;
struct SlurRelinkRecord;

namespace kvcopy {

// One level of a copy. Fail() rolls back the changes logged since this
// level began and forgets the references it left pending; the log is
// emptied when the outermost level ends. The outermost level also points
// the references that met a tie, slur or tuplet before it was copied (a
// chord note that names a tuplet its neighbour further on owns) at the
// copies made since it began.
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    void Fail();

private:
    size_t m_mark;
    size_t m_pendingMark;
};

// Call before changing a message's id or note ids, a reference's id, or
// after appending a record to a document's open slur list.
void LogMsg(CKVMsg* msg);
void LogRef(MsgRef* ref);
void LogRecord(CKVDoc* doc, SlurRelinkRecord* record);

// The node part of a deep copy: header fields, head, copies of the owned
// children (and of the ties and slurs referred to) and of the control
// handles. equally: the children are copied without re-linking messages
// outside the copy. 1, or 0 when memory ran out.
int CopyNodeFrom(CKVObject& self, CKVObject& source, bool equally);

// The message copy behind CKVMsg::CreateFrom and CreateFromEqually.
int CopyMessage(CKVMsg& self, CKVMsg& source, bool equally);

// Ties, slurs and tuplets: symbols that link others, which a copy or a
// read finishes once everything they link is in place.
inline bool IsLinkKind(BYTE kind)
{
    return kind == MSG_TIE || kind == MSG_SLUR || kind == MSG_TUPLET;
}

// After a copy of several symbols at once (a measure, a staff): the
// references that named a link not yet copied name its copy, and the links
// copied name the copies of their notes (the copied-message map's pairs).
void FixUpCopiedLinks(CKVSystem* system);

// A new symbol of the class that a copy of source needs (a chord symbol for
// kind 69), initialised in the holder's system under the holder; null after
// the out-of-memory report.
CKVMsg* NewSymbolFor(CKVObject& holder, CKVMsg& source);

// The chord part of a chord symbol copied onto its copy; 1, also for any
// other kind, 0 when memory ran out.
int CopyChordPart(CKVMsg& self, CKVMsg& source);

} // namespace kvcopy
