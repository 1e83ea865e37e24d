// The document's selection as a clipboard image, and pasting an image back.
//
// An image is a u32 size (the word itself included), then "STAF" and the
// record of a temporary system holding the copied staves and measures when
// the copy has any, then "PAGE" and one symbol record per copied page-level
// symbol when there are some.

#include "document/KVDoc.h"

#include "AllocHook.h"
#include "document/ClipboardSystem.h"
#include "document/CopyPtrMap.h"
#include "document/RecordIO.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/MeasPlace.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "timing/VoiceRoom.h"

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace kvrec;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFF;
constexpr DWORD kWorkCapacity = 1000;
constexpr DWORD kSizeWord = 4;
constexpr size_t kTag = 4;
constexpr unsigned char kVoiceMax = 8;

struct SystemDeleter {
    void operator()(CKVSystem* system) const { delete system; }
};
using TempSystem = std::unique_ptr<CKVSystem, SystemDeleter>;

SelRect* RecordAt(CKVDoc& doc, int i)
{
    return static_cast<SelRect*>(doc.m_pSelRectArray->GetAt(i));
}

bool WriteImage(CKVSystem& temp, const SelRect& first, unsigned char*& work, DWORD& used, DWORD& capacity)
{
    Writer out(work, &used, &capacity);
    if (temp.GetStaffNum() > 0) {
        if (!out.Append("STAF", kTag) || !temp.Write(work, &used, &capacity))
            return false;
    }
    if (first.nKind != SelRect::kRect || !first.pPage)
        return true;
    const CRect rect(first.rect);
    bool tagged = false;
    for (short i = 0; i < first.pPage->GetMsgNum(); ++i) {
        CKVMsg* msg = first.pPage->GetMsg(i);
        if (!msg || !selhit::PageSymbolMeets(*msg, rect))
            continue;
        if (!tagged && !out.Append("PAGE", kTag))
            return false;
        tagged = true;
        if (!msg->Write(work, &used, &capacity))
            return false;
    }
    return true;
}

// The final buffer, through the counted allocation so that tests can make
// it fail.
unsigned char* NewImageBuffer(DWORD size)
{
    if (KvAllocationFails())
        return nullptr;
    return static_cast<unsigned char*>(std::malloc(size));
}

} // namespace

void CKVDoc::FollowLivePage(CKVPage*& page, CKVBlock*& block)
{
    // An undo backup of the page leaves its blocks with the copy kept for
    // undo; the cursor goes on in the page that stays in the score.
    CKVPage* live = page->GetCurBackupObj();
    if (!live || live == page)
        return;
    if (m_pCurPage == page)
        m_pCurPage = live;
    page = live;
    if (CKVBlock* current = page->GetBlock(m_nCurBlock))
        block = m_pCurBlock = current;
}

DWORD CKVDoc::CopyDataToMem(unsigned char*& image, unsigned char voice, int cut)
{
    if (!m_pSelRectArray || m_pSelRectArray->GetSize() == 0 || voice > kVoiceMax)
        return 0;
    if (!image)
        return kFailed;
    SelRect* first = RecordAt(*this, 0);
    if (!first || m_arrSystem.GetSize() == 0)
        return 0;
    TempSystem temp(kvclip::NewTempSystem(*this));
    if (!temp)
        return 0;

    kvclip::Carried carried;
    carried.pageSymbols = true;
    if (!kvclip::CopySelection(*this, *temp, *first, voice, kvclip::kEveryStaffRecord, carried))
        return kFailed;
    for (short s = 0; s < temp->GetStaffNum(); ++s) {
        CKVStaff* staff = temp->GetStaff(s);
        if (staff->m_byStaffKind != CKVStaff::KIND_NORMAL)
            continue;
        for (LONG m = 0; m < staff->GetMeasNum(); ++m)
            staff->GetMeas(m)->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    }

    unsigned char* work = static_cast<unsigned char*>(std::malloc(kWorkCapacity));
    if (!work)
        return kFailed;
    DWORD used = kSizeWord;
    DWORD capacity = kWorkCapacity;
    // The writer may move the work buffer; it is owned once written.
    const bool written = WriteImage(*temp, *first, work, used, capacity);
    BufferPtr workOwner(work);
    if (!written)
        return kFailed;
    PutU32(work, used);

    // The new buffer exists before anything is given up, so that a failure
    // leaves the caller's buffer and the score as they were. A cut whose
    // delete is refused (it would crowd a measure past its record) or
    // cannot back its measures up takes nothing away and keeps the
    // caller's buffer: an image of music still in the score would double
    // it when pasted.
    BufferPtr result(NewImageBuffer(used));
    if (!result)
        return kFailed;
    std::memcpy(result.get(), work, used);
    temp.reset();
    if (cut && !DeleteCarriedSelection(voice, carried))
        return kFailed;
    std::free(image);
    image = result.release();
    return used;
}

