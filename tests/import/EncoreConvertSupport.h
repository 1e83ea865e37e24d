#pragma once
// A score imported from a writer file up to the symbol conversion, in the
// state the symbol walk runs in (import flag set, 72 dpi, no undo), so that
// tests can call the single-symbol converters directly.
//
// The file has one track of `staves` staves, two Encore measures of width
// 200 with a 20-dot header (native header width 20, real width 180, so wX w
// sits at MulDiv(w, 256, 180)), the fonts "Times" and "Arial" taken as the
// font-number list {0, 5}, and colour 5 = {0x10, 0x20, 0x30}.

#include "EncoreTestSupport.h"
#include "import/EncImport.h"
#include "import/ImportScopes.h"
#include "support/Drawing.h"

#include <memory>

namespace kvtest {

inline constexpr COLORREF kEncNoteTextColor5 = 0x00302010;

inline EncoreFile ConvertEncore(std::vector<EncoreSymbol> symbols, BYTE staves = 1)
{
    EncoreFile f = MinimalEncore(2);
    f.tracks[0].name = "Oboe";
    f.tracks[0].staves = staves;
    for (BYTE s = 1; s < staves; ++s) {
        EncoreStaff staff;
        staff.wY = static_cast<WORD>(60 * s);
        f.lines[0].staves.push_back(staff);
    }
    f.byStaffPerSys = staves;
    for (EncoreMeasure& m : f.measures)
        m.byPakArea = 20;
    f.measures[0].symbols = std::move(symbols);
    std::vector<BYTE> colors(174);
    const BYTE five[4] = {0x10, 0x20, 0x30, 0};
    std::copy(five, five + 4, colors.begin() + 78 + 4 * 5);
    f.blocks = {EncFont({"Times", "Arial"}), EncColor(colors), EncDrum()};
    return f;
}

struct EncConvertRun {
    CKVDoc doc;
    CEncDoc enc;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);
    ImportConvertingScope converting;
    std::unique_ptr<ImportResolutionScope> dpi;
    int imported = 0;

    explicit EncConvertRun(const EncoreFile& file, EncoreOrder order = EncoreOrder::Scow)
    {
        std::vector<BYTE> bytes = WriteEncore(file, order);
        CMemFile f(bytes.data(), static_cast<UINT>(bytes.size()));
        imported = ImportEncore(f, enc, doc, dc.get(), doc.m_ScoreView, nullptr, 10);
        dpi = std::make_unique<ImportResolutionScope>();
        converting.Set();
        doc.m_bBackupRecord = 0;
        // The measures as the conversion's tests take them: a 20-dot header
        // and a real width of 180, whatever the layout made of them.
        CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
        for (short s = 0; master && s < master->GetStaffNum(); ++s) {
            for (short m = 0; m < master->GetMeasNum(); ++m) {
                if (CKVMeas* meas = master->GetMeas(s, m)) {
                    meas->m_nHeaderWidth = 20;
                    meas->m_nRealWidth = 180;
                }
            }
        }
        enc.m_arrFontNumber.SetSize(2);
        enc.m_arrFontNumber[0] = 0;
        enc.m_arrFontNumber[1] = 5;
    }
    CKVMeas* Meas(int staff = 0, int meas = 0)
    {
        return doc.m_arrSystem.GetAt(0)->GetMeas(static_cast<short>(staff), static_cast<short>(meas));
    }
    CEncMeas* EncMeas(int meas = 0) { return enc.m_arrMeas[meas]; }
    // The symbols of a measure's note and rest list or of its other list.
    CEncSymbol* NoteRest(int i, int meas = 0) { return EncMeas(meas)->m_arrNoteRestSymbols[i]; }
    CEncSymbol* Other(int i, int meas = 0) { return EncMeas(meas)->m_arrOtherSymbols[i]; }
    CEncSystem* System() { return enc.m_arrPage[0]->m_arrSystem[0]; }

    // The note or rest converter, as the walk picks it.
    int Convert(CEncSymbol* symbol, int meas = 0, int staff = 0)
    {
        const BYTE voice = symbol->WhatIsVoice();
        if (symbol->WhatIsSymbol() == 9)
            return doc.EncToKVC_Note(&enc, EncMeas(meas), symbol, Meas(staff, meas), voice);
        return doc.EncToKVC_Rest(&enc, EncMeas(meas), symbol, Meas(staff, meas), voice);
    }
    int ConvertAll(int meas = 0)
    {
        int all = 1;
        for (int i = 0; i < EncMeas(meas)->m_arrNoteRestSymbols.GetSize(); ++i)
            all &= Convert(NoteRest(i, meas), meas);
        return all;
    }
};

// The notes and rests of a node, through its chords and beam groups, in
// child order.
inline void CollectNotes(CKVObject& node, std::vector<CKVMsg*>& out, int depth = 0)
{
    for (short i = 0; i < node.GetMsgNum() && depth < 4; ++i) {
        CKVMsg* msg = node.GetMsg(i);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM)
            CollectNotes(*msg, out, depth + 1);
        else if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST)
            out.push_back(msg);
    }
}

inline std::vector<CKVMsg*> NotesOf(CKVObject& node)
{
    std::vector<CKVMsg*> out;
    CollectNotes(node, out);
    return out;
}

inline std::vector<BYTE> HeadOf(CKVObject& node)
{
    unsigned char* head = nullptr;
    const short length = node.GetHead(&head);
    return head ? std::vector<BYTE>(head, head + length) : std::vector<BYTE> {};
}

} // namespace kvtest
