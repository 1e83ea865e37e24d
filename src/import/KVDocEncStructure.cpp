// The first half of an Encore import: the skeleton of the score. The master
// system with every staff and measure, one block per Encore system, staff and
// measure attributes, repeat endings, coda texts, bar lines, hidden staves,
// staff heights and keys, and the settings that the title block gives.

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "import/EncDoc.h"
#include "import/EncImport.h"
#include "import/ImportScopes.h"
#include "model/DrumTable.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "platform/AllocHook.h"
#include "platform/MemoryGuard.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr UINT kCaptionSystems = 25193;
constexpr UINT kCaptionPages = 25109;
constexpr UINT kCaptionStaves = 25110;
constexpr UINT kCaptionHidden = 25112;
constexpr UINT kCaptionKeys = 25111;

// Title block offsets.
constexpr int kTitleLayoutWords = 2386;
constexpr int kTitleVelocities = 2406;
constexpr int kTitleJ1 = 2414;
constexpr int kTitleFlags = 2415;
constexpr int kTitleJ3 = 2416;

constexpr BYTE kTrackNormal = 0;
constexpr BYTE kTrackSpecial = 2;
constexpr BYTE kEncDrumClef = 7;
constexpr BYTE kStaffKindSpecial = 4;

void Progress(CDialog* dialog, int percent, UINT caption = 0)
{
    if (!dialog)
        return;
    if (caption == 0) {
        dialog->SendMessage(WM_USER + 1, static_cast<WPARAM>(percent), 0);
        return;
    }
    CString text;
    text.LoadString(caption);
    dialog->SendMessage(WM_USER + 1, static_cast<WPARAM>(percent), reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(text)));
}

WORD TitleWord(const CEncDoc& enc, int offset) { return encio::Word(enc.m_byTitle + offset); }

bool ValidTime(int num, int den)
{
    if (num <= 0)
        return false;
    return den == 1 || den == 2 || den == 4 || den == 8 || den == 16 || den == 32 || den == 64;
}

// The numerator and denominator of an Encore measure, 4/4 when they make no
// signature.
void SetTime(CKVMeas& meas, int num, int den)
{
    if (!ValidTime(num, den)) {
        num = 4;
        den = 4;
    }
    meas.m_nTimeNum = static_cast<short>(num);
    meas.m_nTimeDen = static_cast<short>(den);
}

// The key of an Encore key number k (0 to 19) on a measure.
void ApplyKey(CKVMeas& meas, int k)
{
    if (k <= 0) {
        meas.m_byKeyCount = 0;
    } else if (k <= 7) {
        meas.m_byKeyType = CKVMeas::KEY_FLATS;
        meas.m_byKeyCount = static_cast<BYTE>(k);
    } else {
        meas.m_byKeyType = CKVMeas::KEY_SHARPS;
        meas.m_byKeyCount = static_cast<BYTE>(std::min(k - 7, 7));
    }
}

void CopyEnding(CKVMeas& to, const CKVMeas& from)
{
    to.m_byEndingPos = from.m_byEndingPos;
    std::memcpy(to.m_szEndingText, from.m_szEndingText, sizeof to.m_szEndingText);
    to.m_wObjWord = static_cast<WORD>((to.m_wObjWord & CKVMeas::ENDING_START) |
                                      (from.m_wObjWord & ~CKVMeas::ENDING_START));
    to.m_byEndingOffset = from.m_byEndingOffset;
    to.m_dwWord = from.m_dwWord;
    to.m_wEndingLine1 = from.m_wEndingLine1;
    to.m_wEndingLine2 = from.m_wEndingLine2;
}

struct CodaText {
    const char* text;
    WORD subKind;
};
constexpr CodaText kCodaTexts[10] = {
    {"D.C. al Coda", 1}, {"D.S. al Coda", 2}, {"D.C.al Fine", 3}, {"D.S. al Fine", 4}, {"D.S.", 7},
    {"To Coda", 9},      {"Fine", 5},         {"D.C.", 6},        {"", 10},           {"Coda", 8},
};

