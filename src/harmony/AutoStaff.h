#pragma once
// The chord namer's model of staff 0 (CAutoStaff), the segments of unfixed
// areas between fixed ones (CAutoSegment) and the progression rules
// (CAutoKBRule).

#include "Platform.h"
#include "harmony/AutoMeas.h"
#include "harmony/AutoCodeTables.h"

class CKVAutoCodeName;
class CKVStaff;
class CAutoStaff;

// One progression rule: up to ten codes in order.
class CAutoKBRule {
public:
    // Defined in harmony/AutoStaffKey.cpp
    CAutoKBRule();
    CAutoKBRule(const CAutoKBRule& other) = default;
    CAutoKBRule& operator=(const CAutoKBRule& other) = default;
    virtual ~CAutoKBRule();

    // Defined in harmony/KVAutoCodeNameSearch.cpp
    unsigned char UpdateParm();

    unsigned char m_byFirst;
    unsigned char m_byLast;
    unsigned char m_byLength;
    unsigned char m_byCode[10];
};

// One point of a segment: a measure and an area of it.
struct tagElement {
    int nMeas;
    unsigned char byArea;
};

class CAutoSegment {
public:
    // Defined in harmony/AutoStaffKey.cpp
    explicit CAutoSegment(CAutoStaff* owner);
    // The elements are deleted by CAutoStaff::DeleteContents.
    virtual ~CAutoSegment();

    // Defined in harmony/KVAutoCodeNameSearch.cpp
    unsigned char SetLeftPoint(int meas, unsigned char area);
    unsigned char SetRightPoint(int meas, unsigned char area);
    unsigned char SetNumber(unsigned char count);
    unsigned char AddElement(int meas, unsigned char area);
    unsigned char LinkCode(int option);
    unsigned char FindDurKBRules(int start, int length);
    unsigned char FindMollKBRules(int start, int length);
    unsigned char LinkBybTemp(int start, int length);
    unsigned char InitTempValue();
    int FindCode(unsigned char element, unsigned char code);
    unsigned char GetFunctionCode(unsigned char element);
    unsigned char GetTemp(unsigned char element);
    unsigned char SetTemp(unsigned char element, unsigned char code);
    unsigned char SetTempCode(unsigned char element, unsigned char code);
    unsigned char IsSystemMask(unsigned char element);

    CAutoStaff* m_pOwner;
    tagElement m_Left;
    tagElement m_Right;
    unsigned char m_byNum;
    CTypedPtrArray<CPtrArray, tagElement*> m_Elements;
};

class CAutoStaff {
public:
    // Defined in harmony/AutoStaffKey.cpp
    explicit CAutoStaff(CKVAutoCodeName* owner);
    virtual ~CAutoStaff();
    unsigned char UpdateParm(CKVStaff* staff);
    // 0 when a table could not be allocated.
    unsigned char Preprocess();
    int GetRelativity(unsigned char from, unsigned char to);
    unsigned char CalcuDurOrMoll();
    unsigned char CalcuStepInform();
    unsigned char CalcuWeakMelody();
    unsigned char DeleteContents();
    // 0 = minor; every other mode is read as major.
    bool IsMinor() const { return m_byMode == 0; }
    int GetMeasCount() const { return m_Meases.GetSize(); }
    CAutoMeas* GetMeas(int index) const
    {
        return index >= 0 && index < m_Meases.GetSize() ? m_Meases.GetAt(index) : nullptr;
    }
    // 1 when the pair's two-note entry exists and has codes (mode-aware).
    bool FormsChord(unsigned char first, unsigned char second);

    // Defined in harmony/AutoMeasMelody.cpp
    unsigned char DecideCenterLevel();
    unsigned char ThinkHarmonyAB();
    unsigned char DecideNonChordNode();
    unsigned char RegisterPresentNode();
    unsigned char ProduceCandNote();
    unsigned char AlterCenterNode();
    unsigned char AlterDevide();

    // Defined in harmony/KVAutoCodeNameSearch.cpp
    // The Make* members return 0 when an entry could not be allocated.
    unsigned char MakeChordCodeTable();
    unsigned char Make2DurCodeTable();
    unsigned char Make3DurCodeTable();
    unsigned char Make2MollCodeTable();
    unsigned char Make3MollCodeTable();
    unsigned char MakeDurKBRuleTable();
    unsigned char MakeMollKBRuleTable();
    int Search2DurCode(unsigned char first, unsigned char second);
    int Search2MollCode(unsigned char first, unsigned char second);
    int Search3DurCode(unsigned char first, unsigned char second, unsigned char third);
    int Search3MollCode(unsigned char first, unsigned char second, unsigned char third);
    unsigned char SearchDurCode(tagCandidate* candidate, tagCandCode* code);
    unsigned char SearchMollCode(tagCandidate* candidate, tagCandCode* code);
    unsigned char SearchDurAreaCode(tagCandidate* candidate, tagCandCode* code);
    unsigned char SearchMollAreaCode(tagCandidate* candidate, tagCandCode* code);
    unsigned char ProduceCandCode();
    unsigned char SetTypeCode();
    unsigned char LinkCandCode(int option);
    unsigned char MakeSegment();
    unsigned char SetStartMeasCode();
    unsigned char SetEndMeasCode();
    unsigned char SetBeforeEndMeasCode();
    unsigned char SetFixedPoint();
    unsigned char AlterFixedPointByWeight(unsigned char threshold);
    unsigned char SetSegment();
    unsigned char LinkCode(int option);

    // Defined in harmony/AutoStaffWrite.cpp
    // 0 when the document refused a symbol.
    unsigned char InsertChordCode();
    int CalcuRoot(unsigned char code);
    unsigned char SetCodeName(CChordSymbol* symbol, CString suffix);

    CKVAutoCodeName* m_pOwner;
    int m_nKeyMeas;
    unsigned char m_byStaffType;
    unsigned char m_byMode;
    unsigned char m_byTonic;
    unsigned char m_byKeyType;
    CTypedPtrArray<CPtrArray, CAutoSegment*> m_Segments;
    CTypedPtrArray<CPtrArray, CAutoMeas*> m_Meases;
    CTypedPtrArray<CPtrArray, CAutoCode2Entry*> m_DurCode2Table;
    CTypedPtrArray<CPtrArray, CAutoCode3Entry*> m_DurCode3Table;
    CTypedPtrArray<CPtrArray, CAutoCode2Entry*> m_MollCode2Table;
    CTypedPtrArray<CPtrArray, CAutoCode3Entry*> m_MollCode3Table;
    CTypedPtrArray<CPtrArray, CAutoKBRule*> m_DurKBRules;
    CTypedPtrArray<CPtrArray, CAutoKBRule*> m_MollKBRules;
    unsigned char m_byWeakMelody;
};
