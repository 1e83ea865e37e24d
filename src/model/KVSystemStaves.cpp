// The staff set: creating the staves of a score, appending, inserting and
// removing staves and ossia staves in the staff-making modes, measure
// changes across every staff, and the merge of another system.

#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/TextRuns.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/DrumTable.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>
#include <vector>

namespace {

// Object kinds handed to undo.
[[maybe_unused]] constexpr short kBackupMeas = 0x102;
constexpr short kBackupStaff = 0x103;

constexpr BYTE kBracket = 4;
constexpr BYTE kClefTreble = 1;
constexpr BYTE kClefBass = 2;

// Gives a drum staff the current kit: its index and the name of the kit
// the host's table has at that index (empty when there is none). 0 when
// memory is out.
int SetDrumKitHead(CKVStaff* staff)
{
    unsigned char record[kDrumKitRecordSize] = {};
    record[0] = LOBYTE(nDrumIndex);
    record[1] = HIBYTE(nDrumIndex);
    if (const DrumKitEntry* entry = GetDrumTable(nullptr)) {
        const char* name = DrumKitName(entry);
        // The name is host data; what does not fit is cut, and the zero
        // padding terminates it.
        const size_t length = strnlen(name, kDrumKitRecordSize - kDrumKitRecordNameOffset - 1);
        std::memcpy(record + kDrumKitRecordNameOffset, name, length);
    }
    return staff->SetHead(kDrumKitRecordSize, record) > 0 ? 1 : 0;
}

void SetChannels(CKVStaff* staff, BYTE channel)
{
    for (int v = 0; v < CKVStaff::VOICES; ++v)
        staff->m_byChannel[v] = channel;
}

// A new measure of an appended staff takes over what the model staff's
// measure at the same index says about time and bar lines.
void TakeNeighbourSettings(CKVMeas* meas, CKVMeas* model, BYTE clef, bool withLength)
{
    meas->m_byInitClef = clef;
    meas->m_nTimeNum = model->m_nTimeNum;
    meas->m_nTimeDen = model->m_nTimeDen;
    std::memcpy(meas->m_szTimeNumText, model->m_szTimeNumText, sizeof(meas->m_szTimeNumText));
    std::memcpy(meas->m_szTimeDenText, model->m_szTimeDenText, sizeof(meas->m_szTimeDenText));
    meas->m_byOptions = model->m_byOptions;
    meas->m_byTimeStyle = model->m_byTimeStyle;
    meas->m_byStartBar = model->m_byStartBar;
    meas->m_byEndBar = model->m_byEndBar;
    if (withLength)
        meas->m_nLength = model->m_nLength;
    meas->CalcWholeCount();
}

// A multi-measure rest of the model measure is repeated in the new measure
// with a symbol of its own. 0 when memory is out.
int CopyMultiRest(CKVMeas* meas, CKVMeas* model)
{
    CKVMsg* rest = KvNewReported<CKVMsg>();
    if (!rest)
        return 0;
    if (model->IsRestCompMeas(rest) == 0 || meas->AddMsg(rest, kHolderOwns) <= 0)
        delete rest;
    return 1;
}

// Initializes a new staff for the system and puts it into the list at the
// index (appended at or past the end).
void PlaceStaff(CKVSystem& system, CKVStaffPtrArray* list, CKVStaff* staff, short objKind, int at)
{
    staff->Initialize(&system, objKind);
    staff->m_pParent = &system;
    staff->m_byParentKind = system.m_byObjKind;
    if (at >= list->GetSize())
        list->Add(staff);
    else
        list->InsertAt(at, staff);
}

// The measures of an appended staff, from the model staff. With
// returnCross, the model's measures send home the notes they show on the
// staff below, which is no longer the one next to them.
int FillAppended(CKVStaff* staff, CKVStaff* model, bool withLength, bool returnCross)
{
    for (LONG i = 0; i < staff->GetMeasNum(); ++i) {
        CKVMeas* meas = staff->GetMeas(i);
        CKVMeas* modelMeas = model->GetMeas(i);
        if (!modelMeas) {
            meas->m_byInitClef = staff->m_byClefType;
            continue;
        }
        TakeNeighbourSettings(meas, modelMeas, staff->m_byClefType, withLength);
        if (!CopyMultiRest(meas, modelMeas))
            return 0;
        if (returnCross)
            modelMeas->DeleteAllUpDownMsg(kWithoutUpList, kWithDownList);
    }
    return 1;
}

// The measures of an inserted staff: copies of the model staff's.
int FillInserted(CKVStaff* staff, CKVStaff* model)
{
    for (LONG i = 0; i < staff->GetMeasNum(); ++i) {
        CKVMeas* meas = staff->GetMeas(i);
        CKVMeas* modelMeas = model->GetMeas(i);
        if (modelMeas) {
            meas->Copy(*modelMeas);
            meas->m_pParent = staff;
            meas->m_byParentKind = staff->m_byObjKind;
        }
        meas->m_byInitClef = staff->m_byClefType;
        if (modelMeas && !CopyMultiRest(meas, modelMeas))
            return 0;
    }
    return 1;
}

// The staves next to a newly placed one send home the notes they showed
// across the place where it now stands.
void ReturnCrossStaffNotes(CKVStaffPtrArray* list, int at)
{
    CKVStaff* above = at > 0 ? list->GetAt(at - 1) : nullptr;
    CKVStaff* below = at + 1 < list->GetSize() ? list->GetAt(at + 1) : nullptr;
    if (above) {
        for (LONG i = 0; i < above->GetMeasNum(); ++i)
            above->GetMeas(i)->DeleteAllUpDownMsg(kWithoutUpList, kWithDownList);
    }
    if (below) {
        for (LONG i = 0; i < below->GetMeasNum(); ++i)
            below->GetMeas(i)->DeleteAllUpDownMsg(kWithUpList, kWithoutDownList);
    }
}

int IndexOf(CKVStaffPtrArray* list, CKVStaff* staff)
{
    for (int i = 0; i < list->GetSize(); ++i) {
        if (list->GetAt(i) == staff)
            return i;
    }
    return -1;
}

// What an appending or inserting call works on.
struct StaffTarget {
    CKVStaffPtrArray* list;
    CKVStaff* model;
    LONG measCount;
    short objKind;
    bool ossia;
};

short AppendStaves(CKVSystem& system, const StaffTarget& t, short count, short mode)
{
    CKVStaff* model = t.model;
    if (mode == CKVSystem::MODE_PAIR) {
        for (short n = 0; n < count; ++n) {
            CKVStaff* upper = KvNewReported<CKVStaff>();
            CKVStaff* lower = upper ? KvNewReported<CKVStaff>() : nullptr;
            if (!lower) {
                delete upper;
                return -1;
            }
            system.AddObj2BackupArray(kBackupStaff, upper, 1);
            system.AddObj2BackupArray(kBackupStaff, lower, 1);
            CKVStaff* pair[2] = {upper, lower};
            const BYTE clefs[2] = {kClefTreble, kClefBass};
            for (int k = 0; k < 2; ++k) {
                CKVStaff* staff = pair[k];
                PlaceStaff(system, t.list, staff, t.objKind, t.list->GetSize());
                if (t.ossia)
                    staff->m_wObjWord = model->m_wObjWord;
                if (!staff->Create(t.measCount, clefs[k], 4, 4) ||
                    !FillAppended(staff, model, false, staff == upper)) {
                    // The lower staff is not in the list yet when the upper fails.
                    if (k == 0)
                        delete lower;
                    return -1;
                }
            }
            upper->m_byGroupBracket[0] = kBracket;
            lower->m_byGroupBracket[1] = kBracket;
        }
        return static_cast<short>(t.list->GetSize());
    }

    for (short n = 0; n < count; ++n) {
        CKVStaff* staff = KvNewReported<CKVStaff>();
        if (!staff)
            return -1;
        system.AddObj2BackupArray(kBackupStaff, staff, 1);
        PlaceStaff(system, t.list, staff, t.objKind, t.list->GetSize());
        if (t.ossia)
            staff->m_wObjWord = model->m_wObjWord;
        if (!staff->Create(t.measCount, model->m_byClefType, 4, 4))
            return -1;
        // Appending keeps the model's clef except on the drum staves, and
        // leaves the channels as Create gave them.
        bool drumKit = false;
        switch (mode) {
        case CKVSystem::MODE_ONE_LINE_DRUM:
            staff->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
            break;
        case CKVSystem::MODE_DRUM:
            staff->m_byClefType = CKVStaff::CLEF_DRUM;
            staff->m_byStaffKind = CKVStaff::KIND_DRUM;
            drumKit = true;
            break;
        case CKVSystem::MODE_DRUM_SECOND:
            staff->m_byClefType = CKVStaff::CLEF_DRUM;
            staff->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
            drumKit = true;
            break;
        default:
            staff->m_byStaffKind = CKVStaff::KIND_NORMAL;
            break;
        }
        if (drumKit && !SetDrumKitHead(staff))
            return -1;
        if (!FillAppended(staff, model, true, true))
            return -1;
    }
    return static_cast<short>(t.list->GetSize());
}

// The settings an inserted staff gets from its mode.
int ApplyInsertMode(CKVStaff* staff, short mode, int lineCount, int sizePercent, bool ossia)
{
    switch (mode) {
    case CKVSystem::MODE_NORMAL:
        staff->m_byClefType = kClefTreble;
        staff->m_byStaffKind = CKVStaff::KIND_NORMAL;
        SetChannels(staff, 0);
        break;
    case CKVSystem::MODE_ONE_LINE_DRUM:
        staff->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
        SetChannels(staff, CKVStaff::DRUM_CHANNEL);
        return SetDrumKitHead(staff);
    case CKVSystem::MODE_DRUM:
        staff->m_byClefType = CKVStaff::CLEF_DRUM;
        staff->m_byStaffKind = CKVStaff::KIND_DRUM;
        SetChannels(staff, CKVStaff::DRUM_CHANNEL);
        return SetDrumKitHead(staff);
    case CKVSystem::MODE_DRUM_SECOND:
        staff->m_byClefType = CKVStaff::CLEF_DRUM;
        staff->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
        SetChannels(staff, CKVStaff::DRUM_CHANNEL);
        return SetDrumKitHead(staff);
    case CKVSystem::MODE_FREE_LINE:
        staff->m_byClefType = CKVStaff::CLEF_FREE_LINE;
        staff->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
        staff->m_byLineCount = static_cast<BYTE>(lineCount);
        // An ossia staff keeps the size of the staff it stands for.
        if (!ossia)
            staff->m_wObjWord = static_cast<WORD>(sizePercent);
        SetChannels(staff, 0);
        break;
    default:
        staff->m_byStaffKind = CKVStaff::KIND_NORMAL;
        break;
    }
    return 1;
}

short InsertStaves(CKVSystem& system, const StaffTarget& t, short index, short count, short mode, int lineCount,
                   int sizePercent)
{
    CKVStaff* model = t.model;
    const int at = std::clamp<int>(index, 0, t.list->GetSize());
    const bool pastEnd = at == t.list->GetSize();
    if (mode == CKVSystem::MODE_PAIR) {
        // Every pair goes to the same place, so a later pair stands above an
        // earlier one.
        for (short n = 0; n < count; ++n) {
            CKVStaff* upper = KvNewReported<CKVStaff>();
            CKVStaff* lower = upper ? KvNewReported<CKVStaff>() : nullptr;
            if (!lower) {
                delete upper;
                return -1;
            }
            system.AddObj2BackupArray(kBackupStaff, upper, 1);
            system.AddObj2BackupArray(kBackupStaff, lower, 1);
            PlaceStaff(system, t.list, lower, t.objKind, at);
            if (t.ossia)
                lower->m_wObjWord = model->m_wObjWord;
            if (!lower->Create(t.measCount, kClefBass, 4, 4) || !FillInserted(lower, model)) {
                delete upper; // not in the list yet
                return -1;
            }
            if (!t.ossia)
                ReturnCrossStaffNotes(t.list, at);
            PlaceStaff(system, t.list, upper, t.objKind, at);
            if (t.ossia)
                upper->m_wObjWord = model->m_wObjWord;
            if (!upper->Create(t.measCount, kClefTreble, 4, 4) || !FillInserted(upper, model))
                return -1;
            upper->m_byGroupBracket[0] = kBracket;
            lower->m_byGroupBracket[1] = kBracket;
        }
        return static_cast<short>(t.list->GetSize());
    }

    for (short n = 0; n < count; ++n) {
        CKVStaff* staff = KvNewReported<CKVStaff>();
        if (!staff)
            return -1;
        system.AddObj2BackupArray(kBackupStaff, staff, 1);
        PlaceStaff(system, t.list, staff, t.objKind, pastEnd ? t.list->GetSize() : at);
        if (t.ossia)
            staff->m_wObjWord = model->m_wObjWord;
        if (!staff->Create(t.measCount, model->m_byClefType, 4, 4))
            return -1;
        if (!ApplyInsertMode(staff, mode, lineCount, sizePercent, t.ossia))
            return -1;
        if (!FillInserted(staff, model))
            return -1;
        if (!t.ossia)
            ReturnCrossStaffNotes(t.list, IndexOf(t.list, staff));
    }
    return static_cast<short>(t.list->GetSize());
}

short RemoveStaves(CKVSystem& system, CKVStaffPtrArray* list, short index, short count)
{
    if (index < 0 || count < 1 || index + count > list->GetSize())
        return -1;
    // Undo sees the staves still in their places; those it does not keep
    // go once they are out of the list.
    std::vector<CKVStaff*> unkept;
    for (int i = index; i < index + count; ++i) {
        CKVStaff* staff = list->GetAt(i);
        if (!system.AddObj2BackupArray(kBackupStaff, staff, 0))
            unkept.push_back(staff);
    }
    list->RemoveAt(index, count);
    for (CKVStaff* staff : unkept)
        delete staff;
    return static_cast<short>(list->GetSize());
}

// The mode that makes a staff like the given one.
short ModeForKind(BYTE kind)
{
    switch (kind) {
    case CKVStaff::KIND_NORMAL:
        return CKVSystem::MODE_NORMAL;
    case CKVStaff::KIND_DRUM:
        return CKVSystem::MODE_DRUM;
    case CKVStaff::KIND_DRUM_SECOND:
        return CKVSystem::MODE_DRUM_SECOND;
    case CKVStaff::KIND_ONE_LINE:
        return CKVSystem::MODE_ONE_LINE_DRUM;
    default:
        return 0;
    }
}

// Appends to `target`, through its document, one staff like each staff of
// `source` that it lacks; with record, the document's undo recording is
// switched on first. False when the counts still differ.
bool MatchStaffCount(CKVSystem* target, CKVSystem* source, bool record)
{
    while (target->GetStaffNum() < source->GetStaffNum()) {
        const short before = target->GetStaffNum();
        CKVStaff* like = source->GetStaff(before);
        if (!target->m_pDoc || before == 0)
            return false;
        if (record)
            target->m_pDoc->m_bBackupRecord = 1;
        target->m_pDoc->InsertStaves(before - 1, 1, 0, 1, ModeForKind(like->m_byStaffKind), 5, 100);
        if (target->GetStaffNum() <= before)
            return false;
    }
    return true;
}

// The font number of a merged text through the font map: pairs of (old,
// new); 0 when the map has no pair for it.
WORD MapFont(WORD font, const BYTE* fontMap, BYTE pairs)
{
    const BYTE old = LOBYTE(font);
    for (int i = 0; fontMap && i < pairs; ++i) {
        if (fontMap[2 * i] == old)
            return fontMap[2 * i + 1];
    }
    return 0;
}

// The tagged items of a free text's head; each tag-2 font number goes
// through the font map. An item cut off by the end of the head ends the
// walk.
void MapFreeTextFonts(CKVMsg* msg, const BYTE* fontMap, BYTE pairs)
{
    unsigned char* head = nullptr;
    const int length = msg->GetHead(&head);
    int pos = 0;
    while (head && pos < length) {
        const BYTE tag = head[pos++];
        int size = TextRunOperandSize(tag);
        if (size < 0) {
            if (pos + 2 > length)
                return;
            size = 2 + GetWord(head + pos);
        }
        if (tag == kTextRunFont && pos + 2 <= length) {
            const WORD font = MapFont(GetWord(head + pos), fontMap, pairs);
            PutWord(head + pos, font);
        }
        if (pos + size > length)
            return;
        pos += size;
    }
}

void MapLyricFont(CKVMsg* msg, const BYTE* fontMap, BYTE pairs)
{
    unsigned char* head = nullptr;
    if (msg->GetHead(&head) < 2 || !head)
        return;
    PutWord(head, MapFont(GetWord(head), fontMap, pairs));
}

void ShiftChildIds(CKVObject* node, DWORD base)
{
    for (int i = 0; i < node->m_arrMsgRef.GetSize(); ++i) {
        MsgRef* ref = node->m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId != 0)
            ref->dwMsgId += base;
    }
}

} // namespace

