// Rhythm patterns: loading a pattern score file into pattern events.

#include "harmony/Rhythm.h"

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/KvcLeadingPart.h"
#include "harmony/ChordRtBsInfo.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "platform/LittleEndian.h"

#include <memory>
#include <new>

namespace {

constexpr UINT kRhythmFolderString = 135;
constexpr UINT kUnreadableString = KVC_LEADING_UNREADABLE;

// Event times are 16-bit: measure m starts at m x 1024, so only the first
// 32 measures of a pattern can be played.
constexpr int kTicksPerPatternMeasure = 1024;
constexpr int kMaxPatternMeasures = 32;

constexpr BYTE kControllerVolume = 7;
constexpr BYTE kBankSelectLow = 0x20;

DWORD ShortMessage(BYTE status, BYTE data1, BYTE data2)
{
    return static_cast<DWORD>(status) | (static_cast<DWORD>(data1) << 8) | (static_cast<DWORD>(data2) << 16);
}

// value x 1024 / length, rounded as MulDiv rounds, in 64 bits.
long long ScaleToPattern(long long value, int length)
{
    const long long product = value * kTicksPerPatternMeasure;
    const long long magnitude = product < 0 ? -product : product;
    const long long rounded = (magnitude + length / 2) / length;
    return product < 0 ? -rounded : rounded;
}

bool FitsTime(long long time)
{
    return time >= -32768 && time <= 32767;
}

RhythmEvent* NewEvent(int track, BYTE channel, long long time)
{
    auto* event = new RhythmEvent;
    event->byTrack = static_cast<BYTE>(track & 0x0F);
    event->byChannel = channel;
    event->nTime = static_cast<short>(time);
    return event;
}

// Deletes the pattern document however ReadRtmData ends.
struct PatternDocument {
    explicit PatternDocument(CKVDoc*& slot) : m_slot(slot) {}
    ~PatternDocument()
    {
        delete m_slot;
        m_slot = nullptr;
    }
    CKVDoc*& m_slot;
};

} // namespace

CString CRtmData::GetFullFileName(const CString&, const RHYTHM_INFO& info) const
{
    CString folder;
    folder.LoadString(kRhythmFolderString);
    return CString(szCurDirectory) + "\\" + folder + "\\" + info.m_strFileName;
}

int CRtmData::ReadRtmData(const CString& group, const RHYTHM_INFO& info)
{
    DeleteAllEvents();
    m_bLoaded = 0;

    CFile file;
    try {
        if (!file.Open(GetFullFileName(group, info), CFile::modeRead | CFile::typeBinary))
            return 0;
    } catch (const CFileException&) {
        return 0;
    }

    PatternDocument guard(m_pDoc);
    delete m_pDoc;
    m_pDoc = new (std::nothrow) CKVDoc;
    if (!m_pDoc)
        return 0;

    UINT message = 0;
    int loaded = 0;
    try {
        loaded = LoadPatternScore(file, message);
    } catch (const CFileException&) {
        loaded = 0;
        message = kUnreadableString;
    }
    if (!loaded) {
        ResetBuffer();
        if (message)
            AfxMessageBox(message, MB_OK, static_cast<UINT>(-1));
        return 0;
    }
    m_bLoaded = 1;
    return 1;
}

