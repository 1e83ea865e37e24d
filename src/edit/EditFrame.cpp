// The command frame: undo step and backup, the reached symbols each once,
// the modified flag.

#include "edit/EditFrame.h"

#include "document/CopyPtrMap.h"
#include "document/KVDoc.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

#include <algorithm>

namespace {

void VisitMembers(CKVMeas& meas, CKVMsg& msg, const std::function<void(CKVMeas&, CKVMsg&)>& visit)
{
    visit(meas, msg);
    if (msg.m_byKind != MSG_BEAM && msg.m_byKind != MSG_CHORD)
        return;
    tickmath::ForEachChild(msg, [&](CKVMsg* member, short) {
        if (tickmath::IsNoteRestChord(*member))
            VisitMembers(meas, *member, visit);
        return false;
    });
}

void VisitStaves(CKVStaffPtrArray* staves, CEditFrame::Members members,
                 const std::function<void(CKVMeas&, CKVMsg&)>& visit)
{
    for (int s = 0; staves && s < staves->GetSize(); ++s) {
        CKVStaff* staff = staves->GetAt(s);
        for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            if (!meas)
                continue;
            tickmath::ForEachChild(*meas, [&](CKVMsg* msg, short) {
                if (members == CEditFrame::Members::Included)
                    VisitMembers(*meas, *msg, visit);
                else
                    visit(*meas, *msg);
                return false;
            });
        }
    }
}

// Backs up into the open step each of `measures` that it does not hold yet,
// then the measures outside them that hold the far ends of their ties and
// slurs; the live copies of `measures`, in order.
std::vector<CKVMeas*> HoldWithFarEnds(CKVDoc& doc, const std::vector<CKVMeas*>& measures)
{
    std::vector<CKVMeas*> live;
    for (CKVMeas* meas : measures) {
        // A column backup of an earlier measure may have taken this one.
        if (meas->IsCurrentObj() && !doc.IsMeasInOpenStep(meas))
            meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        live.push_back(meas->GetCurBackupObj() ? meas->GetCurBackupObj() : meas);
    }
    std::vector<CKVMeas*> far;
    for (CKVMeas* meas : live)
        tielink::CollectFarEnds(
            *meas, [&](const CKVMeas* m) { return std::find(live.begin(), live.end(), m) != live.end(); }, far);
    for (CKVMeas* meas : far) {
        if (meas->IsCurrentObj() && !doc.IsMeasInOpenStep(meas))
            meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    }
    return live;
}

} // namespace

CEditFrame::CEditFrame(CKVDoc& doc, Use use) : m_doc(doc), m_use(use) {}

bool CEditFrame::Open()
{
    m_doc.ResetBackup();
    if (WholeScore())
        return m_doc.ObjectBackup(1) != 0;
    if (!m_doc.SelMeasBackup(1))
        return false;
    m_doc.SelFarEndBackup();
    BackUpUnheld();
    return true;
}

void CEditFrame::BackUpUnheld()
{
    if (!WholeScore())
        BackUpUnheld(m_doc.GetSelMsgCount());
}

bool CEditFrame::BackUpUnheld(int count)
{
    std::vector<CKVMsg*> reached;
    for (int i = 0; i < count; ++i)
        reached.push_back(m_doc.GetSelNote(i, 0));
    return BackUpMissed(m_doc, reached);
}

bool CEditFrame::WholeScore() const
{
    return m_doc.m_bSelectAllPages != 0;
}

bool CEditFrame::VoiceMatches(const CKVMsg& msg, int voice)
{
    const BYTE wanted = static_cast<BYTE>(voice & 0xFF);
    return wanted == 0 || msg.m_byVoice == wanted;
}

void CEditFrame::Take(CKVMsg* msg, int voice, std::vector<CKVMsg*>& out)
{
    if (!msg || !VoiceMatches(*msg, voice))
        return;
    if (!m_given.insert(msg->m_dwMsgId).second)
        return;
    out.push_back(msg);
}

std::vector<CKVMsg*> CEditFrame::FromCollection(const std::function<int()>& count, int voice)
{
    int n = count();
    if (m_use == Use::Edit && BackUpUnheld(n))
        n = count();
    std::vector<CKVMsg*> out;
    for (int i = 0; i < n; ++i)
        Take(m_doc.GetSelNote(i, 0), voice, out);
    return out;
}

std::vector<CKVMsg*> CEditFrame::Collect(int voice, Members members)
{
    if (!WholeScore())
        return FromCollection([this] { return m_doc.GetSelMsgCount(); }, voice);
    std::vector<CKVMsg*> out;
    ForEachLiveMsg(m_doc, members, [&](CKVMeas&, CKVMsg& msg) { Take(&msg, voice, out); });
    return out;
}

std::vector<CKVMsg*> CEditFrame::CollectRecord(short record, int voice)
{
    if (WholeScore())
        return Collect(voice);
    return FromCollection([this, record] { return m_doc.GetSelMsgCount(record); }, voice);
}

