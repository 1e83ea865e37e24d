#include "timing/InsertState.h"

namespace {

int s_joinPermission = 1;
short s_accColumnWidth = 0;
CKVMsg* s_importLastChord = nullptr;
bool s_joinRefusedAtHeight = false;

void ResetInsertState()
{
    s_joinPermission = 1;
    s_accColumnWidth = 0;
    s_importLastChord = nullptr;
    s_joinRefusedAtHeight = false;
}

KvProcessReset s_reset("note insertion state", &ResetInsertState);

} // namespace

int GetJoinPermission()
{
    return s_joinPermission;
}

void SetJoinPermission(int value)
{
    s_joinPermission = value;
}

short GetAccColumnWidth()
{
    return s_accColumnWidth;
}

void SetAccColumnWidth(short width)
{
    s_accColumnWidth = width;
}

CKVMsg* GetImportLastChord()
{
    return s_importLastChord;
}

void SetImportLastChord(CKVMsg* chord)
{
    s_importLastChord = chord;
}

bool GetJoinRefusedAtHeight()
{
    return s_joinRefusedAtHeight;
}

void SetJoinRefusedAtHeight(bool refused)
{
    s_joinRefusedAtHeight = refused;
}
