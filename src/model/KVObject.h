#pragma once
// The base of every node of the score tree: symbol, measure, staff and
// system. A node holds its children as references (message id plus an
// ownership flag) that it resolves through its system's id map each time it
// hands a child out.

#include "Platform.h"

class CKVMsg;
class CKVSystem;
class CKVCtrlPoint;

// One child reference.
struct MsgRef {
    DWORD dwMsgId = 0;
    BYTE byOwner = 0; // 1: the holder owns the symbol
};

class CKVObject {
public:
    CKVObject();
    CKVObject(const CKVObject&) = delete;
    virtual ~CKVObject();

    virtual void Initialize(CKVSystem* system, short objectKind);
    virtual short AddMsg(CKVMsg* msg, unsigned char owner, int parentIsThis);

    short InsertMsg(short index, CKVMsg* msg, unsigned char owner, int parentIsThis);
    short TemporaryMsg(CKVMsg* msg);
    void RemoveMsgAt(short index);
    void RemoveAllMsg();
    CKVMsg* GetMsg(short index);
    short GetMsgNum() const;

    short SetHead(short length, unsigned char* bytes);
    short GetHead(unsigned char** head);

    // The older stream form of the node record.
    short Save(CFile* file);
    short Load(CFile* file);
    short CopyToBuff(unsigned char* buffer);

    // Fields.
    BYTE m_byObjKind = 1;       // 1 symbol, 2 measure, 3 staff, 4 ossia staff, 5 system
    BYTE m_byParentKind = 0;    // object kind of the parent; 7 for a page
    signed char m_cPointedCtrl = -1; // handle found by the last hit-test
    BYTE m_byCtrlCount = 0;     // handles that the node's kind gets
    CKVObject* m_pParent = nullptr;
    CKVSystem* m_pSystem = nullptr;
    void* m_pPage = nullptr;    // the page of a page-level symbol
    DWORD m_dwMsgId = 0;        // slot in the system's id map; 0 none
    DWORD m_dwWord = 0;         // meaning fixed by the subclass
    WORD m_wObjWord = 0;        // meaning fixed by the subclass
    WORD m_wHeadLen = 0;
    unsigned char* m_pHead = nullptr;
    CTypedPtrArray<CPtrArray, MsgRef*> m_arrMsgRef;
    CTypedPtrArray<CPtrArray, CKVCtrlPoint*> m_arrCtrlPoint;
};

// The process-wide system that CompareChildMsgOrder resolves ids through.
extern CKVSystem* pSortSystem;
