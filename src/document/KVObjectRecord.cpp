// The record form of a score node: header, head and child references, each
// owned child's record behind its reference.

#include "model/KVObject.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "document/RecordIO.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
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

// The references that go into the record. Resolving each one drops those
// whose symbol has left the map, so the count is known before the header
// is written. A node without a system cannot reach its owned children: their
// records could not be written, so neither are their references.
bool CollectChildren(CKVObject& node, std::vector<Child>& out)
{
    short i = 0;
    while (i < node.GetMsgNum()) {
        MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (!node.m_pSystem) {
            if (ref && !ref->byOwner)
                out.push_back({ref, nullptr});
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
        out.push_back({node.m_arrMsgRef.GetAt(i), msg});
        ++i;
    }
    return static_cast<int>(out.size()) <= kMaxChildren;
}

bool IsLinkKind(BYTE kind)
{
    return kind == MSG_TIE || kind == MSG_SLUR || kind == MSG_TUPLET;
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
    std::vector<Child> children;
    if (!CollectChildren(node, children))
        return 0;
    const WORD headLen = node.m_pHead ? node.m_wHeadLen : 0;
    // The reader takes the length as signed.
    if (headLen > SHRT_MAX)
        return 0;

    Writer out(buffer, used, capacity);
    if (!out.Reserve(kNodeHeader + headLen + kRefSize * children.size()))
        return 0;
    unsigned char* h = out.Append(kNodeHeader);
    h[0] = static_cast<unsigned char>(children.size());
    PutU16(h + 2, node.m_wObjWord);
    PutU16(h + 4, headLen);
    PutU16(h + 6, static_cast<WORD>(headLen + kNodeHeader));
    PutU32(h + 8, word8);
    if (headLen > 0 && !out.Append(node.m_pHead, headLen))
        return 0;

    for (const Child& child : children) {
        unsigned char* r = out.Append(kRefSize);
        if (!r)
            return 0;
        PutU32(r, child.ref->dwMsgId);
        r[4] = child.ref->byOwner;
        if (!child.ref->byOwner)
            continue;
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
    CKVMsg* msg = KvNewChild<CKVMsg>(holder->m_pSystem, OBJ_MSG, holder, holder->m_byObjKind);
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
    if (SetHead(headLen, const_cast<unsigned char*>(head)) != headLen)
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
        if (IsLinkKind(msg->m_byKind))
            SetCopyPtrMap(stored, msg->m_dwMsgId);
        m_arrMsgRef.Add(ref);
    }
    return 1;
}
