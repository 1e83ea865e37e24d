// Building the chord namer's model from staff 0: measures, notes, key and
// scale steps.

#include "harmony/AutoStaff.h"
#include "harmony/KVAutoCodeName.h"
#include "document/KVDoc.h"
#include <algorithm>
#include <iterator>
#include "harmony/Rhythm.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"

namespace {

// Key index of a signature: 1..7 sharps, 8..14 flats, 0 otherwise (also for
// counts and kinds the tables do not cover).
int KeyIndex(int kind, int count)
{
    if ((kind == 1 || kind == 2) && count >= 1 && count <= 7)
        return count + (kind - 1) * 7;
    return 0;
}

}  // namespace

unsigned char CAutoStaff::UpdateParm(CKVStaff* staff)
{
    m_byStaffType = staff ? staff->m_byClefType : 0;
    return 1;
}

unsigned char CAutoStaff::Preprocess()
{
    if (!MakeChordCodeTable())
        return 0;
    CalcuWeakMelody();
    CalcuDurOrMoll();
    CalcuStepInform();
    return 1;
}

int CAutoStaff::GetRelativity(unsigned char from, unsigned char to)
{
    int b = to;
    while (b < from)
        b += 12;
    return (b - from) % 12;
}

unsigned char CAutoStaff::CalcuDurOrMoll()
{
    m_nKeyMeas = 0;
    for (int i = GetMeasCount() - 1; i >= 0; i--) {
        if (GetMeas(i)->CalcuDurOrMoll()) {
            m_nKeyMeas = i;
            return 1;
        }
    }
    // No measure decided: the major tonic of the first measure's signature.
    if (CAutoMeas* first = GetMeas(0))
        m_byTonic = kAutoDurTonic[KeyIndex(first->m_byKeyType, first->m_nKeyCount)];
    else
        m_byTonic = kAutoDurTonic[0];
    return 1;
}

unsigned char CAutoStaff::CalcuStepInform()
{
    for (int i = 0; i < GetMeasCount(); i++)
        GetMeas(i)->CalcuStepInform();
    return 1;
}

unsigned char CAutoStaff::CalcuWeakMelody()
{
    m_byWeakMelody = 0;
    CKVDoc* doc = m_pOwner ? m_pOwner->GetDoc() : nullptr;
    CKVStaff* staff = doc ? doc->GetStaff(0, 0) : nullptr;
    CKVMeas* meas = staff && staff->GetMeasNum() > 0 ? staff->GetMeas(0) : nullptr;
    if (meas && meas->GetPeakupMeasTime(1) != 0)
        m_byWeakMelody = 1;
    return 1;
}

unsigned char CAutoStaff::DeleteContents()
{
    for (int i = 0; i < m_Segments.GetSize(); i++) {
        CAutoSegment* segment = m_Segments.GetAt(i);
        for (int e = 0; e < segment->m_Elements.GetSize(); e++)
            delete segment->m_Elements.GetAt(e);
        segment->m_Elements.RemoveAll();
        delete segment;
    }
    m_Segments.RemoveAll();
    for (int i = 0; i < m_DurCode2Table.GetSize(); i++)
        delete m_DurCode2Table.GetAt(i);
    for (int i = 0; i < m_DurCode3Table.GetSize(); i++)
        delete m_DurCode3Table.GetAt(i);
    for (int i = 0; i < m_MollCode2Table.GetSize(); i++)
        delete m_MollCode2Table.GetAt(i);
    for (int i = 0; i < m_MollCode3Table.GetSize(); i++)
        delete m_MollCode3Table.GetAt(i);
    m_DurCode2Table.RemoveAll();
    m_DurCode3Table.RemoveAll();
    m_MollCode2Table.RemoveAll();
    m_MollCode3Table.RemoveAll();
    for (int i = 0; i < m_DurKBRules.GetSize(); i++)
        delete m_DurKBRules.GetAt(i);
    for (int i = 0; i < m_MollKBRules.GetSize(); i++)
        delete m_MollKBRules.GetAt(i);
    m_DurKBRules.RemoveAll();
    m_MollKBRules.RemoveAll();
    for (int i = 0; i < m_Meases.GetSize(); i++) {
        CAutoMeas* meas = m_Meases.GetAt(i);
        for (int n = 0; n < meas->m_Nodes.GetSize(); n++)
            delete meas->m_Nodes.GetAt(n);
        meas->m_Nodes.RemoveAll();
        // A pattern no new symbol received would be lost otherwise; undo
        // brings back the symbol that carried it.
        delete meas->m_pRhythm;
        meas->m_pRhythm = nullptr;
        delete meas;
    }
    m_Meases.RemoveAll();
    return 1;
}

