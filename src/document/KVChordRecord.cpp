// The chord-symbol part of the records: the packing of a chord symbol's
// values into its node words, the part that follows a kind-69 child, and the
// reader's turning of plain symbols of the chord kinds into chord symbols.

#include "document/RecordIO.h"

#include "MemoryGuard.h"
#include "harmony/ChordSymbol.h"
#include "model/KVCtrlPoint.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

#include <new>
#include <typeinfo>

namespace {

// Puts chord in msg's place: the map slot of its id, msg's children, and
// their parent link. msg keeps nothing and can be deleted.
void TakeOver(CChordSymbol* chord, CKVMsg* msg, bool keepChildren)
{
    static_cast<CKVMsg&>(*chord) = *msg;
    CKVSystem* system = msg->m_pSystem;
    if (keepChildren) {
        for (int i = 0; i < msg->m_arrMsgRef.GetSize(); ++i) {
            MsgRef* ref = msg->m_arrMsgRef.GetAt(i);
            chord->m_arrMsgRef.Add(ref);
            CKVMsg* child = (ref && system) ? system->GetMsgFromMap(ref->dwMsgId) : nullptr;
            if (child && ref->byOwner && child->m_pParent == msg)
                child->m_pParent = chord;
        }
        msg->m_arrMsgRef.RemoveAll();
        kvrec::MovePendingRefsOf(msg, chord);
    } else {
        // The plain symbol goes with its children; none of their
        // references may stay in the pending lists.
        kvrec::ForgetPendingRefsOf(msg);
    }
    const DWORD id = msg->m_dwMsgId;
    if (system && id != 0 && id < static_cast<DWORD>(system->m_arrMsgMap.GetSize()) &&
        system->m_arrMsgMap.GetAt(static_cast<int>(id)) == msg)
        system->m_arrMsgMap.SetAt(static_cast<int>(id), chord);
}

void DeleteHandles(CKVMsg* msg)
{
    for (int i = 0; i < msg->m_arrCtrlPoint.GetSize(); ++i)
        delete msg->m_arrCtrlPoint.GetAt(i);
    msg->m_arrCtrlPoint.RemoveAll();
}

// The suffix codes of the dictionary's entry with the chord's full name, so
// that a score follows the dictionary it is opened with.
void RefreshSuffixCodes(CChordSymbol* chord)
{
    POSITION at = procChordSurfix.FindSurfixRealName(chord->m_Surfix.GetRealName());
    if (!at)
        return;
    if (CChordSurfix* entry = procChordSurfix.GetNextSurfix(at))
        chord->m_Surfix.SetInfo(entry->GetInfo());
}

// A chord symbol of the class itself, found by a type compare; a class
// derived from it by the cast.
CChordSymbol* AsChordSymbol(CKVMsg* msg)
{
    if (msg && typeid(*msg) == typeid(CChordSymbol))
        return static_cast<CChordSymbol*>(msg);
    return dynamic_cast<CChordSymbol*>(msg);
}

} // namespace

namespace kvrec {

void PackChordWords(CKVMsg* msg)
{
    CChordSymbol* chord = AsChordSymbol(msg);
    if (!chord)
        return;
    chord->m_dwWord = static_cast<DWORD>(static_cast<WORD>(chord->m_nRoot)) |
                      (static_cast<DWORD>(static_cast<WORD>(chord->m_nBass)) << 16);
    chord->m_wObjWord = static_cast<WORD>(((chord->m_bShowName & 0xFF) << 8) | (chord->m_bShowFret & 0xFF));
}

int WriteChordPart(CKVMsg* msg, unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    if (CChordSymbol* chord = AsChordSymbol(msg))
        return chord->WriteToMem(buffer, used, capacity);
    // The reader expects a chord part after every kind-69 child; a symbol
    // of that kind that is no chord symbol gets an empty chord's.
    CChordSymbol* empty = KvNewReported<CChordSymbol>();
    if (!empty)
        return 0;
    const int ok = empty->WriteToMem(buffer, used, capacity);
    delete empty;
    return ok;
}

CKVMsg* NewChordSymbolChild(CKVObject* holder)
{
    return KvNewChild<CChordSymbol>(holder->m_pSystem, OBJ_MSG, holder, holder->m_byObjKind);
}

CKVMsg* ReadChordPart(CKVObject*, CKVMsg* msg, unsigned char* buffer, DWORD* pos, DWORD* length)
{
    CChordSymbol* chord = nullptr;
    if (typeid(*msg) == typeid(CChordSymbol)) {
        // Made as a chord symbol from the start: only its part is left.
        chord = static_cast<CChordSymbol*>(msg);
    } else {
        chord = KvNewReported<CChordSymbol>();
        if (!chord) {
            delete msg;
            return nullptr;
        }
        if (msg->m_byKind != MSG_CHORDSYMBOL) {
            // The older chord texts carry no chord part; converting them is
            // the chord symbol's own business.
            TakeOver(chord, msg, false);
            delete msg;
            chord->MakeFromOldChordSymbol();
            DeleteHandles(chord);
            chord->MakeMsgCtrlPoint();
            return chord;
        }
        TakeOver(chord, msg, true);
        delete msg;
    }
    if (!chord->ReadFromMem(buffer, pos, length)) {
        ForgetPendingRefsOf(chord);
        delete chord;
        return nullptr;
    }
    RefreshSuffixCodes(chord);
    return chord;
}

} // namespace kvrec
