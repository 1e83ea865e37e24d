#include "document/KVCtrlTool.h"

#include "model/DefaultFonts.h"
#include "platform/LogFontBytes.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Offsets in the settings record.
constexpr int REC_FONT_TEXT = 0x000;
constexpr int REC_FONT_CHORD = 0x03C;
constexpr int REC_FONT_STAFF_NAME = 0x078;
constexpr int REC_FONT_MEAS_NUM = 0x0B4;
constexpr int REC_FONT_CODA = 0x0F0;
constexpr int REC_FONT_TEMPO = 0x12C;
constexpr int REC_FONT_ENDING = 0x168;
constexpr int REC_FONT_MULTI_REST = 0x1A4;
constexpr int REC_VOICE_COLOURS = 0x1E0;
constexpr int REC_PAGE_COLOUR = 0x204;
constexpr int REC_TABLE_D = 0x208;
constexpr int REC_C = 0x308;
constexpr int REC_W2_TO_W10 = 0x30C; // W2, W3, W5 .. W10
constexpr int REC_B8 = 0x32C;
constexpr int REC_PALETTE = 0x330;
constexpr int REC_BRACE = 0x370;
constexpr int REC_L = 0x374;
constexpr int REC_K = 0x386;
constexpr int REC_CLEF_LAYOUT = 0x38E;
constexpr int REC_KEY_LAYOUT = 0x390;
constexpr int REC_M1_TO_M4 = 0x392;
constexpr int REC_M7 = 0x39A;
constexpr int REC_M6 = 0x39C;
constexpr int REC_DRAW_METRIC = 0x39E;
constexpr int REC_BLOCK_DISTANCE = 0x3A0;
constexpr int REC_STAFF_DISTANCE = 0x3A2;
constexpr int REC_E6 = 0x3A4;
constexpr int REC_PAPER = 0x3A8;
constexpr int REC_MARGINS = 0x3B0;
constexpr int REC_G1 = 0x3C0;
constexpr int REC_G2 = 0x3C2;
constexpr int REC_SCORE_FONT_SIZE = 0x3C4;
constexpr int REC_W1 = 0x3C8;
constexpr int REC_M8 = 0x3CC;
constexpr int REC_E1_TO_E4 = 0x3D0;
constexpr int REC_E5 = 0x3E0;
constexpr int REC_STEM_DIR = 0x3E2;
constexpr int REC_F2 = 0x3EA;
constexpr int REC_F3_TO_F5 = 0x3EC;
constexpr int REC_F6 = 0x3F8;
constexpr int REC_RESOLUTION = 0x3FC;
constexpr int REC_M5 = 0x404;
constexpr int REC_FONT_IMPORT = 0x408;
constexpr int REC_W4 = 0x444;
constexpr int REC_H4_TO_H7 = 0x448;
constexpr int REC_H8 = 0x44C;
constexpr int REC_H9 = 0x44E;
constexpr int REC_H10 = 0x44F;
constexpr int REC_B3 = 0x450;
constexpr int REC_B7 = 0x454;
constexpr int REC_B4 = 0x458;
constexpr int REC_B5 = 0x45C;
constexpr int REC_B6 = 0x45E;
constexpr int REC_SHOW_RHYTHM = 0x460;
constexpr int REC_J0 = 0x461;
constexpr int REC_VELOCITY = 0x462;
constexpr int REC_J1 = 0x46A;
constexpr int REC_J2 = 0x46B;
constexpr int REC_J8 = 0x46C;
constexpr int REC_J3_TO_J7 = 0x46D;
constexpr int REC_J9 = 0x472;
constexpr int REC_VERSION = 0x474;
constexpr int REC_ZERO = 0x476;

constexpr int kFaceNameOffset = 28;

// The nine font slots of the record.
constexpr int kFontSlots[] = {REC_FONT_TEXT,  REC_FONT_CHORD, REC_FONT_STAFF_NAME,
                              REC_FONT_MEAS_NUM, REC_FONT_CODA, REC_FONT_TEMPO,
                              REC_FONT_ENDING, REC_FONT_MULTI_REST, REC_FONT_IMPORT};

