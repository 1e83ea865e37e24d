// Melody analysis of the chord namer: centres, halves, chord tones, present
// and candidate notes.

#include "harmony/AutoStaff.h"
#include <algorithm>

unsigned char CAutoNode::DecideNonChord(unsigned char level)
{
    return level == 0 ? DecideNonChordMeas() : DecideNonChordArea();
}

unsigned char CAutoNode::DecideNonChordMeas()
{
    CAutoMeas* meas = m_pOwner;
    CAutoStaff* staff = meas->m_pOwner;
    if (meas->m_bySplit) {
        if (m_byStep == meas->m_byCenter[kAreaA] || m_byStep == meas->m_byCenter[kAreaB]) {
            m_byMeasChord = 0;
            return 1;
        }
        const unsigned char centre = m_byFirstHalf ? meas->m_byCenter[kAreaA] : meas->m_byCenter[kAreaB];
        m_byMeasChord = staff->FormsChord(centre, m_byStep) ? 1 : 0;
        return 1;
    }
    if (m_byStep == meas->m_byCenter[kAreaWhole])
        m_byMeasChord = 0;
    else
        m_byMeasChord = staff->FormsChord(meas->m_byCenter[kAreaWhole], m_byStep) ? 1 : 0;
    return 1;
}

unsigned char CAutoNode::DecideNonChordArea()
{
    CAutoMeas* meas = m_pOwner;
    const unsigned char centre = m_byFirstHalf ? meas->m_byCenter[kAreaA] : meas->m_byCenter[kAreaB];
    if (m_byStep == centre)
        m_byHalfChord = 0;
    else
        m_byHalfChord = meas->m_pOwner->FormsChord(centre, m_byStep) ? 1 : 0;
    return 1;
}

unsigned char CAutoMeas::DecideCenter(unsigned char area)
{
    if (area > 2)
        return 0;
    unsigned char best = 0;
    DWORD bestDuration = 0;
    int bestBeat = 0;
    for (int step = 1; step <= 12; step++) {
        const DWORD duration = m_dwDuration[area][step];
        const int beat = m_nBeat[area][step];
        if (duration > bestDuration || (best != 0 && duration == bestDuration && beat > bestBeat)) {
            best = static_cast<unsigned char>(step);
            bestDuration = duration;
            bestBeat = beat;
        }
    }
    return SetCenterValue(best, area);
}

unsigned char CAutoMeas::DecideCenterMeas() { return DecideCenter(kAreaWhole); }
unsigned char CAutoMeas::DecideCenterAArea() { return DecideCenter(kAreaA); }
unsigned char CAutoMeas::DecideCenterBArea() { return DecideCenter(kAreaB); }

unsigned char CAutoMeas::SetCenterValue(unsigned char step, unsigned char area)
{
    if (area > 2 || step >= 13)
        return 0;
    m_byCenter[area] = step;
    return 1;
}

unsigned char CAutoMeas::ThinkHarmony()
{
    const unsigned char a = m_byCenter[kAreaA];
    const unsigned char b = m_byCenter[kAreaB];
    if (a == 0 || b == 0) {
        m_bySplit = 0;
        return 1;
    }
    m_byHarmony = (a == b || m_pOwner->FormsChord(a, b)) ? 1 : 0;
    return 1;
}

unsigned char CAutoMeas::AlterBArea()
{
    const DWORD whole = m_dwDuration[kAreaWhole][0];
    const unsigned long long share = whole ? static_cast<unsigned long long>(m_dwDuration[kAreaB][0]) * 100 / whole : 0;
    if (share <= 30)
        m_bySplit = 0;
    return 1;
}

unsigned char CAutoMeas::DecideNonChordNode()
{
    for (int i = 0; i < m_Nodes.GetSize(); i++) {
        CAutoNode* node = m_Nodes.GetAt(i);
        node->DecideNonChord(0);
        if (m_bySplit)
            node->DecideNonChord(1);
    }
    return 1;
}

