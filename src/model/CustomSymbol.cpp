// The object form of a custom symbol: its drawing objects, and the block read from and written into its head.
#include "model/CustomSymbol.h"

void CCustomSymbolObject::ResizeObject(int, CPoint, CPoint)
{
    KV_PENDING("CCustomSymbolObject::ResizeObject");
}

void CCustomSymbolObject::OffsetStroke(POINT)
{
    KV_PENDING("CCustomSymbolObject::OffsetStroke");
}

CRect CCustomSymbolObject::GetBoundingRect(int)
{
    KV_PENDING("CCustomSymbolObject::GetBoundingRect");
    return m_rect;
}

CCustomSymbol::~CCustomSymbol()
{
    for (int i = 0; i < m_listObject.GetSize(); ++i)
        delete m_listObject.GetAt(i);
    m_listObject.RemoveAll();
}

int CCustomSymbol::ReadBlock(const unsigned char*, int)
{
    KV_PENDING("CCustomSymbol::ReadBlock");
    return 0;
}

int CCustomSymbol::WriteBlock(std::vector<unsigned char>&)
{
    KV_PENDING("CCustomSymbol::WriteBlock");
    return 0;
}
