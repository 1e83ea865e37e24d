// Tying and slurring the selected notes, the tie tool, the automatic ties
// and slurs of beam groups, and the bulk re-shaping of ties and slurs.

#include "document/KVDoc.h"
#include "document/RecordIO.h"

#include "edit/EditFrame.h"
#include "edit/TieSlurOrder.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"
#include "MemoryGuard.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr int kTieSlurMemory = 1000000;

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

bool IsNote(const CKVMsg* msg)
{
    return msg && msg->m_byKind == MSG_NOTE;
}

CKVObject* StaffOfMsg(CKVMsg* msg)
{
    CKVMeas* meas = tickmath::MeasureOf(msg);
    return meas ? measplace::StaffOf(*meas) : nullptr;
}

int MeasIndexOfMsg(CKVMsg* msg)
{
    return tielink::MeasIndexOf(tickmath::MeasureOf(msg));
}

// The symbols one selection record collects, in order.
std::vector<CKVMsg*> RecordSymbols(CKVDoc& doc, short record)
{
    std::vector<CKVMsg*> out;
    const int count = doc.GetSelMsgCount(record);
    for (int i = 0; i < count; ++i) {
        if (CKVMsg* msg = doc.GetSelNote(i, 0))
            out.push_back(msg);
    }
    return out;
}

std::vector<CKVStaff*> StavesOf(CKVStaffPtrArray* staves)
{
    std::vector<CKVStaff*> out;
    for (int s = 0; staves && s < staves->GetSize(); ++s) {
        if (CKVStaff* staff = staves->GetAt(s))
            out.push_back(staff);
    }
    return out;
}

// Backs a measure up into the open step and gives the live copy of `msg`.
CKVMsg* BackUpAndFollow(CKVMeas* meas, CKVMsg* msg)
{
    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = meas->GetCurBackupObj();
    if (live && live != meas) {
        if (CKVMsg* moved = live->GetNewPtr2(msg))
            return moved;
    }
    return msg;
}

// The notes of a measure in time order (chord notes singly).
std::vector<CKVMsg*> NotesInTimeOrder(CKVMeas& meas)
{
    std::vector<CKVMsg*> notes;
    meas.ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short cursor = 0;
    while (CKVMsg* msg = meas.GetNextMsg(cursor)) {
        if (msg->m_byKind == MSG_NOTE)
            notes.push_back(msg);
    }
    return notes;
}

// The note at the first onset after `after` (of `voice`, 0 any) at vertical
// position y; null when that onset holds none. `later` tells whether any
// note of the voice stands after `after`.
CKVMsg* AtFirstOnset(CKVMeas& meas, int after, BYTE voice, short y, bool& later)
{
    const std::vector<CKVMsg*> notes = NotesInTimeOrder(meas);
    int onset = 0;
    later = false;
    for (CKVMsg* n : notes) {
        if ((voice && n->m_byVoice != voice) || n->m_nPosX <= after)
            continue;
        if (!later || n->m_nPosX < onset)
            onset = n->m_nPosX;
        later = true;
    }
    if (!later)
        return nullptr;
    for (CKVMsg* n : notes) {
        if ((!voice || n->m_byVoice == voice) && n->m_nPosX == onset && n->m_nPosY == y)
            return n;
    }
    return nullptr;
}

// The tie tool's partner of a note: the next onset of its voice in its
// measure, else the next measure's first onset; then the same over every
// voice. Null when nothing fits or the measure is the staff's last.
CKVMsg* ToolPartner(CKVMsg* note)
{
    CKVMeas* meas = tickmath::MeasureOf(note);
    CKVStaff* staff = meas ? measplace::StaffOf(*meas) : nullptr;
    if (!staff)
        return nullptr;
    const int index = measplace::IndexOnStaff(staff, meas);
    CKVMeas* next = measplace::MeasAt(staff, index + 1);
    for (BYTE voice : {note->m_byVoice, BYTE {0}}) {
        bool later = false;
        if (CKVMsg* partner = AtFirstOnset(*meas, note->m_nPosX, voice, note->m_nPosY, later))
            return partner;
        if (later)
            continue;
        if (!next)
            return nullptr;
        bool any = false;
        if (CKVMsg* partner = AtFirstOnset(*next, -0x8000, voice, note->m_nPosY, any))
            return partner;
    }
    return nullptr;
}

