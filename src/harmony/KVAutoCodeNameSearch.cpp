// The chord-code tables of the chord namer, their search, and the fixing and
// linking of one code per area of a measure.

#include "harmony/AutoStaff.h"
#include "harmony/KVAutoCodeTables.h"
#include "platform/AllocHook.h"

#include <algorithm>

namespace {

using Code2Table = CTypedPtrArray<CPtrArray, CAutoCode2Entry*>;
using Code3Table = CTypedPtrArray<CPtrArray, CAutoCode3Entry*>;
using RuleTable = CTypedPtrArray<CPtrArray, CAutoKBRule*>;

// Steps that the tables hold; a list can start with step 0 when a half of its
// measure never had a centre.
bool IsStep(unsigned char step)
{
    return step >= 1 && step <= 12;
}

// Share of the area's note time, in percent (0 when the area has none).
unsigned char Percent(unsigned long long part, DWORD total)
{
    if (total == 0)
        return 0;
    return static_cast<unsigned char>(std::min<unsigned long long>(100, part * 100 / total));
}

unsigned char MakeCode2Table(Code2Table& table, const KvAutoCode2Row* rows, int count)
{
    for (int i = 0; i < count; i++) {
        CAutoCode2Entry* entry = KvNew<CAutoCode2Entry>();
        if (!entry)
            return 0;
        entry->m_byStep1 = rows[i].byStep1;
        entry->m_byStep2 = rows[i].byStep2;
        entry->m_byCodeNum = rows[i].byCodeNum;
        std::copy(rows[i].byCode, rows[i].byCode + 3, entry->m_byCode);
        table.Add(entry);
    }
    return 1;
}

unsigned char MakeCode3Table(Code3Table& table, const KvAutoCode3Set* sets, int count)
{
    for (int i = 0; i < count; i++) {
        for (const unsigned char* order : kAutoCode3Orders) {
            CAutoCode3Entry* entry = KvNew<CAutoCode3Entry>();
            if (!entry)
                return 0;
            for (int k = 0; k < 3; k++)
                entry->m_byStep[k] = sets[i].byStep[order[k]];
            entry->m_byCodeNum = sets[i].byCodeNum;
            std::copy(sets[i].byCode, sets[i].byCode + 2, entry->m_byCode);
            table.Add(entry);
        }
    }
    return 1;
}

unsigned char MakeRuleTable(RuleTable& table, const KvAutoRuleRow* rows, int count)
{
    for (int i = 0; i < count; i++) {
        CAutoKBRule* rule = KvNew<CAutoKBRule>();
        if (!rule)
            return 0;
        rule->m_byLength = rows[i].byLength;
        std::copy(rows[i].byCode, rows[i].byCode + rows[i].byLength, rule->m_byCode);
        rule->UpdateParm();
        table.Add(rule);
    }
    return 1;
}

int Find2(const Code2Table& table, unsigned char first, unsigned char second)
{
    for (int i = 0; i < table.GetSize(); i++) {
        const CAutoCode2Entry* entry = table.GetAt(i);
        if (entry->m_byStep1 == first && entry->m_byStep2 == second)
            return i;
    }
    return -1;
}

int Find3(const Code3Table& table, unsigned char first, unsigned char second, unsigned char third)
{
    for (int i = 0; i < table.GetSize(); i++) {
        const CAutoCode3Entry* entry = table.GetAt(i);
        if (entry->m_byStep[0] == first && entry->m_byStep[1] == second && entry->m_byStep[2] == third)
            return entry->m_byCodeNum ? i : -1;
    }
    return -1;
}

// Appends codes to a record, which keeps at most five.
void AppendCodes(tagCandCode* code, const unsigned char* codes, int count)
{
    for (int i = 0; i < count && code->byCodeNum < 5; i++)
        code->byCode[code->byCodeNum++] = codes[i];
}

// The lookup of a candidate list. The list's leading steps are matched as a
// triple, else as a pair, else the first step alone; the note count says how
// many matched. A lookup whose last fallback finds nothing (the list starts
// with a step no table holds) gives note count 0 and no codes. For a half of
// a measure only the first pair is tried, and a pair of the first and third
// step adds its codes behind.
unsigned char SearchList(const Code2Table& table2, const Code3Table& table3, const tagCandidate* candidate,
                         tagCandCode* code, bool half)
{
    const int n = std::min<int>(candidate->byNum, 12);
    const tagCandEntry* s = candidate->Entry;
    int index2 = -1;
    int index3 = -1;
    unsigned char notes = 0;
    code->byNoteNum = 0;
    code->byCodeNum = 0;
    std::fill(code->byCode, code->byCode + 5, 0);
    if (n == 0)
        return 1;
    if (n == 1) {
        notes = 1;
        index2 = Find2(table2, s[0].byStep, s[0].byStep);
    } else if (n == 2) {
        notes = 2;
        index2 = Find2(table2, s[0].byStep, s[1].byStep);
    } else {
        notes = 3;
        for (int i = 2; i < n && index3 < 0; i++)
            index3 = Find3(table3, s[0].byStep, s[1].byStep, s[i].byStep);
        if (index3 < 0) {
            notes = 2;
            const int last = half ? 1 : n - 1;
            for (int i = 1; i <= last && index2 < 0; i++)
                index2 = Find2(table2, s[0].byStep, s[i].byStep);
        }
    }
    if (index3 < 0 && index2 < 0 && n >= 2) {
        notes = 1;
        index2 = Find2(table2, s[0].byStep, s[0].byStep);
    }
    if (index3 >= 0) {
        const CAutoCode3Entry* entry = table3.GetAt(index3);
        AppendCodes(code, entry->m_byCode, std::min<int>(entry->m_byCodeNum, 2));
    } else if (index2 >= 0) {
        const CAutoCode2Entry* entry = table2.GetAt(index2);
        AppendCodes(code, entry->m_byCode, std::min<int>(entry->m_byCodeNum, 3));
    } else {
        notes = 0;
    }
    code->byNoteNum = notes;
    if (half && n >= 3 && notes > 0 && notes < 3) {
        const int extra = Find2(table2, s[0].byStep, s[2].byStep);
        if (extra >= 0) {
            const CAutoCode2Entry* entry = table2.GetAt(extra);
            AppendCodes(code, entry->m_byCode, std::min<int>(entry->m_byCodeNum, 3));
        }
    }
    return 1;
}

bool HasCode(const tagCandCode& code, unsigned char wanted)
{
    return std::find(code.byCode, code.byCode + std::min<int>(code.byCodeNum, 5), wanted) !=
           code.byCode + std::min<int>(code.byCodeNum, 5);
}

// Every note of the area lies on the three notes the codes were found for.
bool IsFull(const tagCandCode& code)
{
    return code.byPercent[0] == 100 && code.byNoteNum > 2;
}

bool IsDominant(unsigned char code)
{
    return code == 5 || code == 12;
}

// The last dominant (5 or 12) in the area's list, 0 when there is none.
unsigned char LastDominant(const tagCandCode& code)
{
    unsigned char found = 0;
    for (int i = 0; i < std::min<int>(code.byCodeNum, 5); i++) {
        if (IsDominant(code.byCode[i]))
            found = code.byCode[i];
    }
    return found;
}

void FixFirstCode(tagCandCode& code)
{
    code.byChosen = code.byCode[0];
    code.byFlags |= kCodeFixed;
}

// Confirms a code already in the area without moving it to the front.
void FixChosen(tagCandCode& code, unsigned char chosen)
{
    code.byChosen = chosen;
    code.byFlags |= kCodeFixed | kCodeByRule;
}

struct Dominant {
    unsigned char byCode;
    unsigned char byPercent;
};

// The dominant (5) or dominant seventh (12) whose notes sound longer in the
// area; 5 on a tie.
Dominant ChooseDominant(CAutoMeas& meas, unsigned char area)
{
    const unsigned char p5 = meas.CalcuCodePercent(5, area);
    const unsigned char p12 = meas.CalcuCodePercent(12, area);
    if (p5 < p12)
        return {12, p12};
    return {5, p5};
}

// The code record behind element e of a segment; null when the element or
// its measure is missing.
tagCandCode* ElementCode(const CAutoSegment& segment, int e)
{
    if (e < 0 || e >= segment.m_Elements.GetSize() || !segment.m_pOwner)
        return nullptr;
    const tagElement* element = segment.m_Elements.GetAt(e);
    CAutoMeas* meas = segment.m_pOwner->GetMeas(element->nMeas);
    if (!meas || element->byArea > 2)
        return nullptr;
    return &meas->m_CandCode[element->byArea];
}

// Tries the rules of one mode on a window of the segment; the first rule that
// gives every element of the window a link code wins and keeps its codes.
unsigned char FindRules(CAutoSegment& segment, const RuleTable& rules, int start, int length)
{
    if (start < 0 || length <= 0 || start + length > segment.m_Elements.GetSize())
        return 0;
    for (int r = 0; r < rules.GetSize(); r++) {
        const CAutoKBRule* rule = rules.GetAt(r);
        if (rule->m_byLength != length)
            continue;
        segment.InitTempValue();
        bool matched = true;
        for (int i = 0; i < length && matched; i++) {
            tagCandCode* code = ElementCode(segment, start + i);
            const unsigned char wanted = rule->m_byCode[i];
            if (!code)
                matched = false;
            else if (code->byFlags & kCodeByRule)
                code->byLinkCode = code->byChosen == wanted ? wanted : 0;
            else if (HasCode(*code, wanted))
                code->byLinkCode = wanted;
            matched = matched && code->byLinkCode != 0;
        }
        if (matched)
            return 1;
    }
    segment.InitTempValue();
    return 0;
}

// The measure that ends on the tonic: the one that decided the key, or the
// last when the first decided it or none did.
int EndMeasIndex(const CAutoStaff& staff)
{
    return staff.m_nKeyMeas != 0 ? staff.m_nKeyMeas : staff.GetMeasCount() - 1;
}

// A fixed point keeps its place and takes the rule's code as settled; an
// unfixed one becomes fixed by the link.
void ApplyLink(tagCandCode& code, unsigned char link)
{
    code.byChosen = link;
    code.byFlags |= (code.byFlags & kCodeFixed) ? kCodeByRule : kCodeFixed | kCodeLinked;
}

void DeleteSegment(CAutoSegment* segment)
{
    for (int i = 0; i < segment->m_Elements.GetSize(); i++)
        delete segment->m_Elements.GetAt(i);
    segment->m_Elements.RemoveAll();
    delete segment;
}

} // namespace

