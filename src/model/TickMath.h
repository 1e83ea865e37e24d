#pragma once
// Small helpers of the tick arithmetic shared by the timing, walk and pitch
// code; not part of the library's interface.

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"

#include <cstdint>
#include <vector>

namespace tickmath {

// The tick unit of the score a node belongs to.
inline DWORD TicksPerQuarter(const CKVObject* node)
{
    return (node && node->m_pSystem) ? node->m_pSystem->m_dwTicksPerQuarter : CKVSystem::DEFAULT_TICKS_PER_QUARTER;
}

// The measure that holds a symbol, directly or through its containers.
// Null when the symbol is not in a measure: a page-level symbol, or one whose
// climb meets a node other than a symbol before a measure. The deepest
// symbol the editor builds is four levels below its measure (a mark of a
// note in a chord in a beam group); the bound lies well past that and only
// keeps a damaged parent cycle from hanging the climb.
inline CKVMeas* MeasureOf(const CKVMsg* msg)
{
    constexpr int kMaxClimb = 16;
    const CKVObject* node = msg;
    for (int depth = 0; node && depth < kMaxClimb && node->m_byParentKind != OBJ_PAGE; ++depth) {
        CKVObject* parent = node->m_pParent;
        if (parent && parent->m_byObjKind == OBJ_MEAS)
            return static_cast<CKVMeas*>(parent);
        if (!parent || parent->m_byObjKind != OBJ_MSG)
            return nullptr;
        node = parent;
    }
    return nullptr;
}

// The duration word's low byte as it stands: drawers and head tables index
// by it, so a value with bits above the code reads as no known duration.
inline int DurationByte(const CKVMsg& msg)
{
    return msg.m_wDuration & 0xFF;
}

// The duration code proper: the low five bits of the duration word, without
// whatever the bits above it carry. Time arithmetic and beaming read this.
inline int DurationCode(const CKVMsg& msg)
{
    return msg.m_wDuration & 0x1F;
}

inline bool IsNoteRestChord(const CKVMsg& msg)
{
    return msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_REST || msg.m_byKind == MSG_CHORD;
}

// A note, beam group or chord: what a stem command changes.
inline bool IsNoteGroupOrChord(const CKVMsg& msg)
{
    return msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_BEAM || msg.m_byKind == MSG_CHORD;
}

// A beam group or chord: a symbol whose members are notes.
inline bool IsContainer(const CKVMsg& msg)
{
    return msg.m_byKind == MSG_BEAM || msg.m_byKind == MSG_CHORD;
}

inline bool IsTieOrSlurKind(int kind)
{
    return kind == MSG_TIE || kind == MSG_SLUR;
}

inline bool IsTieOrSlur(const CKVMsg& msg)
{
    return IsTieOrSlurKind(msg.m_byKind);
}

// A note, rest, chord or beam group: what stands in a voice's time.
inline bool IsVoiceEntry(const CKVMsg& msg)
{
    return IsNoteRestChord(msg) || msg.m_byKind == MSG_BEAM;
}

// A grace note or grace chord; grace notes have no play time of their own.
inline bool IsGrace(const CKVMsg& msg)
{
    return (msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_CHORD) && (msg.m_wFlag & MSGFLAG_GRACE) != 0;
}

// A grace note or chord, or a group of them: IsGrace with beam groups.
inline bool IsGraceSymbol(const CKVMsg& msg)
{
    return (IsGrace(msg) || msg.m_byKind == MSG_BEAM) && (msg.m_wFlag & MSGFLAG_GRACE) != 0;
}

// The tuplet ratio of a tuplet word: high byte the normal notes, low byte
// the notes in the group; 1:2 counts as 3:4. False when either byte is 0.
inline bool TupletRatio(WORD word, int& normal, int& count)
{
    normal = word >> 8;
    count = word & 0xFF;
    if (normal == 1 && count == 2) {
        normal = 3;
        count = 4;
    }
    return normal != 0 && count != 0;
}

// The undotted length of a duration code, (256 >> code) x ticks / 32, as
// its numerator over 32. Only the low five bits of the code count.
inline std::int64_t BaseTimes32(const CKVMsg& msg)
{
    const int code = DurationCode(msg);
    return static_cast<std::int64_t>(256 >> code) * TicksPerQuarter(&msg);
}

// The dotted length in whole ticks, each half taken in integers; the base
// itself for a dot count other than 1 or 2.
inline std::int64_t DottedTicks(std::int64_t base, BYTE dots)
{
    const std::int64_t half = base / 2;
    if (dots == 1)
        return base + half;
    if (dots == 2)
        return base + half + half / 2;
    return base;
}

// A symbol's play time as re-timing adds it up, as a fraction of ticks:
// the whole dotted length, or the undotted base over 32, times the tuplet
// ratio.
inline void PlayFraction(const CKVMsg& msg, std::int64_t& num, std::int64_t& den)
{
    const std::int64_t base32 = BaseTimes32(msg);
    if (msg.m_byDots == 1 || msg.m_byDots == 2) {
        num = DottedTicks(base32 >> 5, msg.m_byDots);
        den = 1;
    } else {
        num = base32;
        den = 32;
    }
    int normal = 0;
    int count = 0;
    if (TupletRatio(msg.m_wObjWord, normal, count)) {
        num *= normal;
        den *= count;
    }
}

// How deep walks through chords and groups may nest. Real scores nest three
// levels (group, chord, note); a damaged file can make a reference that
// does not own its symbol close a loop, which must not recurse for ever.
constexpr int kMaxChildWalkDepth = 64;

// GetMsg(index), with the common case (a live child) looked up inline; a
// stale reference goes through GetMsg, which drops it.
inline CKVMsg* LiveChild(CKVObject& node, short index)
{
    if (index >= 0 && index < node.m_arrMsgRef.GetSize() && node.m_pSystem) {
        if (const MsgRef* ref = static_cast<const MsgRef*>(node.m_arrMsgRef.GetData()[index])) {
            if (CKVMsg* msg = node.m_pSystem->GetMsgFromMap(ref->dwMsgId))
                return msg;
        }
    }
    return node.GetMsg(index);
}

// Visits the live children of a node in order. A stale reference is dropped
// by the lookup and the same index is read again. visit(child, index) returns
// true when it took child `index` out of the list itself. Nested walks deeper
// than kMaxChildWalkDepth visit nothing.
template <class Visit>
void ForEachChild(CKVObject& node, Visit visit)
{
    // Initial-exec: the library is loaded with the program, and the depth is
    // read on every walk.
    [[gnu::tls_model("initial-exec")]] static thread_local int depth = 0;
    if (depth >= kMaxChildWalkDepth)
        return;
    struct Level {
        Level() { ++depth; }
        ~Level() { --depth; }
    } level;
    for (short i = 0; i < node.GetMsgNum();) {
        const short before = node.GetMsgNum();
        CKVMsg* child = LiveChild(node, i);
        if (!child) {
            // A node without a system keeps its references; step over them.
            if (node.GetMsgNum() == before)
                ++i;
            continue;
        }
        if (!visit(child, i))
            ++i;
    }
}

// The live children of a node in order, as ForEachChild visits them; the
// node itself, which a damaged tree may list, is left out.
inline std::vector<CKVMsg*> LiveChildren(CKVObject& node)
{
    std::vector<CKVMsg*> children;
    ForEachChild(node, [&](CKVMsg* child, short) {
        if (child != &node)
            children.push_back(child);
        return false;
    });
    return children;
}

// The live note, rest and chord members of a chord or beam group, in child
// order; marks, lyrics and other children are left out.
inline std::vector<CKVMsg*> Members(CKVMsg& container)
{
    std::vector<CKVMsg*> members = LiveChildren(container);
    std::erase_if(members, [](const CKVMsg* child) { return !IsNoteRestChord(*child); });
    return members;
}

// The ids of the node's direct children as they stand now, stale ones too:
// a loop that changes the list walks this copy.
inline std::vector<DWORD> ChildIds(const CKVObject& node)
{
    std::vector<DWORD> ids;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        if (const MsgRef* ref = node.m_arrMsgRef.GetAt(i))
            ids.push_back(ref->dwMsgId);
    }
    return ids;
}

