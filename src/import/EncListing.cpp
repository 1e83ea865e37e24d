// The diagnostic listings of the Encore records: one "name = value" line per
// field, each ending in "\r\n".

#include "import/EncDoc.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

__attribute__((format(printf, 2, 3))) void Line(CString& out, const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    out += buffer;
}

// `count` bytes as rows of `perRow` values in `format` separated by commas;
// the first row begins with `prefix`, the others with as many blanks.
void Rows(CString& out, const char* prefix, const BYTE* bytes, int count, int perRow, const char* format = "%02x")
{
    const std::string blanks(std::char_traits<char>::length(prefix), ' ');
    for (int row = 0; row * perRow < count; ++row) {
        out += row == 0 ? prefix : blanks.c_str();
        for (int i = row * perRow; i < count && i < (row + 1) * perRow; ++i) {
            if (i != row * perRow)
                out += ",";
            Line(out, format, bytes[i]);
        }
        out += "\r\n";
    }
}

} // namespace

void CEncDoc::PrintOutOfStatus(CString& out)
{
    Line(out, "Track Count = %d\r\n", m_arrTrack.GetSize());
    Line(out, "Page Count = %d\r\n", m_arrPage.GetSize());
    Line(out, "Meas Count = %d\r\n", m_arrMeas.GetSize());
    Line(out, "dwMark = %x\r\n", dwMark());
    Line(out, "dwSize = %x\r\n", dwSize());
    Line(out, "szTittle = %s\r\n", static_cast<const char*>(szTittle()));
    Line(out, "wVersion = %x\r\n", wVersion());
    Line(out, "wMemSzK = %x\r\n", wMemSzK());
    Line(out, "wPakCount = %x\r\n", wPakCount());
    Line(out, "wSysNumb = %x\r\n", wSysNumb());
    Line(out, "wPageNumb = %x\r\n", wPageNumb());
    Line(out, "byInstruPerSys = %x\r\n", byInstruPerSys());
    Line(out, "byStaffPerSys = %x\r\n", byStaffPerSys());
    Line(out, "wMeasNumb = %x\r\n", wMeasNumb());
    Line(out, "byRecStfNo = %x\r\n", byRecStfNo());
    Line(out, "bySoloTrkNumb = %x\r\n", bySoloTrkNumb());
    Line(out, "byFirstMeasNumType = %x\r\n", byFirstMeasNumType());
    Line(out, "byIsMeasNumDispInBox = %x\r\n", byIsMeasNumDispInBox());
    Line(out, "byMeasNumDispType = %x\r\n", byMeasNumDispType());
    Line(out, "byMeasIncNumb = %x\r\n", byMeasIncNumb());
    Line(out, "byMeasNumDispOffset = %x\r\n", byMeasNumDispOffset());
    Line(out, "byTrkNameAndRuler = %x\r\n", byTrkNameAndRuler());
    Line(out, "byIsViewChanged = %x\r\n", byIsViewChanged());
    Line(out, "byRestEditStatus = %x\r\n", byRestEditStatus());
    Rows(out, "byLineRoot =  ", m_byHeader + 64, 32, 8);
    Rows(out, "byPageRoot = ", m_byHeader + 96, 32, 8);
    Rows(out, "byMeasRoot = ", m_byHeader + 128, 48, 8);
    Line(out, "wMeasInfoEnd = %x\r\n", wMeasInfoEnd());
    Rows(out, "byPrntRoot = ", m_byHeader + 178, 16, 8);
}

void CEncDoc::PrintOutText(ENC_TEXTDATA* text, CString& out)
{
    if (text == nullptr)
        return;
    Line(out, "wTextSize = %d\r\n", text->wTextSize);
    Line(out, "wReserved1 = 0x%x\r\n", text->wReserved1);
    Line(out, "wReserved2 = 0x%x\r\n", text->wReserved2);
    for (size_t i = 0; i < text->pTextPos.size(); ++i) {
        Line(out, "\r\nPos and Count %d\r\n", static_cast<int>(i + 1));
        Line(out, "wPos = 0x%x\r\n", text->pTextPos[i].wPos);
        Line(out, "wProperty = 0x%x\r\n", text->pTextPos[i].wProperty);
    }
    for (size_t i = 0; i < text->pSubText.size(); ++i) {
        Line(out, "\r\nSub Text Data %d\r\n", static_cast<int>(i + 1));
        Line(out, "wFontNo = 0x%x\r\n", text->pSubText[i].wFontNo);
        Line(out, "wFontHt = 0x%x\r\n", text->pSubText[i].wFontHt);
        Line(out, "wReserved3 = 0x%x\r\n", text->pSubText[i].wReserved3);
    }
    out += "\r\nszString = ";
    out += text->szString;
    Line(out, "\r\nnStringLen = 0x%x\r\n", text->nStringLen);
}