// ---------------------------------------------------------------------------
// Progression rules

unsigned char CAutoKBRule::UpdateParm()
{
    const int length = std::min<int>(m_byLength, 10);
    m_byFirst = length > 0 ? m_byCode[0] : 0;
    m_byLast = length > 0 ? m_byCode[length - 1] : 0;
    return 1;
}

// ---------------------------------------------------------------------------
// Codes of one measure

unsigned char CAutoMeas::ProduceCandCode()
{
    InitCandCodeValue();
    const bool minor = m_pOwner->IsMinor();
    const int areas = m_bySplit ? 3 : 1;
    for (int area = 0; area < areas; area++) {
        if (minor)
            m_pOwner->SearchMollCode(&m_Candidate[area], &m_CandCode[area]);
        else
            m_pOwner->SearchDurCode(&m_Candidate[area], &m_CandCode[area]);
    }
    return 1;
}

unsigned char CAutoMeas::InitCandCodeValue()
{
    for (tagCandCode& code : m_CandCode)
        code = tagCandCode {};
    return 1;
}

unsigned char CAutoMeas::CalcuCodeWeight()
{
    for (int area = 0; area < 3; area++) {
        tagCandCode& code = m_CandCode[area];
        if (code.byCodeNum == 0)
            continue;
        const tagCandidate& candidate = m_Candidate[area];
        const int k = std::min<int>({code.byNoteNum, candidate.byNum, 12});
        unsigned long long sum = 0;
        for (int i = 0; i < k; i++) {
            if (IsStep(candidate.Entry[i].byStep))
                sum += m_dwDuration[area][candidate.Entry[i].byStep];
        }
        code.byPercent[0] = Percent(sum, m_dwDuration[area][0]);
    }
    return 1;
}