// The symbol an id names in the node's score; null when none does.
inline CKVMsg* Resolve(const CKVObject& node, DWORD id)
{
    return node.m_pSystem ? node.m_pSystem->GetMsgFromMap(id) : nullptr;
}

// Whether a whole rest stands alone in its voice of its measure, as a rest
// for the whole measure: no other note, rest or chord of the voice that is
// no grace note stands there, in a beam group or not. Such a rest is
// centred; one beside others takes its place in time like any rest, so that
// its voice stays in time order where the measure holds more than it
// counts.
inline bool IsLoneWholeRest(CKVMsg& rest)
{
    CKVMeas* meas = MeasureOf(&rest);
    if (!meas || rest.m_byKind != MSG_REST || (rest.m_wDuration & 0xFF) != DUR_WHOLE)
        return false;
    bool alone = true;
    auto other = [&](CKVMsg* msg) {
        return msg != &rest && msg->m_byVoice == rest.m_byVoice && IsNoteRestChord(*msg) && !IsGrace(*msg);
    };
    ForEachChild(*meas, [&](CKVMsg* child, short) {
        if (child->m_byKind == MSG_BEAM) {
            ForEachChild(*child, [&](CKVMsg* member, short) {
                alone = alone && !other(member);
                return false;
            });
        } else {
            alone = alone && !other(child);
        }
        return false;
    });
    return alone;
}

} // namespace tickmath
