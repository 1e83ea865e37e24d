// Recorded music brought into the score: a staff split by key or voice, and a
// performance's measures written into measures.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kCompositeClearedBytes = 6;
constexpr long kMaxMeasLength = 32767;

CKVSystem* MasterSystem(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// Copies a caller's text into a 16-byte field: at most 15 bytes, the rest
// zero, whatever the length of the caller's buffer.
void CopyTimeText(char (&field)[CKVMeas::TIME_TEXT_SIZE], const char* text)
{
    std::memset(field, 0, sizeof(field));
    if (!text)
        return;
    for (int i = 0; i < CKVMeas::TIME_TEXT_SIZE - 1 && text[i] != '\0'; ++i)
        field[i] = text[i];
}

// The staves a time signature is set on: those of the current page's
// selected ossia block when there is one, else the master system's; with
// allStaves 0 the current staff alone.
std::vector<CKVStaff*> TimeSignatureStaves(CKVDoc& doc, CKVSystem& master, int allStaves)
{
    std::vector<CKVStaff*> staves;
    if (!allStaves) {
        if (doc.m_pCurStaff)
            staves.push_back(doc.m_pCurStaff);
        return staves;
    }
    CKVPage* page = doc.GetCurrentPage();
    if (CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr) {
        for (short k = 0; k < ossia->GetStaffNum(); ++k)
            staves.push_back(ossia->GetStaff(k));
        return staves;
    }
    for (short s = 0; s < master.GetStaffNum(); ++s)
        staves.push_back(master.GetStaff(s));
    return staves;
}

std::vector<CKVMeas*> MeasuresAt(const std::vector<CKVStaff*>& staves, LONG index)
{
    std::vector<CKVMeas*> measures;
    for (CKVStaff* staff : staves) {
        if (CKVMeas* meas = staff ? staff->GetMeas(index) : nullptr)
            measures.push_back(meas);
    }
    return measures;
}

} // namespace

void CKVDoc::SplitStaff(int, int, BYTE, BYTE, DWORD, int, int, BYTE*)
{
    KV_PENDING("CKVDoc::SplitStaff");
}

int CKVDoc::SetPakToMeas(LONG meas, BYTE style, BYTE numerator, BYTE denominator, char* numeratorText,
                         char* denominatorText, int displayFlag, int pickup, int retime, int allStaves)
{
    CKVSystem* master = MasterSystem(*this);
    if (!master)
        return 0;
    if (!numeratorText || numeratorText[0] == '\0')
        return -1;
    // A length that divides by 0 or leaves its 16 bits is refused before
    // anything changes.
    if (numerator == 0 || denominator == 0)
        return -1;
    const long length = static_cast<long>(master->m_dwTicksPerQuarter) * 4 * numerator / denominator;
    if (length > kMaxMeasLength)
        return -1;
    const bool composite = std::memchr(numeratorText, '+', std::strlen(numeratorText)) != nullptr;

    const std::vector<CKVMeas*> measures = MeasuresAt(TimeSignatureStaves(*this, *master, allStaves), meas);
    if (measures.empty())
        return 0;
    for (CKVMeas* m : measures) {
        m->m_byTimeStyle = style;
        m->m_nTimeNum = numerator;
        m->m_nTimeDen = denominator;
        if (displayFlag)
            m->m_byOptions = static_cast<BYTE>((m->m_byOptions | CKVMeas::OPT_TIME_SHOWN) & ~CKVMeas::OPT_TIME_HIDDEN);
        else
            m->m_byOptions = static_cast<BYTE>((m->m_byOptions | CKVMeas::OPT_TIME_HIDDEN) & ~CKVMeas::OPT_TIME_SHOWN);
        m->CalcWholeCount();
        CopyTimeText(m->m_szTimeNumText, numeratorText);
        CopyTimeText(m->m_szTimeDenText, denominatorText);
        if (!composite) {
            std::memset(m->m_szTimeNumText, 0, kCompositeClearedBytes);
            std::memset(m->m_szTimeDenText, 0, kCompositeClearedBytes);
        }
        if (pickup)
            m->m_wObjWord = static_cast<WORD>(m->m_wObjWord | CKVMeas::PICKUP);
        else
            m->m_wObjWord = static_cast<WORD>(m->m_wObjWord & ~CKVMeas::PICKUP);
        if (retime) {
            for (int voice = 1; voice <= CKVMeas::VOICES; ++voice)
                m->UpdateStartTime(static_cast<BYTE>(voice), 1, 1, 0);
        }
    }
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetPakToMeas(LONG meas, short marker, short length, BYTE style, BYTE numerator, BYTE denominator,
                         char* numeratorText, char* denominatorText)
{
    CKVSystem* master = MasterSystem(*this);
    if (!master || length <= 0)
        return 0;
    std::vector<CKVStaff*> staves;
    for (short s = 0; s < master->GetStaffNum(); ++s)
        staves.push_back(master->GetStaff(s));
    const std::vector<CKVMeas*> measures = MeasuresAt(staves, meas);
    if (measures.empty())
        return 0;
    for (CKVMeas* m : measures) {
        m->m_wMarker = static_cast<WORD>(marker);
        m->m_nLength = length;
        m->m_byTimeStyle = style;
        m->m_nTimeNum = numerator;
        m->m_nTimeDen = denominator;
        CopyTimeText(m->m_szTimeNumText, numeratorText);
        CopyTimeText(m->m_szTimeDenText, denominatorText);
    }
    m_bModified = 1;
    return 1;
}