bool CAutoStaff::FormsChord(unsigned char first, unsigned char second)
{
    if (IsMinor()) {
        const int index = Search2MollCode(first, second);
        return index >= 0 && index < m_MollCode2Table.GetSize() && m_MollCode2Table.GetAt(index)->m_byCodeNum != 0;
    }
    const int index = Search2DurCode(first, second);
    return index >= 0 && index < m_DurCode2Table.GetSize() && m_DurCode2Table.GetAt(index)->m_byCodeNum != 0;
}

unsigned char CAutoMeas::UpdateParm(CKVMeas* meas)
{
    m_byTimeNum = static_cast<unsigned char>(meas->m_nTimeNum);
    m_byTimeDen = static_cast<unsigned char>(meas->m_nTimeDen);
    m_nLength = meas->m_nLength;
    m_byKeyType = meas->m_byKeyType;
    m_nKeyCount = meas->m_byKeyCount;
    const int num = meas->m_nTimeNum;
    const int den = meas->m_nTimeDen;
    // A numerator of 0 has no beats: the whole measure is one beat.
    m_nBeatLength = num > 0 ? m_nLength / num : m_nLength;
    m_bySplit = 1;
    m_byTripleMeter = 0;
    std::fill(std::begin(m_byBeatStrength), std::end(m_byBeatStrength), 0);
    static const unsigned char k44[] = {3, 1, 2, 1};
    static const unsigned char k24[] = {2, 1};
    static const unsigned char k68[] = {3, 1, 1, 2, 1, 1};
    static const unsigned char k34[] = {3, 1, 1};
    auto set = [this](const unsigned char* s, int n) { std::copy(s, s + n, m_byBeatStrength); };
    if (num == 4 && den == 4)
        set(k44, 4);
    else if (num == 2 && den == 4)
        set(k24, 2);
    else if (num == 6 && den == 8)
        set(k68, 6);
    else if (num == 3 && den == 4) {
        set(k34, 3);
        m_bySplit = 0;
        m_byTripleMeter = 1;
    } else if (num > 0) {
        // Other meters: a strong first beat, the rest weak (up to 12 beats).
        m_byBeatStrength[0] = 3;
        for (int b = 1; b < num && b < 12; b++)
            m_byBeatStrength[b] = 1;
    }
    return 1;
}

void CAutoMeas::InitValue()
{
    std::fill(std::begin(m_byCenter), std::end(m_byCenter), 0);
    m_byDivision = 0;
    for (int a = 0; a < 3; a++) {
        std::fill(std::begin(m_nBeat[a]), std::end(m_nBeat[a]), 0);
        std::fill(std::begin(m_nCount[a]), std::end(m_nCount[a]), 0);
        std::fill(std::begin(m_dwDuration[a]), std::end(m_dwDuration[a]), 0);
    }
    InitPresentValue();
    m_pRhythm = nullptr;
    m_byTripleMeter = 0;
    m_bySplit = 1;
    m_byHarmony = 1;
}

void CAutoMeas::InitPresentValue()
{
    for (int a = 0; a < 3; a++)
        for (int i = 0; i < 13; i++)
            m_PresentNode[a][i] = tagPresentNode {static_cast<unsigned char>(i), 0, 0, 0};
}

int CAutoMeas::GetRelativity(unsigned char from, unsigned char to)
{
    return m_pOwner->GetRelativity(from, to);
}

