// The score symbol: construction, copy, destruction, the virtual slots and
// the older stream form.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVSystem.h"
#include "model/MsgRecord.h"

namespace {


// Fills the symbol record. The mark bytes, the accidental and dot byte, the
// layout words and the reserved bytes are not part of this form and stay 0,
// so the same symbol always gives the same bytes.
void FillRecord(const CKVMsg& msg, BYTE* rec)
{
    for (int i = 0; i < MSG_RECORD_SIZE; ++i)
        rec[i] = 0;
    msgrecord::PutCommonFields(msg, rec);
}

} // namespace

CKVMsg::CKVMsg()
{
    // Every field starts at its declared initial value.
}

CKVMsg::CKVMsg(CKVObject* parent)
{
    if (parent) {
        CKVObject::Initialize(parent->m_pSystem, OBJ_MSG);
        m_pParent = parent;
        m_byParentKind = parent->m_byObjKind;
    }
}

CKVMsg::~CKVMsg()
{
    if (m_pSystem) {
        CTypedPtrArray<CPtrArray, CKVMsg*>& map = m_pSystem->m_arrMsgMap;
        if (m_byKind == MSG_TIE || m_byKind == MSG_SLUR) {
            // A tie or slur may sit in more than one slot.
            for (int i = 0; i < map.GetSize(); ++i) {
                if (map.GetAt(i) == this)
                    map.SetAt(i, nullptr);
            }
        } else if (m_pPage == nullptr && m_byParentKind != OBJ_PAGE) {
            // The map must never hold a freed symbol. Page-level symbols are
            // not in a map and may outlive the system, so they keep off it.
            if (m_dwMsgId < static_cast<DWORD>(map.GetSize()) &&
                map.GetAt(static_cast<int>(m_dwMsgId)) == this)
                map.SetAt(static_cast<int>(m_dwMsgId), nullptr);
            // Nor may the document go on naming the group or member that
            // grouping code joined last.
            if (CKVDoc* doc = m_pSystem->m_pDoc) {
                if (doc->m_pLastGroup == this)
                    doc->m_pLastGroup = nullptr;
                if (doc->m_pLastMember == this)
                    doc->m_pLastMember = nullptr;
            }
        }
    }
    m_arrAttachedId.RemoveAll();
}

CKVMsg& CKVMsg::operator=(const CKVMsg& source)
{
    if (this == &source)
        return *this;
    CKVObject::operator=(source);
    m_crColor = source.m_crColor;
    m_nPosX = source.m_nPosX;
    m_nPosY = source.m_nPosY;
    m_nPosX2 = source.m_nPosX2;
    m_nPosY2 = source.m_nPosY2;
    m_byReplace = source.m_byReplace;
    m_wSize = source.m_wSize;
    m_byKind = source.m_byKind;
    m_wHeadType = source.m_wHeadType;
    m_wDuration = source.m_wDuration;
    m_byVoice = source.m_byVoice;
    m_nPerformStart = source.m_nPerformStart;
    m_wFlag = source.m_wFlag;
    m_lHeight = source.m_lHeight;
    // The copy answers to the source's id until it is registered anew.
    m_dwMsgId = source.m_dwMsgId;
    m_nPlayTime = source.m_nPlayTime;
    m_nStartTime = source.m_nStartTime;
    m_byMark1 = source.m_byMark1;
    m_byMark2 = source.m_byMark2;
    m_byAccidental = source.m_byAccidental;
    m_byDots = source.m_byDots;
    m_nLayout1 = source.m_nLayout1;
    m_nLayout2 = source.m_nLayout2;
    m_nLayout3 = source.m_nLayout3;
    m_nLayout4 = source.m_nLayout4;
    m_bHeadShift = source.m_bHeadShift;
    return *this;
}

short CKVMsg::AddMsg(CKVMsg* msg, unsigned char owner, int parentIsThis)
{
    short index = GetSortedIndex(msg);
    if (index < 0)
        return index;
    return InsertMsg(index, msg, owner, parentIsThis);
}

short CKVMsg::SaveMsg(CFile* file)
{
    short nodeLength = CKVObject::Save(file);
    if (nodeLength <= 0)
        return -1; // the node refused and wrote nothing; neither do we
    BYTE rec[MSG_RECORD_SIZE];
    FillRecord(*this, rec);
    file->Write(rec, MSG_RECORD_SIZE);
    return static_cast<short>(nodeLength + MSG_RECORD_SIZE);
}

short CKVMsg::LoadMsg(CFile* file)
{
    short nodeLength = CKVObject::Load(file);
    if (nodeLength <= 0)
        return -1;
    BYTE rec[MSG_RECORD_SIZE];
    if (file->Read(rec, MSG_RECORD_SIZE) != static_cast<UINT>(MSG_RECORD_SIZE))
        return -1; // truncated: the symbol's own fields stay as they were
    m_byKind = rec[msgrecord::REC_KIND];
    msgrecord::GetCommonFields(*this, rec);
    // The id as stored; this form does not translate ids.
    m_dwMsgId = GetDword(rec + msgrecord::REC_ID);
    return static_cast<short>(nodeLength + MSG_RECORD_SIZE);
}

CSize CKVMsg::DrawMsg(CDC*, short, short, CKVDoc*, short)
{
    return CSize(0, 0);
}

CSize CKVMsg::DrawMsg(CDC*, CRect*, CKVCtrlTool*, CFontDatas*, short, int)
{
    return CSize(0, 0);
}

int CKVMsg::GetCtrlIndex(POINT& pt)
{
    // Draws the symbol in black on one white pixel, shifted so that pt falls
    // on that pixel. A memory DC draws without antialiasing, so the pixel
    // turns black only where the drawing itself covers it.
    const COLORREF colour = m_crColor;
    m_crColor = RGB(0, 0, 0);

    int result = -1;
    CBitmap pixel;
    CDC dc;
    if (pixel.CreateBitmap(1, 1, 1, 1, nullptr) && dc.CreateCompatibleDC(nullptr)) {
        CBitmap* previous = dc.SelectObject(&pixel);
        if (previous) {
            dc.PatBlt(0, 0, 1, 1, WHITENESS);
            DrawMsg(&dc, static_cast<short>(m_nLayout4 - pt.x), static_cast<short>(m_nLayout1 - pt.y), nullptr,
                    100);
            if (dc.GetPixel(0, 0) == RGB(0, 0, 0))
                result = 0;
            dc.SelectObject(previous);
        }
        dc.DeleteDC();
    }
    pixel.DeleteObject();

    m_crColor = colour;
    return result;
}

short CKVMsg::Save(CFile* file)
{
    if (m_byObjKind == OBJ_MSG)
        return SaveMsg(file);
    return SaveMask(file);
}

short CKVMsg::Load(CFile* file)
{
    if (m_byObjKind == OBJ_MSG)
        return LoadMsg(file);
    return LoadMask(file);
}

short CKVMsg::SaveMask(CFile*)
{
    return -1;
}

short CKVMsg::LoadMask(CFile*)
{
    return -1;
}

short CKVMsg::CopyToBuff(BYTE* buffer)
{
    short nodeLength = CKVObject::CopyToBuff(buffer);
    if (nodeLength < 0)
        return -1;
    FillRecord(*this, buffer + nodeLength);
    return static_cast<short>(nodeLength + MSG_RECORD_SIZE);
}
