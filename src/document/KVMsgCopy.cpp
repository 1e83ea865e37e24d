// Deep copies of symbols and the re-linking of their ties and slurs.

#include "model/KVMsg.h"

#include "MemoryGuard.h"
#include "document/BackupState.h"
#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/TickMath.h"

#include <vector>

namespace {

DWORD StartOf(const CKVMsg& link)
{
    return link.m_dwWord;
}

DWORD EndOf(const CKVMsg& link)
{
    return static_cast<DWORD>(link.m_lHeight);
}

void SetEnd(CKVMsg& link, DWORD id)
{
    link.m_lHeight = static_cast<LONG>(id);
}

// The fields of the symbol record and the few beyond it that a copy takes.
void CopyMsgFields(CKVMsg& self, const CKVMsg& source)
{
    self.m_byKind = source.m_byKind;
    self.m_byVoice = source.m_byVoice;
    self.m_byReplace = source.m_byReplace;
    self.m_wSize = source.m_wSize;
    self.m_byMark1 = source.m_byMark1;
    self.m_byMark2 = source.m_byMark2;
    self.m_byAccidental = source.m_byAccidental;
    self.m_byDots = source.m_byDots;
    self.m_wHeadType = source.m_wHeadType;
    self.m_wDuration = source.m_wDuration;
    self.m_wFlag = source.m_wFlag;
    self.m_nLayout1 = source.m_nLayout1;
    self.m_nLayout2 = source.m_nLayout2;
    self.m_nLayout3 = source.m_nLayout3;
    self.m_nLayout4 = source.m_nLayout4;
    self.m_nPerformStart = source.m_nPerformStart;
    self.m_nPosX = source.m_nPosX;
    self.m_nPosY = source.m_nPosY;
    self.m_nPosX2 = source.m_nPosX2;
    self.m_nPosY2 = source.m_nPosY2;
    self.m_lHeight = source.m_lHeight;
    self.m_dwMsgId = source.m_dwMsgId;
    self.m_crColor = source.m_crColor;
    self.m_nStartTime = source.m_nStartTime;
    self.m_nPlayTime = source.m_nPlayTime;
    self.m_bHeadShift = source.m_bHeadShift;
}

// Enters the copy in its system's map: under the source's id while ids are
// kept, else under a new one.
void EnterInMap(CKVMsg& self, CKVMsg& source)
{
    CKVSystem* system = self.m_pSystem;
    const DWORD id = self.m_dwMsgId;
    // Within the source's own system the kept id is the source's slot, and
    // taking it over would delete the source while it is being copied.
    const bool keep = GetKeepIds() && id != 0 && system->GetMsgFromMap(id) != &source;
    if (!keep || system->AddMsgToMap(id, &self, 1) == 0)
        system->AddMsgToMap(&self);
}

// The pair that held before this step: an earlier record of the same
// measure that led to the pair gives its own first pair.
void FirstPair(CKVDoc& doc, const CKVMeas* meas, DWORD start, DWORD end, DWORD& firstStart, DWORD& firstEnd)
{
    firstStart = start;
    firstEnd = end;
    for (int i = doc.m_arrSlurBackup.GetSize() - 1; i >= 0; --i) {
        const auto* record = static_cast<const SlurRelinkRecord*>(doc.m_arrSlurBackup.GetAt(i));
        if (record && record->pMeas == meas && record->dwNewStart == start && record->dwNewEnd == end) {
            firstStart = record->dwFirstStart;
            firstEnd = record->dwFirstEnd;
            return;
        }
    }
}

// Whether the partner's reference names the twin of the copied tie or slur:
// it joins the same two notes and, where the copy's original is known and
// the partner names it, is that original. A tie and a slur (or two slurs)
// may join the same two notes; each copy takes only its own twin.
bool IsTwin(const CKVMsg* twin, const CKVMsg* original, bool originalNamed, const CKVMsg& copy, DWORD start,
            DWORD end)
{
    if (!twin || !tickmath::IsTieOrSlurKind(twin->m_byKind) || StartOf(*twin) != start || EndOf(*twin) != end)
        return false;
    if (originalNamed)
        return twin == original;
    return twin->m_byKind == copy.m_byKind;
}

// Points the partner note's twin of the copied tie or slur C at the copy:
// the twin takes C's id and this note's id at its end (throughEnd) or start,
// and the partner's reference names C. original is the symbol C was copied
// from (null when unknown). Each change is recorded for undo. false when
// memory ran out before a change.
bool RelinkPartner(CKVMsg& self, CKVMsg& partner, CKVMsg& copy, const CKVMsg* original, const MsgRef& selfRef,
                   DWORD start, DWORD end, bool throughEnd)
{
    CKVSystem* system = self.m_pSystem;
    CKVDoc* doc = system->m_pDoc;
    bool originalNamed = false;
    for (int j = 0; original && !originalNamed && j < partner.m_arrMsgRef.GetSize(); ++j) {
        const MsgRef* ref = partner.m_arrMsgRef.GetAt(j);
        originalNamed = ref && system->GetMsgFromMap(ref->dwMsgId) == original;
    }
    for (int j = 0; j < partner.m_arrMsgRef.GetSize(); ++j) {
        MsgRef* ref = partner.m_arrMsgRef.GetAt(j);
        CKVMsg* twin = ref ? system->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (!IsTwin(twin, original, originalNamed, copy, start, end))
            continue;
        SlurRelinkRecord* record = nullptr;
        if (doc) {
            record = KvNewReported<SlurRelinkRecord>();
            if (!record)
                return false;
        }
        kvcopy::LogMsg(twin);
        kvcopy::LogRef(ref);
        const DWORD oldRef = ref->dwMsgId;
        twin->m_dwMsgId = copy.m_dwMsgId;
        if (throughEnd) {
            SetEnd(*twin, self.m_dwMsgId);
        } else {
            twin->m_dwWord = self.m_dwMsgId;
            if (start == end)
                SetEnd(*twin, self.m_dwMsgId);
        }
        ref->dwMsgId = selfRef.dwMsgId;
        // A tie or slur hangs under the note that owns it, its first note,
        // also when the copy was made with the note at its end.
        if (throughEnd && ref->byOwner)
            copy.m_pParent = &partner;
        if (record) {
            CKVMeas* meas = tickmath::MeasureOf(&partner);
            record->dwFlag = throughEnd ? 1 : 0;
            FirstPair(*doc, meas, start, end, record->dwFirstStart, record->dwFirstEnd);
            record->dwNewStart = StartOf(*twin);
            record->dwNewEnd = EndOf(*twin);
            record->dwOldRef = oldRef;
            record->dwNewRef = selfRef.dwMsgId;
            record->pMeas = meas;
            doc->m_arrSlurBackup.Add(record);
            kvcopy::LogRecord(doc, record);
        }
    }
    return true;
}

// The symbols that the source's references name, in the order of the
// copy's references: the node copy makes one reference for each reference of
// the source that names a symbol and leaves out the others. Empty when the
// copy's references do not line up with them.
std::vector<CKVMsg*> Originals(const CKVMsg& self, const CKVMsg& source)
{
    std::vector<CKVMsg*> originals;
    if (!source.m_pSystem)
        return originals;
    for (int i = 0; i < source.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = source.m_arrMsgRef.GetAt(i);
        if (CKVMsg* child = ref ? source.m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr)
            originals.push_back(child);
    }
    if (originals.size() != static_cast<size_t>(self.m_arrMsgRef.GetSize()))
        originals.clear();
    return originals;
}

// The ties, slurs and tuplets of a new copy: the copy's own ones take this
// note's id at their end, and the partner notes outside the copy are pointed
// at them.
bool RelinkChildren(CKVMsg& self, const CKVMsg& source)
{
    CKVSystem* system = self.m_pSystem;
    // Taken before any relinking: a partner may be the source itself.
    const std::vector<CKVMsg*> originals = Originals(self, source);
    for (int i = 0; i < self.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = self.m_arrMsgRef.GetAt(i);
        CKVMsg* link = ref ? system->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (!link || !kvcopy::IsLinkKind(link->m_byKind))
            continue;
        const CKVMsg* original = originals.empty() ? nullptr : originals[static_cast<size_t>(i)];
        const DWORD start = StartOf(*link);
        const DWORD end = EndOf(*link);
        if (!ref->byOwner) {
            if (!FindCopyPtrMapValue(link->m_dwMsgId))
                continue;
            CKVMsg* partner = system->GetMsgFromMap(start);
            if (link->m_byKind != MSG_TUPLET && partner &&
                !RelinkPartner(self, *partner, *link, original, *ref, start, end, true))
                return false;
            SetEnd(*link, self.m_dwMsgId);
            if (start == end)
                link->m_dwWord = self.m_dwMsgId;
        } else {
            CKVMsg* partner = system->GetMsgFromMap(end);
            if (link->m_byKind != MSG_TUPLET && partner &&
                !RelinkPartner(self, *partner, *link, original, *ref, start, end, false))
                return false;
            link->m_dwWord = self.m_dwMsgId;
            if (start == end)
                SetEnd(*link, self.m_dwMsgId);
        }
    }
    return true;
}

// The copy's own ties, slurs and tuplets take its id; nothing else changes.
void LabelChildren(CKVMsg& self)
{
    CKVSystem* system = self.m_pSystem;
    for (int i = 0; i < self.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = self.m_arrMsgRef.GetAt(i);
        CKVMsg* link = ref ? system->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (!link || !kvcopy::IsLinkKind(link->m_byKind))
            continue;
        const bool same = StartOf(*link) == EndOf(*link);
        if (!ref->byOwner) {
            if (!FindCopyPtrMapValue(link->m_dwMsgId))
                continue;
            SetEnd(*link, self.m_dwMsgId);
            if (same)
                link->m_dwWord = self.m_dwMsgId;
        } else {
            link->m_dwWord = self.m_dwMsgId;
            if (same)
                SetEnd(*link, self.m_dwMsgId);
        }
    }
}

} // namespace