// The tie tool on one note. With `ownStep` a new undo step is opened and
// both measures are backed up; without, only a measure that is not yet a
// clone of the open step is backed up into it.
int TieTool(CKVDoc& doc, CKVMsg* note, int a2, int inset, int a4, int a5, int check, bool ownStep)
{
    if (!CheckAvailableMemory(kTieSlurMemory))
        return 0;
    if (!IsNote(note))
        return 0;
    // A tie the two notes could not take is refused before a step opens or
    // a measure is backed up.
    CKVMsg* partner = ToolPartner(note);
    if (!partner || tielink::RefusesTie(note, partner, kTieToggles))
        return 0;
    if (doc.IsReqBackup()) {
        CKVMeas* noteMeas = tickmath::MeasureOf(note);
        CKVMeas* partnerMeas = tickmath::MeasureOf(partner);
        if (ownStep)
            doc.ResetBackup();
        if (ownStep || !doc.IsMeasInOpenStep(noteMeas))
            note = BackUpAndFollow(noteMeas, note);
        CKVMeas* live = tickmath::MeasureOf(note);
        if (partnerMeas == noteMeas) {
            if (CKVMsg* moved = live && live != noteMeas ? live->GetNewPtr2(partner) : nullptr)
                partner = moved;
        } else if (ownStep || !doc.IsMeasInOpenStep(partnerMeas))
            partner = BackUpAndFollow(partnerMeas, partner);
    }
    if (!doc.IsEnableBindByTie(note, partner, check))
        return 0;
    CKVMeas* meas = tickmath::MeasureOf(note);
    if (check && meas && meas == tickmath::MeasureOf(partner)) {
        const int space = measplace::LineSpacingOf(*meas);
        const int gap = meas->GetRealPosX(partner) - meas->GetRealPosX(note);
        if (gap + 16 - 2 * inset < 5 * space / 2)
            inset = (gap + 16 - 5 * space / 2) / 2;
    }
    if (!doc.BindNoteByTie(note, partner, a2, inset, a4, a5, 1, 0))
        return 0;
    doc.m_bModified = 1;
    return 1;
}

// The notes (kind 1) of exactly `voice` on `staff` in one record's list.
std::vector<CKVMsg*> NotesOnStaff(const std::vector<CKVMsg*>& symbols, CKVObject* staff, int voice, bool anyVoice)
{
    std::vector<CKVMsg*> out;
    for (CKVMsg* msg : symbols) {
        if (msg->m_byKind == MSG_NOTE && (anyVoice || msg->m_byVoice == static_cast<BYTE>(voice)) &&
            StaffOfMsg(msg) == staff)
            out.push_back(msg);
    }
    return out;
}

// Step 3 of the tie commands: the tied notes of a chord bend half down and
// half up.
void SpreadChordTies(CKVMsg* chord, int a4)
{
    chord->ChordSort();
    std::vector<CKVMsg*> tied;
    for (CKVMsg* note : measplace::ChordNotes(*chord)) {
        if (note->m_wFlag & MSGFLAG_TIE_START)
            tied.push_back(note);
    }
    if (tied.size() < 2)
        return;
    const size_t down = tied.size() / 2;
    for (size_t i = 0; i < tied.size(); ++i) {
        CKVMsg* note = tied[i];
        CKVMsg* half = nullptr;
        tickmath::ForEachChild(*note, [&](CKVMsg* child, short) {
            if (!half && child->m_byKind == MSG_TIE && child->m_dwWord == note->m_dwMsgId)
                half = child;
            return false;
        });
        if (!half)
            continue;
        const short height = static_cast<short>(std::abs(half->m_nLayout1));
        if (i < down) {
            if (half->m_nLayout1 < 0)
                half->m_nPosY = static_cast<short>(a4);
            half->m_nLayout1 = half->m_nLayout2 = height;
        } else {
            if (half->m_nLayout1 > 0)
                half->m_nPosY = static_cast<short>(-a4);
            half->m_nLayout1 = half->m_nLayout2 = static_cast<short>(-height);
        }
    }
}

