// The fret-diagram and rhythm images.

#include "drag/TempChordSymbol.h"

namespace {

// Zeroes a message's position words and gives them back on leaving.
class ZeroedWords {
public:
    explicit ZeroedWords(CKVMsg& msg) : m_msg(msg), m_x(msg.m_nPosX), m_y(msg.m_nPosY)
    {
        msg.m_nPosX = 0;
        msg.m_nPosY = 0;
    }
    ~ZeroedWords()
    {
        m_msg.m_nPosX = m_x;
        m_msg.m_nPosY = m_y;
    }
    ZeroedWords(const ZeroedWords&) = delete;
    ZeroedWords& operator=(const ZeroedWords&) = delete;

private:
    CKVMsg& m_msg;
    short m_x;
    short m_y;
};

} // namespace

void CTempFretBoard::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    {
        ZeroedWords zero(*this);
        m_rcBound = CFretBoard::DrawFrame(dc, 100, static_cast<DWORD>(m_ptPos.x), static_cast<DWORD>(m_ptPos.y));
    }
    m_bMeasured = 1;
}

void CTempRhythm::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    {
        ZeroedWords zero(*this);
        m_rcBound = CRhythm::DrawFrame(dc, m_nZoom, static_cast<DWORD>(m_ptPos.x), static_cast<DWORD>(m_ptPos.y));
    }
    m_bMeasured = 1;
}