constexpr BYTE kDefaultVelocity[8] = {48, 64, 76, 84, 96, 110, 120, 127};

void PutFont(BYTE* p, const LOGFONT& font)
{
    PutLogFontBytes(p, font);
}

void GetFont(const BYTE* p, LOGFONT& font)
{
    GetLogFontBytes(p, font);
}

short Clamp(short value, short low, short high)
{
    return std::min(std::max(value, low), high);
}

// Copies text into a fixed buffer, cut to fit with its terminator.
void CopyText(char* target, size_t size, const std::string& text)
{
    const size_t length = std::min(text.size(), size - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

// The drive and folder of the host program, with the trailing separator;
// empty when its name cannot be read.
std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, sizeof path) == 0)
        return std::string();
    char drive[_MAX_DRIVE] = {};
    char dir[_MAX_DIR] = {};
    _splitpath(path, drive, dir, nullptr, nullptr);
    return std::string(drive) + dir;
}

// The application-wide options, captured at their initial values so that a
// process reset can bring them back.
#define KV_SETTINGS_STATICS(X)                                                                     \
    X(m_wEditCtrlGroupID) X(m_wEditPushButtonID) X(m_wTuplet) X(m_nAutoSaveTime)                   \
    X(m_nWorkFileList) X(m_fIsSplit) X(m_bSplitKey) X(m_fIsRecordNote) X(m_fIsRecodePichBand)      \
    X(m_fIsRecordProgram) X(m_fIsRecordChannelPress) X(m_fIsRecordControl)                         \
    X(m_fIsRecordModulation) X(m_fIsRecordThirdIgnore) X(m_nChannelToStaff) X(m_nRecordNoteKind)  \
    X(m_fIsAutoBeam) X(m_fIsAutoPos) X(m_fIsAutoLenCheck) X(m_fGuitarVisible)                      \
    X(m_fPageLineVisible) X(m_fRulerVisible) X(m_fIsPlayFollowing) X(m_fIsThru) X(m_fIsEditSound) \
    X(m_bShowRhythm) X(m_bShowMidiEvent) X(m_fAutoPageJump) X(m_fIsMidiPlayPak)                    \
    X(m_wMidiPlayPakDuration) X(m_bMidiPlayPakVelocity) X(m_bMidiPlayPakKey)                       \
    X(m_nMidiPlayPakChannel) X(m_szModelDir) X(m_szInstrIniDir) X(m_szTempDir) X(m_szWorkDir)      \
    X(m_szBackExt) X(m_KeyInfos) X(m_fPlaying) X(m_fRecording) X(m_dwEditStatus)                   \
    X(m_wEditButtonStatus) X(m_fAutoSave) X(m_fIsMakeBackFile) X(m_fAutoLoad) X(m_fIsPlayPrep)    \
    X(m_fControlVisible) X(m_fOneSystemVisible) X(m_fIsMidiPlayBack) X(m_bIsMeasErrorCheck)

struct SettingsStatics {
#define KV_FIELD(name) std::remove_reference_t<decltype(CKVCtrlTool::name)> name;
    KV_SETTINGS_STATICS(KV_FIELD)
#undef KV_FIELD

    void Capture()
    {
#define KV_CAPTURE(name) std::memcpy(&name, &CKVCtrlTool::name, sizeof name);
        KV_SETTINGS_STATICS(KV_CAPTURE)
#undef KV_CAPTURE
    }

    void Restore() const
    {
#define KV_RESTORE(name) std::memcpy(&CKVCtrlTool::name, &name, sizeof name);
        KV_SETTINGS_STATICS(KV_RESTORE)
#undef KV_RESTORE
    }
};

// The statics are constant-initialised, so they still hold their initial
// values when this runs.
const SettingsStatics s_initialStatics = [] {
    SettingsStatics statics;
    statics.Capture();
    return statics;
}();