struct DrumHead {
    BYTE bytes[CKVStaff::DRUM_KIT_RECORD_SIZE];
};

} // namespace

int CKVDoc::FirstConvertEncToKvc(CDialog* dialog, CEncDoc* enc, LONG& right, LONG& bottom)
{
    right = 0;
    bottom = 0;
    ImportConvertingScope converting;
    converting.Set();
    if (!enc || !m_pFileInfo)
        return 0;

    int totalStaves = 0;
    for (int t = 0; t < enc->m_arrTrack.GetSize(); ++t)
        totalStaves += enc->m_arrTrack[t]->byStaffNum();
    const int measCount = enc->wMeasNumb();
    if (totalStaves == 0 || EncImportRefusal(*enc) != EncImportFailure::None)
        return 0;
    const int s = m_nStaffSpace;
    const int half = s / 2;
    CKVCtrlTool& ct = m_CtrlTool;

    // Settings from the title block.
    ct.m_wClefLayout = static_cast<WORD>(2 * TitleWord(*enc, kTitleLayoutWords));
    ct.m_wKeyLayout = static_cast<WORD>(2 * TitleWord(*enc, kTitleLayoutWords + 2));
    ct.m_wM2 = static_cast<WORD>(2 * TitleWord(*enc, kTitleLayoutWords + 4));
    ct.m_wM3 = static_cast<WORD>(2 * TitleWord(*enc, kTitleLayoutWords + 6));
    ct.m_wM1 = 0;
    ct.m_byH4 = 2;
    ct.m_wH8 = 0;
    std::memcpy(ct.m_byVelocity, enc->m_byTitle + kTitleVelocities, sizeof ct.m_byVelocity);
    ct.m_byJ1 = enc->m_byTitle[kTitleJ1];
    const BYTE titleFlags = enc->m_byTitle[kTitleFlags];
    for (const BYTE bit : {BYTE(1), BYTE(2), BYTE(8)}) {
        if (titleFlags & bit)
            ct.m_byJ2 = static_cast<BYTE>(ct.m_byJ2 & ~bit);
        else
            ct.m_byJ2 = static_cast<BYTE>(ct.m_byJ2 | bit);
    }
    BYTE* const jBytes[5] = {&ct.m_byJ3, &ct.m_byJ4, &ct.m_byJ5, &ct.m_byJ6, &ct.m_byJ7};
    for (int i = 0; i < 5; ++i)
        *jBytes[i] = enc->m_byTitle[kTitleJ3 + i];

    // Measure numbers.
    const BYTE numOffset = enc->byMeasNumDispOffset();
    ct.m_dwB3 = enc->byMeasNumDispType() > 0 ? 1 : 0;
    ct.m_dwB7 = (enc->byFirstMeasNumType() % 2 == 0 ? 1 : 0) + (enc->byIsMeasNumDispInBox() == 1 ? 8 : 0);
    ct.m_dwB4 = MAKELONG(1, numOffset >= 128 ? 2 : 1);
    ct.m_lB5 = (numOffset & 127) * s;
    ct.m_lB6 = enc->byMeasNumDispType() == 1 ? enc->byMeasIncNumb() : -1;

    // The master system.
    Progress(dialog, 0, kCaptionSystems);
    CKVSystem* system = KvNew<CKVSystem>();
    if (!system) {
        ReportOutOfMemory(1);
        return 0;
    }
    system->m_pDoc = this;
    m_arrSystem.Add(system);
    if (!system->Create(static_cast<short>(totalStaves), measCount, 1, 4, 4))
        return 0;
    ct.m_wE6 = static_cast<WORD>((ct.m_wE6 & 0xFF00) | static_cast<BYTE>(~enc->byRestEditStatus()));

    // Pages and blocks; each Encore system keeps the block it made, or null.
    Progress(dialog, 10, kCaptionPages);
    const int pageCount = enc->m_arrPage.GetSize();
    std::vector<std::vector<CKVBlock*>> blockOf(static_cast<size_t>(pageCount));
    const int top = m_pFileInfo->m_nTopMargin;
    for (int i = 0; i < pageCount; ++i) {
        Progress(dialog, 10 + MulDiv(90, i, pageCount));
        CKVPage* page = KvNew<CKVPage>();
        if (!page) {
            ReportOutOfMemory(1);
            return 0;
        }
        page->m_pDoc = this;
        page->Create(m_pFileInfo);
        AddPage(page);
        CEncPage* encPage = enc->m_arrPage[i];
        blockOf[i].assign(static_cast<size_t>(encPage->m_arrSystem.GetSize()), nullptr);
        for (int k = 0; k < encPage->m_arrSystem.GetSize(); ++k) {
            CEncSystem* encSystem = encPage->m_arrSystem[k];
            if (!EncSystemIsUsable(*enc, *encSystem))
                continue;
            const POINT topLeft {encSystem->wX(), static_cast<LONG>(encSystem->GetStaff(0)->wY()) - top};
            CKVBlock* block = page->AddBlock(system, encSystem->wStartMeasNo(), encSystem->wMeasNumb(), topLeft, 0);
            if (!block)
                continue;
            blockOf[i][k] = block;
            for (int j = 0; j < encSystem->m_arrStaff.GetSize(); ++j) {
                const WORD value = static_cast<WORD>((2 - encSystem->m_arrStaff[j]->byChordLabel()) * half);
                if (j >= block->GetStaffNum())
                    break;
                CKVStaff* staff = block->GetStaff(static_cast<short>(j));
                BlockStaffEntry* entry = nullptr;
                for (int e = 0; e < block->m_arrStaffEntry.GetSize() && !entry; ++e) {
                    if (block->m_arrStaffEntry[e]->pStaff == staff)
                        entry = block->m_arrStaffEntry[e];
                }
                if (!entry) {
                    entry = KvNew<BlockStaffEntry>();
                    if (!entry) {
                        ReportOutOfMemory(1);
                        return 0;
                    }
                    entry->pStaff = staff;
                    block->m_arrStaffEntry.Add(entry);
                }
                entry->wValue = value;
            }
            const int count = block->m_nMeasCount;
            if (block->m_arrMeasX.GetSize() < count + 1)
                block->m_arrMeasX.SetSize(count + 1);
            const int first = block->m_arrMeasX[0];
            int sum = 0;
            for (int m = 0; m < count; ++m) {
                sum += enc->m_arrMeas[block->m_nFirstMeas + m]->wMeasDistance();
                block->m_arrMeasX[m + 1] = static_cast<WORD>(first + sum);
            }
            block->m_rcBlock.right = block->m_rcBlock.left + block->m_arrMeasX[count];
        }
    }

    // Staves and measures.
    Progress(dialog, 100);
    Progress(dialog, 0, kCaptionStaves);
    const int trackCount = enc->m_arrTrack.GetSize();
    int staffIndex = 0;
    for (int t = 0; t < trackCount; ++t) {
        Progress(dialog, MulDiv(100, t, trackCount));
        const CEncTrack* track = enc->m_arrTrack[t];
        for (int j = 0; j < track->byStaffNum(); ++j, ++staffIndex) {
            CKVStaff* staff = system->GetStaff(static_cast<short>(staffIndex));
            if (!staff)
                continue;
            const BYTE type = track->byReserved4();
            const BYTE encClef = track->byClef(j);
            const bool drum = type == kTrackNormal && encClef == kEncDrumClef;
            if (drum) {
                staff->m_byClefType = CKVStaff::CLEF_DRUM;
                staff->m_byStaffKind = CKVStaff::KIND_DRUM;
                DrumHead* head = KvNew<DrumHead>();
                if (!head) {
                    ReportOutOfMemory(1);
                    return 0;
                }
                std::memset(head->bytes, 0, sizeof head->bytes);
                head->bytes[0] = static_cast<BYTE>(nDrumIndex & 0xFF);
                head->bytes[1] = static_cast<BYTE>((nDrumIndex >> 8) & 0xFF);
                // With no kit at the index the name stays empty.
                if (const DrumKitEntry* kit = GetDrumTable(nullptr)) {
                    const char* name = reinterpret_cast<const char*>(kit) + kDrumKitNameOffset;
                    const size_t room = sizeof head->bytes - 2 - 1;
                    std::memcpy(head->bytes + 2, name, strnlen(name, room));
                }
                staff->SetHead(static_cast<short>(sizeof head->bytes), head->bytes);
                delete head;
            } else if (type == kTrackSpecial) {
                staff->m_byStaffKind = kStaffKindSpecial;
            } else {
                staff->m_byStaffKind = CKVStaff::KIND_NORMAL;
            }
            staff->m_wStaffWord = static_cast<WORD>(static_cast<short>(track->byKey()));
            for (int v = 0; v < CKVStaff::VOICES; ++v) {
                staff->m_byChannel[v] = track->byCharnel(v);
                staff->m_byVoiceSecond[v] = track->byInstrument(v);
                const BYTE volume = track->byVolume(v);
                staff->m_byVoiceFirst[v] = volume == 0 || volume == 128 ? 127 : volume;
            }
            if (j == 0) {
                const CString name = track->szName(); // ends at the 32nd byte
                if (!name.IsEmpty())
                    staff->SetStaffNameToMsg(static_cast<LPCTSTR>(name), "", "", "", 0, 0);
            }
            const bool endingStaff = t == 0 && j == 0;
            const BYTE initClef = drum ? CKVStaff::CLEF_DRUM : static_cast<BYTE>(encClef + 1);
            for (int m = 0; m < measCount; ++m) {
                CKVMeas* meas = staff->GetMeas(m);
                if (!meas)
                    continue;
                const CEncMeas* em = enc->m_arrMeas[m];
                meas->m_byInitClef = initClef >= 1 && initClef <= 9 ? initClef : 1;
                const BYTE chPak = em->byChPak();
                meas->m_byTimeStyle = chPak == 'c' || chPak == 'C' ? 1 : 0;
                if (chPak == 'C')
                    SetTime(*meas, 2, 2);
                else
                    SetTime(*meas, em->byPak1(), em->byPak2());
                meas->CalcWholeCount();
                const BYTE bolda = em->byBoldaSymbol();
                meas->m_byOptions = 15;
                if (bolda & 2)
                    meas->m_byOptions = static_cast<BYTE>((meas->m_byOptions & ~4) | 64);
                if (bolda & 4) {
                    meas->m_wObjWord = static_cast<WORD>(meas->m_wObjWord | CKVMeas::PICKUP);
                    if (m + 1 < measCount) {
                        const CEncMeas* next = enc->m_arrMeas[m + 1];
                        SetTime(*meas, next->byPak1(), next->byPak2());
                        meas->CalcWholeCount();
                    }
                }
                meas->m_nHeaderWidth = em->byPakArea();
                meas->m_nRealWidth = static_cast<short>(meas->m_rcMeas.Width() - meas->m_nHeaderWidth);

                if (endingStaff) {
                    if (bolda & 128) {
                        meas->m_byEndingPos = meas->m_byEndingPos == CKVMeas::ENDING_ENDS ? CKVMeas::ENDING_BEGINS_AND_ENDS
                                                                                          : CKVMeas::ENDING_BEGINS;
                        char text[32] = {};
                        static const char* const pieces[6] = {"1. ", "2. ", "3. ", "4. ", "5. ", "6. "};
                        for (int b = 0; b < 6; ++b) {
                            if (em->byBoldaValue() & (1 << b))
                                std::strncat(text, pieces[b], sizeof text - std::strlen(text) - 1);
                        }
                        // Six pieces outgrow the field; it keeps what fits, terminated.
                        const size_t kept = std::min(std::strlen(text), sizeof meas->m_szEndingText - 1);
                        std::memset(meas->m_szEndingText, 0, sizeof meas->m_szEndingText);
                        std::memcpy(meas->m_szEndingText, text, kept);
                        meas->m_wObjWord = static_cast<WORD>(meas->m_wObjWord | CKVMeas::ENDING_START);
                        meas->m_byEndingOffset = static_cast<BYTE>(2 * em->byReserved1());
                        meas->m_dwWord = static_cast<DWORD>(MulDiv(em->byReserved2(), s, 2));
                        const int hook = em->byReserved3(0) * half;
                        meas->m_wEndingLine1 = static_cast<WORD>(hook == 0 ? 3 : hook);
                        meas->m_wEndingLine2 = static_cast<WORD>(
                            MulDiv(meas->m_byEndingOffset - 2 * em->byReserved3(2), s, 4));
                    }
                    if (bolda & 64)
                        meas->m_byEndingPos = meas->m_byEndingPos == CKVMeas::ENDING_BEGINS
                                                  ? CKVMeas::ENDING_BEGINS_AND_ENDS
                                                  : CKVMeas::ENDING_ENDS;
                    if (bolda & 16)
                        meas->m_byEndingPos = CKVMeas::ENDING_CONTINUES;
                    meas->m_byEndingNum = em->byBoldaValue();
                    if (em->byRtFixDisp() == 0 || em->byRtFixDisp() == 2)
                        meas->m_byEndingByte = 0;
                    else if (em->byRtFixDisp() == 1)
                        meas->m_byEndingByte = 1;

                    const BYTE coda = em->byCodaSymbol();
                    const int n = coda & 15;
                    if (coda != 0 && n <= 9) {
                        CKVMsg msg;
                        msg.m_byKind = MSG_CODA;
                        msg.m_byVoice = 1;
                        msg.m_wHeadType = 1;
                        msg.m_wDuration = n == 8 ? 513 : n == 9 ? 769 : 512;
                        msg.m_wFlag = kCodaTexts[n].subKind;
                        msg.m_nPosX = static_cast<short>(
                            MulDiv(em->dwCodaPosX() - em->byPakArea(), 256, em->wMeasDistance() - em->byPakArea()));
                        msg.m_nPosY = static_cast<short>(s - em->byCodaPosY() * half);
                        msg.m_nPosX2 = static_cast<short>(s);
                        msg.m_nPosY2 = 0;
                        const LOGFONT& lf = ct.m_lfCoda;
                        const size_t length = std::strlen(kCodaTexts[n].text);
                        std::vector<BYTE> head(5 + length);
                        const WORD font = static_cast<WORD>(m_FontDatas.GetFontNumber(lf.lfFaceName));
                        const WORD height = static_cast<WORD>(std::abs(static_cast<int>(lf.lfHeight)));
                        head[0] = static_cast<BYTE>(font & 0xFF);
                        head[1] = static_cast<BYTE>(font >> 8);
                        head[2] = static_cast<BYTE>(height & 0xFF);
                        head[3] = static_cast<BYTE>(height >> 8);
                        head[4] = static_cast<BYTE>((lf.lfWeight == 700 ? 1 : 0) + (lf.lfItalic ? 2 : 0) +
                                                    (lf.lfUnderline ? 4 : 0));
                        std::memcpy(head.data() + 5, kCodaTexts[n].text, length);
                        msg.SetHead(static_cast<short>(head.size()), head.data());
                        if (!AddMsg(meas, &msg, kHolderOwns, 0))
                            return 0;
                    }
                }

                meas->m_wMarker = em->wTempo();
                switch (em->byLeftBar()) {
                case 0:
                case 255:
                    meas->m_byStartBar = CKVMeas::BAR_NONE;
                    break;
                case 2:
                    meas->m_byStartBar = CKVMeas::BAR_REPEAT;
                    break;
                case 1:
                case 3:
                    if (m > 0) {
                        const BYTE mark = em->byLeftBar() == 1 ? CKVMeas::BAR_FINAL : CKVMeas::BAR_DOUBLE;
                        CKVMeas* prev = staff->GetMeas(m - 1);
                        if (prev && prev->m_byEndBar != CKVMeas::BAR_NONE && prev->m_byEndBar != CKVMeas::BAR_REPEAT) {
                            prev->m_byEndBar = mark;
                            meas->m_byStartBar = CKVMeas::BAR_NONE;
                        } else {
                            meas->m_byStartBar = mark;
                        }
                    }
                    break;
                default:
                    break;
                }
                switch (em->byRightBar()) {
                case 0:
                    meas->m_byEndBar = CKVMeas::BAR_SINGLE;
                    break;
                case 4:
                    meas->m_byEndBar = CKVMeas::BAR_REPEAT;
                    break;
                case 5:
                    meas->m_byEndBar = CKVMeas::BAR_FINAL;
                    break;
                case 6:
                    meas->m_byEndBar = CKVMeas::BAR_DOUBLE;
                    break;
                case 255:
                    meas->m_byEndBar = CKVMeas::BAR_NONE;
                    break;
                default:
                    break;
                }
                if (m == measCount - 1 && meas->m_byEndBar != CKVMeas::BAR_REPEAT)
                    meas->m_byEndBar = CKVMeas::BAR_FINAL;
            }
        }
    }

    // Hidden staves and staff heights.
    Progress(dialog, 100);
    Progress(dialog, 0, kCaptionHidden);
    for (int i = 0; i < pageCount; ++i) {
        Progress(dialog, 10 + MulDiv(90, i, pageCount));
        CKVPage* page = GetPage(static_cast<short>(i));
        CEncPage* encPage = enc->m_arrPage[i];
        for (int k = 0; k < encPage->m_arrSystem.GetSize(); ++k) {
            CKVBlock* block = blockOf[i][k];
            if (!block)
                continue;
            CEncSystem* encSystem = encPage->m_arrSystem[k];
            int hidden = 0;
            for (int j = 0; j < encSystem->m_arrStaff.GetSize(); ++j) {
                if (encSystem->m_arrStaff[j]->byState() & 1)
                    continue;
                const int at = j - hidden;
                const int shown = block->GetStaffNum();
                if (at < 0 || at >= shown)
                    continue;
                m_pCurPage = page;
                m_nCurPage = static_cast<short>(i);
                m_pCurBlock = block;
                for (short b = 0; b < page->GetBlockNum(); ++b) {
                    if (page->GetBlock(b) == block)
                        m_nCurBlock = b;
                }
                m_pCurStaff = block->GetStaff(static_cast<short>(at));
                m_nCurStaff = static_cast<short>(at);
                m_pCurMeas = m_pCurStaff->GetMeas(block->m_nFirstMeas);
                m_nCurMeas = 0;
                if (at == 0 && shown > 1) {
                    CKVStaff* from = block->GetStaff(0);
                    CKVStaff* to = block->GetStaff(1);
                    for (int m = 0; m < block->m_nMeasCount; ++m) {
                        CKVMeas* a = from->GetMeas(block->m_nFirstMeas + m);
                        CKVMeas* b = to->GetMeas(block->m_nFirstMeas + m);
                        if (a && b)
                            CopyEnding(*b, *a);
                    }
                }
                StaffHide(0, 0, nullptr);
                if (block->GetStaffNum() < shown)
                    ++hidden;
            }
            int blockTop = block->m_rcBlock.top;
            int previousY = 0;
            for (short b = 0; b < block->GetStaffNum(); ++b) {
                const CEncStaff* rec = encSystem->GetStaff(block->GetStaff(b)->GetIndexInSystem());
                int y;
                if (!rec) {
                    y = b == 0 ? 4 * s : previousY + 8 * s;
                } else if (b == 0) {
                    blockTop = rec->wY() - top;
                    y = 4 * s;
                } else {
                    y = rec->wY() - top - blockTop + 4 * s;
                }
                if (b < block->m_arrStaffY.GetSize())
                    block->m_arrStaffY[b] = static_cast<WORD>(y);
                previousY = y;
            }
            const int height = block->m_rcBlock.Height();
            block->m_rcBlock.top = blockTop;
            block->m_rcBlock.bottom = block->GetStaffNum() > 0 ? blockTop + previousY : blockTop + height;
            block->UpdateMeasXY(1, 1, 0);
            right = std::max<LONG>(right, block->m_rcBlock.right);
            bottom = std::max<LONG>(bottom, block->m_rcBlock.bottom);
        }
    }

    // Keys.
    Progress(dialog, 100);
    Progress(dialog, 0, kCaptionKeys);
    std::vector<int> keys(static_cast<size_t>(totalStaves), 0);
    for (int i = 0; i < pageCount; ++i) {
        Progress(dialog, MulDiv(100, i, pageCount));
        CEncPage* encPage = enc->m_arrPage[i];
        for (int k = 0; k < encPage->m_arrSystem.GetSize(); ++k) {
            if (!blockOf[i][k])
                continue;
            CEncSystem* encSystem = encPage->m_arrSystem[k];
            const int first = encSystem->wStartMeasNo();
            for (int m = first; m < first + encSystem->wMeasNumb(); ++m) {
                if (m == first) {
                    for (int st = 0; st < totalStaves; ++st) {
                        const CEncStaff* rec = encSystem->GetStaff(st);
                        if (rec && rec->byEnha() <= 19)
                            keys[st] = rec->byEnha();
                    }
                }
                CEncMeas* em = enc->m_arrMeas[m];
                for (int y = 0; y < em->m_arrType2Symbols.GetSize(); ++y) {
                    const CEncSymbol* sym = em->m_arrType2Symbols[y];
                    const int kind = sym->KeyKind();
                    const int st = sym->GetStaffIndex();
                    if (kind >= 0 && kind <= 19 && st >= 0 && st < totalStaves)
                        keys[st] = kind;
                }
                for (int st = 0; st < totalStaves; ++st) {
                    if (CKVMeas* meas = system->GetMeas(static_cast<short>(st), static_cast<short>(m)))
                        ApplyKey(*meas, keys[st]);
                }
            }
        }
    }
    Progress(dialog, 100);

    // The cursor at the start of the score.
    m_pCurSystem = system;
    m_nCurSystem = 0;
    m_nCurPage = 0;
    m_nCurBlock = 0;
    m_nCurStaff = 0;
    m_nCurMeas = 0;
    m_nCaretMeasNum = 1;
    m_pCurPage = GetPageNum() > 0 ? GetPage(0) : nullptr;
    m_pCurBlock = m_pCurPage && m_pCurPage->GetBlockNum() > 0 ? m_pCurPage->GetBlock(0) : nullptr;
    m_pCurStaff = m_pCurBlock && m_pCurBlock->GetStaffNum() > 0 ? m_pCurBlock->GetStaff(0) : nullptr;
    m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_pCurBlock->m_nFirstMeas) : nullptr;
    m_bModified = 1;
    m_bSpacingApplied = 1;
    converting.Keep();
    return 1;
}

void CKVDoc::UpdateMsgXPos(CEncDoc* enc)
{
    if (!enc || m_arrSystem.GetSize() == 0)
        return;
    CKVSystem* system = m_arrSystem.GetAt(0);
    for (int id = 1; id < system->m_arrMsgMap.GetSize(); ++id) {
        CKVMsg* msg = system->m_arrMsgMap.GetAt(id);
        if (!msg)
            continue;
        switch (msg->m_byKind) {
        case 5: case 6: case 13: case 19: case 24: case 27: case 38: case 39: case 40: case 80:
            break;
        case 46:
            if (enc->m_bSwap)
                break;
            continue;
        default:
            continue;
        }
        // Only a symbol that stands in a measure has a measure scale.
        if (!msg->m_pParent || msg->m_pParent->m_byObjKind != OBJ_MEAS || msg->m_byParentKind == CKVPage::PARENT_KIND_PAGE)
            continue;
        auto* meas = static_cast<CKVMeas*>(msg->m_pParent);
        msg->m_nPosX = meas->AbsXToMeasX(msg->m_nPosX);
    }
}
