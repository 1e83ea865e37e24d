// One page of Brenlo score data.

#include "import/UPage.h"

#include "import/UParse.h"

#include <memory>

namespace {

// The page header must reach its last field, the 16-bit value at 24.
constexpr DWORD kPageHeaderSize = 26;

} // namespace

CUPage::CUPage()
    : m_pSystems(new CUSystemList), m_pGraphics(new CUGraphicList)
{
}

CUPage::~CUPage()
{
    delete m_pSystems;
    delete m_pGraphics;
}

int CUPage::AlterMacCPageData(char* header, DWORD length)
{
    if (length < kPageHeaderSize)
        return 0;
    CUReader in(header, length);
    m_nValue1 = in.Short(16);
    m_byValue2 = in.Byte(20);
    m_nValue3 = in.Short(22);
    m_nValue4 = in.Short(24);
    return in.Failed() ? 0 : 1;
}

int CUPage::SetNewInfos(char* data, short size, DWORD available)
{
    CUReader in(data, available);
    const uint64_t headerBytes = in.Dword(4);
    if (in.Failed() || headerBytes < kPageHeaderSize || !in.Has(8, static_cast<DWORD>(headerBytes - 4)))
        return 0;
    // The header record starts with its own length at data + 4.
    const DWORD graphicAt = static_cast<DWORD>(4 + headerBytes);
    const DWORD graphicBytes = in.Dword(graphicAt);
    if (in.Failed() || !in.Has(graphicAt + 4, graphicBytes))
        return 0;
    const DWORD systemAt = graphicAt + 4 + graphicBytes;
    const DWORD systemBytes = in.Dword(systemAt);
    if (in.Failed() || !in.Has(systemAt + 4, systemBytes))
        return 0;

    std::unique_ptr<CUGraphicList> graphics(brenlo::NewItem<CUGraphicList>());
    std::unique_ptr<CUSystemList> systems(brenlo::NewItem<CUSystemList>());
    if (!graphics || !systems)
        return 0;
    if (!graphics->ParseRecords(in.At(graphicAt + 4), graphicBytes, static_cast<BYTE>(size & 0xFF), 500)
        || !systems->ParseRecords(in.At(systemAt + 4), systemBytes, size))
        return 0;

    // The header lies inside the checked bounds, so this read cannot fail.
    AlterMacCPageData(data + 4, static_cast<DWORD>(headerBytes));
    m_byValue2 = 1;
    m_pPrev = m_pNext = nullptr;
    delete m_pSystems;
    delete m_pGraphics;
    m_pSystems = systems.release();
    m_pGraphics = graphics.release();
    return 1;
}
