#pragma once
// Chord suffixes: what follows the root in a chord name ("m7", "sus4",
// "7~(b9,#11)"), their component codes, and the dictionaries of suffixes.

#include "Platform.h"

// The component codes of a suffix, one byte each (0-35). The rhythm player
// reads the first three as successive semitone steps between chord tones.
class CChordSurfixInfo {
public:
    CChordSurfixInfo() = default;
    CChordSurfixInfo(const CChordSurfixInfo& source);
    virtual ~CChordSurfixInfo() = default;
    CChordSurfixInfo& operator=(const CChordSurfixInfo& source);

    // 255 for an index outside the codes.
    BYTE GetAt(int index) const;
    int GetSize() const;
    void AddInfo(BYTE code);
    // Room for count codes in all, so that adding them allocates once.
    void Reserve(int count);
    void InsertHead(BYTE code);
    void Reset();
    int IsEmpty() const;

private:
    CByteArray m_arrInfo;
};

// One suffix. The full name may hold the layout marks '~' (what follows is
// raised) and '_' (back to the baseline); the texts and tensions that drawing
// needs are derived from it and never stored.
class CChordSurfix {
public:
    // Defined in harmony/ChordSurfix.cpp
    CChordSurfix();

    // Stores the full name and derives the short name and the drawing parts.
    void SetRealName(const CString& name);
    void ResetNames();

    void RealToShortName();
    // 1 when the text is a tension group such as "(b9,#11)".
    int IsTension(const CString& text) const;
    void AnalyzeName();

    // The suffix record: u16 name length, the name, u8 code count, the
    // codes. Read appends the codes to those already held. 1 on success, 0
    // on failure; a failed read changes nothing, a failed write leaves
    // *pos where it was.
    virtual int ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length);
    virtual int WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity);

    // Defined in this header
    virtual ~CChordSurfix() = default;

    CString GetRealName() const { return m_strRealName; }
    CString GetShortName() const { return m_strShortName; }
    CChordSurfixInfo GetInfo() const { return m_Info; }
    void SetInfo(const CChordSurfixInfo& info) { m_Info = info; }
    void ResetInfo() { m_Info.Reset(); }

    // Defined in harmony/ChordSurfixDictionary.cpp
    CChordSurfix(const CChordSurfix& source);
    // Takes the other's full name (deriving every field again), then its
    // codes.
    CChordSurfix& operator=(const CChordSurfix& source);

    // The codes as base-36 digits, and back.
    CString StringFromInfo() const;
    void InfoFromString(const CString& text);

    // Fields.
    CString m_strRealName;      // full name, with the layout marks
    CString m_strShortName;     // full name without '~' and '_'
    CChordSurfixInfo m_Info;
    CString m_strUpper;         // raised parts that are no tension group
    CString m_strMain;          // baseline parts
    CString m_strTension;       // the raised tension group
    short m_nTensionCount = 0;  // 0 to 3
    BYTE m_byTensionAcci[3] = {};   // music-font accidental per tension, 0 none
    // Per tension: first digit, second digit, number of digits (1 or 2).
    BYTE m_byTensionNum[3][3] = {};
};

// A dictionary of suffixes in file order, owning them, with a current entry.
class CChordSurfixProc {
public:
    // Defined in harmony/ChordSurfix.cpp
    CChordSurfixProc();
    virtual ~CChordSurfixProc();

    // Appends; the dictionary owns the suffix from now on.
    void AddSurfix(CChordSurfix* surfix);
    POSITION GetFirstSurfixPos() const;
    // The suffix at `position`; the position moves on (null after the last).
    CChordSurfix* GetNextSurfix(POSITION& position) const;

    // The first suffix whose short (or full) name equals the text once every
    // blank is removed from both, case-sensitively; null when none.
    POSITION FindSurfixShortName(const CString& name) const;
    POSITION FindSurfixRealName(const CString& name) const;

    // Remove and delete; the current entry becomes null when it goes.
    void DeleteAt(POSITION position);
    void DeleteAllSurfixes();

    // Deleted here
    CChordSurfixProc(const CChordSurfixProc&) = delete;

    // Defined in harmony/ChordSurfixDictionary.cpp
    // Copies every suffix of the source; the current entry follows by name.
    CChordSurfixProc& operator=(CChordSurfixProc& source);

    // The same searches, making the found suffix (or null) the current one.
    CChordSurfix* FindShortAndSetCurSurfix(const CString& name);
    CChordSurfix* FindRealAndSetCurSurfix(const CString& name);

    // The host's list boxes.
    int SetSurfixNamesToList(CListBox& list);
    int GetCurSurfixFromListSel(CListBox& list);
    int SetCurSurfixSelInList(CListBox& list);

    // The dictionary file: lines "full name=codes" ending in CR LF.
    int ReadSurfixInfos(const CString& folder, const CString& name);
    int WriteSurfixInfos(const CString& folder, const CString& name);

    CTypedPtrList<CPtrList, CChordSurfix*> m_listSurfix{10};
    CChordSurfix* m_pCurSurfix = nullptr;
};

// The library's suffix dictionary, and the host's second one. Both are empty
// until the host reads them.
extern CChordSurfixProc procChordSurfix;
extern CChordSurfixProc procCustomSurfix;