void ResetSettingsStatics()
{
    s_initialStatics.Restore();
}

KvProcessReset s_reset("settings options", &ResetSettingsStatics);

} // namespace

CKVCtrlTool::CKVCtrlTool()
{
    GetDefaultFont(&m_lfChord, &pDefaultFonts[0]);
    GetDefaultFont(&m_lfText, &pDefaultFonts[1]);
    GetDefaultFont(&m_lfImport, &pDefaultFonts[7]);
    GetDefaultFont(&m_lfStaffName, &pDefaultFonts[2]);
    GetDefaultFont(&m_lfMeasNum, &pDefaultFonts[3]);
    GetDefaultFont(&m_lfCoda, &pDefaultFonts[4]);
    GetDefaultFont(&m_lfTempo, &pDefaultFonts[6]);
    GetDefaultFont(&m_lfEnding, &pDefaultFonts[5]);
    GetDefaultFont(&m_lfMultiRest, &pDefaultFonts[3]);

    m_bIsMeasErrorCheck = 0;
    const std::string folder = ProgramFolder();
    CopyText(m_szWorkDir, sizeof m_szWorkDir, folder + "Scores");
    CopyText(m_szTempDir, sizeof m_szTempDir, folder + "Temp");
}

void CKVCtrlTool::LayOutRecord(BYTE* rec) const
{
    std::memset(rec, 0, kRecordSize);

    PutFont(rec + REC_FONT_TEXT, m_lfText);
    PutFont(rec + REC_FONT_CHORD, m_lfChord);
    PutFont(rec + REC_FONT_STAFF_NAME, m_lfStaffName);
    PutFont(rec + REC_FONT_MEAS_NUM, m_lfMeasNum);
    PutFont(rec + REC_FONT_CODA, m_lfCoda);
    PutFont(rec + REC_FONT_TEMPO, m_lfTempo);
    PutFont(rec + REC_FONT_ENDING, m_lfEnding);
    PutFont(rec + REC_FONT_MULTI_REST, m_lfMultiRest);
    PutFont(rec + REC_FONT_IMPORT, m_lfImport);
    // Until the host edits the fonts, a score read from a file keeps that
    // file's face names, which this machine may not have installed.
    if (m_bRecordRead && !m_bFaceNamesEdited) {
        for (const int slot : kFontSlots)
            std::memcpy(rec + slot + kFaceNameOffset, m_byLastRecord + slot + kFaceNameOffset,
                        LF_FACESIZE);
    }

    for (int i = 0; i <= kVoices; ++i)
        PutDword(rec + REC_VOICE_COLOURS + 4 * i, m_crVoice[i]);
    PutDword(rec + REC_PAGE_COLOUR, m_crPage);
    for (int i = 0; i < 64; ++i)
        PutDword(rec + REC_TABLE_D + 4 * i, m_dwD[i]);
    PutDword(rec + REC_C, m_dwC);
    const DWORD w[8] = {m_dwW2, m_dwW3, m_dwW5, m_dwW6, m_dwW7, m_dwW8, m_dwW9, m_dwW10};
    for (int i = 0; i < 8; ++i)
        PutDword(rec + REC_W2_TO_W10 + 4 * i, w[i]);
    PutDword(rec + REC_B8, m_dwB8);
    for (int i = 0; i < kPaletteSize; ++i)
        PutDword(rec + REC_PALETTE + 4 * i, m_crPalette[i]);

    PutWord(rec + REC_BRACE, m_wBrace1);
    PutWord(rec + REC_BRACE + 2, m_wBrace2);
    const WORD l[9] = {m_wL1, m_wL2, m_wL3, m_wL4, m_wL5, m_wL6, m_wL7, m_wL8, m_wL9};
    for (int i = 0; i < 9; ++i)
        PutWord(rec + REC_L + 2 * i, l[i]);
    PutWord(rec + REC_K, static_cast<WORD>(m_nK1));
    PutWord(rec + REC_K + 2, static_cast<WORD>(m_nK2));
    PutWord(rec + REC_K + 4, static_cast<WORD>(m_nK3));
    PutWord(rec + REC_K + 6, static_cast<WORD>(m_nK4));
    PutWord(rec + REC_CLEF_LAYOUT, m_wClefLayout);
    PutWord(rec + REC_KEY_LAYOUT, m_wKeyLayout);
    PutWord(rec + REC_M1_TO_M4, m_wM1);
    PutWord(rec + REC_M1_TO_M4 + 2, m_wM2);
    PutWord(rec + REC_M1_TO_M4 + 4, m_wM3);
    PutWord(rec + REC_M1_TO_M4 + 6, m_wM4);
    PutWord(rec + REC_M7, m_wM7);
    PutWord(rec + REC_M6, m_wM6);
    PutWord(rec + REC_DRAW_METRIC, m_wDrawMetric);
    PutWord(rec + REC_BLOCK_DISTANCE, m_wBlockDistance);
    PutWord(rec + REC_STAFF_DISTANCE, m_wStaffDistance);
    PutWord(rec + REC_E6, m_wE6);

    PutDword(rec + REC_PAPER, static_cast<DWORD>(m_sizePaper.cx));
    PutDword(rec + REC_PAPER + 4, static_cast<DWORD>(m_sizePaper.cy));
    PutDword(rec + REC_MARGINS, static_cast<DWORD>(m_rcMargin.left));
    PutDword(rec + REC_MARGINS + 4, static_cast<DWORD>(m_rcMargin.top));
    PutDword(rec + REC_MARGINS + 8, static_cast<DWORD>(m_rcMargin.right));
    PutDword(rec + REC_MARGINS + 12, static_cast<DWORD>(m_rcMargin.bottom));
    PutWord(rec + REC_G1, m_wG1);
    PutWord(rec + REC_G2, m_wG2);
    PutWord(rec + REC_SCORE_FONT_SIZE, m_wScoreFontSize);
    PutDword(rec + REC_W1, m_dwW1);
    PutWord(rec + REC_M8, m_wM8);
    PutDword(rec + REC_E1_TO_E4, m_dwE1);
    PutDword(rec + REC_E1_TO_E4 + 4, m_dwE2);
    PutDword(rec + REC_E1_TO_E4 + 8, m_dwE3);
    PutDword(rec + REC_E1_TO_E4 + 12, m_dwE4);
    PutWord(rec + REC_E5, m_wE5);
    std::memcpy(rec + REC_STEM_DIR, m_byStemDir, kVoices);
    PutWord(rec + REC_F2, m_wF2);
    PutDword(rec + REC_F3_TO_F5, m_dwF3);
    PutDword(rec + REC_F3_TO_F5 + 4, m_dwF4);
    PutDword(rec + REC_F3_TO_F5 + 8, m_dwF5);
    PutWord(rec + REC_F6, m_wF6);
    PutDword(rec + REC_RESOLUTION, m_dwResolutionX);
    PutDword(rec + REC_RESOLUTION + 4, m_dwResolutionY);
    PutWord(rec + REC_M5, m_wM5);

    PutDword(rec + REC_W4, m_dwW4);
    rec[REC_H4_TO_H7] = m_byH4;
    rec[REC_H4_TO_H7 + 1] = m_byH5;
    rec[REC_H4_TO_H7 + 2] = m_byH6;
    rec[REC_H4_TO_H7 + 3] = m_byH7;
    PutWord(rec + REC_H8, m_wH8);
    rec[REC_H9] = m_byH9;
    rec[REC_H10] = m_byH10 ? m_byH10 : 1;
    rec[REC_B3] = static_cast<BYTE>(m_dwB3);
    PutDword(rec + REC_B7, m_dwB7);
    PutDword(rec + REC_B4, m_dwB4);
    PutWord(rec + REC_B5, static_cast<WORD>(m_lB5));
    PutWord(rec + REC_B6, static_cast<WORD>(m_lB6));
    rec[REC_SHOW_RHYTHM] = static_cast<BYTE>(m_bShowRhythm);
    rec[REC_J0] = m_byJ0;
    std::memcpy(rec + REC_VELOCITY, m_byVelocity, 8);
    rec[REC_J1] = m_byJ1;
    rec[REC_J2] = m_byJ2;
    rec[REC_J8] = m_byJ8;
    rec[REC_J3_TO_J7] = m_byJ3;
    rec[REC_J3_TO_J7 + 1] = m_byJ4;
    rec[REC_J3_TO_J7 + 2] = m_byJ5;
    rec[REC_J3_TO_J7 + 3] = m_byJ6;
    rec[REC_J3_TO_J7 + 4] = m_byJ7;
    rec[REC_J9] = m_byJ9;
    PutWord(rec + REC_VERSION, static_cast<WORD>(m_dwRecordVersion));
    PutWord(rec + REC_ZERO, 0);
}

