#include "timing/InsertState.h"

namespace {

int s_joinPermission = 1;
short s_accColumnWidth = 0;
CKVMsg* s_importLastChord = nullptr;
InsertRefusal s_insertRefusal = InsertRefusal::None;
int s_duplicateDrop = 1;

void ResetInsertState()
{
    s_joinPermission = 1;
    s_accColumnWidth = 0;
    s_importLastChord = nullptr;
    s_insertRefusal = InsertRefusal::None;
    s_duplicateDrop = 1;
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

InsertRefusal GetInsertRefusal()
{
    return s_insertRefusal;
}

void SetInsertRefusal(InsertRefusal why)
{
    s_insertRefusal = why;
}

int GetDuplicateDrop()
{
    return s_duplicateDrop;
}

void SetDuplicateDrop(int value)
{
    s_duplicateDrop = value;
}