// BindByTie and BindByTie1. Each pair is bound at most once per call, so a
// second record over the same notes does not take the first record's tie
// away again, and the tool handles each note once.
int TieSelection(CKVDoc& doc, int voice, int a2, int a3, int a4, int a5, bool tool)
{
    CKVSystem* master = MasterOf(doc);
    if (master && doc.m_pSelRectArray) {
        std::set<std::pair<DWORD, DWORD>> bound;
        std::set<DWORD> handled;
        std::vector<CKVMsg*> chords;
        auto tie = [&](CKVMsg* a, CKVMsg* b) {
            if (MeasIndexOfMsg(a) > MeasIndexOfMsg(b))
                std::swap(a, b);
            if (bound.insert({a->m_dwMsgId, b->m_dwMsgId}).second)
                doc.BindNoteByTie(a, b, a2, a3, a4, 1, 1, a5);
        };
        for (short r = 0; r < doc.m_pSelRectArray->GetSize(); ++r) {
            const std::vector<CKVMsg*> symbols = RecordSymbols(doc, r);
            for (CKVStaff* staff : StavesOf(master->m_pStaffArray)) {
                for (CKVMsg* msg : symbols) {
                    if (msg->m_byKind == MSG_CHORD && msg->m_byVoice == static_cast<BYTE>(voice) &&
                        StaffOfMsg(msg) == staff && std::find(chords.begin(), chords.end(), msg) == chords.end())
                        chords.push_back(msg);
                }
                const std::vector<CKVMsg*> notes = NotesOnStaff(symbols, staff, voice, false);
                if (tool) {
                    for (CKVMsg* note : notes) {
                        if (handled.insert(note->m_dwMsgId).second)
                            TieTool(doc, note, a2, a3, a4, 1, 0, false);
                    }
                    continue;
                }
                for (size_t i = 0; notes.size() >= 2 && i < notes.size(); ++i) {
                    for (size_t j = i + 1; j < notes.size(); ++j) {
                        if (notes[j] != notes[i] && doc.IsEnableBindByTie(notes[i], notes[j], 0)) {
                            tie(notes[i], notes[j]);
                            break;
                        }
                    }
                }
            }
            for (CKVStaff* staff : StavesOf(master->m_pOssiaStaffArray)) {
                std::vector<CKVMsg*> notes = NotesOnStaff(symbols, staff, voice, false);
                if (notes.size() < 2)
                    continue;
                std::vector<DWORD> ids;
                for (CKVMsg* n : notes)
                    ids.push_back(n->m_dwMsgId);
                SortTieMsgIds(ids, master);
                notes.clear();
                for (DWORD id : ids)
                    notes.push_back(master->GetMsgFromMap(id));
                // Later in time: a later measure, or a larger position word
                // in the same measure.
                auto later = [](CKVMsg* a, CKVMsg* b) {
                    const int ma = MeasIndexOfMsg(a);
                    const int mb = MeasIndexOfMsg(b);
                    return mb > ma || (mb == ma && b->m_nPosX > a->m_nPosX);
                };
                for (size_t i = 0; i < notes.size(); ++i) {
                    for (size_t j = i + 1; j < notes.size(); ++j) {
                        if (notes[i] && notes[j] && later(notes[i], notes[j]) &&
                            doc.IsEnableBindByTie(notes[i], notes[j], 0))
                            tie(notes[i], notes[j]);
                    }
                }
            }
        }
        for (CKVMsg* chord : chords)
            SpreadChordTies(chord, a4);
    }
    doc.m_bModified = 1;
    return 0;
}

// The end of a chord column for BindBySlur: from notes[at] over the
// neighbouring notes (stepping by `step`) at the same position word in the
// same measure, the lowest or the highest.
CKVMsg* ColumnEnd(const std::vector<CKVMsg*>& notes, int at, int step, bool ossia)
{
    CKVMsg* start = notes[at];
    const bool lowest = !ossia && start->m_lHeight < 1;
    CKVMsg* best = start;
    CKVMeas* meas = tickmath::MeasureOf(start);
    for (int i = at + step; i >= 0 && i < static_cast<int>(notes.size()); i += step) {
        CKVMsg* n = notes[i];
        if (n->m_nPosX != start->m_nPosX || tickmath::MeasureOf(n) != meas)
            break;
        if (lowest ? n->m_nPosY > best->m_nPosY : n->m_nPosY < best->m_nPosY)
            best = n;
    }
    return best;
}

} // namespace

