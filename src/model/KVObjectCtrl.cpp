// Control handles, hit-testing and staff-size conversion of score nodes, and
// the node copy.

#include "model/KVObject.h"

#include "MemoryGuard.h"
#include "model/KVCtrlPoint.h"
#include "model/NewObject.h"

#include <cstring>
#include <new>

CKVObject& CKVObject::operator=(const CKVObject& source)
{
    if (&source == this)
        return *this;
    m_byObjKind = source.m_byObjKind;
    m_wObjWord = source.m_wObjWord;
    m_dwWord = source.m_dwWord;

    delete[] m_pHead;
    m_pHead = nullptr;
    m_wHeadLen = 0;
    if (source.m_pHead && source.m_wHeadLen > 0) {
        m_pHead = new (std::nothrow) unsigned char[source.m_wHeadLen];
        if (m_pHead) {
            std::memcpy(m_pHead, source.m_pHead, source.m_wHeadLen);
            m_wHeadLen = source.m_wHeadLen;
        } else {
            ReportOutOfMemory(1);
        }
    }
    m_pSystem = source.m_pSystem;

    for (int i = 0; i < m_arrCtrlPoint.GetSize(); ++i)
        delete m_arrCtrlPoint.GetAt(i);
    m_arrCtrlPoint.RemoveAll();
    for (int i = 0; i < source.m_arrCtrlPoint.GetSize(); ++i) {
        const CKVCtrlPoint* handle = source.m_arrCtrlPoint.GetAt(i);
        CKVCtrlPoint* copy = nullptr;
        if (handle) {
            copy = KvNewReported<CKVCtrlPoint>();
            if (!copy) {
                // The copy keeps the handles made so far and stops here.
                return *this;
            }
            *copy = *handle;
        }
        m_arrCtrlPoint.Add(copy);
    }

    m_cPointedCtrl = source.m_cPointedCtrl;
    m_byCtrlCount = source.m_byCtrlCount;
    m_pParent = source.m_pParent;
    m_pPage = source.m_pPage;
    m_byParentKind = source.m_byParentKind;
    return *this;
}

int CKVObject::GetCtrlPoint(POINT, POINT, int, int)
{
    KV_PENDING("CKVObject::GetCtrlPoint");
    return 0;
}

CKVMsg* CKVObject::GetCtrlPointedMsg(POINT, int, POINT, int)
{
    KV_PENDING("CKVObject::GetCtrlPointedMsg");
    return nullptr;
}

CKVMsg* CKVObject::GetCtrlPointedChordBeamMsg(POINT, POINT, int)
{
    KV_PENDING("CKVObject::GetCtrlPointedChordBeamMsg");
    return nullptr;
}

CKVMsg* CKVObject::GetPointedNoteMsg(RECT)
{
    KV_PENDING("CKVObject::GetPointedNoteMsg");
    return nullptr;
}

// The node whose object word gives the staff size for this node: for a
// member of a chord or beam group three parents up, for a symbol of a measure
// the measure's staff, for a node held by a staff the node itself. Null when
// there is none.
static CKVObject* ZoomSource(CKVObject* node)
{
    CKVObject* parent = node->m_pParent;
    if (!parent)
        return nullptr;
    CKVObject* found = nullptr;
    switch (parent->m_byObjKind) {
    case OBJ_MSG:
        found = parent->m_pParent ? parent->m_pParent->m_pParent : nullptr;
        break;
    case OBJ_MEAS:
        found = parent->m_pParent;
        break;
    case OBJ_STAFF:
    case OBJ_OSSIA_STAFF:
        return node;
    default:
        return nullptr;
    }
    if (!found || (found->m_byObjKind != OBJ_STAFF && found->m_byObjKind != OBJ_OSSIA_STAFF))
        return nullptr;
    return found;
}

// The staff size in percent; 0 when it cannot scale (no staff, or a size
// word that damaged data left at 0 or negative).
static int ZoomPercent(CKVObject* node)
{
    CKVObject* source = ZoomSource(node);
    if (!source)
        return 0;
    const short size = static_cast<short>(source->m_wObjWord);
    return size > 0 ? size : 0;
}

short CKVObject::ConvertYbyZoom(short y)
{
    const int size = ZoomPercent(this);
    if (size == 0)
        return y;
    return static_cast<short>(MulDiv(y, size, 100));
}

short CKVObject::InvertYbyZoom(short y)
{
    const int size = ZoomPercent(this);
    if (size == 0)
        return y;
    return static_cast<short>(MulDiv(y, 100, size));
}

void CKVObject::ConvertRectByZoom(CRect& in, CRect& out, short)
{
    KV_PENDING("CKVObject::ConvertRectByZoom");
    out = in;
}
