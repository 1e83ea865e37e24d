// The drawing pass: construction, opening and closing a pass on a device
// context, zoom and origin, the glyph-extent table and the screen texture.

#include "render/ScoreView.h"

BOOL bScreenMode = 1;
CSize sizeGlyphExtent[256];

struct CScoreView::OuterPass {
};

CScoreView::CScoreView()
{
    KV_PENDING("CScoreView::CScoreView");
}

CScoreView::~CScoreView()
{
    KV_PENDING("CScoreView::~CScoreView");
}

short CScoreView::CreateCustomFont()
{
    KV_PENDING("CScoreView::CreateCustomFont");
    return -1;
}

short CScoreView::KVOpen(CDC*, CKVDoc*, int, int)
{
    KV_PENDING("CScoreView::KVOpen");
    return -1;
}

short CScoreView::KVClose()
{
    KV_PENDING("CScoreView::KVClose");
    return 1;
}

short CScoreView::KVSetExpandTimes(short, short, short, short)
{
    KV_PENDING("CScoreView::KVSetExpandTimes");
    return 0;
}

short CScoreView::KVSetExpandTimes(short vx, short vy)
{
    return KVSetExpandTimes(100, 100, vx, vy);
}

short CScoreView::KVSetOrgXY(LONG x, LONG y)
{
    m_lOrgX = x;
    m_lOrgY = y;
    return 1;
}

void CScoreView::KVGetOrgXY(LONG& x, LONG& y)
{
    x = m_lOrgX;
    y = m_lOrgY;
}

void CScoreView::UpdatePosY(short)
{
    KV_PENDING("CScoreView::UpdatePosY");
}

void CScoreView::SetResDll(HINSTANCE module)
{
    m_hResDll = module;
}

CDC* CScoreView::GetMemoryDC()
{
    return m_pDC;
}