int CKVDoc::BindByTie(int voice, int a2, int a3, int a4, int a5)
{
    return TieSelection(*this, voice, a2, a3, a4, a5, false);
}

int CKVDoc::BindByTie1(int voice, int a2, int a3, int a4, int a5)
{
    return TieSelection(*this, voice, a2, a3, a4, a5, true);
}

int CKVDoc::BindBySlur(int voice, int a2, int a3, int a4, int a5)
{
    CKVSystem* master = MasterOf(*this);
    if (master && m_pSelRectArray) {
        // Records may cover the same notes (with every page selected each
        // record stands for the whole score): a pair is bound once per call,
        // so a second record neither toggles the first one's tie away nor
        // lays a second link over it.
        std::set<std::pair<DWORD, DWORD>> bound;
        auto once = [&](CKVMsg* a, CKVMsg* b) { return bound.insert({a->m_dwMsgId, b->m_dwMsgId}).second; };
        for (short r = 0; r < m_pSelRectArray->GetSize(); ++r) {
            const std::vector<CKVMsg*> symbols = RecordSymbols(*this, r);
            bool stop = false;
            for (CKVStaff* staff : StavesOf(master->m_pStaffArray)) {
                const std::vector<CKVMsg*> notes = NotesOnStaff(symbols, staff, voice, voice == 0);
                if (notes.size() < 2)
                    continue;
                CKVMsg* first = ColumnEnd(notes, 0, 1, false);
                CKVMsg* last = ColumnEnd(notes, static_cast<int>(notes.size()) - 1, -1, false);
                if (IsEnableBindByTie(first, last, 0)) {
                    if (MeasIndexOfMsg(first) > MeasIndexOfMsg(last))
                        std::swap(first, last);
                    if (once(first, last))
                        BindNoteByTie(first, last, a2, a3, a4, 1, 1, a5);
                    stop = true;
                    break;
                }
                if (first != last && once(first, last))
                    BindNoteBySlur(first, last, static_cast<short>(a2), static_cast<unsigned short>(a3),
                                   static_cast<unsigned short>(a4), a5);
            }
            if (stop)
                continue;
            for (CKVStaff* staff : StavesOf(master->m_pOssiaStaffArray)) {
                const std::vector<CKVMsg*> notes = NotesOnStaff(symbols, staff, voice, voice == 0);
                if (notes.size() < 2)
                    continue;
                CKVMsg* first = ColumnEnd(notes, 0, 1, true);
                CKVMsg* last = ColumnEnd(notes, static_cast<int>(notes.size()) - 1, -1, true);
                if (first != last && once(first, last))
                    BindNoteBySlur(first, last, static_cast<short>(a2), static_cast<unsigned short>(a3),
                                   static_cast<unsigned short>(a4), a5);
            }
        }
    }
    m_bModified = 1;
    return 1;
}

void CKVDoc::AutoTieSlur(int a1, int a2, int a3, int a4)
{
    CKVSystem* master = MasterOf(*this);
    if (!master)
        return;
    m_pCurSystem = master;
    ResetBackup();
    if (!CheckAvailableMemory(kTieSlurMemory))
        return;
    // A group's end: a chord member stands for its first note.
    auto endNote = [](CKVMsg* member) -> CKVMsg* {
        if (member && member->m_byKind == MSG_CHORD) {
            const std::vector<CKVMsg*> notes = measplace::ChordNotes(*member);
            return notes.empty() ? nullptr : notes.front();
        }
        return member;
    };
    // A group whose end notes could take neither a tie nor a slur is passed
    // over before its measure is backed up.
    auto qualifies = [&](CKVMsg& group) {
        if (group.m_byKind != MSG_BEAM)
            return false;
        const std::vector<CKVMsg*> members = tickmath::Members(group);
        if (members.size() < 2)
            return false;
        CKVMsg* first = endNote(members.front());
        CKVMsg* last = endNote(members.back());
        return IsNote(first) && IsNote(last) &&
               (!tielink::RefusesTie(first, last, kTieToggles) || !tielink::RefusesSlur(first, last));
    };
    for (CKVStaff* staff : StavesOf(master->m_pStaffArray)) {
        for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m) {
            CKVMeas* meas = staff->m_arrMeas.GetAt(m);
            if (!meas)
                continue;
            std::vector<CKVMsg*> groups;
            tickmath::ForEachChild(*meas, [&](CKVMsg* child, short) {
                if (qualifies(*child))
                    groups.push_back(child);
                return false;
            });
            if (groups.empty())
                continue;
            meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
            CKVMeas* live = meas->GetCurBackupObj();
            for (CKVMsg* group : groups) {
                if (live && live != meas)
                    group = live->GetNewPtr2(group);
                if (!group)
                    continue;
                const std::vector<CKVMsg*> members = tickmath::Members(*group);
                CKVMsg* first = endNote(members.front());
                CKVMsg* last = endNote(members.back());
                if (!BindNoteByTie(first, last, a1, a2, a3, 1, 1, a4))
                    BindNoteBySlur(first, last, static_cast<short>(a1), static_cast<unsigned short>(a2),
                                   static_cast<unsigned short>(a3), a4);
                m_bModified = 1;
            }
        }
    }
}

