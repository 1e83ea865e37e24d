// Pasting a clipboard staff into a staff, measure by measure.

#include "model/KVStaff.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "edit/PasteState.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"

short CKVStaff::Paste(CKVStaff* source, BYTE voice, short x, LONG meas, int overwrite, int autoBeam, int backup)
{
    if (!source || !m_pSystem || meas < 0 || meas >= GetMeasNum())
        return -1;
    if (!CheckAvailableMemory(kPasteFreeBytes))
        return -1;
    ClearCopyPtrMap();
    m_pSystem->ReleaseKey();
    for (LONG j = 0; j < source->GetMeasNum() && meas + j < GetMeasNum(); ++j) {
        CKVMeas* from = source->GetMeas(j);
        CKVMeas* target = GetMeas(meas + j);
        if (!from || !target || from->GetMsgNum() == 0)
            continue;
        if (backup) {
            // The backup copies through the same map; the paste's own
            // entries come back once the clone exists.
            const CopyPtrMapEntries saved = SaveCopyPtrMap();
            target->ObjectBackup(kBackupRecorded, 1);
            RestoreCopyPtrMap(saved);
            if (CKVMeas* live = target->GetCurBackupObj())
                target = live;
        }
        target->CopyMsg(x, voice, from, overwrite, autoBeam);
    }
    return 1;
}
