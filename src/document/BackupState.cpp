#include "document/BackupState.h"

namespace {

int s_nKeepIds = 1;
int s_nSelBackup = 0;
int s_nReplayDirection = 0;

void ResetBackupState()
{
    s_nKeepIds = 1;
    s_nSelBackup = 0;
    s_nReplayDirection = 0;
}

KvProcessReset s_reset("undo switches", &ResetBackupState);

} // namespace

int GetKeepIds()
{
    return s_nKeepIds;
}

void SetKeepIds(int keep)
{
    s_nKeepIds = keep;
}

int GetSelBackup()
{
    return s_nSelBackup;
}

void SetSelBackup(int on)
{
    s_nSelBackup = on;
}

int GetReplayDirection()
{
    return s_nReplayDirection;
}

void SetReplayDirection(int undo)
{
    s_nReplayDirection = undo;
}
