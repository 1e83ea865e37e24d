#include "document/BackupState.h"

#include "Platform.h"

namespace {

int s_keepIds = 1;

void ResetKeepIds()
{
    s_keepIds = 1;
}

KvProcessReset s_reset("keep-ids flag", &ResetKeepIds);

} // namespace

int GetKeepIds()
{
    return s_keepIds;
}

void SetKeepIds(int keep)
{
    s_keepIds = keep;
}