void CEncMeas::PrintOutOfStatus(CString& out)
{
    Line(out, "Symbol Count = %d\r\n", m_arrSymbol.GetSize());
    Line(out, "dwMark = %x\r\n", dwMark());
    Line(out, "dwNotesSize = %x\r\n", dwNotesSize());
    Line(out, "wTempo = %x\r\n", wTempo());
    Line(out, "byChPak = %x\r\n", byChPak());
    Line(out, "wPakLen = %x\r\n", wPakLen());
    Line(out, "wMeasLen = %x\r\n", wMeasLen());
    Line(out, "byPak1 = %x\r\n", byPak1());
    Line(out, "byPak2 = %x\r\n", byPak2());
    Line(out, "byReserved0 = %x\r\n", byReserved0());
    Line(out, "byPakArea = %x\r\n", byPakArea());
    Line(out, "byLeftBar = %x\r\n", byLeftBar());
    Line(out, "byRightBar = %x\r\n", byRightBar());
    Line(out, "byBoldaSymbol = %x\r\n", byBoldaSymbol());
    Line(out, "byBoldaValue = %x\r\n", byBoldaValue());
    Line(out, "wMeasDistance = %x\r\n", wMeasDistance());
    Line(out, "byReserved1 = %x\r\n", byReserved1());
    Line(out, "byReserved2 = %x\r\n", byReserved2());
    Line(out, "dwMeasPosX = %x\r\n", dwMeasPosX());
    Line(out, "wLogWd = %x\r\n", wLogWd());
    Line(out, "byCodaSymbol = %x\r\n", byCodaSymbol());
    Line(out, "byCodaPosY = %x\r\n", byCodaPosY());
    Line(out, "dwCodaPosX = %x\r\n", Word(36));
    Line(out, "byLineRoot = %x\r\n", byLineRoot());
    Line(out, "byReserved3 = %02x,%02x,%02x\r\n", byReserved3(0), byReserved3(1), byReserved3(2));
    Line(out, "byRtFixDisp = %x\r\n", byRtFixDisp());
    Rows(out, "byReserved4 = ", m_byHead + 46, 16, 8);
}

void CEncSymbol::PrintOutOfStatus(CString& out)
{
    Line(out, "wTime = %x\r\n", wTime());
    Line(out, "byType_Voice = %02x\r\n", byType_Voice());
    Line(out, "byLength = %x\r\n", byLength());
    Line(out, "byStaff = %x\r\n", byStaff());
    Line(out, "byKind = %x\r\n", byKind());
    Line(out, "byParam1 = %x\r\n", byParam1());
    Line(out, "byParam2 = %x\r\n", byParam2());
    Line(out, "wColor = %x\r\n", wColor());
    Line(out, "Symbol Data Len = %x \r\n", DataLength());
    if (WhatIsSymbol() == 9) {
        out += "\r\nSymbol is Note\r\n\r\n";
        Line(out, "byAccidental = %02x\r\n", byAccidental());
        Line(out, "byDot = %02x\r\n", byDot());
        Line(out, "byKeyNo = %x\r\n", byKeyNo());
        Line(out, "byRelease = %x\r\n", byRelease());
        Line(out, "byStmHt = %x\r\n", byStmHt());
        Line(out, "byTuplet = %x\r\n", byTuplet());
        Line(out, "byVelocity = %x\r\n", byVelocity());
        Line(out, "byY = %x\r\n", DataByte(2));
        Line(out, "wDuration = %x \r\n", wDuration());
        Line(out, "wX = %x \r\n", wX());
        Line(out, "wReserved = %x \r\n", wReserved());
        if (byDot() & 0x80) {
            Line(out, "UpMark = %x \r\n", UpMark());
            Line(out, "UpMarkPos = %x \r\n", UpMarkPos());
        }
        if (byDot() & 0x40) {
            Line(out, "DownMark = %x \r\n", DownMark());
            Line(out, "DownMarkPos = %x \r\n", DownMarkPos());
        }
    } else if (DataLength() == 18) {
        Line(out, "wXs = %d \r\n", wXs());
        Line(out, "wYs = %d \r\n", wYs());
        Line(out, "wXm = %d \r\n", wXm());
        Line(out, "wYm = %d \r\n", wYm());
        Line(out, "wMeasNumb1 = %d \r\n", wMeasNumb1());
        Line(out, "wXe = %d \r\n", wXe());
        Line(out, "wYe = %d \r\n", wYe());
        Line(out, "wMeasNumb2 = %d \r\n", wMeasNumb2());
        Line(out, "wReserved = %x \r\n", DataWord(16));
    } else if (DataLength() == 24) {
        const char* const names[12] = {"wX", "wY", "wLeft", "wTop", "wMeasNumb", "wRight", "wBottom", "wFontN0",
                                       "wFontHt", "wFontProp", "wFontAlign", "wStringNo"};
        for (int i = 0; i < 12; ++i)
            Line(out, "%s = %d \r\n", names[i], DataWord(2 * i));
    } else {
        for (DWORD i = 0; i < DataLength(); ++i)
            Line(out, (i % 8) == 7 ? "%02x\r\n" : "%02x ", m_data[i]);
    }
}