unsigned char CAutoMeas::SetTypeCode(unsigned char threshold)
{
    for (tagCandCode& code : m_CandCode) {
        if (code.byCodeNum != 0 && code.byPercent[0] >= threshold)
            code.byFlags |= kCodeStrong;
        if (code.byCodeNum == 1)
            code.byFlags |= kCodeSingle;
    }
    return 1;
}

unsigned char CAutoMeas::CalcuCodePercent(unsigned char code, unsigned char area)
{
    static const unsigned char kDur5[] = {2, 5, 7};
    static const unsigned char kDur12[] = {2, 4, 5, 7};
    static const unsigned char kMoll5[] = {2, 5, 12};
    static const unsigned char kMoll12[] = {2, 4, 5, 12};
    if (area > 2 || (code != 5 && code != 12))
        return 0;
    const bool minor = m_pOwner->IsMinor();
    const unsigned char* steps = code == 5 ? (minor ? kMoll5 : kDur5) : (minor ? kMoll12 : kDur12);
    const int count = code == 5 ? 3 : 4;
    unsigned long long sum = 0;
    for (int i = 0; i < count; i++)
        sum += m_dwDuration[area][steps[i]];
    return Percent(sum, m_dwDuration[area][0]);
}

unsigned char CAutoMeas::DevideCode()
{
    // Without both half centres the half lists would start with no step.
    if (m_byCenter[kAreaA] == 0 || m_byCenter[kAreaB] == 0)
        return 1;
    m_bySplit = 1;
    ProduceCandidate();
    InitCandCodeValue();
    if (m_pOwner->IsMinor()) {
        m_pOwner->SearchMollCode(&m_Candidate[kAreaWhole], &m_CandCode[kAreaWhole]);
        m_pOwner->SearchMollAreaCode(&m_Candidate[kAreaA], &m_CandCode[kAreaA]);
        m_pOwner->SearchMollAreaCode(&m_Candidate[kAreaB], &m_CandCode[kAreaB]);
    } else {
        m_pOwner->SearchDurCode(&m_Candidate[kAreaWhole], &m_CandCode[kAreaWhole]);
        m_pOwner->SearchDurAreaCode(&m_Candidate[kAreaA], &m_CandCode[kAreaA]);
        m_pOwner->SearchDurAreaCode(&m_Candidate[kAreaB], &m_CandCode[kAreaB]);
    }
    CalcuCodeWeight();
    return 1;
}

