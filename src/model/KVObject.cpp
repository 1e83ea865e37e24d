// The score node base: child references resolved through the system's id
// map, the head payload, and the node's older stream form.

#include "model/KVObject.h"

#include "MemoryGuard.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

CKVSystem* pSortSystem = nullptr;

namespace {

void ResetSortSystem()
{
    pSortSystem = nullptr;
}

KvProcessReset s_reset("child sort system", &ResetSortSystem);

// The stream header: count, reserved, object word, head length, head length
// + 12, 32-bit word.
constexpr int kHeaderSize = 12;
constexpr int kRefSize = 8;

// Resolved references first, by x ascending, then by the larger vertical
// position; unresolved ones after them, all equal among themselves.
struct SortKey {
    bool resolved;
    short x;
    short y;
};

SortKey KeyOf(const MsgRef* ref)
{
    CKVMsg* msg = (ref && pSortSystem) ? pSortSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
    if (!msg)
        return {false, 0, 0};
    return {true, msg->m_nPosX, msg->m_nPosY};
}

template <class T>
std::vector<T*> ElementsOf(const CTypedPtrArray<CPtrArray, T*>& list)
{
    std::vector<T*> out;
    out.reserve(static_cast<size_t>(list.GetSize()));
    for (int i = 0; i < list.GetSize(); ++i)
        out.push_back(list.GetAt(i));
    return out;
}

} // namespace

int CompareChildMsgOrder(const MsgRef* a, const MsgRef* b)
{
    const SortKey ka = KeyOf(a);
    const SortKey kb = KeyOf(b);
    if (!ka.resolved || !kb.resolved)
        return static_cast<int>(kb.resolved) - static_cast<int>(ka.resolved);
    if (ka.x != kb.x)
        return ka.x - kb.x;
    return kb.y - ka.y;
}

CKVObject::CKVObject()
{
    m_arrMsgRef.SetSize(0, 32);
}

CKVObject::~CKVObject()
{
    RemoveAllMsg();
    KvPoolFree(m_pHead);
    m_pHead = nullptr;
    m_wHeadLen = 0;
}

void CKVObject::Initialize(CKVSystem* system, short objectKind)
{
    m_pSystem = system;
    m_byObjKind = static_cast<BYTE>(objectKind);
}

// A new child's parent is this node, or this node's own parent.
static void SetChildParent(CKVObject* node, CKVMsg* msg, int parentIsThis)
{
    if (parentIsThis) {
        msg->m_pParent = node;
        msg->m_byParentKind = node->m_byObjKind;
    } else {
        msg->m_pParent = node->m_pParent;
        msg->m_byParentKind = node->m_pParent ? node->m_pParent->m_byObjKind : 0;
    }
}

short CKVObject::AddMsg(CKVMsg* msg, unsigned char owner, int parentIsThis)
{
    if (!m_pSystem)
        return -1;
    m_pPage = nullptr;
    if (msg->m_byVoice == 0)
        msg->m_byVoice = 1;
    msg->m_pSystem = m_pSystem;
    if (msg->m_dwMsgId == 0 || owner)
        msg->m_dwMsgId = m_pSystem->AddMsgToMap(msg);
    SetChildParent(this, msg, parentIsThis);

    MsgRef* ref = KvNewReported<MsgRef>();
    if (!ref)
        return 0;
    ref->dwMsgId = msg->m_dwMsgId;
    ref->byOwner = owner;
    m_arrMsgRef.Add(ref);

    pSortSystem = m_pSystem;
    std::vector<MsgRef*> refs = ElementsOf(m_arrMsgRef);
    std::stable_sort(refs.begin(), refs.end(),
                     [](const MsgRef* a, const MsgRef* b) { return CompareChildMsgOrder(a, b) < 0; });
    for (int i = 0; i < static_cast<int>(refs.size()); ++i)
        m_arrMsgRef.SetAt(i, refs[static_cast<size_t>(i)]);
    return 1;
}

short CKVObject::InsertMsg(short index, CKVMsg* msg, unsigned char owner, int parentIsThis)
{
    // Without a system there is no map to give the symbol an id.
    if (!m_pSystem && msg->m_dwMsgId == 0)
        return -1;
    msg->m_pSystem = m_pSystem;
    if (msg->m_dwMsgId == 0)
        msg->m_dwMsgId = m_pSystem->AddMsgToMap(msg);
    SetChildParent(this, msg, parentIsThis);

    MsgRef* ref = KvNewReported<MsgRef>();
    if (!ref)
        return -1;
    ref->dwMsgId = msg->m_dwMsgId;
    ref->byOwner = owner;
    m_arrMsgRef.InsertAt(index, ref);
    return index;
}

