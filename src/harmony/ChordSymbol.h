#pragma once
// The chord-name symbol of a score (kind 69): root, optional bass, suffix, an
// embedded fret diagram and an optional rhythm pattern.

#include "Platform.h"
#include "model/KVMsg.h"
#include "harmony/ChordSurfix.h"
#include "harmony/FretBoard.h"
#include "harmony/Rhythm.h"

// The diagram size (tenths of a point) that new chord symbols give their
// fret board; the host may change it.
extern short nChordFretPtSize;

class CChordSymbol : public CKVMsg {
public:
    // Defined in harmony/ChordSymbol.cpp
    // An empty C chord: name shown, diagram hidden, no rhythm.
    CChordSymbol();
    ~CChordSymbol() override;

    // The chord part of the record, behind the symbol record: the suffix
    // record, the fret-board record, a u16 rhythm flag and, when it is 1,
    // the rhythm record. Reading first unpacks root, bass and the two show
    // flags from the node words that the symbol record carried. 1 on
    // success, 0 on failure.
    int ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length);
    int WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity);
    bool GetChordSymbolParts(ChordSymbolParts& parts) override;
    void ScaleOwnedParts(int xNew, int xOld, int yNew, int yOld) override;

    // Defined in harmony/ChordConvert.cpp
    // Turns a symbol of the older chord kinds (22, 23), whose symbol part
    // this one carries, into a chord symbol; 1 when it did.
    int MakeFromOldChordSymbol();
    // The spelling number of an older letter index (0 C .. 6 B) and
    // accidental (1 sharp, 2 flat); a letter outside 0-6 gives C.
    short RootNoFromOldVersion(short letter, short accidental);
    // Replaces an older suffix text by its entry in the conversion profile;
    // 1 when there was one.
    int ConvertSurfixFromOld(CString& surfix);
    // Builds the suffix from an older suffix text, sorting its bracketed
    // parts into tension, raised and baseline parts.
    void AnalyzeOldSurfixName(CString& text);
    // Completes a symbol that the Encore converter filled with letter
    // indexes and accidentals; 1.
    int MakeFromEncChordSymbol(const CString& encoreSurfix);
    // The fret shape of root, bass and suffix from a shape profile.
    int ReadFretInfo(const CString& profilePath);

    // Defined in harmony/ChordSymbolDraw.cpp
    // The symbol part, then the chord part as CreateFrom copies it.
    CChordSymbol& operator=(CChordSymbol& source);
    // The symbol part alone, as the record reader hands a plain symbol's
    // fields over to the chord symbol that replaces it.
    using CKVMsg::operator=;

    using CKVMsg::Initialize;
    // Copies the chord part, the fret board's colour and the position words
    // of another chord symbol; nothing else of the symbol part.
    void Initialize(CChordSymbol* source);
    // Copies the chord part of a chord symbol; 1.
    int CreateFrom(CKVMsg* source);
    // The colour of the symbol and of its fret board.
    void SetColor(COLORREF colour);
    // Re-attaches the suffix to the library's suffix dictionary.
    void CorrectSufixInfo();

    // Name, diagram and rhythm at (x, y), zoom in percent; fills the three
    // handles and remembers (x, y) as the drawn origin. The union of what
    // was drawn, relative to (x, y).
    virtual CRect Draw(CDC* dc, LOGFONT* font, short zoom, LONG x, LONG y);
    // The chord name alone; its extent relative to the name's anchor. A null
    // font draws in the default faces and sizes.
    virtual CRect DrawFrame(CDC* dc, LOGFONT* font, short zoom, LONG x, LONG y);

    // Fields.
    short m_nRoot = 0;          // spelling number, 0 = C
    short m_nBass = 0;          // 0 none, else 1 + spelling number
    CChordSurfix m_Surfix;
    CFretBoard m_FretBoard;
    BOOL m_bShowName = TRUE;
    BOOL m_bShowFret = FALSE;
    CRhythm* m_pRhythm = nullptr;   // owned
    // The low 16 bits of the point the symbol was last drawn from; 0 when
    // made, never stored, copied by Initialize(CChordSymbol*) only.
    short m_nDrawnX = 0;
    short m_nDrawnY = 0;
};
