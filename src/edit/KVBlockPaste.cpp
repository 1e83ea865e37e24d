// Pasting a clipboard system into a block's staves and measures.

#include "model/KVBlock.h"

#include "MemoryGuard.h"
#include "edit/PasteState.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "timing/VoiceRoom.h"

short CKVBlock::Paste(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas, int overwrite,
                      int autoBeam, int backup)
{
    if (!TakesPaste(source, voice, x, firstStaff, meas, overwrite))
        return -1;
    PlaceJudgedPaste(source, voice, x, firstStaff, meas, overwrite, autoBeam, backup);
    return 1;
}

bool CKVBlock::TakesPaste(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas, int overwrite,
                          const CVoiceRoom* before)
{
    return source && TakesPasteAt(firstStaff, meas) && PasteFits(source, voice, x, firstStaff, meas, overwrite, before) &&
           CheckAvailableMemory(kPasteFreeBytes);
}

void CKVBlock::PlaceJudgedPaste(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas,
                                int overwrite, int autoBeam, int backup)
{
    // Source staff k goes to block staff firstStaff + k while both exist.
    for (short k = 0; k < source->GetStaffNum() && firstStaff + k < GetStaffNum(); ++k) {
        CKVStaff* target = GetStaff(static_cast<short>(firstStaff + k));
        if (target)
            target->Paste(source->GetStaff(k), voice, x, meas, overwrite, autoBeam, backup);
    }
}

bool CKVBlock::TakesPasteAt(short firstStaff, short meas)
{
    // The staves of a block share its measures, so the first target speaks
    // for all: a measure past its end would leave every staff unchanged.
    CKVStaff* first = GetStaff(firstStaff);
    return first && meas >= 0 && meas < first->GetMeasNum();
}

bool CKVBlock::PasteFits(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas, int overwrite,
                         const CVoiceRoom* before)
{
    if (!source)
        return true;
    // The staves and measures that CKVStaff::Paste and CKVMeas::CopyMsg
    // pair up; each pasted voice joins the same voice, or all join `voice`.
    // An overwrite takes the place of what it covers, so only the symbols
    // it brings count. The beam groups of the voices pasted into break from
    // x on and give the measure their members; automatic beams may group
    // them again, which is not counted on.
    CVoiceRoom room = before ? *before : CVoiceRoom();
    for (short k = 0; k < source->GetStaffNum() && firstStaff + k < GetStaffNum(); ++k) {
        CKVStaff* from = source->GetStaff(k);
        CKVStaff* target = GetStaff(static_cast<short>(firstStaff + k));
        for (LONG j = 0; from && target && j < from->GetMeasNum() && meas + j < target->GetMeasNum(); ++j) {
            CKVMeas* pasted = from->GetMeas(j);
            CKVMeas* into = target->GetMeas(meas + j);
            if (!pasted || !into || pasted->GetMsgNum() == 0 || into->IsRestCompMeas(nullptr) != 0 ||
                into->m_nLength <= 0)
                continue;
            room.AddSymbols(*into, pasted->GetMsgNum());
            for (int v = 1; v <= CKVMeas::VOICES; ++v) {
                if (voice == 0 || v == voice)
                    room.Dissolve(*into, static_cast<BYTE>(v), x, static_cast<short>(CKVMeas::SCALE));
            }
            for (int v = 0; v <= CKVMeas::VOICES && !overwrite; ++v) {
                const BYTE to = voice != 0 ? voice : static_cast<BYTE>(v);
                room.Add(*into, to, pasted->GetCurWholeCountDouble(static_cast<BYTE>(v), -1));
            }
        }
    }
    return room.Fits();
}
