#pragma once
// The letter spellings a chord's root and bass can take, and the program
// folder that the chord files live under.

#include "Platform.h"

// One spelling: pitch class (0 = C .. 11 = B; -1 for no bass), letter and
// accidental (0 none, 1 sharp, 2 flat). Four bytes, as the table is laid out.
struct ChordSpelling {
    short nPitch;
    char chLetter;
    BYTE byAccidental;
};

// The fixed spelling table with its conversions. Root numbers r (0-21) are
// spelling numbers; bass numbers b are 0 for none, else spelling + 1. Root
// lookups index the table with r + 1, bass lookups with b. A number outside
// its range gives "" from the names, 0 from the accidentals and -1 from the
// pitches: numbers read from files are kept as they come.
class CChordRtBsInfoProc {
public:
    static constexpr int SPELLING_COUNT = 22;

    CChordRtBsInfoProc();
    CChordRtBsInfoProc(const CChordRtBsInfoProc& source);
    CChordRtBsInfoProc& operator=(const CChordRtBsInfoProc& source);
    virtual ~CChordRtBsInfoProc() = default;

    int GetRootMidiKey(short root) const;
    int GetBaseMidiKey(short bass) const;
    CString GetRootName(short root) const;
    char GetRootTemp(short root) const;
    CString GetBaseName(short bass) const;
    char GetBaseTemp(short bass) const;
    // The name under which a shape is filed: a flat whose spelling follows
    // a sharp takes the sharp's name (D flat gives C#; C flat stays Cb).
    CString GetRealRootName(short root) const;
    CString GetRealBaseName(short bass) const;

    // Picker positions: the root list holds the 22 spellings in picker
    // order, the bass list the no-bass label and then the same 22.
    short GetRootNoFromIndex(short index) const;
    short GetBaseNoFromIndex(short index) const;

    // Parse a note name at the start of `text` and remove it from there.
    short GetBaseNoFromStr(CString& text) const;
    short GetRootNoFromStr(CString& text) const;

    void SetRootNamesToCombo(CComboBox& combo);
    void SetRootNamesToList(CListBox& list);
    void SetBaseNamesToCombo(CComboBox& combo);
    void SetBaseNamesToList(CListBox& list);

private:
    // Entry 0 is the no-bass entry, entries 1-22 the spellings 0-21.
    ChordSpelling m_Spelling[SPELLING_COUNT + 1];
};

extern CChordRtBsInfoProc procChordRtBsInfo;

// The program folder, filled by the host; the chord dictionary, the shape
// profiles and the rhythm folder lie below it. Empty until the host sets it.
extern "C" char szCurDirectory[MAX_PATH];