unsigned char CAutoMeas::CombineCode()
{
    m_bySplit = 0;
    ProduceCandidate();
    InitCandCodeValue();
    if (m_pOwner->IsMinor())
        m_pOwner->SearchMollCode(&m_Candidate[kAreaWhole], &m_CandCode[kAreaWhole]);
    else
        m_pOwner->SearchDurCode(&m_Candidate[kAreaWhole], &m_CandCode[kAreaWhole]);
    CalcuCodeWeight();
    return 1;
}

unsigned char CAutoMeas::ProduceCenterCode()
{
    if (m_bySplit)
        return 1;
    InitCandCodeValue();
    tagCandidate centres = m_Candidate[kAreaWhole];
    centres.byNum = std::min(centres.byNum, centres.byCenterNum);
    if (m_pOwner->IsMinor())
        m_pOwner->SearchMollCode(&centres, &m_CandCode[kAreaWhole]);
    else
        m_pOwner->SearchDurCode(&centres, &m_CandCode[kAreaWhole]);
    return 1;
}

unsigned char CAutoMeas::SetFunctionCode(unsigned char code, unsigned char area)
{
    if (area > 2)
        return 0;
    tagCandCode& record = m_CandCode[area];
    record.byCode[0] = code;
    record.byChosen = code;
    record.byFlags |= kCodeFixed | kCodeByRule;
    if (record.byCodeNum == 0)
        record.byCodeNum = 1;
    return 1;
}