int CRtmData::LoadPatternScore(CFile& file, UINT& message)
{
    WORD version = 0;
    const int leading = ReadKvcLeadingPart(&file, version);
    if (leading != KVC_LEADING_READ) {
        message = static_cast<UINT>(leading);
        return 0;
    }
    // The settings record is the host's business here: skipped whole.
    BYTE sizeBytes[2] = {};
    if (file.Read(sizeBytes, sizeof sizeBytes) != sizeof sizeBytes)
        return 0;
    const short settingsSize = static_cast<short>(GetWord(sizeBytes));
    if (settingsSize <= 0)
        return 0;
    file.Seek(settingsSize, CFile::current);

    if (m_pDoc->m_pFileInfo->Read(&file) == 0 || m_pDoc->Load(&file, 3) != 0) {
        message = kUnreadableString;
        return 0;
    }

    ResetBuffer();
    int measures = m_pDoc->GetMeasCount(-1, 0);
    if (measures > kMaxPatternMeasures)
        measures = kMaxPatternMeasures;
    if (measures < 0)
        measures = 0;
    m_nMeasCount = static_cast<short>(measures);
    const int staves = m_pDoc->GetStavesCount(-1);

    for (int s = 0; s < staves; ++s) {
        auto* track = new RhythmTrack;
        m_arrTrack.Add(track);
        CKVStaff* staff = m_pDoc->GetStaff(s, 0);
        if (!staff)
            continue;
        track->byLevel = staff->m_byVoiceFirst[0];
        track->byChannel = static_cast<BYTE>(staff->m_byChannel[0] & 0x0F);
        track->byBankHigh = static_cast<BYTE>((staff->m_dwWord >> 8) & 0xFF);
        track->byProgram = staff->m_byVoiceSecond[0];
        track->nKeyShift = static_cast<short>(staff->m_wStaffWord);

        const BYTE channel = track->byChannel;
        const BYTE bankHigh = static_cast<BYTE>((staff->m_dwWord >> 8) & 0x7F);
        const BYTE bankLow = static_cast<BYTE>(staff->m_dwWord & 0x7F);
        const DWORD setup[3] = {
            ShortMessage(static_cast<BYTE>(0xB0 | channel), 0, bankHigh),
            ShortMessage(static_cast<BYTE>(0xB0 | channel), kBankSelectLow, bankLow),
            ShortMessage(static_cast<BYTE>(0xC0 | channel), static_cast<BYTE>(track->byProgram - 1), 0),
        };
        for (DWORD data : setup) {
            RhythmEvent* event = NewEvent(s, channel, 0);
            event->dwData = data;
            m_arrEvent.Add(event);
        }
    }

    for (int m = 0; m < measures; ++m) {
        for (int s = 0; s < staves; ++s) {
            CKVStaff* staff = m_pDoc->GetStaff(s, 0);
            CKVMeas* meas = staff ? staff->GetMeas(m) : nullptr;
            // An empty measure has no time to place anything in.
            if (!meas || meas->m_nLength <= 0)
                continue;
            const int length = meas->m_nLength;
            m_nMeasLength = meas->m_nLength;
            const BYTE channel = m_arrTrack.GetAt(s)->byChannel;
            const long long measureStart = static_cast<long long>(m) * kTicksPerPatternMeasure;

            meas->ResetGetNextMsg(0, 1, 0, 0);
            short cursor = 0;
            while (CKVMsg* msg = meas->GetNextMsg(cursor)) {
                if (msg->m_byKind == MSG_NOTE) {
                    if (msg->m_wFlag & MSGFLAG_TIE_END)
                        continue;
                    unsigned char* head = nullptr;
                    if (msg->GetHead(&head) < MidiNoteHead::Size || !head)
                        continue;
                    const LONG offset = static_cast<LONG>(GetDword(head + MidiNoteHead::StartOffsetOffset));
                    const long long time = ScaleToPattern(static_cast<long long>(msg->m_nPerformStart) + offset, length)
                                           + measureStart;
                    if (!FitsTime(time))
                        continue;
                    RhythmEvent* event = NewEvent(s, channel, time);
                    event->byKey = head[MidiNoteHead::KeyOffset];
                    event->byVelocity = head[MidiNoteHead::VelocityOffset];
                    event->byHead2 = head[MidiNoteHead::ReleaseOffset];
                    event->dwData = static_cast<DWORD>(ScaleToPattern(msg->GetRealNoteDur(), length));
                    m_arrEvent.Add(event);
                } else if (msg->m_byKind == MSG_MIDI) {
                    const DWORD data = msg->m_dwWord;
                    if ((data & 0xF0) == 0xB0 && ((data >> 8) & 0xFF) == kControllerVolume)
                        continue;
                    const long long time = ScaleToPattern(msg->m_nPerformStart, length) + measureStart;
                    if (!FitsTime(time))
                        continue;
                    RhythmEvent* event = NewEvent(s, channel, time);
                    event->dwData = data;
                    m_arrEvent.Add(event);
                }
            }
        }
    }
    return 1;
}
