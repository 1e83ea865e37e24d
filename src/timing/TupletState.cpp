#include "timing/TupletState.h"

namespace {

WORD s_importStyle = 0;
int s_deleted = 0;
int s_rangeWise = 1;

void ResetTupletState()
{
    s_importStyle = 0;
    s_deleted = 0;
    s_rangeWise = 1;
}

KvProcessReset s_reset("tuplet state", &ResetTupletState);

} // namespace

WORD GetImportTupletStyle()
{
    return s_importStyle;
}

void SetImportTupletStyle(WORD style)
{
    s_importStyle = style;
}

int GetTupletDeleted()
{
    return s_deleted;
}

void SetTupletDeleted(int value)
{
    s_deleted = value;
}

int GetRangeTupletFlag()
{
    return s_rangeWise;
}

void SetRangeTupletFlag(int value)
{
    s_rangeWise = value;
}
