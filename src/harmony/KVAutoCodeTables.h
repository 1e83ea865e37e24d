#pragma once
// The rows from which the chord namer builds its chord-code and progression
// tables, in the order the lookups try them.

// Two-note row: an ordered pair of steps, the code count and the codes in
// order of preference (unused codes 0).
struct KvAutoCode2Row {
    unsigned char byStep1;
    unsigned char byStep2;
    unsigned char byCodeNum;
    unsigned char byCode[3];
};

// Three-note row: an unordered set of steps with its codes. The table holds
// each set in all six orders, one after the other.
struct KvAutoCode3Set {
    unsigned char byStep[3];
    unsigned char byCodeNum;
    unsigned char byCode[2];
};

// A progression of two to six codes.
struct KvAutoRuleRow {
    unsigned char byLength;
    unsigned char byCode[6];
};

// Defined in harmony/KVAutoCodeTables.cpp
extern const KvAutoCode2Row kAutoDurCode2Rows[];
extern const int kAutoDurCode2RowCount;
extern const KvAutoCode2Row kAutoMollCode2Rows[];
extern const int kAutoMollCode2RowCount;
extern const KvAutoCode3Set kAutoDurCode3Sets[];
extern const int kAutoDurCode3SetCount;
extern const KvAutoCode3Set kAutoMollCode3Sets[];
extern const int kAutoMollCode3SetCount;
extern const KvAutoRuleRow kAutoDurRuleRows[];
extern const int kAutoDurRuleRowCount;
extern const KvAutoRuleRow kAutoMollRuleRows[];
extern const int kAutoMollRuleRowCount;

// The six orders of a three-note set, as indexes into its steps.
extern const unsigned char kAutoCode3Orders[6][3];
