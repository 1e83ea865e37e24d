// The root and bass spellings of chord names: names, pitch classes, picker
// positions and parsing of typed text.

#include "harmony/ChordRtBsInfo.h"

#include <cstring>

CChordRtBsInfoProc procChordRtBsInfo;

char szCurDirectory[MAX_PATH] = {};

namespace {

void ResetProgramFolder()
{
    szCurDirectory[0] = 0;
}

KvProcessReset s_reset("program folder", &ResetProgramFolder);

constexpr BYTE kNone = 0;
constexpr BYTE kSharp = 1;
constexpr BYTE kFlat = 2;

constexpr ChordSpelling kSpellings[CChordRtBsInfoProc::SPELLING_COUNT + 1] = {
    {-1, 'X', kNone},
    {0, 'C', kNone}, {1, 'C', kSharp}, {1, 'D', kFlat}, {2, 'D', kNone},
    {3, 'D', kSharp}, {3, 'E', kFlat}, {4, 'E', kNone}, {5, 'F', kNone},
    {6, 'F', kSharp}, {6, 'G', kFlat}, {7, 'G', kNone}, {8, 'G', kSharp},
    {8, 'A', kFlat}, {9, 'A', kNone}, {10, 'A', kSharp}, {10, 'B', kFlat},
    {11, 'B', kNone}, {11, 'C', kFlat}, {0, 'B', kSharp}, {5, 'E', kSharp},
    {11, 'H', kNone}, {4, 'F', kFlat},
};

// Picker position -> bass number.
constexpr short kListOrder[CChordRtBsInfoProc::SPELLING_COUNT] = {
    19, 1, 2, 3, 4, 5, 6, 7, 20, 22, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 21,
};

// The parser looks among the no-bass entry and the chromatic spellings only.
constexpr int kParsedEntries = 18;

constexpr UINT kNoBassLabelString = 25114;

bool IsRoot(short root)
{
    return root >= 0 && root < CChordRtBsInfoProc::SPELLING_COUNT;
}

bool IsBass(short bass)
{
    return bass >= 0 && bass <= CChordRtBsInfoProc::SPELLING_COUNT;
}

char AccidentalChar(BYTE accidental)
{
    return accidental == kSharp ? '#' : accidental == kFlat ? 'b' : 0;
}

template <class Control>
void AddSpellingNames(Control& control, const CChordRtBsInfoProc& proc)
{
    for (short bass : kListOrder)
        control.AddString(proc.GetBaseName(bass));
}

CString NoBassLabel()
{
    CString label;
    label.LoadString(kNoBassLabelString);
    return label;
}

} // namespace

CChordRtBsInfoProc::CChordRtBsInfoProc()
{
    std::memcpy(m_Spelling, kSpellings, sizeof(m_Spelling));
}

CChordRtBsInfoProc::CChordRtBsInfoProc(const CChordRtBsInfoProc& source)
{
    std::memcpy(m_Spelling, source.m_Spelling, sizeof(m_Spelling));
}

CChordRtBsInfoProc& CChordRtBsInfoProc::operator=(const CChordRtBsInfoProc& source)
{
    if (this != &source)
        std::memcpy(m_Spelling, source.m_Spelling, sizeof(m_Spelling));
    return *this;
}

int CChordRtBsInfoProc::GetRootMidiKey(short root) const
{
    return IsRoot(root) ? m_Spelling[root + 1].nPitch : -1;
}

int CChordRtBsInfoProc::GetBaseMidiKey(short bass) const
{
    return IsBass(bass) ? m_Spelling[bass].nPitch : -1;
}

CString CChordRtBsInfoProc::GetRootName(short root) const
{
    if (!IsRoot(root))
        return CString();
    const ChordSpelling& spelling = m_Spelling[root + 1];
    CString name(spelling.chLetter);
    if (char accidental = AccidentalChar(spelling.byAccidental))
        name += accidental;
    return name;
}

char CChordRtBsInfoProc::GetRootTemp(short root) const
{
    return IsRoot(root) ? AccidentalChar(m_Spelling[root + 1].byAccidental) : 0;
}

CString CChordRtBsInfoProc::GetBaseName(short bass) const
{
    if (bass == 0 || !IsBass(bass))
        return CString();
    return GetRootName(static_cast<short>(bass - 1));
}

char CChordRtBsInfoProc::GetBaseTemp(short bass) const
{
    if (bass == 0 || !IsBass(bass))
        return 0;
    return GetRootTemp(static_cast<short>(bass - 1));
}

CString CChordRtBsInfoProc::GetRealRootName(short root) const
{
    if (!IsRoot(root))
        return CString();
    // Entry root + 1 is the spelling itself, entry root the one before it.
    if (root > 0 && m_Spelling[root + 1].byAccidental == kFlat && m_Spelling[root].byAccidental == kSharp)
        return GetRootName(static_cast<short>(root - 1));
    return GetRootName(root);
}

CString CChordRtBsInfoProc::GetRealBaseName(short bass) const
{
    if (!IsBass(bass))
        return CString();
    if (bass > 1 && m_Spelling[bass].byAccidental == kFlat && m_Spelling[bass - 1].byAccidental == kSharp)
        return GetBaseName(static_cast<short>(bass - 1));
    return GetBaseName(bass);
}

short CChordRtBsInfoProc::GetRootNoFromIndex(short index) const
{
    if (index < 0 || index >= SPELLING_COUNT)
        return 0;
    return static_cast<short>(kListOrder[index] - 1);
}

short CChordRtBsInfoProc::GetBaseNoFromIndex(short index) const
{
    if (index == 0)
        return 0;
    return static_cast<short>(GetRootNoFromIndex(static_cast<short>(index - 1)) + 1);
}

short CChordRtBsInfoProc::GetBaseNoFromStr(CString& text) const
{
    if (text.IsEmpty())
        return 0;
    const char first = text[0];
    short n = -1;
    for (int i = 0; i < kParsedEntries; ++i) {
        if (m_Spelling[i].chLetter == first && m_Spelling[i].byAccidental == kNone) {
            n = static_cast<short>(i);
            break;
        }
    }
    if (n < 0)
        return 0;
    text.Delete(0, 1);
    // Only an accidental moves the number, and only then does it wrap: a
    // letter followed by anything else keeps its own spelling.
    bool moved = false;
    if (!text.IsEmpty() && (text[0] == '#' || text[0] == 'b')) {
        n = static_cast<short>(n + (text[0] == '#' ? 1 : -1));
        text.Delete(0, 1);
        moved = true;
    }
    if (moved) {
        if (n < 1)
            n = 18;
        else if (n > 17)
            n = 1;
    }
    return n;
}

short CChordRtBsInfoProc::GetRootNoFromStr(CString& text) const
{
    const short bass = GetBaseNoFromStr(text);
    return bass == 0 ? 0 : static_cast<short>(bass - 1);
}

void CChordRtBsInfoProc::SetRootNamesToCombo(CComboBox& combo)
{
    combo.ResetContent();
    AddSpellingNames(combo, *this);
}

void CChordRtBsInfoProc::SetRootNamesToList(CListBox& list)
{
    list.ResetContent();
    AddSpellingNames(list, *this);
}

void CChordRtBsInfoProc::SetBaseNamesToCombo(CComboBox& combo)
{
    combo.ResetContent();
    combo.AddString(NoBassLabel());
    AddSpellingNames(combo, *this);
}

void CChordRtBsInfoProc::SetBaseNamesToList(CListBox& list)
{
    list.ResetContent();
    list.AddString(NoBassLabel());
    AddSpellingNames(list, *this);
}
