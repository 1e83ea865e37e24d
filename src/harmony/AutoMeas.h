#pragma once
// The chord namer's model of one measure of staff 0 (CAutoMeas) and of one
// of its notes (CAutoNode), with the per-area records of the analysis.

#include "Platform.h"

class CAutoStaff;
class CAutoMeas;
class CKVMeas;
class CKVMsg;
class CChordSymbol;
class CRhythm;

// Areas of a measure: the whole measure, its first half A, its second half B.
enum : unsigned char { kAreaWhole = 0, kAreaA = 1, kAreaB = 2 };

// Flags of a code record.
enum : unsigned char {
    kCodeFixed = 1,
    kCodeByRule = 16,
    kCodeLinked = 32,
    kCodeStrong = 64,
    kCodeSingle = 128,
};

// A step present beside the centre: record 0 of an area holds the totals
// and, in its step byte, the number of present steps. Counts and beat sums
// are int: they are never stored, and a byte would wrap.
struct tagPresentNode {
    unsigned char byStep;
    int nCount;
    int nBeat;
    DWORD dwDuration;
};

struct tagCandEntry {
    unsigned char byStep;
    unsigned char byRank;
};

// The ranked candidate notes of an area (centres first, rank 1).
struct tagCandidate {
    tagCandEntry Entry[12];
    unsigned char byNum;
    unsigned char byCenterNum;
    // Byte 0: the last rank given; byte 1: the centre count; byte r: 1 when
    // rank r went to a note that is not a centre.
    unsigned char byRank[13];
};

// The chord codes found for an area.
struct tagCandCode {
    unsigned char byNoteNum;
    unsigned char byCodeNum;
    unsigned char byCode[5];
    unsigned char byPercent[5];
    unsigned char byFlags;
    unsigned char byChosen;
    unsigned char byLinkCode;
};

class CAutoNode {
public:
    // Defined in harmony/AutoStaffKey.cpp
    explicit CAutoNode(CAutoMeas* owner);
    CAutoNode(const CAutoNode& other) = default;
    CAutoNode& operator=(const CAutoNode& other) = default;
    virtual ~CAutoNode();
    unsigned char UpdateParm(CKVMsg* note);

    // Defined in harmony/AutoMeasMelody.cpp
    unsigned char DecideNonChord(unsigned char level);
    unsigned char DecideNonChordMeas();
    unsigned char DecideNonChordArea();

    CAutoMeas* m_pOwner;
    unsigned char m_byStep;
    unsigned char m_byDuration;
    unsigned char m_byBeatStrength;
    unsigned char m_byLong;
    unsigned char m_byFirstHalf;
    unsigned char m_byMidiKey;
    DWORD m_dwGateTime;
    unsigned char m_byMeasChord;
    unsigned char m_byHalfChord;
};

class CAutoMeas {
public:
    // Defined in harmony/AutoStaffKey.cpp
    explicit CAutoMeas(CAutoStaff* owner);
    virtual ~CAutoMeas();
    unsigned char UpdateParm(CKVMeas* meas);
    void InitValue();
    void InitPresentValue();
    int GetRelativity(unsigned char from, unsigned char to);
    unsigned char CalcuDurOrMoll();
    unsigned char CalcuStepInform();

    // Defined in harmony/AutoMeasMelody.cpp
    unsigned char DecideCenter(unsigned char area);
    unsigned char DecideCenterMeas();
    unsigned char DecideCenterAArea();
    unsigned char DecideCenterBArea();
    // 0 for an area above 2 or a step of 13 or more.
    unsigned char SetCenterValue(unsigned char step, unsigned char area);
    unsigned char ThinkHarmony();
    unsigned char AlterBArea();
    unsigned char DecideNonChordNode();
    unsigned char RegisterPresentNode();
    unsigned char SortPresentNode();
    unsigned char CalcuPresentNodeNum(unsigned char area);
    // 1 when a centre changed.
    unsigned char AlterCenter();
    unsigned char ReCalcPresentNode();
    unsigned char AlterDevide();
    tagPresentNode* GetSuperPresentNode();
    unsigned char ProduceCandidate();
    unsigned char InitCandidateValue();

    // Defined in harmony/KVAutoCodeNameSearch.cpp
    unsigned char ProduceCandCode();
    unsigned char InitCandCodeValue();
    unsigned char CalcuCodeWeight();
    unsigned char SetTypeCode(unsigned char threshold);
    unsigned char CalcuCodePercent(unsigned char code, unsigned char area);
    unsigned char DevideCode();
    unsigned char CombineCode();
    unsigned char ProduceCenterCode();
    unsigned char SetFunctionCode(unsigned char code, unsigned char area);
    unsigned char SetFixedPoint();

    // Defined in harmony/AutoStaffWrite.cpp
    unsigned char GetCode(unsigned char area);
    unsigned char SetCodeCordinate(CChordSymbol* symbol, CKVMsg* note);
    unsigned char SetCodeColor(CChordSymbol* symbol, unsigned char area);
    unsigned char SetRhythm(CChordSymbol* symbol);

    CAutoStaff* m_pOwner;
    unsigned char m_byTripleMeter;
    // A pattern taken over from a deleted chord symbol; owned until a new
    // symbol receives it.
    CRhythm* m_pRhythm;
    int m_nKeyCount;
    unsigned char m_byKeyType;
    int m_nLength;
    int m_nBeatLength;
    unsigned char m_byTimeNum;
    unsigned char m_byTimeDen;
    unsigned char m_bySplit;
    CTypedPtrArray<CPtrArray, CAutoNode*> m_Nodes;
    unsigned char m_byHarmony;
    unsigned char m_byBeatStrength[12];
    unsigned char m_byCenter[3];
    unsigned char m_byDivision;
    // Per area, index 0 the total of the area, 1..12 the steps.
    int m_nBeat[3][13];
    int m_nCount[3][13];
    DWORD m_dwDuration[3][13];
    tagPresentNode m_PresentNode[3][13];
    tagCandidate m_Candidate[3];
    tagCandCode m_CandCode[3];
};
