// Dragging the marked music away with the mouse and dropping it at the
// cursor: the drag packs the selection into the document's drag image, laid
// out as a clipboard image ("STAF" and a system record), and the drop pastes
// it through the measure-level paste. Drag and drop together form one undo
// step: the drag opens it and the drop's measure backups join it.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/ClipboardSystem.h"
#include "document/CopyPtrMap.h"
#include "document/RecordIO.h"
#include "document/SelRect.h"
#include "edit/PasteState.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

using namespace kvrec;

namespace {

constexpr unsigned char kVoiceMax = 8;
constexpr DWORD kWorkCapacity = 1000;
constexpr DWORD kSizeWord = 4;
constexpr size_t kTag = 4;
constexpr short kOutOfMemory = -1;

struct SystemDeleter {
    void operator()(CKVSystem* system) const { delete system; }
};
using TempSystem = std::unique_ptr<CKVSystem, SystemDeleter>;

// Every staff of the normal kind has its copied notes spelled in the key
// they came from.
void SpellCopiedNotes(CKVSystem& temp)
{
    for (short s = 0; s < temp.GetStaffNum(); ++s) {
        CKVStaff* staff = temp.GetStaff(s);
        if (!staff || staff->m_byStaffKind != CKVStaff::KIND_NORMAL)
            continue;
        for (LONG m = 0; m < staff->GetMeasNum(); ++m)
            staff->GetMeas(m)->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    }
}

// The image of the temporary system: size word, "STAF", the system record.
// The work buffer grows through the record writer's allocator; the image
// itself is a new[] block, as the document frees it with delete[]. Null
// when writing or allocating fails.
BYTE* PackImage(CKVSystem& temp)
{
    unsigned char* work = static_cast<unsigned char*>(std::malloc(kWorkCapacity));
    if (!work) {
        ReportOutOfMemory(1);
        return nullptr;
    }
    DWORD used = kSizeWord;
    DWORD capacity = kWorkCapacity;
    Writer out(work, &used, &capacity);
    const bool written = out.Append("STAF", kTag) && temp.Write(work, &used, &capacity);
    // The writer may have moved the buffer; it is owned from here on.
    BufferPtr owner(work);
    if (!written)
        return nullptr;
    PutU32(work, used);
    BYTE* image = new (std::nothrow) BYTE[used];
    if (!image) {
        ReportOutOfMemory(1);
        return nullptr;
    }
    std::memcpy(image, work, used);
    return image;
}

} // namespace

void CKVDoc::FreeDragImage()
{
    delete[] m_pDragImage;
    m_pDragImage = nullptr;
}

int CKVDoc::SelRectMouseDrag(unsigned char voice, int move)
{
    if (!m_pSelRectArray || m_pSelRectArray->GetSize() == 0 || voice > kVoiceMax || m_arrSystem.GetSize() == 0)
        return 0;
    SelRect* record = static_cast<SelRect*>(m_pSelRectArray->GetAt(0));
    if (!record)
        return 0;
    // A new drag replaces what an earlier one left; no drop may paste music
    // that this drag did not pick up.
    FreeDragImage();
    // A rectangle that names no page lies on the current page.
    SelRect first = *record;
    if (first.nKind == SelRect::kRect && !first.pPage && !(first.pPage = GetCurrentPage()))
        return 0;

    TempSystem temp(kvclip::NewTempSystem(*this));
    if (!temp)
        return 0;
    ResetBackup();

    // A drag image carries no page symbols: a move leaves them in place.
    kvclip::Carried carried;
    if (!kvclip::CopySelection(*this, *temp, first, voice, kvclip::kFirstRecordOnly, carried))
        return kOutOfMemory;
    if (temp->GetStaffNum() == 0)
        return 0;
    SpellCopiedNotes(*temp);

    // The image is made before anything is taken away, so that a failed
    // write leaves the selection where it was.
    BYTE* image = PackImage(*temp);
    if (!image)
        return 0;
    temp.reset();
    // A move whose delete is refused (it would crowd a measure past its
    // record) or cannot back its measures up takes nothing away and makes
    // no image: a drop would double the music.
    if (move && !DeleteCarriedSelection(voice, carried)) {
        delete[] image;
        return 0;
    }
    m_pDragImage = image;
    return 1;
}

int CKVDoc::SelRectMouseDrop(unsigned char voice, int overwrite, int autoBeam)
{
    if (!m_pDragImage || voice > kVoiceMax || m_arrSystem.GetSize() == 0)
        return 0;
    TempSystem temp(kvclip::NewTempSystem(*this));
    if (!temp)
        return 0;
    DWORD pos = 0;
    const DWORD total = GetU32(m_pDragImage);
    // Only a drag makes the image, always with staves; anything else is
    // unreadable.
    if (total < kSizeWord + kTag || temp->Construct(m_pDragImage, pos, total) < 0 || temp->GetStaffNum() == 0) {
        FreeDragImage();
        return 0;
    }

    // Without a block at the cursor there is nowhere to drop; the image
    // stays for another try.
    CKVPage* page = GetCurrentPage();
    CKVBlock* block = m_pCurBlock ? m_pCurBlock : (page ? page->GetBlock(m_nCurBlock) : nullptr);
    if (!block)
        return 0;
    m_pCurBlock = block;
    ClearCopyPtrMap();
    const short pasted = block->Paste(temp.get(), voice, m_nCaretPos, m_nCurStaff,
                                      static_cast<short>(block->m_nFirstMeas + m_nCurMeas), overwrite, autoBeam, 1);
    if (pasted < 0)
        return 0;

    // The caret goes where the pasted music ended: past a measure filled to
    // its end, into the next one at its start. The jump moves the caret, so
    // the paste x is set after it.
    if (nPasteEndPos >= CKVMeas::SCALE) {
        JumpToMeas(static_cast<int>(nPasteEndMeas + 2));
        m_nCaretPos = 0;
    } else {
        JumpToMeas(static_cast<int>(nPasteEndMeas + 1));
        m_nCaretPos = nPasteEndPos;
    }
    temp.reset();
    FreeDragImage();
    m_bRedrawPending = 0;
    m_bModified = 1;
    return 1;
}