int CKVSystem::Create(short staffCount, LONG measCount, BYTE clefType, short timeNum, short timeDen)
{
    for (short i = 0; i < staffCount; ++i) {
        CKVStaff* staff = KvNewReported<CKVStaff>();
        if (!staff)
            return 0;
        PlaceStaff(*this, m_pStaffArray, staff, OBJ_STAFF, m_pStaffArray->GetSize());
        if (!staff->Create(measCount, clefType, timeNum, timeDen))
            return 0;
    }
    // A one-bar score opens without a bar line.
    if (measCount == 1) {
        if (CKVMeas* meas = GetMeas(0, 0))
            meas->m_byStartBar = CKVMeas::BAR_NONE;
    }
    return 1;
}

short CKVSystem::AddStaff(short count, short mode)
{
    const short staves = GetStaffNum();
    if (staves == 0)
        return -1;
    const StaffTarget target {m_pStaffArray, GetStaff(static_cast<short>(staves - 1)), GetMeasNum(), OBJ_STAFF, false};
    return AppendStaves(*this, target, count, mode);
}

short CKVSystem::InsertStaff(short index, short count, short mode, int lineCount, int sizePercent)
{
    const short staves = GetStaffNum();
    if (staves == 0)
        return -1;
    const short modelIndex = std::clamp<short>(index, 0, static_cast<short>(staves - 1));
    const StaffTarget target {m_pStaffArray, GetStaff(modelIndex), GetMeasNum(), OBJ_STAFF, false};
    return InsertStaves(*this, target, index, count, mode, lineCount, sizePercent);
}

