#pragma once
// The page geometry of a score, stored as the 32-byte file-info record, and
// the undo snapshot of the document's font metrics, settings and title texts
// that travels with it.

#include "Platform.h"
#include "model/KVMultiBackup.h"
#include "document/KVCtrlTool.h"

class CKVDoc;
class CKVMsg;

class CKVFileInfo : public CKVMultiBackup {
public:
    static constexpr int kRecordSize = 32;

    CKVFileInfo();
    CKVFileInfo(const CKVFileInfo&) = delete;
    ~CKVFileInfo() override;

    // Copies the record (but its reserved words), the font-metric, settings
    // and title copies; the document and the undo link stay.
    CKVFileInfo& operator=(const CKVFileInfo& other);

    // Page geometry from paper and margins in 0.1 mm at a resolution in dots
    // per inch; 1 when a compared value changed, else 0.
    int SetLogicPageInfo(POINT paper, RECT margins, short firstBlockY, short firstBlockX,
                         short blockDistance, short staffDistance, POINT resolution);
    // Rescales the geometry from one resolution to another.
    void UpdateLogicDoc(POINT oldResolution, POINT newResolution);
    // Writes the record; returns 32.
    short Write(CFile* file);
    // Reads the record; returns 32, or 0 (record unchanged) on a short read.
    short Read(CFile* file);
    short Read(CFile& file);
    // Undo snapshot of the geometry with the document's font metrics,
    // settings and titles; records an undo entry when record is non-zero.
    void ObjectBackup(int record);
    void ObjectFeedBack();

private:
    // Copies the document's font metrics, settings and titles into this
    // object, and back.
    void TakeFromDocument();
    void GiveToDocument() const;

public:

    CKVDoc* m_pDoc = nullptr;
    // The record, in device units of the document's resolution unless said.
    short m_nBlockPerPage = 5;
    short m_nMeasPerBlock = 3;
    short m_nLeftMargin = 0;
    short m_nRightMargin = 0;
    short m_nTopMargin = 0;
    short m_nBottomMargin = 0;
    short m_nFirstBlockX = 0;    // left indent of the first block of a page
    short m_nFirstBlockY = 0;    // room above the first block of a page
    short m_nBlockDistance = 0;  // in staff spaces
    short m_nStaffDistance = 0;  // in staff spaces
    WORD m_wReserved[2] = {};    // carried unchanged through Write and Read
    LONG m_lPrintWidth = 0;
    LONG m_lPrintHeight = 0;
    // Undo copies of the document's font metrics.
    LONG m_lStaffSpace = 0;
    LONG m_lScoreFontSize = 0;
    LONG m_lFontHeight = 0;
    LONG m_lFontHeight78 = 0;
    CKVCtrlTool m_CtrlTool;          // undo copy of the document's settings
    CKVMsg* m_pTitle[3] = {};        // undo copies of the title texts, owned
};
