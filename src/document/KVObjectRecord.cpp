// The record form of a score node: header, head and child references, each
// owned child's record behind its reference.

#include "model/KVObject.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "document/RecordIO.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MsgRecord.h"
#include "model/NewObject.h"

#include <climits>
#include <new>
#include <vector>

using namespace kvrec;

namespace {

struct Child {
    MsgRef* ref;
    CKVMsg* msg; // null for a reference that is not owned by a node without a system
};

// A node's children as the record lists them. Most nodes have a few, so
// they stay on the stack; a longer list continues on the heap.
class ChildList {
public:
    void Add(const Child& child)
    {
        if (m_count < kLocal)
            m_local[m_count] = child;
        else
            m_more.push_back(child);
        ++m_count;
    }
    int Count() const { return m_count; }
    const Child& At(int i) const { return i < kLocal ? m_local[i] : m_more[static_cast<size_t>(i - kLocal)]; }

private:
    static constexpr int kLocal = 24;
    Child m_local[kLocal];
    std::vector<Child> m_more;
    int m_count = 0;
};

CKVMsg* MapSlot(const CKVSystem& system, DWORD id)
{
    const int count = system.m_arrMsgMap.GetSize();
    return id < static_cast<DWORD>(count) ? static_cast<CKVMsg*>(system.m_arrMsgMap.GetData()[id]) : nullptr;
}

// Resolving a child goes through three objects of its own (the node's list
// of references, the reference, the symbol), each waiting for the one
// before it. The prefetches below only hint at what comes next; they read
// nothing but live references and symbols of the map.

// The references of one node and the symbols behind them, started
// together rather than one after the other.
[[gnu::always_inline]] inline void PrefetchChildren(const CKVSystem& system, const CKVObject& node)
{
    MsgRef* const* refs = reinterpret_cast<MsgRef* const*>(node.m_arrMsgRef.GetData());
    const int count = node.m_arrMsgRef.GetSize();
    for (int i = 0; refs && i < count; ++i)
        __builtin_prefetch(refs[i]);
    for (int i = 0; refs && i < count; ++i) {
        if (refs[i]) {
            if (const CKVMsg* msg = MapSlot(system, refs[i]->dwMsgId))
                __builtin_prefetch(msg);
        }
    }
}

// A whole score is written in about the order of its ids: a read gives
// them out in record order, and a score is mostly built in place. So while
// one symbol is written, those a little further on in the map are brought
// in, in steps: the symbol itself, then its child list and head, then its
// references. Where the ids run in another order this costs a few loads.
constexpr DWORD kAheadSymbol = 32;
constexpr DWORD kAheadList = 16;
constexpr DWORD kAheadRefs = 8;
constexpr int kAheadRefsAtMost = 8;

[[gnu::always_inline]] inline void PrefetchAhead(const CKVSystem& system, DWORD id)
{
    if (const CKVMsg* msg = MapSlot(system, id + kAheadSymbol)) {
        const char* base = reinterpret_cast<const char*>(msg);
        for (size_t offset = 0; offset < sizeof(CKVMsg); offset += 64)
            __builtin_prefetch(base + offset);
    }
    if (const CKVMsg* msg = MapSlot(system, id + kAheadList)) {
        if (const void* refs = msg->m_arrMsgRef.GetData())
            __builtin_prefetch(refs);
        if (msg->m_pHead)
            __builtin_prefetch(msg->m_pHead);
    }
    if (const CKVMsg* msg = MapSlot(system, id + kAheadRefs)) {
        const void* const* refs = msg->m_arrMsgRef.GetData();
        const int count = msg->m_arrMsgRef.GetSize();
        for (int i = 0; refs && i < count && i < kAheadRefsAtMost; ++i)
            __builtin_prefetch(refs[i]);
    }
}

// The references that go into the record. Resolving each one drops those
// whose symbol has left the map, so the count is known before the header
// is written. A node without a system cannot reach its owned children: their
// records could not be written, so neither are their references.
bool CollectChildren(CKVObject& node, ChildList& out)
{
    if (node.m_pSystem)
        PrefetchChildren(*node.m_pSystem, node);
    short i = 0;
    while (i < node.GetMsgNum()) {
        MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (!node.m_pSystem) {
            if (ref && !ref->byOwner)
                out.Add({ref, nullptr});
            ++i;
            continue;
        }
        const short before = node.GetMsgNum();
        CKVMsg* msg = node.GetMsg(i);
        if (!msg) {
            if (node.GetMsgNum() >= before)
                ++i;
            continue;
        }
        out.Add({node.m_arrMsgRef.GetAt(i), msg});
        ++i;
    }
    return WithinRecord(out.Count());
}

// Symbols nest a few levels deep in a score (measure, beam group, chord,
// note, mark); a record nested far deeper is damaged and would only exhaust
// the stack.
constexpr int kMaxNesting = 64;
int s_nesting = 0;

struct NestingGuard {
    NestingGuard() { ++s_nesting; }
    ~NestingGuard() { --s_nesting; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

} // namespace

namespace kvrec {

int WriteNodePart(CKVObject& node, unsigned char*& buffer, DWORD* used, DWORD* capacity, DWORD word8)
{
    ChildList children;
    if (!CollectChildren(node, children))
        return 0;
    const WORD headLen = node.m_pHead ? node.m_wHeadLen : 0;
    // The reader takes the length as signed.
    if (headLen > SHRT_MAX)
        return 0;

    Writer out(buffer, used, capacity);
    const int count = children.Count();
    if (!out.Reserve(kNodeHeader + headLen + kRefSize * static_cast<size_t>(count)))
        return 0;
    unsigned char* h = out.Append(kNodeHeader);
    h[0] = static_cast<unsigned char>(count);
    PutU16(h + 2, node.m_wObjWord);
    PutU16(h + 4, headLen);
    PutU16(h + 6, static_cast<WORD>(headLen + kNodeHeader));
    PutU32(h + 8, word8);
    if (headLen > 0 && !out.Append(node.m_pHead, headLen))
        return 0;

    for (int i = 0; i < count; ++i) {
        const Child& child = children.At(i);
        unsigned char* r = out.Append(kRefSize);
        if (!r)
            return 0;
        PutU32(r, child.ref->dwMsgId);
        r[4] = child.ref->byOwner;
        if (!child.ref->byOwner)
            continue;
        PrefetchAhead(*node.m_pSystem, child.msg->m_dwMsgId);
        if (!child.msg->Write(buffer, used, capacity))
            return 0;
        if (child.msg->m_byKind == MSG_CHORDSYMBOL && !WriteChordPart(child.msg, buffer, used, capacity))
            return 0;
    }
    return 1;
}

CKVMsg* ReadOwnedChild(CKVObject* holder, unsigned char* buffer, DWORD* pos, DWORD* length, bool measureChild)
{
    // Without a system the symbol would belong to nobody: no map holds it.
    if (!holder->m_pSystem || s_nesting >= kMaxNesting)
        return nullptr;
    NestingGuard nesting;
    // A chord symbol is made as one from the start; its record's first byte
    // is its kind.
    const bool chordSymbol = buffer && pos && length && *pos < *length && buffer[*pos + msgrecord::REC_KIND] == MSG_CHORDSYMBOL;
    CKVMsg* msg = chordSymbol ? NewChordSymbolChild(holder)
                              : KvNewChild<CKVMsg>(holder->m_pSystem, OBJ_MSG, holder, holder->m_byObjKind);
    if (!msg)
        return nullptr;
    if (!msg->Read(buffer, pos, length)) {
        delete msg;
        return nullptr;
    }
    const BYTE kind = msg->m_byKind;
    if (kind == MSG_CHORDSYMBOL || kind == MSG_OLDFRET || kind == MSG_OLDCHORDNAME) {
        msg = ReadChordPart(holder, msg, buffer, pos, length);
        if (!msg)
            return nullptr;
    }
    if (measureChild && msg->m_byKind == MSG_MIDI && msg->m_wDuration == 0)
        msg->m_wDuration = 1;
    return msg;
}

} // namespace kvrec

int CKVObject::Write(unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    return WriteNodePart(*this, buffer, used, capacity, m_dwWord);
}

int CKVObject::Read(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    Reader in(buffer, pos, length);
    const unsigned char* h = in.Take(kNodeHeader);
    if (!h)
        return 0;
    const int count = h[0];
    const WORD objWord = GetU16(h + 2);
    const short headLen = static_cast<short>(GetU16(h + 4));
    const DWORD word = GetU32(h + 8);
    // A negative length would move the cursor backwards; every reference
    // needs at least its own 8 bytes.
    if (headLen < 0 || !in.Has(static_cast<size_t>(headLen) + kRefSize * static_cast<size_t>(count)))
        return 0;
    const unsigned char* head = in.Take(static_cast<size_t>(headLen));
    m_dwWord = word;
    // Most symbols have no head and none yet: nothing to set.
    const bool noHead = headLen == 0 && !m_pHead && m_wHeadLen == 0;
    if (!noHead && SetHead(headLen, const_cast<unsigned char*>(head)) != headLen)
        return 0;
    m_wObjWord = objWord;

    ReserveRefs(*this, count);
    for (int i = 0; i < count; ++i) {
        const unsigned char* r = in.Take(kRefSize);
        if (!r)
            return 0;
        const DWORD stored = GetU32(r);
        const BYTE owner = r[4];
        if (m_pSystem)
            m_pSystem->GetKey(stored, 1);
        MsgRef* ref = KvNewReported<MsgRef>();
        if (!ref)
            return 0;
        ref->byOwner = owner;
        if (!owner) {
            // The other end of a tie, slur or tuplet: the copy map knows it
            // once its owner has been read.
            DWORD mapped = 0;
            const bool known = LookupCopyPtrMap(stored, mapped) != 0;
            ref->dwMsgId = known ? mapped : stored;
            if (!known && m_pSystem && CollectingPendingRefs())
                AddPendingRef(this, ref, i);
            else
                m_arrMsgRef.Add(ref);
            continue;
        }
        CKVMsg* msg = ReadOwnedChild(this, buffer, pos, length, false);
        if (!msg) {
            delete ref;
            return 0;
        }
        ref->dwMsgId = msg->m_dwMsgId;
        // Keyed by the id the other end note names the symbol by.
        if (kvcopy::IsLinkKind(msg->m_byKind))
            SetCopyPtrMap(stored, msg->m_dwMsgId);
        m_arrMsgRef.Add(ref);
    }
    return 1;
}