short CKVSystem::RemoveStaff(short index, short count)
{
    return RemoveStaves(*this, m_pStaffArray, index, count);
}

short CKVSystem::AddOssiaStaff(short count, short mode)
{
    const int ossia = m_pOssiaStaffArray->GetSize();
    if (ossia == 0)
        return -1;
    CKVStaff* model = m_pOssiaStaffArray->GetAt(ossia - 1);
    const StaffTarget target {m_pOssiaStaffArray, model, model->GetMeasNum(), OBJ_OSSIA_STAFF, true};
    return AppendStaves(*this, target, count, mode);
}

short CKVSystem::InsertOssiaStaff(CKVStaff* model, short index, short count, short mode, int lineCount,
                                  int sizePercent)
{
    if (!model)
        return -1;
    const StaffTarget target {m_pOssiaStaffArray, model, model->GetMeasNum(), OBJ_OSSIA_STAFF, true};
    return InsertStaves(*this, target, index, count, mode, lineCount, sizePercent);
}

short CKVSystem::InsertOssiaStaff(short index, short count, short mode, int lineCount, int sizePercent)
{
    const int ossia = m_pOssiaStaffArray->GetSize();
    if (ossia == 0)
        return -1;
    const int modelIndex = std::clamp<int>(index, 0, ossia - 1);
    return InsertOssiaStaff(m_pOssiaStaffArray->GetAt(modelIndex), index, count, mode, lineCount, sizePercent);
}