short CKVDoc::PastMemoryTo(unsigned char* image, unsigned char voice, int third, int fourth)
{
    if (!image)
        return -1;
    return PastMemoryTo(image, GetU32(image), voice, third, fourth);
}

short CKVDoc::PastMemoryTo(unsigned char* image, DWORD length, unsigned char voice, int, int fourth)
{
    if (voice > kVoiceMax)
        return 0;
    CKVPage* page = GetCurrentPage();
    if (!page || m_arrSystem.GetSize() == 0)
        return 0;
    CKVBlock* block = m_pCurBlock ? m_pCurBlock : page->GetBlock(m_nCurBlock);
    if (!block)
        return 0;
    ResetBackup();
    if (!image || length < kSizeWord)
        return -1;
    DWORD total = GetU32(image);
    if (total < kSizeWord || total > length)
        return -1;
    TempSystem temp(kvclip::NewTempSystem(*this));
    if (!temp)
        return -1;
    DWORD pos = 0;
    if (temp->Construct(image, pos, total) < 0)
        return -1;
    const bool staves = temp->GetStaffNum() > 0;
    const short firstMeas = static_cast<short>(block->m_nFirstMeas + m_nCurMeas);
    // A selected measure or staff goes whole, and the paste then starts at
    // the measure's beginning.
    bool fromStart = false;
    for (int i = 0; staves && i < m_pSelRectArray->GetSize(); ++i) {
        const SelRect* record = RecordAt(*this, i);
        fromStart = fromStart || (record && record->nKind >= SelRect::kMeas && record->nKind <= SelRect::kStaff);
    }
    const short x = fromStart ? 0 : m_nCaretPos;
    // A cursor on a staff or measure the block does not have takes nothing,
    // and a paste that would run a voice past its ticks or a measure past
    // its record nothing either, judged on the measures as the selection's
    // delete will leave them: refused before the selection goes or a page
    // symbol arrives.
    const bool deletes = staves && m_pSelRectArray->GetSize() > 0;
    CVoiceRoom deletion;
    if (deletes)
        ForecastSelDelete(voice, deletion);
    if (staves && !block->TakesPaste(temp.get(), voice, x, m_nCurStaff, firstMeas, 0, &deletion))
        return -1;

    // The selection goes before anything is added, so that the pasted
    // symbols are not deleted again and the paste stays one undo step.
    if (deletes) {
        m_nCaretPos = x;
        if (!DeleteMsgOnSelRect(voice))
            return -1;
        FollowLivePage(page, block);
    }

    if (pos + kTag <= total && std::memcmp(image + pos, "PAGE", kTag) == 0) {
        pos += kTag;
        page->ObjectBackup(kBackupRecorded);
        FollowLivePage(page, block);
        while (pos < total) {
            CKVMsg symbol;
            if (!symbol.Read(image, &pos, &total))
                return 0;
            AddMsg(page, &symbol, 1, 0);
        }
    }
    if (staves && block) {
        ClearCopyPtrMap();
        // The targets are the cursor's measures, which need not be the
        // selected ones: the paste backs them up itself in every case. It
        // was judged above, on the measures as the delete leaves them.
        block->PlaceJudgedPaste(temp.get(), voice, m_nCaretPos, m_nCurStaff, firstMeas, 0, fourth, 1);
        m_bModified = 1;
    }
    return 1;
}