int CKVDoc::BindByTieInTool(CKVMsg* note, int a2, int inset, int a4, int a5, int check)
{
    return TieTool(*this, note, a2, inset, a4, a5, check, true);
}

void CKVDoc::ChangeTieSlurInfo()
{
    CKVSystem* master = MasterOf(*this);
    if (!master)
        return;
    for (int i = 1; i < master->m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* link = master->m_arrMsgMap.GetAt(i);
        if (!link || !link->IsValidMapEntry(master) || !tickmath::IsTieOrSlur(*link))
            continue;
        const int space = measplace::LineSpacingOf(*link);
        if (space <= 0)
            continue;
        for (short* field : {&link->m_nPosX, &link->m_nPosY, &link->m_nPosX2, &link->m_nPosY2, &link->m_nLayout1,
                             &link->m_nLayout2})
            *field = static_cast<short>(MulDiv(*field, 16, space));
    }
}

CKVMsg* CKVDoc::MakeGraphSlurFromNoteSlur(CKVMsg* slur)
{
    if (!slur || slur->m_byKind != MSG_SLUR)
        return nullptr;
    CKVMsg* first = tielink::StartOf(*slur);
    CKVMsg* second = tielink::EndOf(*slur);
    CKVMeas* meas = tickmath::MeasureOf(first);
    if (!IsNote(first) || !IsNote(second) || !meas)
        return nullptr;
    const int space = measplace::LineSpacingOf(*meas);
    const int x1 = meas->MeasXToAbsX(first->m_nPosX, 0) + slur->m_nPosX * space / 16;
    const int y1 = first->m_nPosY + slur->m_nPosY * space / 16;
    const int w = slur->m_nLayout3;
    const int y2 = second->m_nPosY + slur->m_nPosY2 * space / 16;

    CKVMsg curve;
    curve.m_byKind = MSG_PAGESLUR;
    curve.m_byVoice = first->m_byVoice;
    curve.m_wDuration = 1;
    curve.m_nPosY = static_cast<short>(y1);
    curve.m_nPosX2 = static_cast<short>(w);
    curve.m_nPosY2 = static_cast<short>(y2 - y1);
    curve.m_wObjWord = static_cast<WORD>(w / 2 + slur->m_nLayout4 * space / 16);
    curve.m_dwWord = static_cast<DWORD>((y2 - y1) / 2 + slur->m_nLayout1 * space / 16);

    // A measure whose record holds all its symbols takes no curve: refused
    // before the step opens.
    if (!kvrec::HasRoomFor(*meas))
        return nullptr;
    ResetBackup();
    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = meas->GetCurBackupObj() ? meas->GetCurBackupObj() : meas;
    curve.m_nPosX = live->AbsXToMeasX(static_cast<short>(x1));
    CKVMsg* added = AddMsg(live, &curve, 1, 0);
    if (added)
        m_bModified = 1;
    return added;
}

void CKVDoc::ChangeTieSlurDir(CKVMsg* link)
{
    if (!link || !tickmath::IsTieOrSlur(*link))
        return;
    const int side = link->m_nLayout1 < 0 ? 2 : 1;
    link->SlurPosOrder(m_CtrlTool.m_nK2, m_CtrlTool.m_nK1, m_CtrlTool.m_nK3, 0, 1, 1, 0, side);
}

