#pragma once
// One Encore score file in memory: the header, tracks, pages with their
// systems and staves, measures with their symbols, and the document blocks
// (printer data, title, texts, font names, colours), read from a SCOW or SCO5
// file and kept for the conversion into a score.

#include "import/EncMeas.h"
#include "import/EncRecords.h"
#include "import/LeftOutNotes.h"

// Why the last Read returned 0.
enum class EncReadFailure { None, Damaged, LaterLayout };

class CEncDoc {
public:
    CEncDoc();
    virtual ~CEncDoc();
    CEncDoc(const CEncDoc&) = delete;
    CEncDoc& operator=(const CEncDoc&) = delete;

    // Reads the whole file from its start; 1 on success. Progress goes to the
    // dialog as WM_USER+1 (percent, text); a null dialog is told nothing.
    // After 0 the document is only to be deleted.
    int Read(CDialog* dialog, CFile& file);
    EncReadFailure GetReadFailure() const { return m_readFailure; }

    int GetPageNum() const { return m_arrPage.GetSize(); }
    // Null outside the page list.
    CEncPage* GetPage(int index);
    // The colour of a colour index; black for an index outside the table.
    COLORREF GetColor(BYTE index) const;
    bool IsSwapped() const { return m_bSwap != 0; }
    // Files of format versions below 0x400 hold the older symbol records.
    bool IsOlderLayout() const { return wVersion() < 0x400; }
    // More than half of the symbol records are too short for the layout they
    // were read in: the layout was guessed wrong (a damaged version word, for
    // one), and what was read is not the file's music.
    bool IsLayoutMisfit() const { return 2 * static_cast<uint64_t>(m_dwShortSymbols) > m_dwSymbolRecords; }

    void Test();
    void PrintOutOfStatus(CString& out);
    void PrintOutText(ENC_TEXTDATA* text, CString& out);

    // Header fields.
    KV_ENC_RECORD_ACCESS(m_byHeader)
    DWORD dwMark() const { return Dword(0); }
    DWORD dwSize() const { return Dword(4); }
    CString szTittle() const { return encio::FixedText(m_byHeader + 8, 32); }
    WORD wVersion() const { return Word(40); }
    WORD wMemSzK() const { return Word(42); }
    WORD wPakCount() const { return Word(44); }
    WORD wSysNumb() const { return Word(46); }
    WORD wPageNumb() const { return Word(48); }
    BYTE byInstruPerSys() const { return m_byHeader[50]; }
    BYTE byStaffPerSys() const { return m_byHeader[51]; }
    WORD wMeasNumb() const { return Word(52); }
    BYTE byRecStfNo() const { return m_byHeader[54]; }
    BYTE bySoloTrkNumb() const { return m_byHeader[55]; }
    BYTE byFirstMeasNumType() const { return m_byHeader[56]; }
    BYTE byIsMeasNumDispInBox() const { return m_byHeader[57]; }
    BYTE byMeasNumDispType() const { return m_byHeader[58]; }
    BYTE byMeasIncNumb() const { return m_byHeader[59]; }
    BYTE byMeasNumDispOffset() const { return m_byHeader[60]; }
    BYTE byTrkNameAndRuler() const { return m_byHeader[61]; }
    BYTE byIsViewChanged() const { return m_byHeader[62]; }
    BYTE byRestEditStatus() const { return m_byHeader[63]; }
    BYTE byLineRoot(int i) const { return m_byHeader[64 + (i & 31)]; }
    BYTE byPageRoot(int i) const { return m_byHeader[96 + (i & 31)]; }
    BYTE byMeasRoot(int i) const { return m_byHeader[128 + (i % 48)]; }
    WORD wMeasInfoEnd() const { return Word(176); }
    BYTE byPrntRoot(int i) const { return m_byHeader[178 + (i & 15)]; }

    // The title block's items, over m_byTitle.
    const ENC_SUBTITTLE* SubTitle(int index) const;   // 0 to 14
    const ENC_COPYRIGHT* Copyright(int index) const;  // 0 to 4

    CTypedPtrArray<CPtrArray, CEncTrack*> m_arrTrack;
    CTypedPtrArray<CPtrArray, CEncPage*> m_arrPage;
    CTypedPtrArray<CPtrArray, CEncMeas*> m_arrMeas;
    CTypedPtrArray<CPtrArray, ENC_TEXTDATA*> m_arrText;
    BYTE m_byHeader[194] {};
    BYTE m_byTitle[2426] {};
    BYTE m_byColor[174] {};
    DWORD m_dwPrecLength = 0;
    BYTE* m_pPrecData = nullptr;
    CStringArray m_arrFontName;
    CWordArray m_arrFontNumber; // filled by the import, not the reader
    int32_t m_bSwap = 0;
    // Symbol records skipped as too short for their layout, by the reader
    // and the converters; 0 at the start of every Read.
    DWORD m_dwShortSymbols = 0;
    // Symbol records met in the measures, read or skipped; 0 at the start of
    // every Read.
    DWORD m_dwSymbolRecords = 0;
    // Notes the import left out because their measure refused them, by the
    // reason; none at the start of every Read.
    LeftOutNotes m_leftOutNotes;
    // Set by the track reader when it meets the later file layout.
    EncReadFailure m_readFailure = EncReadFailure::None;

private:
    int ReadAll(CDialog* dialog, CFile& file);
    int ReadHeader(CFile& file);
    int NumberStaves();
    int ReadMeasures(CFile& file);
    int ReadBlocks(CDialog* dialog, CFile& file);
    bool ReadText(const std::vector<BYTE>& body);
    void ReadFonts(const std::vector<BYTE>& body);
    void SwapTitle();
    bool IsAttached(const CEncSystem* system);
    void DeleteTracks();
    void DeletePages();
};