unsigned char CAutoMeas::RegisterPresentNode()
{
    InitPresentValue();
    auto add = [this](int area, const CAutoNode* node) {
        for (int idx : {0, static_cast<int>(node->m_byStep)}) {
            tagPresentNode& record = m_PresentNode[area][idx];
            if (idx != 0)
                record.byStep = node->m_byStep;
            record.nCount += 1;
            record.dwDuration += node->m_dwGateTime;
            record.nBeat += node->m_byBeatStrength;
        }
    };
    for (int i = 0; i < m_Nodes.GetSize(); i++) {
        const CAutoNode* node = m_Nodes.GetAt(i);
        if (node->m_byStep < 1 || node->m_byStep > 12)
            continue;
        if (node->m_byMeasChord)
            add(kAreaWhole, node);
        if (m_bySplit && node->m_byHalfChord)
            add(node->m_byFirstHalf ? kAreaA : kAreaB, node);
    }
    return SortPresentNode();
}

unsigned char CAutoMeas::SortPresentNode()
{
    const int areas = m_bySplit ? 3 : 1;
    for (int area = 0; area < areas; area++) {
        // Equal records keep ascending step order.
        std::stable_sort(m_PresentNode[area] + 1, m_PresentNode[area] + 13,
            [](const tagPresentNode& a, const tagPresentNode& b) {
                if (a.dwDuration != b.dwDuration)
                    return a.dwDuration > b.dwDuration;
                if (a.nCount != b.nCount)
                    return a.nCount < b.nCount;
                return a.nBeat > b.nBeat;
            });
        CalcuPresentNodeNum(static_cast<unsigned char>(area));
    }
    return 1;
}

unsigned char CAutoMeas::CalcuPresentNodeNum(unsigned char area)
{
    if (area > 2)
        return 0;
    unsigned char count = 0;
    for (int i = 1; i <= 12; i++)
        if (m_PresentNode[area][i].dwDuration != 0)
            count++;
    m_PresentNode[area][0].byStep = count;
    return count;
}

unsigned char CAutoMeas::AlterCenter()
{
    bool changed = false;
    if (m_PresentNode[kAreaA][0].byStep > 0) {
        const unsigned char step = m_PresentNode[kAreaA][1].byStep;
        if (step != m_byCenter[kAreaB] && m_dwDuration[kAreaWhole][step] > m_dwDuration[kAreaWhole][m_byCenter[kAreaA]]) {
            m_byCenter[kAreaA] = step;
            changed = true;
        }
    }
    if (m_PresentNode[kAreaB][0].byStep > 0) {
        const unsigned char step = m_PresentNode[kAreaB][1].byStep;
        if (step != m_byCenter[kAreaA] && m_dwDuration[kAreaWhole][step] > m_dwDuration[kAreaWhole][m_byCenter[kAreaB]]) {
            m_byCenter[kAreaB] = step;
            return 1;
        }
    }
    return changed ? 1 : 0;
}

unsigned char CAutoMeas::ReCalcPresentNode()
{
    ThinkHarmony();
    DecideNonChordNode();
    RegisterPresentNode();
    return 1;
}

unsigned char CAutoMeas::AlterDevide()
{
    if (!m_bySplit) {
        m_byDivision = m_byCenter[kAreaWhole] != 0 ? 1 : 0;
        return 1;
    }
    if (m_byCenter[kAreaA] == m_byCenter[kAreaB]) {
        m_byDivision = 1;
        m_bySplit = 0;
        return 1;
    }
    m_byDivision = 2;
    const tagPresentNode* super = GetSuperPresentNode();
    if (super) {
        if (m_byHarmony)
            m_bySplit = 0;
        else {
            const DWORD d = m_dwDuration[kAreaWhole][super->byStep];
            m_bySplit = (d <= m_dwDuration[kAreaWhole][m_byCenter[kAreaA]]
                            && d <= m_dwDuration[kAreaWhole][m_byCenter[kAreaB]]) ? 1 : 0;
        }
    } else {
        m_bySplit = m_byHarmony ? 0 : 1;
    }
    return 1;
}

tagPresentNode* CAutoMeas::GetSuperPresentNode()
{
    for (int area : {kAreaA, kAreaB}) {
        const int count = m_PresentNode[area][0].byStep;
        for (int i = 1; i <= count && i <= 12; i++) {
            tagPresentNode& record = m_PresentNode[area][i];
            if (record.byStep != m_byCenter[kAreaA] && record.byStep != m_byCenter[kAreaB])
                return &record;
        }
    }
    return nullptr;
}