short CKVObject::TemporaryMsg(CKVMsg* msg)
{
    MsgRef* ref = KvNewReported<MsgRef>();
    if (!ref)
        return 0;
    ref->dwMsgId = msg->m_dwMsgId;
    ref->byOwner = 0;
    m_arrMsgRef.Add(ref);
    return GetMsgNum();
}

void CKVObject::RemoveMsgAt(short index)
{
    if (index < 0 || index >= m_arrMsgRef.GetSize())
        return;
    MsgRef* ref = m_arrMsgRef.GetAt(index);
    // The symbol stays in the map: an undo step may bring the reference back,
    // and the document deletes it at the end.
    if (ref && ref->byOwner && m_pSystem)
        m_pSystem->AddDeleteMsg(ref->dwMsgId);
    delete ref;
    m_arrMsgRef.RemoveAt(index);
}

namespace {

// A list's elements taken over before the list is emptied: on the stack for
// the few that most nodes hold, on the heap beyond that.
template <class T>
class TakenOver {
public:
    explicit TakenOver(CTypedPtrArray<CPtrArray, T*>& list) : m_count(list.GetSize())
    {
        T** items = m_local;
        if (m_count > kLocal) {
            m_heap.resize(static_cast<size_t>(m_count));
            items = m_heap.data();
        }
        for (int i = 0; i < m_count; ++i)
            items[i] = list.GetAt(i);
        list.RemoveAll();
    }
    T* const* begin() const { return m_count > kLocal ? m_heap.data() : m_local; }
    T* const* end() const { return begin() + m_count; }

private:
    static constexpr int kLocal = 32;
    int m_count;
    T* m_local[kLocal];
    std::vector<T*> m_heap;
};

} // namespace

void CKVObject::RemoveAllMsg()
{
    // Take the list over first: deleting a child must not see it half
    // emptied.
    const TakenOver<MsgRef> refs(m_arrMsgRef);
    for (MsgRef* ref : refs) {
        if (ref && ref->byOwner && m_pSystem)
            m_pSystem->RemoveMsgFromMap(ref->dwMsgId);
        delete ref;
    }

    const TakenOver<CKVCtrlPoint> handles(m_arrCtrlPoint);
    for (CKVCtrlPoint* handle : handles)
        delete handle;
}

CKVMsg* CKVObject::GetMsg(short index)
{
    if (index < 0 || index >= m_arrMsgRef.GetSize())
        return nullptr;
    MsgRef* ref = m_arrMsgRef.GetAt(index);
    if (!ref) {
        m_arrMsgRef.RemoveAt(index);
        return nullptr;
    }
    // A node not yet given a system cannot tell a stale reference from a
    // live one, so it keeps the reference.
    if (!m_pSystem)
        return nullptr;
    CKVMsg* msg = m_pSystem->GetMsgFromMap(ref->dwMsgId);
    if (!msg) {
        delete ref;
        m_arrMsgRef.RemoveAt(index);
    }
    return msg;
}

short CKVObject::SetHead(short length, unsigned char* bytes)
{
    // A node just read has no head yet: no call to free nothing.
    if (m_pHead)
        KvPoolFree(m_pHead);
    m_pHead = nullptr;
    m_wHeadLen = 0;
    if (length < 1)
        return length;
    unsigned char* head = static_cast<unsigned char*>(KvPoolAllocate(static_cast<size_t>(length)));
    if (!head) {
        ReportOutOfMemory(1);
        return 0;
    }
    if (bytes)
        std::memcpy(head, bytes, static_cast<size_t>(length));
    else
        std::memset(head, 0, static_cast<size_t>(length));
    m_pHead = head;
    m_wHeadLen = static_cast<WORD>(length);
    return length;
}

short CKVObject::GetHead(unsigned char** head)
{
    if (head)
        *head = m_pHead;
    return m_pHead ? static_cast<short>(m_wHeadLen) : 0;
}