void CKVCtrlTool::TakeRecord(const BYTE* rec)
{
    GetFont(rec + REC_FONT_TEXT, m_lfText);
    GetFont(rec + REC_FONT_CHORD, m_lfChord);
    GetFont(rec + REC_FONT_STAFF_NAME, m_lfStaffName);
    GetFont(rec + REC_FONT_MEAS_NUM, m_lfMeasNum);
    GetFont(rec + REC_FONT_CODA, m_lfCoda);
    GetFont(rec + REC_FONT_TEMPO, m_lfTempo);
    GetFont(rec + REC_FONT_ENDING, m_lfEnding);
    GetFont(rec + REC_FONT_MULTI_REST, m_lfMultiRest);
    GetFont(rec + REC_FONT_IMPORT, m_lfImport);

    for (int i = 0; i <= kVoices; ++i)
        m_crVoice[i] = GetDword(rec + REC_VOICE_COLOURS + 4 * i);
    m_crPage = GetDword(rec + REC_PAGE_COLOUR);
    for (int i = 0; i < 64; ++i)
        m_dwD[i] = GetDword(rec + REC_TABLE_D + 4 * i);
    m_dwC = GetDword(rec + REC_C);
    DWORD* const w[8] = {&m_dwW2, &m_dwW3, &m_dwW5, &m_dwW6, &m_dwW7, &m_dwW8, &m_dwW9, &m_dwW10};
    for (int i = 0; i < 8; ++i)
        *w[i] = GetDword(rec + REC_W2_TO_W10 + 4 * i);
    m_dwB8 = GetDword(rec + REC_B8);
    for (int i = 0; i < kPaletteSize; ++i)
        m_crPalette[i] = GetDword(rec + REC_PALETTE + 4 * i);

    m_wBrace1 = GetWord(rec + REC_BRACE);
    m_wBrace2 = GetWord(rec + REC_BRACE + 2);
    WORD* const l[9] = {&m_wL1, &m_wL2, &m_wL3, &m_wL4, &m_wL5, &m_wL6, &m_wL7, &m_wL8, &m_wL9};
    for (int i = 0; i < 9; ++i)
        *l[i] = GetWord(rec + REC_L + 2 * i);
    m_nK1 = Clamp(static_cast<short>(GetWord(rec + REC_K)), -99, 99);
    m_nK2 = Clamp(static_cast<short>(GetWord(rec + REC_K + 2)), -99, 99);
    m_nK3 = Clamp(static_cast<short>(GetWord(rec + REC_K + 4)), 1, 48);
    m_nK4 = Clamp(static_cast<short>(GetWord(rec + REC_K + 6)), 0, 16);
    m_wClefLayout = GetWord(rec + REC_CLEF_LAYOUT);
    m_wKeyLayout = GetWord(rec + REC_KEY_LAYOUT);
    m_wM1 = GetWord(rec + REC_M1_TO_M4);
    m_wM2 = GetWord(rec + REC_M1_TO_M4 + 2);
    m_wM3 = GetWord(rec + REC_M1_TO_M4 + 4);
    m_wM4 = GetWord(rec + REC_M1_TO_M4 + 6);
    m_wM7 = GetWord(rec + REC_M7);
    m_wM6 = GetWord(rec + REC_M6);
    m_wDrawMetric = GetWord(rec + REC_DRAW_METRIC);
    m_wBlockDistance = GetWord(rec + REC_BLOCK_DISTANCE);
    m_wStaffDistance = GetWord(rec + REC_STAFF_DISTANCE);
    m_wE6 = GetWord(rec + REC_E6);

    m_sizePaper.cx = static_cast<LONG>(GetDword(rec + REC_PAPER));
    m_sizePaper.cy = static_cast<LONG>(GetDword(rec + REC_PAPER + 4));
    m_rcMargin.left = static_cast<LONG>(GetDword(rec + REC_MARGINS));
    m_rcMargin.top = static_cast<LONG>(GetDword(rec + REC_MARGINS + 4));
    m_rcMargin.right = static_cast<LONG>(GetDword(rec + REC_MARGINS + 8));
    m_rcMargin.bottom = static_cast<LONG>(GetDword(rec + REC_MARGINS + 12));
    m_wG1 = GetWord(rec + REC_G1);
    m_wG2 = GetWord(rec + REC_G2);
    m_wScoreFontSize = GetWord(rec + REC_SCORE_FONT_SIZE);
    m_dwW1 = GetDword(rec + REC_W1);
    m_wM8 = GetWord(rec + REC_M8);
    m_dwE1 = GetDword(rec + REC_E1_TO_E4);
    m_dwE2 = GetDword(rec + REC_E1_TO_E4 + 4);
    m_dwE3 = GetDword(rec + REC_E1_TO_E4 + 8);
    m_dwE4 = GetDword(rec + REC_E1_TO_E4 + 12);
    m_wE5 = GetWord(rec + REC_E5);
    std::memcpy(m_byStemDir, rec + REC_STEM_DIR, kVoices);
    m_wF2 = GetWord(rec + REC_F2);
    m_dwF3 = GetDword(rec + REC_F3_TO_F5);
    m_dwF4 = GetDword(rec + REC_F3_TO_F5 + 4);
    m_dwF5 = GetDword(rec + REC_F3_TO_F5 + 8);
    m_wF6 = GetWord(rec + REC_F6);
    m_dwResolutionX = GetDword(rec + REC_RESOLUTION);
    m_dwResolutionY = GetDword(rec + REC_RESOLUTION + 4);
    m_wM5 = GetWord(rec + REC_M5);

    m_dwW4 = GetDword(rec + REC_W4);
    m_byH4 = rec[REC_H4_TO_H7];
    m_byH5 = rec[REC_H4_TO_H7 + 1];
    m_byH6 = 0; // not taken from files
    m_byH7 = rec[REC_H4_TO_H7 + 3];
    m_wH8 = GetWord(rec + REC_H8);
    m_byH9 = 0; // not taken from files
    m_byH10 = rec[REC_H10] ? rec[REC_H10] : 100;
    m_dwB3 = rec[REC_B3];
    m_dwB7 = GetDword(rec + REC_B7);
    m_dwB4 = GetDword(rec + REC_B4);
    m_lB5 = static_cast<short>(GetWord(rec + REC_B5));
    m_lB6 = static_cast<short>(GetWord(rec + REC_B6));
    m_bShowRhythm = rec[REC_SHOW_RHYTHM];
    m_byJ0 = rec[REC_J0];
    for (int i = 0; i < 8; ++i) {
        const BYTE velocity = rec[REC_VELOCITY + i];
        m_byVelocity[i] = velocity ? velocity : kDefaultVelocity[i];
    }
    const auto orForty = [](BYTE value) -> BYTE { return value ? value : 40; };
    m_byJ1 = orForty(rec[REC_J1]);
    m_byJ2 = rec[REC_J2];
    m_byJ8 = rec[REC_J8];
    m_byJ3 = orForty(rec[REC_J3_TO_J7]);
    m_byJ4 = orForty(rec[REC_J3_TO_J7 + 1]);
    m_byJ5 = orForty(rec[REC_J3_TO_J7 + 2]);
    m_byJ6 = orForty(rec[REC_J3_TO_J7 + 3]);
    m_byJ7 = orForty(rec[REC_J3_TO_J7 + 4]);
    m_byJ9 = rec[REC_J9];
}

