#include "render/FontDatas.h"

CFontDatas::CFontDatas()
{
    KV_PENDING("CFontDatas::CFontDatas");
}

CFontDatas::~CFontDatas()
{
    KV_PENDING("CFontDatas::~CFontDatas");
}

BYTE CFontDatas::GetCharSet(BYTE)
{
    KV_PENDING("CFontDatas::GetCharSet");
    return 0;
}

int CFontDatas::GetFontName(int, char*)
{
    KV_PENDING("CFontDatas::GetFontName");
    return 0;
}

BYTE CFontDatas::GetPitchAndFamily(BYTE)
{
    KV_PENDING("CFontDatas::GetPitchAndFamily");
    return 0;
}