namespace {

// Appends a step with the next rank; a full list drops the lowest-ranked rest.
void AppendCandidate(tagCandidate& list, unsigned char step, bool centre)
{
    if (list.byNum >= 12)
        return;
    const unsigned char rank = centre ? 1 : static_cast<unsigned char>(list.byRank[0] + 1);
    list.Entry[list.byNum].byStep = step;
    list.Entry[list.byNum].byRank = rank;
    list.byNum++;
    if (centre) {
        list.byCenterNum++;
        list.byRank[1] = list.byCenterNum;
        if (list.byRank[0] < 1)
            list.byRank[0] = 1;
    } else {
        list.byRank[0] = rank;
        if (rank < 13)
            list.byRank[rank] = 1;
    }
}

}  // namespace

unsigned char CAutoMeas::ProduceCandidate()
{
    InitCandidateValue();
    if (m_byDivision == 0)
        return 1;
    const unsigned char a = m_byCenter[kAreaA];
    const unsigned char b = m_byCenter[kAreaB];
    auto appendPresent = [this](tagCandidate& list, int area, unsigned char skip1, unsigned char skip2) {
        const int count = m_PresentNode[area][0].byStep;
        for (int i = 1; i <= count && i <= 12; i++) {
            const unsigned char step = m_PresentNode[area][i].byStep;
            if (step != skip1 && step != skip2)
                AppendCandidate(list, step, false);
        }
    };
    if (m_bySplit || m_byDivision == 2) {
        tagCandidate& whole = m_Candidate[kAreaWhole];
        AppendCandidate(whole, a, true);
        AppendCandidate(whole, b, true);
        appendPresent(whole, kAreaA, a, b);
        appendPresent(whole, kAreaB, a, b);
        if (m_bySplit) {
            AppendCandidate(m_Candidate[kAreaA], a, true);
            appendPresent(m_Candidate[kAreaA], kAreaA, a, a);
            AppendCandidate(m_Candidate[kAreaB], b, true);
            appendPresent(m_Candidate[kAreaB], kAreaB, b, b);
        }
        return 1;
    }
    const unsigned char centre = m_byCenter[kAreaWhole];
    AppendCandidate(m_Candidate[kAreaWhole], centre, true);
    appendPresent(m_Candidate[kAreaWhole], kAreaWhole, centre, centre);
    return 1;
}

unsigned char CAutoMeas::InitCandidateValue()
{
    for (tagCandidate& list : m_Candidate)
        list = tagCandidate {};
    return 1;
}

unsigned char CAutoStaff::DecideCenterLevel()
{
    for (int i = 0; i < GetMeasCount(); i++) {
        CAutoMeas* meas = GetMeas(i);
        meas->DecideCenter(kAreaWhole);
        if (meas->m_bySplit) {
            meas->DecideCenter(kAreaA);
            meas->DecideCenter(kAreaB);
        }
    }
    return 1;
}

unsigned char CAutoStaff::ThinkHarmonyAB()
{
    for (int i = 0; i < GetMeasCount(); i++) {
        CAutoMeas* meas = GetMeas(i);
        if (!meas->m_bySplit)
            continue;
        meas->ThinkHarmony();
        if (meas->m_bySplit)
            meas->AlterBArea();
    }
    return 1;
}

unsigned char CAutoStaff::DecideNonChordNode()
{
    for (int i = 0; i < GetMeasCount(); i++)
        GetMeas(i)->DecideNonChordNode();
    return 1;
}

unsigned char CAutoStaff::RegisterPresentNode()
{
    for (int i = 0; i < GetMeasCount(); i++)
        GetMeas(i)->RegisterPresentNode();
    return 1;
}

unsigned char CAutoStaff::ProduceCandNote()
{
    AlterCenterNode();
    AlterDevide();
    for (int i = 0; i < GetMeasCount(); i++)
        GetMeas(i)->ProduceCandidate();
    return 1;
}

unsigned char CAutoStaff::AlterCenterNode()
{
    for (int i = 0; i < GetMeasCount(); i++) {
        CAutoMeas* meas = GetMeas(i);
        if (meas->m_bySplit && meas->AlterCenter())
            meas->ReCalcPresentNode();
    }
    return 1;
}

unsigned char CAutoStaff::AlterDevide()
{
    for (int i = 0; i < GetMeasCount(); i++)
        GetMeas(i)->AlterDevide();
    return 1;
}
