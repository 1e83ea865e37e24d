#include "model/KVMultiBackup.h"

void CKVMultiBackup::SetCurrentFlag2BackupObj()
{
    m_nCurrent = 0;
    if (m_pBackupLink)
        m_pBackupLink->m_nCurrent = 1;
}