bool CEditFrame::BackUpMissed(CKVDoc& doc, const std::vector<CKVMsg*>& msgs)
{
    // The collection may reach a measure that the walk of the records passed
    // over (a rectangle over a block whose measures have no places yet, say).
    if (!doc.IsReqBackup())
        return false;
    std::vector<CKVMeas*> missed;
    for (CKVMsg* msg : msgs) {
        CKVMeas* meas = msg ? tickmath::MeasureOf(msg) : nullptr;
        if (meas && meas->IsCurrentObj() && !doc.IsMeasInOpenStep(meas) &&
            std::find(missed.begin(), missed.end(), meas) == missed.end())
            missed.push_back(meas);
    }
    for (CKVMeas* meas : HoldWithFarEnds(doc, missed))
        doc.SetInvalidRect(doc.GetBlockByMeas(meas), meas);
    return !missed.empty();
}

void CEditFrame::Close()
{
    m_doc.m_bModified = 1;
}

std::vector<DWORD> CEditFrame::Ids(const std::vector<CKVMsg*>& msgs)
{
    std::vector<DWORD> ids;
    ids.reserve(msgs.size());
    for (const CKVMsg* msg : msgs)
        ids.push_back(msg->m_dwMsgId);
    return ids;
}

CKVMsg* CEditFrame::Live(CKVDoc& doc, DWORD id)
{
    // A freed symbol leaves its slot empty; one taken out of the score for
    // undo stands in a measure that is no longer the current one.
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    CKVMsg* msg = master ? master->GetMsgFromMap(id) : nullptr;
    CKVMeas* meas = msg ? tickmath::MeasureOf(msg) : nullptr;
    return meas && meas->IsCurrentObj() ? msg : nullptr;
}

void CEditFrame::ForEachLiveMsg(CKVDoc& doc, Members members, const std::function<void(CKVMeas&, CKVMsg&)>& visit)
{
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    if (!master)
        return;
    VisitStaves(master->m_pStaffArray, members, visit);
    VisitStaves(master->m_pOssiaStaffArray, members, visit);
}

CRecordWalk::CRecordWalk(CKVDoc& doc) : m_doc(doc) {}

bool CRecordWalk::Open()
{
    ClearCopyPtrMap();
    m_doc.m_arrSelMsgId.RemoveAll();
    m_doc.ResetBackup();
    // Backing up puts clones into the map, which marks the document
    // modified; these commands mark it only when they change a symbol.
    const BOOL modified = m_doc.m_bModified;
    const bool backedUp = m_doc.SelMeasBackup(1) != 0;
    m_doc.m_bModified = modified;
    return backedUp;
}

void CRecordWalk::PageSymbols(short pageIndex, const CRect& rect, const std::function<bool(CKVMsg&)>& takes,
                              const std::function<void(CKVMsg&)>& onPageSymbol)
{
    CKVPage* page = m_doc.GetPage(pageIndex);
    for (short i = 0; page && i < page->GetMsgNum(); ++i) {
        CKVMsg* msg = page->GetMsg(i);
        if (!msg || !takes(*msg) || !selhit::PageSymbolMeets(*msg, rect))
            continue;
        if (m_pagesBackedUp.insert(pageIndex).second) {
            page->ObjectBackup(kBackupRecorded);
            page = m_doc.GetPage(pageIndex);
            msg = page ? page->GetNewPtr2(msg) : nullptr;
        }
        if (msg)
            onPageSymbol(*msg);
    }
}

CKVMeas* CRecordWalk::HeldInStep(const selhit::MeasPlace& place)
{
    // A tie or slur that the walk reaches from its end note is its start
    // note's, in the other measure: that one is backed up too.
    if (!m_doc.IsReqBackup())
        return place.meas;
    return HoldWithFarEnds(m_doc, {place.meas}).front();
}

void CRecordWalk::Run(const std::function<bool(CKVMsg&)>& takes, const std::function<void(CKVMsg&)>& onPageSymbol,
                      const MeasTest& changes, const MeasVisit& onMeas)
{
    if (!m_doc.m_pSelRectArray)
        return;
    for (int r = 0; r < m_doc.m_pSelRectArray->GetSize(); ++r) {
        const SelRect* rec = static_cast<SelRect*>(m_doc.m_pSelRectArray->GetAt(r));
        if (!rec)
            continue;
        if (rec->nKind == SelRect::kRect) {
            for (short p = 0; p < m_doc.GetPageNum(); ++p) {
                if (!rec->pPage || m_doc.GetPage(p) == rec->pPage)
                    PageSymbols(p, CRect(rec->rect), takes, onPageSymbol);
            }
        }
        // A page backup hands the record the page's live copy.
        const SelRect now = *static_cast<SelRect*>(m_doc.m_pSelRectArray->GetAt(r));
        selhit::ForEachMeas(m_doc, now, [&](const selhit::MeasPlace& place) {
            const CRect test = selhit::TestRect(now, *place.block, place.staff, place.meas, selhit::kRightEdgeAsStored);
            if (::IsRectEmpty(&test) || !changes(place, test))
                return true;
            selhit::MeasPlace live = place;
            live.meas = HeldInStep(place);
            if (live.meas)
                onMeas(live, test);
            return true;
        });
    }
}