short CKVCtrlTool::Write(CFile* file)
{
    BYTE head[2];
    PutWord(head, kRecordSize);
    BYTE record[kRecordSize];
    LayOutRecord(record);
    file->Write(head, sizeof head);
    file->Write(record, kRecordSize);
    return static_cast<short>(sizeof head + kRecordSize);
}

short CKVCtrlTool::Read(CFile* file)
{
    BYTE head[2];
    if (file->Read(head, sizeof head) != sizeof head)
        return 0;
    const short length = static_cast<short>(GetWord(head));
    if (length <= 0)
        return 0;
    std::vector<BYTE> data(static_cast<size_t>(length));
    if (file->Read(data.data(), static_cast<UINT>(length)) != static_cast<UINT>(length))
        return 0;

    // A record from an older writer may be shorter: the fields it lacks keep
    // their current values.
    BYTE record[kRecordSize];
    LayOutRecord(record);
    std::memcpy(record, data.data(), std::min<size_t>(data.size(), kRecordSize));
    // Face names come from the file and need not be terminated.
    for (const int slot : kFontSlots)
        record[slot + kFaceNameOffset + LF_FACESIZE - 1] = 0;

    m_dwRecordVersion = GetWord(record + REC_VERSION);
    if (m_dwRecordVersion == 0)
        m_dwRecordVersion = 1;
    std::memcpy(m_byLastRecord, record, kRecordSize);
    m_bRecordRead = 1;
    TakeRecord(record);

    m_fAutoSave = 0;
    m_fIsMakeBackFile = 0;
    m_fAutoLoad = 0;
    return kRecordSize;
}