unsigned char CAutoMeas::SetFixedPoint()
{
    for (int area = 0; area < 3; area++) {
        tagCandCode& code = m_CandCode[area];
        if ((code.byFlags & kCodeFixed) || code.byCodeNum == 0)
            continue;
        bool fix = false;
        if (code.byFlags & kCodeSingle)
            fix = code.byNoteNum >= 2 || code.byPercent[0] >= 90;
        else if (area == kAreaWhole)
            fix = (code.byFlags & kCodeStrong) && code.byNoteNum == 1;
        if (fix)
            FixFirstCode(code);
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Segments

unsigned char CAutoSegment::SetLeftPoint(int meas, unsigned char area)
{
    m_Left.nMeas = meas;
    m_Left.byArea = area;
    return 1;
}

unsigned char CAutoSegment::SetRightPoint(int meas, unsigned char area)
{
    m_Right.nMeas = meas;
    m_Right.byArea = area;
    return 1;
}

unsigned char CAutoSegment::SetNumber(unsigned char count)
{
    m_byNum = count;
    return 1;
}

unsigned char CAutoSegment::AddElement(int meas, unsigned char area)
{
    tagElement* element = KvNew<tagElement>(meas, area);
    if (!element)
        return 0;
    m_Elements.Add(element);
    return 1;
}

unsigned char CAutoSegment::LinkCode(int)
{
    // The element array, not the count byte, gives the length: a run of
    // more than 255 points is linked as a whole.
    const int n = m_Elements.GetSize();
    const bool minor = m_pOwner->IsMinor();
    auto find = [&](int start, int length) {
        return minor ? FindMollKBRules(start, length) : FindDurKBRules(start, length);
    };
    for (int length = n; length >= 3; length--) {
        if (find(0, length)) {
            LinkBybTemp(0, length);
            InitTempValue();
            return 1;
        }
    }
    for (int start = 1; start < n - 2; start++) {
        if (find(start, n - start)) {
            LinkBybTemp(start, n - start);
            InitTempValue();
            return 1;
        }
    }
    return 0;
}

unsigned char CAutoSegment::FindDurKBRules(int start, int length)
{
    return FindRules(*this, m_pOwner->m_DurKBRules, start, length);
}

unsigned char CAutoSegment::FindMollKBRules(int start, int length)
{
    return FindRules(*this, m_pOwner->m_MollKBRules, start, length);
}

unsigned char CAutoSegment::LinkBybTemp(int start, int length)
{
    for (int e = std::max(start, 0); e < start + length && e < m_Elements.GetSize(); e++) {
        if (tagCandCode* code = ElementCode(*this, e))
            ApplyLink(*code, code->byLinkCode);
    }
    return 1;
}

unsigned char CAutoSegment::InitTempValue()
{
    for (int e = 0; e < m_Elements.GetSize(); e++) {
        if (tagCandCode* code = ElementCode(*this, e))
            code->byLinkCode = 0;
    }
    return 1;
}

int CAutoSegment::FindCode(unsigned char element, unsigned char code)
{
    const tagCandCode* record = ElementCode(*this, element);
    if (!record)
        return -1;
    for (int i = 0; i < std::min<int>(record->byCodeNum, 5); i++) {
        if (record->byCode[i] == code)
            return i;
    }
    return -1;
}

unsigned char CAutoSegment::GetFunctionCode(unsigned char element)
{
    const tagCandCode* record = ElementCode(*this, element);
    return record ? record->byChosen : 0;
}

unsigned char CAutoSegment::GetTemp(unsigned char element)
{
    const tagCandCode* record = ElementCode(*this, element);
    return record ? record->byLinkCode : 0;
}

unsigned char CAutoSegment::SetTemp(unsigned char element, unsigned char code)
{
    tagCandCode* record = ElementCode(*this, element);
    if (!record)
        return 0;
    record->byLinkCode = code;
    return 1;
}

unsigned char CAutoSegment::SetTempCode(unsigned char element, unsigned char code)
{
    tagCandCode* record = ElementCode(*this, element);
    if (!record)
        return 0;
    ApplyLink(*record, code);
    return 1;
}

unsigned char CAutoSegment::IsSystemMask(unsigned char element)
{
    const tagCandCode* record = ElementCode(*this, element);
    return record && (record->byFlags & kCodeByRule) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Tables and search of the staff model

unsigned char CAutoStaff::MakeChordCodeTable()
{
    return Make2DurCodeTable() && Make3DurCodeTable() && Make2MollCodeTable() && Make3MollCodeTable() &&
                   MakeDurKBRuleTable() && MakeMollKBRuleTable()
               ? 1
               : 0;
}

unsigned char CAutoStaff::Make2DurCodeTable()
{
    return MakeCode2Table(m_DurCode2Table, kAutoDurCode2Rows, kAutoDurCode2RowCount);
}

unsigned char CAutoStaff::Make3DurCodeTable()
{
    return MakeCode3Table(m_DurCode3Table, kAutoDurCode3Sets, kAutoDurCode3SetCount);
}

unsigned char CAutoStaff::Make2MollCodeTable()
{
    return MakeCode2Table(m_MollCode2Table, kAutoMollCode2Rows, kAutoMollCode2RowCount);
}

unsigned char CAutoStaff::Make3MollCodeTable()
{
    return MakeCode3Table(m_MollCode3Table, kAutoMollCode3Sets, kAutoMollCode3SetCount);
}

unsigned char CAutoStaff::MakeDurKBRuleTable()
{
    return MakeRuleTable(m_DurKBRules, kAutoDurRuleRows, kAutoDurRuleRowCount);
}

unsigned char CAutoStaff::MakeMollKBRuleTable()
{
    return MakeRuleTable(m_MollKBRules, kAutoMollRuleRows, kAutoMollRuleRowCount);
}

int CAutoStaff::Search2DurCode(unsigned char first, unsigned char second)
{
    return Find2(m_DurCode2Table, first, second);
}

int CAutoStaff::Search2MollCode(unsigned char first, unsigned char second)
{
    return Find2(m_MollCode2Table, first, second);
}

int CAutoStaff::Search3DurCode(unsigned char first, unsigned char second, unsigned char third)
{
    return Find3(m_DurCode3Table, first, second, third);
}

int CAutoStaff::Search3MollCode(unsigned char first, unsigned char second, unsigned char third)
{
    return Find3(m_MollCode3Table, first, second, third);
}

unsigned char CAutoStaff::SearchDurCode(tagCandidate* candidate, tagCandCode* code)
{
    return SearchList(m_DurCode2Table, m_DurCode3Table, candidate, code, false);
}

unsigned char CAutoStaff::SearchMollCode(tagCandidate* candidate, tagCandCode* code)
{
    return SearchList(m_MollCode2Table, m_MollCode3Table, candidate, code, false);
}

unsigned char CAutoStaff::SearchDurAreaCode(tagCandidate* candidate, tagCandCode* code)
{
    return SearchList(m_DurCode2Table, m_DurCode3Table, candidate, code, true);
}

unsigned char CAutoStaff::SearchMollAreaCode(tagCandidate* candidate, tagCandCode* code)
{
    return SearchList(m_MollCode2Table, m_MollCode3Table, candidate, code, true);
}

unsigned char CAutoStaff::ProduceCandCode()
{
    for (int i = 0; i < GetMeasCount(); i++) {
        CAutoMeas* meas = GetMeas(i);
        meas->ProduceCandCode();
        meas->CalcuCodeWeight();
    }
    return 1;
}

unsigned char CAutoStaff::SetTypeCode()
{
    for (int i = 0; i < GetMeasCount(); i++)
        GetMeas(i)->SetTypeCode(90);
    return 1;
}

// ---------------------------------------------------------------------------
// Fixing and linking

unsigned char CAutoStaff::LinkCandCode(int option)
{
    SetTypeCode();
    if (!MakeSegment())
        return 0;
    // Every link fixes at least one point, so the rounds end; the bound only
    // guards against a rule table that breaks that.
    int rounds = 3 * GetMeasCount() + 1;
    while (LinkCode(option) && rounds-- > 0) {
        if (!SetSegment())
            return 0;
    }
    return 1;
}

unsigned char CAutoStaff::MakeSegment()
{
    SetStartMeasCode();
    SetEndMeasCode();
    SetBeforeEndMeasCode();
    SetFixedPoint();
    AlterFixedPointByWeight(70);
    return SetSegment();
}

unsigned char CAutoStaff::SetStartMeasCode()
{
    // A pickup measure gets no chord; the tonic goes to the measure after it.
    const int start = m_byWeakMelody ? 1 : 0;
    if (start == 1) {
        if (CAutoMeas* pickup = GetMeas(0)) {
            for (tagCandCode& code : pickup->m_CandCode)
                code.byCodeNum = 0;
        }
    }
    CAutoMeas* meas = GetMeas(start);
    if (!meas)
        return 1;
    const unsigned char area = meas->m_bySplit ? kAreaA : kAreaWhole;
    tagCandCode& code = meas->m_CandCode[area];
    if (code.byCodeNum == 0)
        return 1;
    if (IsFull(code)) {
        FixFirstCode(code);
    } else if (HasCode(code, 1)) {
        meas->SetFunctionCode(1, area);
    } else if ((meas->m_bySplit || meas->m_Candidate[kAreaWhole].byNum > 2) && !meas->m_byTripleMeter) {
        meas->DevideCode();
        const tagCandCode& half = meas->m_CandCode[kAreaA];
        if (meas->m_bySplit && half.byCodeNum != 0 && half.byPercent[0] != 100 && HasCode(half, 1))
            meas->SetFunctionCode(1, kAreaA);
    }
    return 1;
}

unsigned char CAutoStaff::SetEndMeasCode()
{
    CAutoMeas* meas = GetMeas(EndMeasIndex(*this));
    if (!meas)
        return 1;
    if (meas->m_bySplit) {
        tagCandCode& half = meas->m_CandCode[kAreaB];
        if (half.byCodeNum == 0)
            return 1;
        if (IsFull(half)) {
            FixFirstCode(half);
        } else if (HasCode(half, 1)) {
            meas->SetFunctionCode(1, kAreaB);
        } else {
            meas->DevideCode();
            if (half.byCodeNum != 0 && half.byPercent[0] != 100 && HasCode(half, 1))
                meas->SetFunctionCode(1, kAreaB);
        }
        return 1;
    }
    tagCandCode& code = meas->m_CandCode[kAreaWhole];
    if (code.byCodeNum == 0)
        return 1;
    if (IsFull(code)) {
        FixFirstCode(code);
    } else if (HasCode(code, 1)) {
        meas->SetFunctionCode(1, kAreaWhole);
    } else if (meas->m_Candidate[kAreaWhole].byNum >= 3) {
        meas->DevideCode();
        const tagCandCode& half = meas->m_CandCode[kAreaB];
        if (half.byCodeNum != 0) {
            if (HasCode(half, 1))
                meas->SetFunctionCode(1, kAreaB);
            else
                meas->CombineCode();
        }
    }
    return 1;
}

unsigned char CAutoStaff::SetBeforeEndMeasCode()
{
    const int end = EndMeasIndex(*this);
    CAutoMeas* meas = GetMeas(end);
    if (!meas)
        return 1;
    if (meas->m_bySplit) {
        // The dominant goes to the first half of a divided end measure.
        if (meas->m_CandCode[kAreaB].byChosen != 1)
            return 1;
        tagCandCode& half = meas->m_CandCode[kAreaA];
        if (half.byCodeNum == 0)
            return 1;
        if (IsDominant(half.byCode[0])) {
            FixChosen(half, half.byCode[0]);
        } else if (IsFull(half)) {
            FixFirstCode(half);
        } else if (unsigned char dominant = LastDominant(half)) {
            meas->SetFunctionCode(dominant, kAreaA);
        } else {
            const Dominant choice = ChooseDominant(*meas, kAreaA);
            if (choice.byPercent >= 20)
                meas->SetFunctionCode(choice.byCode, kAreaA);
        }
        return 1;
    }
    if (meas->m_CandCode[kAreaWhole].byChosen != 1)
        return 1;
    CAutoMeas* before = GetMeas(end - 1);
    if (!before)
        return 1;
    if (before->m_bySplit) {
        tagCandCode& half = before->m_CandCode[kAreaB];
        if (half.byCodeNum == 0)
            return 1;
        if (IsDominant(half.byCode[0])) {
            FixChosen(half, half.byCode[0]);
        } else if (IsFull(half)) {
            FixFirstCode(half);
        } else if (unsigned char dominant = LastDominant(half)) {
            before->SetFunctionCode(dominant, kAreaB);
        } else {
            before->CombineCode();
            const Dominant choice = ChooseDominant(*before, kAreaWhole);
            if (choice.byPercent >= 20)
                before->SetFunctionCode(choice.byCode, kAreaWhole);
        }
        return 1;
    }
    tagCandCode& code = before->m_CandCode[kAreaWhole];
    if (code.byCodeNum == 0)
        return 1;
    if (IsDominant(code.byCode[0])) {
        FixChosen(code, code.byCode[0]);
        return 1;
    }
    if (IsFull(code)) {
        FixFirstCode(code);
        return 1;
    }
    before->ProduceCenterCode();
    if (unsigned char dominant = LastDominant(code)) {
        before->SetFunctionCode(dominant, kAreaWhole);
    } else if (before->m_byTripleMeter) {
        const Dominant choice = ChooseDominant(*before, kAreaWhole);
        if (choice.byPercent >= 20)
            before->SetFunctionCode(choice.byCode, kAreaWhole);
    } else {
        // A dominant that sounds mainly in the second half gets that half.
        const Dominant whole = ChooseDominant(*before, kAreaWhole);
        const Dominant half = ChooseDominant(*before, kAreaB);
        if (whole.byPercent <= half.byPercent) {
            if (half.byPercent > 20) {
                before->DevideCode();
                before->SetFunctionCode(half.byCode, kAreaB);
            }
        } else if (whole.byPercent > 20) {
            before->SetFunctionCode(whole.byCode, kAreaWhole);
        }
    }
    return 1;
}

unsigned char CAutoStaff::SetFixedPoint()
{
    for (int i = 0; i < GetMeasCount(); i++)
        GetMeas(i)->SetFixedPoint();
    return 1;
}

unsigned char CAutoStaff::AlterFixedPointByWeight(unsigned char threshold)
{
    const int count = GetMeasCount();
    for (int i = 1; i <= count - 2; i++) {
        CAutoMeas* meas = GetMeas(i);
        if (meas->m_bySplit || meas->m_byTripleMeter)
            continue;
        const tagCandCode& code = meas->m_CandCode[kAreaWhole];
        const bool fixed = (code.byFlags & kCodeFixed) != 0;
        // The measure before the last keeps the dominant it was given.
        if (!fixed || i == count - 2)
            continue;
        if (code.byPercent[0] > threshold || meas->m_byCenter[kAreaA] == 0 || meas->m_byCenter[kAreaB] == 0)
            continue;
        meas->DevideCode();
        if (meas->m_CandCode[kAreaA].byCode[0] == meas->m_CandCode[kAreaB].byCode[0])
            meas->CombineCode();
    }
    return 1;
}

unsigned char CAutoStaff::SetSegment()
{
    for (int i = 0; i < m_Segments.GetSize(); i++)
        DeleteSegment(m_Segments.GetAt(i));
    m_Segments.RemoveAll();

    enum { kBeforeFixed, kAfterFixed, kInRun } state = kBeforeFixed;
    tagElement last {0, 0};
    CAutoSegment* open = nullptr;
    bool ok = true;
    for (int i = 0; i < GetMeasCount() && ok; i++) {
        CAutoMeas* meas = GetMeas(i);
        const unsigned char first = meas->m_bySplit ? kAreaA : kAreaWhole;
        const unsigned char past = meas->m_bySplit ? kAreaB : kAreaWhole;
        for (unsigned char area = first; area <= past && ok; area++) {
            const tagCandCode& code = meas->m_CandCode[area];
            if (code.byCodeNum == 0)
                continue;
            const bool fixed = (code.byFlags & kCodeFixed) != 0;
            if (state == kBeforeFixed) {
                if (fixed)
                    state = kAfterFixed;
            } else if (state == kAfterFixed) {
                if (!fixed) {
                    open = KvNew<CAutoSegment>(this);
                    ok = open && open->AddElement(last.nMeas, last.byArea) && open->AddElement(i, area);
                    if (ok) {
                        open->SetLeftPoint(last.nMeas, last.byArea);
                        state = kInRun;
                    }
                }
            } else {
                ok = open->AddElement(i, area);
                if (ok && fixed) {
                    open->SetRightPoint(i, area);
                    open->SetNumber(static_cast<unsigned char>(std::min(open->m_Elements.GetSize(), 255)));
                    m_Segments.Add(open);
                    open = nullptr;
                    state = kAfterFixed;
                }
            }
            last = {i, area};
        }
    }
    // A run that no fixed point closes stays undecided.
    if (open)
        DeleteSegment(open);
    return ok ? 1 : 0;
}

unsigned char CAutoStaff::LinkCode(int option)
{
    int linked = 0;
    for (int i = 0; i < m_Segments.GetSize(); i++)
        linked += m_Segments.GetAt(i)->LinkCode(option);
    // The sum saturates: a byte that wrapped to 0 would end the linking early.
    return static_cast<unsigned char>(std::min(linked, 255));
}
