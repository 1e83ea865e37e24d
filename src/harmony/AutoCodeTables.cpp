// The fixed tables of the chord namer and its table entries.

#include "harmony/AutoCodeTables.h"

const unsigned char kAutoDurStep[12] = {1, 8, 2, 9, 3, 4, 10, 5, 11, 6, 12, 7};
const unsigned char kAutoMollStep[12] = {1, 8, 2, 3, 9, 4, 10, 5, 6, 11, 7, 12};
const unsigned char kAutoDurTonic[15] = {60, 67, 62, 69, 64, 71, 66, 61, 65, 70, 63, 68, 61, 66, 71};
const unsigned char kAutoMollTonic[15] = {69, 64, 71, 66, 61, 68, 63, 70, 62, 67, 60, 65, 70, 63, 68};

CAutoCode2Entry::CAutoCode2Entry() : m_byStep1(0), m_byStep2(0), m_byCodeNum(0), m_byCode {} {}
CAutoCode2Entry::~CAutoCode2Entry() {}

CAutoCode3Entry::CAutoCode3Entry() : m_byStep {}, m_byCodeNum(0), m_byCode {} {}
CAutoCode3Entry::~CAutoCode3Entry() {}