unsigned char CAutoMeas::CalcuDurOrMoll()
{
    CAutoStaff* staff = m_pOwner;
    if (m_Nodes.GetSize() == 0) {
        staff->m_byMode = 3;
        return 0;
    }
    staff->m_byKeyType = m_byKeyType;
    const int index = KeyIndex(m_byKeyType, m_nKeyCount);
    const unsigned char major = kAutoDurTonic[index];
    const unsigned char minor = kAutoMollTonic[index];
    const unsigned char last = m_Nodes.GetAt(m_Nodes.GetSize() - 1)->m_byMidiKey;
    if (GetRelativity(major, last) == 0) {
        staff->m_byMode = 1;
        staff->m_byTonic = major;
        return 1;
    }
    if (GetRelativity(minor, last) == 0) {
        staff->m_byMode = 0;
        staff->m_byTonic = minor;
        return 1;
    }
    staff->m_byMode = 2;
    return 0;
}

unsigned char CAutoMeas::CalcuStepInform()
{
    const unsigned char* table = m_pOwner->IsMinor() ? kAutoMollStep : kAutoDurStep;
    for (int i = 0; i < m_Nodes.GetSize(); i++) {
        CAutoNode* node = m_Nodes.GetAt(i);
        const unsigned char step = table[GetRelativity(m_pOwner->m_byTonic, node->m_byMidiKey)];
        node->m_byStep = step;
        auto add = [&](int area) {
            for (int idx : {0, static_cast<int>(step)}) {
                m_nCount[area][idx] += 1;
                m_dwDuration[area][idx] += node->m_dwGateTime;
                m_nBeat[area][idx] += node->m_byBeatStrength;
            }
        };
        add(kAreaWhole);
        if (m_bySplit)
            add(node->m_byFirstHalf ? kAreaA : kAreaB);
    }
    return 1;
}

unsigned char CAutoNode::UpdateParm(CKVMsg* note)
{
    const CAutoMeas* meas = m_pOwner;
    unsigned char* head = nullptr;
    if (note->GetHead(&head) >= MidiNoteHead::Size && head) {
        m_byMidiKey = head[MidiNoteHead::KeyOffset];
        m_dwGateTime = GetDword(head + MidiNoteHead::GateTimeOffset);
    }
    m_byDuration = 0;
    const int start = note->m_nPerformStart;
    m_byFirstHalf = 1;
    if (meas->m_bySplit && start >= meas->m_nLength / 2)
        m_byFirstHalf = 0;
    m_byBeatStrength = 0;
    for (int b = 0; b < meas->m_byTimeNum && b < 12; b++)
        if (start == b * meas->m_nBeatLength)
            m_byBeatStrength = meas->m_byBeatStrength[b];
    m_byLong = meas->m_nBeatLength >= 0 && m_dwGateTime >= static_cast<DWORD>(meas->m_nBeatLength) ? 1 : 0;
    return 1;
}

CAutoStaff::CAutoStaff(CKVAutoCodeName* owner)
    : m_pOwner(owner), m_nKeyMeas(0), m_byStaffType(0), m_byMode(3), m_byTonic(60), m_byKeyType(0),
      m_byWeakMelody(0)
{
}
CAutoStaff::~CAutoStaff() {}

CAutoMeas::CAutoMeas(CAutoStaff* owner)
    : m_pOwner(owner), m_byTripleMeter(0), m_pRhythm(nullptr), m_nKeyCount(0), m_byKeyType(0), m_nLength(0),
      m_nBeatLength(0), m_byTimeNum(0), m_byTimeDen(0), m_bySplit(1), m_byHarmony(1), m_byBeatStrength {},
      m_byCenter {}, m_byDivision(0), m_nBeat {}, m_nCount {}, m_dwDuration {}, m_PresentNode {}, m_Candidate {},
      m_CandCode {}
{
    InitValue();
}
CAutoMeas::~CAutoMeas() {}

CAutoNode::CAutoNode(CAutoMeas* owner)
    : m_pOwner(owner), m_byStep(0), m_byDuration(0), m_byBeatStrength(0), m_byLong(0), m_byFirstHalf(1),
      m_byMidiKey(0), m_dwGateTime(0), m_byMeasChord(1), m_byHalfChord(1)
{
}
CAutoNode::~CAutoNode() {}

CAutoKBRule::CAutoKBRule() : m_byFirst(0), m_byLast(0), m_byLength(0), m_byCode {} {}
CAutoKBRule::~CAutoKBRule() {}

CAutoSegment::CAutoSegment(CAutoStaff* owner) : m_pOwner(owner), m_Left {}, m_Right {}, m_byNum(0) {}
CAutoSegment::~CAutoSegment() {}
