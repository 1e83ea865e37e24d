#pragma once
// How tuplet symbols hang on their notes: the first note owns the symbol
// (and is its parent), every further note holds a reference without
// ownership; the symbol names its first note in its 32-bit word and its
// last note in its height. Shared by the tuplet routines; not part of the
// library's interface.

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "platform/AllocHook.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tuplets {

using measplace::ChordNotes;
using measplace::LineSpacingOf;

// The index of the node's reference to msg; -1 when it holds none.
inline short RefIndex(const CKVObject& node, const CKVMsg* msg)
{
    if (!msg || msg->m_dwMsgId == 0)
        return -1;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == msg->m_dwMsgId)
            return static_cast<short>(i);
    }
    return -1;
}

inline bool Holds(const CKVObject& node, const CKVMsg* msg)
{
    return RefIndex(node, msg) >= 0;
}

inline CKVMsg* FirstNote(CKVMsg& tuplet)
{
    return tuplet.m_pSystem ? tuplet.m_pSystem->GetMsgFromMap(tuplet.m_dwWord) : nullptr;
}

inline CKVMsg* LastNote(CKVMsg& tuplet)
{
    return tuplet.m_pSystem ? tuplet.m_pSystem->GetMsgFromMap(static_cast<DWORD>(tuplet.m_lHeight)) : nullptr;
}

inline void SetFirst(CKVMsg& tuplet, const CKVMsg& note)
{
    tuplet.m_dwWord = note.m_dwMsgId;
}

inline void SetLast(CKVMsg& tuplet, const CKVMsg& note)
{
    tuplet.m_lHeight = static_cast<LONG>(note.m_dwMsgId);
}

// The note that carries a tuplet for a symbol: a note or rest itself, a
// chord its first (or last) member note; null for a chord without notes.
inline CKVMsg* Carrier(CKVMsg* msg, bool lastOfChord)
{
    if (!msg || msg->m_byKind != MSG_CHORD)
        return msg;
    const std::vector<CKVMsg*> notes = ChordNotes(*msg);
    if (notes.empty())
        return nullptr;
    return lastOfChord ? notes.back() : notes.front();
}

// Adds a reference to the tuplet. The owner becomes its parent; a further
// holder leaves the parent as it was. False when the holder refuses it, as
// one whose record is full does.
inline bool Attach(CKVMsg& holder, CKVMsg* tuplet, BYTE owner)
{
    if (!tuplet || !kvrec::HasRoomFor(holder))
        return false;
    CKVObject* parent = tuplet->m_pParent;
    const BYTE parentKind = tuplet->m_byParentKind;
    if (holder.AddMsg(tuplet, owner, kParentHere) < 0)
        return false;
    if (!owner) {
        tuplet->m_pParent = parent;
        tuplet->m_byParentKind = parentKind;
    }
    return true;
}

// Makes holder the owner of the tuplet, adding its reference when it has
// none yet.
inline bool MakeOwner(CKVMsg& holder, CKVMsg* tuplet)
{
    const short index = RefIndex(holder, tuplet);
    if (index < 0)
        return Attach(holder, tuplet, 1);
    holder.m_arrMsgRef.GetAt(index)->byOwner = 1;
    tuplet->m_pParent = &holder;
    tuplet->m_byParentKind = holder.m_byObjKind;
    return true;
}

// Drops the holder's reference; the symbol lives on.
inline void Drop(CKVMsg& holder, CKVMsg* tuplet)
{
    const short index = RefIndex(holder, tuplet);
    if (index >= 0)
        holder.RemoveAt(index);
}

// A new tuplet symbol for a run that starts at carrier, owned by it. The
// running value (ticks or member count) is left to the caller. Null when
// memory is out (reported) or the carrier refuses it.
inline CKVMsg* Open(CKVMeas& meas, CKVMsg& symbol, CKVMsg& carrier, WORD style)
{
    CKVMsg* tuplet = KvNewChild<CKVMsg>(meas.m_pSystem, OBJ_MSG, &meas, OBJ_MEAS);
    if (!tuplet)
        return nullptr;
    tuplet->m_byKind = MSG_TUPLET;
    tuplet->m_byVoice = symbol.m_byVoice;
    tuplet->m_wDuration = carrier.m_wDuration;
    tuplet->m_wObjWord = symbol.m_wObjWord;
    tuplet->m_wFlag = style;
    tuplet->m_byReplace = 1;
    if (!Attach(carrier, tuplet, 1)) {
        delete tuplet;
        return nullptr;
    }
    SetFirst(*tuplet, carrier);
    SetLast(*tuplet, carrier);
    return tuplet;
}

// Takes a tuplet off the holders given, the owner among them: the others
// drop their references first, and the owner's goes with the symbol.
inline void TakeOff(CKVMsg* tuplet, const std::vector<CKVMsg*>& holders)
{
    CKVMsg* owner = nullptr;
    for (CKVMsg* holder : holders) {
        const short index = RefIndex(*holder, tuplet);
        if (index < 0)
            continue;
        if (holder->m_arrMsgRef.GetAt(index)->byOwner)
            owner = holder;
        else
            holder->RemoveAt(index);
    }
    const short index = owner ? RefIndex(*owner, tuplet) : -1;
    if (index >= 0)
        owner->RemoveMsgAt(index);
}

// A run of symbols that one tuplet gathers, each with the note that carries
// the tuplet for it, as the callers' walks close it: a full carrier still
// counts in its run, so that every run ends where it would without it.
struct Run {
    std::vector<CKVMsg*> symbols;
    std::vector<CKVMsg*> carriers;
};

// The tuplet of a closed run, owned by its first carrier and held by the
// others. A run with a carrier whose record is full gets none: its symbols
// keep their tuplet word, and a tuplet over the rest would draw a run that
// is not there. Null then, or when memory is out (`outOfMemory`, reported
// where the symbol is made); a run that memory fails half way is taken off
// again.
inline CKVMsg* Make(CKVMeas& meas, const Run& run, WORD style, bool& outOfMemory)
{
    outOfMemory = false;
    if (run.carriers.empty() ||
        !std::all_of(run.carriers.begin(), run.carriers.end(), [](CKVMsg* c) { return kvrec::HasRoomFor(*c); }))
        return nullptr;
    CKVMsg* tuplet = Open(meas, *run.symbols.front(), *run.carriers.front(), style);
    if (!tuplet) {
        outOfMemory = true;
        return nullptr;
    }
    for (size_t i = 1; i < run.carriers.size(); ++i) {
        if (!Attach(*run.carriers[i], tuplet, 0)) {
            TakeOff(tuplet, std::vector<CKVMsg*>(run.carriers.begin(),
                                                 run.carriers.begin() + static_cast<std::ptrdiff_t>(i)));
            outOfMemory = true;
            return nullptr;
        }
        SetLast(*tuplet, *run.carriers[i]);
    }
    return tuplet;
}

// The tuplet form of a symbol: the high half of its 32-bit word.
inline WORD FormOf(const CKVMsg& msg)
{
    return static_cast<WORD>(msg.m_dwWord >> 16);
}

} // namespace tuplets
