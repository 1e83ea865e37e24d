// Multi-measure rests expanded back into the plain measures they stand for.

#include "document/KVDoc.h"

#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <cstring>
#include <vector>

namespace {

CKVSystem* Master(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// The time signature a compressed rest carries over to its measures.
struct SavedTime {
    BYTE style = 0;
    BYTE numerator = 4;
    BYTE denominator = 4;
    char numeratorText[CKVMeas::TIME_TEXT_SIZE + 1] = {};
    char denominatorText[CKVMeas::TIME_TEXT_SIZE + 1] = {};
    bool shown = false;

    explicit SavedTime(const CKVMeas& meas)
        : style(meas.m_byTimeStyle), numerator(static_cast<BYTE>(meas.m_nTimeNum)),
          denominator(static_cast<BYTE>(meas.m_nTimeDen)), shown((meas.m_byOptions & CKVMeas::OPT_TIME_SHOWN) != 0)
    {
        std::memcpy(numeratorText, meas.m_szTimeNumText, CKVMeas::TIME_TEXT_SIZE);
        std::memcpy(denominatorText, meas.m_szTimeDenText, CKVMeas::TIME_TEXT_SIZE);
    }

    // A signature of its own form (a style other than the plain numbers,
    // or a composite meter) needs the form that keeps the style and texts.
    bool Custom() const
    {
        return numeratorText[0] != '\0' && (style != 0 || std::strchr(numeratorText, '+') != nullptr);
    }

    void ApplyTo(CKVDoc& doc, LONG meas)
    {
        if (Custom())
            doc.SetPakToMeas(meas, style, numerator, denominator, numeratorText, denominatorText, shown, 0, 1, 1);
        else
            doc.SetPakToMeas(meas, numerator, denominator, shown, 0, 1);
    }
};

// The measure range a mode names: every measure, or the selected range.
bool RangeOf(CKVDoc& doc, bool all, int& first, int& last)
{
    CKVSystem* master = Master(doc);
    if (!master)
        return false;
    if (all) {
        first = 0;
        last = master->GetMeasNum() - 1;
    } else if (doc.GetSelMeasNumRange(first, last) < 0) {
        return false;
    }
    return first >= 0 && first <= last;
}

} // namespace

void CKVDoc::UnCompressRestMeas(short mode)
{
    int first = 0;
    int last = 0;
    if (!RangeOf(*this, mode != 1, first, last))
        return;
    CKVSystem* master = Master(*this);
    const short staves = master->GetStaffNum();
    const bool atScoreEnd = last >= master->GetMeasNum() - 1;
    std::vector<unsigned char> every(static_cast<size_t>(staves), 1);
    for (int index = last; index >= first; --index) {
        CKVStaff* firstStaff = master->GetStaff(0);
        CKVMeas* meas = firstStaff ? firstStaff->GetMeas(index) : nullptr;
        const int count = meas ? meas->IsRestCompMeas(nullptr) : 0;
        if (count <= 0)
            continue;
        SavedTime time(*meas);
        if (!InsertMeasures(index, count, 1, staves, every.data(), 0))
            continue;
        DeleteMeasure(index, index, 1);
        for (int m = index; m < index + count; ++m) {
            time.ApplyTo(*this, m);
            for (short s = 0; s < staves; ++s) {
                CKVMeas* made = master->GetStaff(s)->GetMeas(m);
                if (!made)
                    continue;
                made->m_byEndBar = CKVMeas::BAR_SINGLE;
                if (m > index)
                    made->m_byStartBar = CKVMeas::BAR_SINGLE;
            }
        }
    }
    if (atScoreEnd) {
        for (short s = 0; s < staves; ++s) {
            CKVStaff* staff = master->GetStaff(s);
            if (CKVMeas* end = staff ? staff->GetMeas(staff->GetMeasNum() - 1) : nullptr)
                end->m_byEndBar = CKVMeas::BAR_FINAL;
        }
    }
    m_bModified = 1;
}

int CKVDoc::IsRestComp(int all, int)
{
    int first = 0;
    int last = 0;
    if (!RangeOf(*this, all != 0, first, last))
        return 0;
    CKVSystem* master = Master(*this);
    for (short s = 0; s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        for (int m = first; staff && m <= last; ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            if (meas && meas->IsRestCompMeas(nullptr) != 0)
                return 1;
        }
    }
    return 0;
}
