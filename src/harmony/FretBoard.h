#pragma once
// Guitar fret diagrams: the chord shape (CFretInfo) and the score symbol
// that draws it (CFretBoard, kind 70), which every chord symbol embeds.

#include "Platform.h"
#include "model/KVMsg.h"

// The shape: what each string does, up to four barres, and the fret at which
// the diagram starts.
class CFretInfo {
public:
    // Defined in harmony/FretBoard.cpp
    CFretInfo();
    // The text is ignored; the shape is empty.
    explicit CFretInfo(const CString& text);

    // 1 when no string is played and no pair is a barre.
    int IsFretEmpty() const;
    void SetFretEmpty();

    // The 16-byte record: u16 base fret, six string frets, four barre pairs.
    virtual int ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length);
    virtual int WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity);

    // Defined in this header
    virtual ~CFretInfo() = default;

    // Defined in harmony/FretBoardDraw.cpp
    // The pitch of a string above C in semitones; -1 when it does not sound.
    short GetMidiKeyOfString(int string) const;
    // The shape line "000000,00000000,0": 1 when the shape is not empty.
    int FretInfoToLineString(CString& line) const;
    // 1 when all three parts were found.
    int LineStringToFretInfo(const CString& line);
    // The shape profile, keyed by suffix (section) and root/bass (key).
    int ReadInfoFromProfile(short root, short bass, CString& surfix, const CString& profilePath);
    int WriteInfoToProfile(short root, short bass, CString& surfix, const CString& profilePath);

    // Fields.
    // Per string, low E first: 0 open, 1-4 stopped at that fret above the
    // base fret, 255 not played (marked), 254 not played (unmarked).
    BYTE m_byFret[6] = {};
    BYTE m_byBarre[4][2] = {};  // {string, string}; two equal values: no barre
    short m_nBaseFret = 0;      // 0: the diagram starts at the nut

    static constexpr BYTE FRET_MUTED = 255;
    static constexpr BYTE FRET_UNUSED = 254;

protected:
    // Defined in harmony/FretBoardDraw.cpp
    // Prefixes the section marker that tells the case of the first four
    // characters.
    int AddPrefixToSurfixName(CString& surfix);
};

// Defined in harmony/FretBoardDraw.cpp
// Completes a music-font LOGFONT from the registered face, keeping the
// height, weight and style that were asked for.
void CompleteMusicFont(LOGFONT& font, CDC* dc);

// Pitch offsets of the open strings above C, low E first.
extern const short nFretBase[6];

class CFretBoard : public CKVMsg {
public:
    // Defined in harmony/FretBoard.cpp
    CFretBoard();
    CFretBoard(short size, const char* face);

    // The symbol record with the diagram size in its object word, then the
    // shape record. Reading restores kind 70 and the face name.
    virtual int ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length);
    virtual int WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity);

    // Defined in this header
    ~CFretBoard() override = default;

    // Defined in harmony/FretBoardDraw.cpp
    // The symbol part, the shape, the size and the face name.
    CFretBoard& operator=(CFretBoard& source);

    // Sets the board's colour and a transparent background, draws the
    // diagram and puts both back; the diagram's extent from its anchor.
    virtual CRect Draw(CDC* dc, short zoom, LONG x, LONG y);
    // The grid, its fret label, the barres and the string marks at the
    // board's place from (x, y); zoom in percent.
    virtual CRect DrawFrame(CDC* dc, short zoom, LONG x, LONG y);

    // Fields.
    CFretInfo m_FretInfo;
    short m_nSize = 240;        // diagram size in tenths of a point
    char m_szFace[32] = {};     // the music font's face name

    static constexpr short DEFAULT_SIZE = 240;
};
