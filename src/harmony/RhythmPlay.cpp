// Rhythm patterns: loading a pattern file, play data for a chord, copies and
// drawing the pattern name.

#include "harmony/Rhythm.h"

#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSymbol.h"
#include "model/TextHelpers.h"

namespace {

constexpr int kTicksPerPatternMeasure = 1024;
constexpr BYTE kDrumChannel = 9;
// Roots from G on sound an octave lower, so the chord stays near the
// pattern.
constexpr short kLastRootOfLowerOctave = 9;

constexpr UINT kPatternNameFaceString = 25132;
constexpr short kBoldStyle = 8;

// A key moved by whole octaves into the range of MIDI data bytes.
BYTE FoldToMidiKey(int key)
{
    if (key > 127)
        key -= (key - 127 + 11) / 12 * 12;
    else if (key < 0)
        key += (-key + 11) / 12 * 12;
    return static_cast<BYTE>(key);
}

} // namespace

CRtmData& CRtmData::operator=(const CRtmData& source)
{
    if (this == &source)
        return *this;
    DeleteAllEvents();
    m_nMeasCount = source.m_nMeasCount;
    m_nMeasLength = source.m_nMeasLength;
    m_bLoaded = source.m_bLoaded;
    // The play events belong to the last chord they were made for; a copy
    // makes its own.
    for (int i = 0; i < source.m_arrEvent.GetSize(); ++i) {
        const RhythmEvent* event = source.m_arrEvent.GetAt(i);
        m_arrEvent.Add(event ? new RhythmEvent(*event) : nullptr);
    }
    for (int i = 0; i < source.m_arrTrack.GetSize(); ++i) {
        const RhythmTrack* track = source.m_arrTrack.GetAt(i);
        m_arrTrack.Add(track ? new RhythmTrack(*track) : nullptr);
    }
    return *this;
}

int CRtmData::ConvertToPlayData(CChordSymbol* chord, int from, int to, int measure)
{
    if (m_arrEvent.GetSize() == 0 || from >= to || !chord)
        return 0;
    for (int i = 0; i < m_arrPlayEvent.GetSize(); ++i)
        delete m_arrPlayEvent.GetAt(i);
    m_arrPlayEvent.RemoveAll();

    const long long shift = measure > 0 ? static_cast<long long>(measure) * kTicksPerPatternMeasure : 0;
    const long long first = from + shift;
    const long long end = to + shift;
    for (int i = 0; i < m_arrEvent.GetSize(); ++i) {
        const RhythmEvent* event = m_arrEvent.GetAt(i);
        if (!event || event->nTime < first || event->nTime >= end)
            continue;
        auto* play = new RhythmEvent(*event);
        // An event read from a record may name a track the record lacks: it
        // keeps its own channel and is not shifted.
        const RhythmTrack* track = event->byTrack < m_arrTrack.GetSize() ? m_arrTrack.GetAt(event->byTrack) : nullptr;
        const BYTE channel = track ? track->byChannel : event->byChannel;
        if (play->byKey != 0 && channel != kDrumChannel) {
            const int shiftKey = track ? track->nKeyShift : 0;
            play->byKey = FoldToMidiKey(shiftKey + GetRealMidiKey(chord, play->byKey, 0));
        }
        play->nTime = static_cast<short>(event->nTime - shift);
        play->byChannel = channel;
        m_arrPlayEvent.Add(play);
    }
    return m_arrPlayEvent.GetSize();
}

unsigned char CRtmData::GetRealMidiKey(CChordSymbol* chord, unsigned char key, int) const
{
    if (!chord)
        return key;
    int octave = key / 12;
    int degree = key % 12;

    // Numbers read from files may lie outside the tables: such a bass is no
    // bass, such a root adds nothing.
    const short bass = chord->m_nBass;
    if (bass >= 1 && bass <= CChordRtBsInfoProc::SPELLING_COUNT && octave <= 4 && degree == 0)
        return static_cast<unsigned char>(procChordRtBsInfo.GetBaseMidiKey(bass) + 12 * octave);

    const CChordSurfixInfo& codes = chord->m_Surfix.m_Info;
    const int count = codes.GetSize();
    if (degree == 0 && octave >= 6 && count >= 3)
        degree = codes.GetAt(0) + codes.GetAt(1) + codes.GetAt(2) - 12;
    else if (degree == 4 && count >= 1)
        degree = codes.GetAt(0);
    else if (degree == 7 && count >= 2)
        degree = codes.GetAt(0) + codes.GetAt(1);

    int root = procChordRtBsInfo.GetRootMidiKey(chord->m_nRoot);
    if (root < 0)
        root = 0;
    else if (chord->m_nRoot > kLastRootOfLowerOctave)
        --octave;
    return static_cast<unsigned char>(degree + root + 12 * octave);
}

CRhythm& CRhythm::operator=(CRhythm& source)
{
    if (this == &source)
        return *this;
    CKVMsg::operator=(source);
    m_RtmInfo = source.m_RtmInfo;
    m_strGrpName = source.m_strGrpName;
    m_RtmData = source.m_RtmData;
    return *this;
}

CRect CRhythm::Draw(CDC* dc, short zoom, LONG x, LONG y)
{
    if (!dc)
        return CRect(0, 0, 0, 0);
    const COLORREF oldColour = dc->SetTextColor(m_crColor);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const CRect extent = DrawFrame(dc, zoom, x, y);
    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldColour);
    return extent;
}

CRect CRhythm::DrawFrame(CDC* dc, short zoom, LONG x, LONG y)
{
    if (!dc)
        return CRect(0, 0, 0, 0);
    CString face;
    face.LoadString(kPatternNameFaceString);
    LOGFONT logFont {};
    GetDefaultLogFont(logFont, zoom, face, kBoldStyle, dc);
    CFont font;
    if (!font.CreateFontIndirect(&logFont))
        return CRect(0, 0, 0, 0);
    CFont* oldFont = dc->SelectObject(&font);

    const int textX = static_cast<int>(x + m_nPosX);
    const int textY = static_cast<int>(y + MulDiv(m_nPosY, zoom, 100));
    const UINT oldAlign = dc->SetTextAlign(0);
    const CString& name = m_RtmInfo.m_strPatName;
    MyDrawTextOut(dc, textX, textY, name);
    const CSize size = dc->GetTextExtent(name);
    dc->SetTextAlign(oldAlign);
    if (oldFont)
        dc->SelectObject(oldFont);
    font.DeleteObject();
    return CRect(0, 0, size.cx, size.cy);
}