namespace kvcopy {

int CopyMessage(CKVMsg& self, CKVMsg& source, bool equally)
{
    if (&self == &source)
        return 0;
    Scope scope;
    if (!CopyNodeFrom(self, source, equally)) {
        scope.Fail();
        return 0;
    }
    CopyMsgFields(self, source);
    if (!CopyChordPart(self, source)) {
        scope.Fail();
        return 0;
    }
    // A page-level symbol lives in no map.
    if (!self.m_pSystem)
        return 1;
    EnterInMap(self, source);
    if (equally) {
        LabelChildren(self);
    } else if (!RelinkChildren(self, source)) {
        scope.Fail();
        return 0;
    }
    return 1;
}

CKVMsg* NewSymbolFor(CKVObject& holder, CKVMsg& source)
{
    if (source.m_byKind == MSG_CHORDSYMBOL)
        return KvNewChild<CChordSymbol>(holder.m_pSystem, OBJ_MSG, &holder, source.m_byParentKind);
    return KvNewChild<CKVMsg>(holder.m_pSystem, OBJ_MSG, &holder, source.m_byParentKind);
}

int CopyChordPart(CKVMsg& self, CKVMsg& source)
{
    if (source.m_byKind != MSG_CHORDSYMBOL)
        return 1;
    auto* chord = dynamic_cast<CChordSymbol*>(&self);
    if (chord && dynamic_cast<CChordSymbol*>(&source) && !chord->CreateFrom(&source))
        return 0;
    return 1;
}

} // namespace kvcopy

int CKVMsg::CreateFrom(CKVMsg* source)
{
    return source ? kvcopy::CopyMessage(*this, *source, false) : 0;
}

int CKVMsg::CreateFromEqually(CKVMsg* source)
{
    return source ? kvcopy::CopyMessage(*this, *source, true) : 0;
}