short CKVSystem::RemoveOssiaStaff(short index, short count)
{
    return RemoveStaves(*this, m_pOssiaStaffArray, index, count);
}

short CKVSystem::AddMeas(LONG count)
{
    for (short i = 0; i < GetStaffNum(); ++i) {
        const short result = GetStaff(i)->AddMeas(count, nullptr, 255);
        if (result < 0)
            return result;
    }
    return static_cast<short>(count);
}

short CKVSystem::InsertMeas(LONG index, LONG count)
{
    for (short i = 0; i < GetStaffNum(); ++i) {
        const short result = GetStaff(i)->InsertMeas(index, count, 0);
        if (result < 0)
            return result;
    }
    return static_cast<short>(count);
}

short CKVSystem::RemoveMeas(LONG index, LONG count)
{
    for (short i = 0; i < GetStaffNum(); ++i) {
        const short result = GetStaff(i)->RemoveMeas(index, count);
        if (result < 0)
            return result;
    }
    return static_cast<short>(count);
}

void CKVSystem::Import(CKVSystem* other, BYTE* fontMap, BYTE fontMapCount)
{
    if (!other || other == this)
        return;

    // Both systems need the same staves before their measures can join;
    // when they cannot get them, nothing is merged.
    if (!MatchStaffCount(other, this, true) || !MatchStaffCount(this, other, false))
        return;

    const DWORD base = static_cast<DWORD>(m_arrMsgMap.GetSize());
    // A tie or slur may sit in more than one slot; it is adjusted once.
    std::unordered_set<CKVMsg*> moved;
    for (int j = 0; j < other->m_arrMsgMap.GetSize(); ++j) {
        const DWORD slot = base + static_cast<DWORD>(j);
        if (m_arrMsgMap.GetSize() <= static_cast<int>(slot))
            m_arrMsgMap.SetSize(static_cast<int>(slot) + 1, MAP_GROWTH);
        CKVMsg* msg = other->GetMsgFromMap(static_cast<DWORD>(j));
        if (!msg)
            continue;
        if (!moved.insert(msg).second) {
            m_arrMsgMap.SetAt(static_cast<int>(slot), msg);
            continue;
        }
        switch (msg->m_byKind) {
        case MSG_FREETEXT:
            MapFreeTextFonts(msg, fontMap, fontMapCount);
            break;
        case MSG_TIE:
        case MSG_SLUR:
        case MSG_TUPLET:
            // 0 names no end note.
            if (msg->m_dwWord != 0)
                msg->m_dwWord += base;
            if (msg->m_lHeight != 0)
                msg->m_lHeight = static_cast<LONG>(static_cast<DWORD>(msg->m_lHeight) + base);
            break;
        case MSG_LYRIC:
            MapLyricFont(msg, fontMap, fontMapCount);
            break;
        default:
            break;
        }
        AddMsgToMap(base + msg->m_dwMsgId, msg, 0);
        ShiftChildIds(msg, base);
    }
    // The symbols live here now; deleting them stays this map's business.
    for (int j = 0; j < other->m_arrMsgMap.GetSize(); ++j)
        other->m_arrMsgMap.SetAt(j, nullptr);

    for (short i = 0; i < GetStaffNum(); ++i) {
        CKVStaff* staff = GetStaff(i);
        const LONG first = staff->GetMeasNum();
        staff->Import(other->GetStaff(i));
        for (LONG m = first; m < staff->GetMeasNum(); ++m)
            ShiftChildIds(staff->GetMeas(m), base);
        CKVMeas* joint = staff->GetMeas(first - 1);
        if (joint && joint->m_byEndBar == CKVMeas::BAR_FINAL)
            joint->m_byEndBar = CKVMeas::BAR_SINGLE;
    }

    for (int i = 0; i < other->m_pOssiaStaffArray->GetSize(); ++i) {
        CKVStaff* staff = other->m_pOssiaStaffArray->GetAt(i);
        staff->m_pSystem = this;
        staff->m_pParent = this;
        ShiftChildIds(staff, base);
        for (LONG m = 0; m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            meas->m_pSystem = this;
            ShiftChildIds(meas, base);
        }
        m_pOssiaStaffArray->Add(staff);
    }
    other->m_pOssiaStaffArray->RemoveAll();
}
