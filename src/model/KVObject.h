#pragma once
// The base of every node of the score tree: symbol, measure, staff and
// system. A node holds its children as references (message id plus an
// ownership flag) that it resolves through its system's id map each time it
// hands a child out.

#include "ObjectPool.h"
#include "Platform.h"

class CKVMsg;
class CKVSystem;
class CKVCtrlPoint;

// Object kinds of the nodes (the kind byte), and the parent kind of a
// symbol that a page holds.
enum ObjKind : BYTE {
    OBJ_MSG = 1,
    OBJ_MEAS = 2,
    OBJ_STAFF = 3,
    OBJ_OSSIA_STAFF = 4,
    OBJ_SYSTEM = 5,
    OBJ_PAGE = 7,
};

// One child reference.
struct MsgRef {
    DWORD dwMsgId = 0;
    BYTE byOwner = 0; // 1: the holder owns the symbol

    KV_POOLED_ALLOCATION
};

namespace kvrec {

// Every record of a node, and its stream form, counts the node's own
// symbols in one byte.
inline constexpr int kMaxChildren = 255;

// Whether a node holding `count` symbols of its own fits its record.
constexpr bool WithinRecord(int count)
{
    return count <= kMaxChildren;
}

} // namespace kvrec

// How AddMsg and InsertMsg take a symbol in.
inline constexpr unsigned char kHolderLinks = 0; // the reference only links a symbol owned elsewhere
inline constexpr unsigned char kHolderOwns = 1;  // the holder owns the symbol; AddMsg maps it anew
inline constexpr int kParentAbove = 0;           // the holder's own parent becomes the symbol's parent
inline constexpr int kParentHere = 1;            // the holder becomes the symbol's parent

// Hit-tests: whether a note offers all its handles or only its head (and a
// symbol its children too, or only itself), and which pair of a tie's or
// slur's handles is offered: the second pair through the note that owns it.
inline constexpr int kAllHandles = 0;
inline constexpr int kHeadOnly = 1;
inline constexpr int kFirstPair = 0;
inline constexpr int kSecondPair = 1;

class CKVObject {
public:
    // Nodes and every class derived from them come from the object pool.
    KV_POOLED_ALLOCATION

    // Defined in model/KVObject.cpp
    CKVObject();
    virtual ~CKVObject();

    virtual void Initialize(CKVSystem* system, short objectKind);
    virtual short AddMsg(CKVMsg* msg, unsigned char owner, int parentIsThis);

    short InsertMsg(short index, CKVMsg* msg, unsigned char owner, int parentIsThis);
    short TemporaryMsg(CKVMsg* msg);
    void RemoveMsgAt(short index);
    void RemoveAllMsg();
    CKVMsg* GetMsg(short index);
    short GetMsgNum() const { return static_cast<short>(m_arrMsgRef.GetSize()); }

    short SetHead(short length, unsigned char* bytes);
    short GetHead(unsigned char** head);

    // The older stream form of the node record.
    short Save(CFile* file);
    short Load(CFile* file);
    short CopyToBuff(unsigned char* buffer);

    // Defined in this header
    void SetObjectType(short objectKind) { m_byObjKind = static_cast<BYTE>(objectKind); }

    // Deleted here
    CKVObject(const CKVObject&) = delete;

    // Defined in model/KVObjectCtrl.cpp
    // The node copy: kind, words, a copy of the head, system, new copies of
    // the control handles, the handle bytes, parent, page link and parent
    // kind. Child references are not copied.
    CKVObject& operator=(const CKVObject& source);

    // Hit-testing. Points are relative to the symbol's anchor; origin is the
    // drawing origin of the exact outline test. Result 1 on a hit, and the
    // pointed handle byte names the handle or part that was hit.
    int GetCtrlPoint(POINT pt, POINT origin, int headOnly, int secondPair);
    // Tests the children first, then the node itself.
    CKVMsg* GetCtrlPointedMsg(POINT pt, int ownOnly, POINT origin, int secondPair);
    // Tests a beam group or chord and its members; pt is relative to the
    // measure.
    CKVMsg* GetCtrlPointedChordBeamMsg(POINT pt, POINT origin, int ownOnly);
    // The note or rest whose anchor lies in r (measure coordinates).
    CKVMsg* GetPointedNoteMsg(RECT r);

    // Vertical distances at the size of the staff that holds the node.
    short ConvertYbyZoom(short y);  // y at 100 % -> y at the staff's size
    short InvertYbyZoom(short y);   // y at the staff's size -> y at 100 %
    // The handle rectangle `in` (handle index `handle`) at the staff's size.
    void ConvertRectByZoom(CRect& in, CRect& out, short handle);

    // Defined in document/KVObjectCopy.cpp
    // Deep copies: the node part and new copies of the owned children.
    // CreateFrom also re-links the ties and slurs of the copies.
    int CreateFrom(CKVObject* source);
    int CreateFromEqually(CKVObject* source);

    // Defined in document/KVObjectRecord.cpp
    // The record form of the node: header, head and child references, with
    // the owned children's records behind their references. Write appends at
    // *used and may replace the buffer by a larger one; Read reads at *pos
    // and advances it. Both give 1 on success, 0 on failure.
    int Write(unsigned char*& buffer, DWORD* used, DWORD* capacity);
    int Read(unsigned char* buffer, DWORD* pos, DWORD* length);

    // Defined in edit/KVObjectPaste.cpp
    // Copies the node part of source without its children.
    void Copy(CKVObject& source);

    // Fields, in an order that leaves no gaps: a score holds a node per
    // symbol, and every eight bytes of each count.
    BYTE m_byObjKind = 1;       // 1 symbol, 2 measure, 3 staff, 4 ossia staff, 5 system
    BYTE m_byParentKind = 0;    // object kind of the parent; 7 for a page
    signed char m_cPointedCtrl = -1; // handle found by the last hit-test
    BYTE m_byCtrlCount = 0;     // handles that the node's kind gets
    DWORD m_dwMsgId = 0;        // slot in the system's id map; 0 none
    CKVObject* m_pParent = nullptr;
    CKVSystem* m_pSystem = nullptr;
    void* m_pPage = nullptr;    // the page of a page-level symbol
    DWORD m_dwWord = 0;         // meaning fixed by the subclass
    WORD m_wObjWord = 0;        // meaning fixed by the subclass
    WORD m_wHeadLen = 0;
    unsigned char* m_pHead = nullptr; // from KvPoolAllocate; SetHead replaces it
    CTypedPtrArray<CPtrArray, MsgRef*> m_arrMsgRef;
    CTypedPtrArray<CPtrArray, CKVCtrlPoint*> m_arrCtrlPoint;
};

// The process-wide system that CompareChildMsgOrder resolves ids through.
extern CKVSystem* pSortSystem;

// The order of a node's children: x ascending, then the larger vertical
// position first; references that no longer resolve come after all others.
// Negative, 0 or positive as a comes before, with or after b.
int CompareChildMsgOrder(const MsgRef* a, const MsgRef* b);

// Defined in model/KVObjectCtrl.cpp
// The point that the document's hit-test last tested, taken by ties and
// slurs in place of the point relative to their note.
extern POINT ptLastPointed;
