#pragma once
// One page of Brenlo score data: the page header's fields, the page's
// graphics and its systems, parsed from the page part of a host's buffer.

#include "import/LeftOutNotes.h"
#include "import/USystem.h"

// Why the last conversion of a Brenlo page returned 0.
enum class BrenloFailure { None, Damaged, TooManyMeasures };

class CUPage : public CUJoin {
public:
    CUPage();
    CUPage(const CUPage&) = delete;
    CUPage& operator=(const CUPage&) = delete;
    ~CUPage() override;

    // Replaces the page's content from the page part at data, of which
    // `available` bytes may be read. All or nothing: 1 when the whole part
    // parsed, 0 with the page as it was.
    virtual int SetNewInfos(char* data, short size, DWORD available);
    // Reads the page header record of `length` bytes.
    virtual int AlterMacCPageData(char* header, DWORD length);

    CUSystemList* GetSystems() { return m_pSystems; }
    CUGraphicList* GetGraphics() { return m_pGraphics; }

    LONG m_lValue0 = 0;        // survives re-parsing
    short m_nValue1 = 60;
    BYTE m_byValue2 = 1;
    short m_nValue3 = -1;
    short m_nValue4 = -1;
    CUSystemList* m_pSystems = nullptr;
    CUGraphicList* m_pGraphics = nullptr;
    LONG m_lValues[10] {};

    // Set by the conversion when it refuses the page.
    BrenloFailure m_failure = BrenloFailure::None;
    // Notes the second conversion pass left out because their measure
    // refused them; none at the start of that pass.
    LeftOutNotes m_leftOutNotes;
};