// The 12-byte header of the stream form.
static void WriteStreamHeader(const CKVObject& node, unsigned char* p)
{
    const WORD headLen = node.m_pHead ? node.m_wHeadLen : 0;
    p[0] = static_cast<unsigned char>(node.m_arrMsgRef.GetSize());
    p[1] = 0;
    PutWord(p + 2, node.m_wObjWord);
    PutWord(p + 4, headLen);
    PutWord(p + 6, static_cast<WORD>(headLen + kHeaderSize));
    PutDword(p + 8, node.m_dwWord);
}

static void WriteStreamRefs(const CKVObject& node, unsigned char* p)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i, p += kRefSize) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        std::memset(p, 0, kRefSize);
        if (ref) {
            PutDword(p, ref->dwMsgId);
            p[4] = ref->byOwner;
        }
    }
}

short CKVObject::Save(CFile* file)
{
    const int count = m_arrMsgRef.GetSize();
    // The count travels in one byte; a longer list would not read back.
    if (!kvrec::WithinRecord(count))
        return 0;
    const WORD headLen = m_pHead ? m_wHeadLen : 0;

    unsigned char* refs = nullptr;
    if (count > 0) {
        refs = new (std::nothrow) unsigned char[static_cast<size_t>(count) * kRefSize];
        if (!refs) {
            ReportOutOfMemory(1);
            return 0;
        }
        WriteStreamRefs(*this, refs);
    }
    unsigned char header[kHeaderSize];
    WriteStreamHeader(*this, header);
    file->Write(header, kHeaderSize);
    if (headLen > 0)
        file->Write(m_pHead, headLen);
    if (refs)
        file->Write(refs, static_cast<UINT>(count * kRefSize));
    delete[] refs;
    return static_cast<short>(headLen + kHeaderSize);
}

short CKVObject::Load(CFile* file)
{
    // Everything is read before the node changes, so a short read leaves
    // it as it was.
    unsigned char header[kHeaderSize];
    if (file->Read(header, kHeaderSize) != static_cast<UINT>(kHeaderSize))
        return 0;
    const int count = header[0];
    const WORD objWord = GetWord(header + 2);
    const WORD headLen = GetWord(header + 4);
    const DWORD word = GetDword(header + 8);

    std::vector<unsigned char> head(headLen);
    if (headLen > 0 && file->Read(head.data(), headLen) != headLen)
        return 0;
    std::vector<unsigned char> refBytes(static_cast<size_t>(count) * kRefSize);
    if (count > 0 && file->Read(refBytes.data(), static_cast<UINT>(refBytes.size())) != refBytes.size())
        return 0;

    unsigned char* newHead = nullptr;
    if (headLen > 0) {
        newHead = static_cast<unsigned char*>(KvPoolAllocate(headLen));
        if (!newHead) {
            ReportOutOfMemory(1);
            return 0;
        }
        std::memcpy(newHead, head.data(), headLen);
    }
    std::vector<MsgRef*> refs;
    for (int i = 0; i < count; ++i) {
        MsgRef* ref = KvNewReported<MsgRef>();
        if (!ref) {
            for (MsgRef* made : refs)
                delete made;
            KvPoolFree(newHead);
            return 0;
        }
        ref->dwMsgId = GetDword(refBytes.data() + i * kRefSize);
        ref->byOwner = refBytes[static_cast<size_t>(i * kRefSize + 4)];
        refs.push_back(ref);
    }

    m_wObjWord = objWord;
    m_dwWord = word;
    KvPoolFree(m_pHead);
    m_pHead = newHead;
    m_wHeadLen = headLen;
    for (MsgRef* ref : refs)
        m_arrMsgRef.Add(ref);
    return static_cast<short>(headLen + kHeaderSize);
}

short CKVObject::CopyToBuff(unsigned char* buffer)
{
    const int count = m_arrMsgRef.GetSize();
    // The count travels in one byte; a longer list would not read back.
    if (!kvrec::WithinRecord(count))
        return -1;
    const WORD headLen = m_pHead ? m_wHeadLen : 0;
    WriteStreamHeader(*this, buffer);
    if (headLen > 0)
        std::memcpy(buffer + kHeaderSize, m_pHead, headLen);
    WriteStreamRefs(*this, buffer + kHeaderSize + headLen);
    return static_cast<short>(kHeaderSize + headLen + count * kRefSize);
}