void CEncTrack::PrintOutOfStatus(CString& out)
{
    Line(out, "dwMark = %x\r\n", dwMark());
    Line(out, "dwSize = %x\r\n", dwSize());
    Line(out, "szName = %s\r\n", static_cast<const char*>(szName()));
    Line(out, "byReserved1 = %x\r\n", byReserved1());
    Line(out, "byStaffNum = %x\r\n", byStaffNum());
    Line(out, "byBreakBarLine = %x\r\n", byBreakBarLine());
    Line(out, "wPlayF = %x\r\n", wPlayF());
    Line(out, "byKey = %x\r\n", m_byRecord[45]);
    Line(out, "bySolo = %x\r\n", bySolo());
    Line(out, "byReserved3 = %x\r\n", byReserved3());
    Rows(out, "byBracket = ", m_byRecord + 48, 4, 4, "%x");
    Rows(out, "byClef = ", m_byRecord + 52, 4, 4, "%x");
    Rows(out, "bySize = ", m_byRecord + 56, 4, 4, "%x");
    Rows(out, "byCharnel = ", m_byRecord + 60, 8, 8);
    Rows(out, "byInstrument = ", m_byRecord + 68, 8, 8);
    Rows(out, "byVolume = ", m_byRecord + 76, 8, 8);
    Line(out, "byReserved4 = %x\r\n", byReserved4());
    Line(out, "byDeviceID = %x\r\n", byDeviceID());
    Line(out, "byBankID = %x\r\n", byBankID());
    Line(out, "byIsRoland = %x\r\n", byIsRoland());
    Rows(out, "byUnKnown = ", m_byRecord + 88, 24, 8);
}

void CEncPage::PrintOutOfStatus(CString& out)
{
    Line(out, "System Count = %d\r\n", m_arrSystem.GetSize());
    Line(out, "dwMark = %x\r\n", dwMark());
    Line(out, "dwSize = %x\r\n", dwSize());
    Line(out, "wStartLineNo = %x\r\n", wStartLineNo());
    Line(out, "wLineNumb = %x\r\n", wLineNumb());
    Line(out, "wMoreInfFlag = %x\r\n", wMoreInfFlag());
    Line(out, "wMoreInfSize = %x\r\n", wMoreInfSize());
    Line(out, "dwReserved = %x\r\n", dwReserved());
    Line(out, "wStaffNumb = %x\r\n", wStaffNumb());
    Rows(out, "byNone =  ", m_byRecord + 22, 12, 8);
}

void CEncSystem::PrintOutOfStatus(CString& out)
{
    Line(out, "dwMark = %x\r\n", dwMark());
    Line(out, "dwSize = %x\r\n", dwSize());
    Line(out, "wPageNo = %x\r\n", wPageNo());
    Line(out, "wX = %x\r\n", wX());
    Line(out, "wY = %x\r\n", wY());
    Line(out, "wRevX = %x\r\n", wRevX());
    Line(out, "wActiveX = %x\r\n", wActiveX());
    Line(out, "wStartMeasNo = %x\r\n", wStartMeasNo());
    Line(out, "wMeasNumb = %x\r\n", wMeasNumb());
    Line(out, "wStuffNumb = %x\r\n", wStuffNumb());
    Line(out, "byPakzaDispNo = %x\r\n", byPakzaDispNo());
    Line(out, "byEnhaF = %x\r\n", byEnhaF());
    Line(out, "dwReserved = %x\r\n", dwReserved());
    Line(out, "dwlpStf = %x\r\n", dwlpStf());
}

void CEncStaff::PrintOutOfStatus(CString& out)
{
    Line(out, "byStaffSizeNo = %x\r\n", byStaffSizeNo());
    Line(out, "byClef = %x\r\n", byClef());
    Line(out, "byEnha = %x\r\n", byEnha());
    Line(out, "byStaffNo = %x\r\n", byStaffNo());
    Line(out, "byChordLabel = %x\r\n", byChordLabel());
    Line(out, "bySongLabel = %x\r\n", bySongLabel());
    Line(out, "byState = %x\r\n", byState());
    Line(out, "byReserved = %02x,%02x\r\n", byReserved(0), byReserved(1));
    Line(out, "byTrkNo = %x\r\n", byTrkNo());
    Line(out, "wLnWd = %x\r\n", wLnWd());
    Line(out, "wReserved = %x\r\n", wReserved());
    Line(out, "wDoY = %x\r\n", wDoY());
    Line(out, "wHt = %x\r\n", wHt());
    Line(out, "wY = %x\r\n", wY());
    Line(out, "wY1 = %x\r\n", wY1());
    for (int i = 0; i < 8; ++i)
        Line(out, "%d Song Pos = %d\r\n", i, SongPos(i));
}