void CKVCtrlTool::SetMargin(short left, short top, short right, short bottom)
{
    m_rcMargin.left = std::max<LONG>(m_rcMarginLimit.left, left);
    m_rcMargin.top = std::max<LONG>(m_rcMarginLimit.top, top);
    m_rcMargin.right = std::max<LONG>(m_rcMarginLimit.right, right);
    m_rcMargin.bottom = std::max<LONG>(m_rcMarginLimit.bottom, bottom);
}

void CKVCtrlTool::SetMarginLimit(short left, short top, short right, short bottom)
{
    m_rcMarginLimit.SetRect(left, top, right, bottom);
}

void CKVCtrlTool::SetVarnelMusicVersion(DWORD version)
{
    m_dwVarnelMusicVersion = version;
}

DWORD CKVCtrlTool::GetVarnelMusicVersion()
{
    return m_dwVarnelMusicVersion;
}

short CKVCtrlTool::GetNoteDirection(short voice)
{
    if (voice < 1 || voice > kVoices)
        voice = 1;
    return static_cast<short>(m_byStemDir[voice - 1] & 0x0F);
}

void GetDefaultFont(LOGFONT* font, const DEFAULT_FONT* entry)
{
    std::memset(font, 0, sizeof *font);
    font->lfHeight = entry->nHeight;
    font->lfWeight = entry->bBold ? 700 : 300;
    font->lfItalic = static_cast<BYTE>(entry->bItalic);
    font->lfUnderline = static_cast<BYTE>(entry->bUnderline);
    font->lfCharSet = DEFAULT_CHARSET;
    font->lfOutPrecision = 2;
    font->lfPitchAndFamily = 16;
    CString face;
    face.LoadString(static_cast<UINT>(entry->nFaceNameId));
    CopyText(font->lfFaceName, LF_FACESIZE, std::string(static_cast<LPCTSTR>(face)));
}