void CKVDoc::SelNoteChangeTieSlurDir(short voice, int up)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    const short k1 = m_CtrlTool.m_nK1;
    for (CKVMsg* note : frame.Collect(voice)) {
        if (note->m_byKind != MSG_NOTE)
            continue;
        // The first tie or slur the note starts (it owns that one).
        CKVMsg* own = nullptr;
        tickmath::ForEachChild(*note, [&](CKVMsg* child, short) {
            if (!own && tickmath::IsTieOrSlur(*child) && child->m_dwWord == note->m_dwMsgId)
                own = child;
            return false;
        });
        if (!own)
            continue;
        const short height = static_cast<short>(std::abs(own->m_nLayout1));
        own->m_nPosY = own->m_nPosY2 = static_cast<short>(up ? -k1 : k1);
        own->m_nLayout1 = own->m_nLayout2 = static_cast<short>(up ? -height : height);
    }
    frame.Close();
}

void CKVDoc::UpdateTieSlurType(int setX, int x, int setY, int y, int setH, int h, int)
{
    CKVSystem* master = MasterOf(*this);
    if (!master)
        return;
    auto withSign = [](short old, int value) {
        const int magnitude = std::abs(value);
        return static_cast<short>(old < 0 ? -magnitude : magnitude);
    };
    auto clearSlot = [&](int slot) {
        if (slot < master->m_arrMsgMap.GetSize())
            master->m_arrMsgMap.SetAt(slot, nullptr);
    };
    const int from = std::max<int>(1, static_cast<int>(m_dwFirstCopyId));
    for (int slot = from; slot < master->m_arrMsgMap.GetSize(); ++slot) {
        CKVMsg* msg = master->m_arrMsgMap.GetAt(slot);
        if (!msg)
            continue;
        if (!msg->IsValidMapEntry(master)) {
            clearSlot(slot);
            continue;
        }
        if (msg->m_byKind == MSG_NOTE) {
            for (short i = static_cast<short>(msg->m_arrMsgRef.GetSize() - 1); i >= 0; --i) {
                const MsgRef* ref = msg->m_arrMsgRef.GetAt(i);
                if (!ref || ref->byOwner)
                    continue;
                CKVMsg* child = master->GetMsgFromMap(ref->dwMsgId);
                if (child && (tickmath::IsTieOrSlur(*child) || child->m_byKind == MSG_TUPLET))
                    continue;
                msg->RemoveAt(i);
            }
            continue;
        }
        if (!tickmath::IsTieOrSlur(*msg))
            continue;
        CKVMsg* first = tielink::StartOf(*msg);
        CKVMsg* second = tielink::EndOf(*msg);
        if (IsNote(first) && IsNote(second)) {
            const bool tie = tielink::JudgedTie(*msg, *first, IsEnableBindByTie(first, second, 0) != 0);
            msg->m_byKind = tie ? MSG_TIE : MSG_SLUR;
            if (setX) {
                msg->m_nPosX = static_cast<short>(x + 16);
                msg->m_nPosX2 = static_cast<short>(-x);
            }
            if (setY) {
                msg->m_nPosY = withSign(msg->m_nPosY, y);
                msg->m_nPosY2 = withSign(msg->m_nPosY2, y);
            }
            if (setH) {
                msg->m_nLayout1 = withSign(msg->m_nLayout1, h);
                msg->m_nLayout2 = withSign(msg->m_nLayout2, h);
            }
            tielink::MarkJudgedLink(*first, *second, tie);
            continue;
        }
        // A link that lost an end, or whose ends are not both notes, goes:
        // the references are dropped first, then the link is freed exactly
        // once when an end owned it (which clears its slots too); otherwise
        // only its slot is cleared.
        CKVMsg* owner = nullptr;
        for (CKVMsg* end : {first, second}) {
            const short index = end ? tielink::IndexOfChild(*end, msg) : -1;
            if (index < 0)
                continue;
            if (end->m_arrMsgRef.GetAt(index)->byOwner && !owner)
                owner = end;
            else
                end->RemoveAt(index);
        }
        if (owner) {
            owner->RemoveAt(tielink::IndexOfChild(*owner, msg));
            delete msg;
        }
        clearSlot(slot);
    }
    m_bModified = 1;
}
