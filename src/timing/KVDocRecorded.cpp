// Recorded music brought into the score: a staff split by key or voice, and a
// performance's measures written into measures.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include "model/MeasPlace.h"
#include "model/MidiNoteHead.h"
#include "model/NewObject.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/VoiceRoom.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kCompositeClearedBytes = 6;

CKVSystem* MasterSystem(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// Copies a caller's text into a 16-byte field: at most 15 bytes, the rest
// zero, whatever the length of the caller's buffer.
void CopyTimeText(char (&field)[CKVMeas::TIME_TEXT_SIZE], const char* text)
{
    std::memset(field, 0, sizeof(field));
    if (!text)
        return;
    for (int i = 0; i < CKVMeas::TIME_TEXT_SIZE - 1 && text[i] != '\0'; ++i)
        field[i] = text[i];
}

// The staves a time signature is set on: those of the current page's
// selected ossia block when there is one, else the master system's; with
// allStaves 0 the current staff alone.
std::vector<CKVStaff*> TimeSignatureStaves(CKVDoc& doc, CKVSystem& master, int allStaves)
{
    std::vector<CKVStaff*> staves;
    if (!allStaves) {
        if (doc.m_pCurStaff)
            staves.push_back(doc.m_pCurStaff);
        return staves;
    }
    CKVPage* page = doc.GetCurrentPage();
    if (CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr) {
        for (short k = 0; k < ossia->GetStaffNum(); ++k)
            staves.push_back(ossia->GetStaff(k));
        return staves;
    }
    for (short s = 0; s < master.GetStaffNum(); ++s)
        staves.push_back(master.GetStaff(s));
    return staves;
}

std::vector<CKVMeas*> MeasuresAt(const std::vector<CKVStaff*>& staves, LONG index)
{
    std::vector<CKVMeas*> measures;
    for (CKVStaff* staff : staves) {
        if (CKVMeas* meas = staff ? staff->GetMeas(index) : nullptr)
            measures.push_back(meas);
    }
    return measures;
}

} // namespace

namespace {

constexpr BYTE kBassClef = 2;
constexpr BYTE kJoinedPair = 0x1 | 0x4; // the pair's group-bracket bits
constexpr WORD kMembershipFlags = MSGFLAG_BEAM_MEMBER | MSGFLAG_CHORD_MEMBER;
// InsertStaves: a plain staff of five lines at full size after the index.
constexpr DWORD kAfterIndex = 2;
constexpr int kPlainStaffMode = 1;
constexpr int kFiveLines = 5;
constexpr int kFullSize = 100;

bool HasMidiHead(CKVMsg& note)
{
    unsigned char* head = nullptr;
    return note.GetHead(&head) > MidiNoteHead::KeyOffset && head;
}

// A note turned into a rest of the same value in its place.
void MakeRest(CKVMsg& msg)
{
    msg.m_byKind = MSG_REST;
    msg.SetHead(0, nullptr);
    kvpitch::SetAccidentalCode(msg, ACCI_NONE);
    msg.m_nPosY = 0;
    msg.UpdateRestPosY(1);
}

// What one upper measure gives its lower measure.
struct SplitMeasure {
    CKVDoc& doc;
    short lowerIndex;
    LONG measIndex;
    CKVMeas* upper;
    CKVMeas* lower;
    bool byVoice;
    BYTE splitKey;
    DWORD voiceMask;
    bool keepOriginal;
    bool moved = false;

    bool InMask(const CKVMsg& msg) const
    {
        return msg.m_byVoice >= 1 && msg.m_byVoice <= 32 && (voiceMask >> (msg.m_byVoice - 1)) & 1;
    }

    // A copy of a symbol for the lower measure, placed as it will stand there.
    std::unique_ptr<CKVMsg> CopyDown(CKVMsg& msg, bool asRest)
    {
        std::unique_ptr<CKVMsg> copy(KvNewReported<CKVMsg>());
        if (!copy)
            return nullptr;
        *copy = msg;
        copy->m_dwMsgId = 0;
        copy->m_pParent = lower;
        copy->m_byParentKind = OBJ_MEAS;
        copy->m_pSystem = lower->m_pSystem;
        copy->m_wFlag = static_cast<WORD>(copy->m_wFlag & ~kMembershipFlags);
        if (asRest) {
            MakeRest(*copy);
        } else if (copy->m_byKind == MSG_NOTE && HasMidiHead(*copy)) {
            const BYTE accidental = copy->m_byAccidental;
            copy->SetParamFromMidiKey(lower->m_byInitClef, copy->GetMidiKey(), measplace::StaffOf(*lower));
            if (lower->m_byKeyType == upper->m_byKeyType && lower->m_byKeyCount == upper->m_byKeyCount)
                copy->m_byAccidental = accidental;
        }
        return copy;
    }

    bool Insert(std::unique_ptr<CKVMsg> copy)
    {
        if (!copy)
            return false;
        return doc.InsertNewNoteMsg(lowerIndex, measIndex, copy.get(), 0, 1, 0, 1, nullptr, 0) != nullptr;
    }

    void Run()
    {
        upper->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        int lastX = -1;
        for (DWORD id : measplace::WalkIds(*upper)) {
            CKVMsg* msg = upper->m_pSystem->GetMsgFromMap(id);
            if (!msg)
                continue;
            if (msg->m_byKind == MSG_REST) {
                if (!byVoice || InMask(*msg))
                    Insert(CopyDown(*msg, false));
                continue;
            }
            if (msg->m_byKind != MSG_NOTE)
                continue;
            bool goesDown;
            if (byVoice) {
                goesDown = InMask(*msg);
            } else if (msg->GetMidiKey() > splitKey) {
                // The lower staff rests under it, once per place: a chord
                // split by the key leaves no rest under itself.
                if (msg->m_nPosX > lastX) {
                    lastX = msg->m_nPosX;
                    Insert(CopyDown(*msg, true));
                }
                goesDown = false;
            } else {
                goesDown = true;
                lastX = msg->m_nPosX;
            }
            // A note the lower measure refuses stays where it is.
            if (goesDown && Insert(CopyDown(*msg, false))) {
                moved = true;
                if (!keepOriginal)
                    MakeRest(*msg);
            }
        }
    }
};

// Notes, chords or beam groups among a measure's symbols.
bool HoldsMusic(CKVMeas& meas)
{
    for (DWORD id : tickmath::ChildIds(meas)) {
        CKVMsg* msg = tickmath::Resolve(meas, id);
        if (msg && (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM))
            return true;
    }
    return false;
}

void TurnStems(CKVMeas& meas)
{
    for (DWORD id : tickmath::ChildIds(meas)) {
        if (CKVMsg* msg = tickmath::Resolve(meas, id))
            msg->ChangeNoteDirection(kStemOfVoice, 0);
    }
}

void DropRestsOfEmptyMeasure(CKVMeas& meas)
{
    if (HoldsMusic(meas))
        return;
    for (DWORD id : tickmath::ChildIds(meas)) {
        CKVMsg* msg = tickmath::Resolve(meas, id);
        if (msg && msg->m_byKind == MSG_REST)
            meas.DeleteMsg(msg, kUnlinkAndFree);
    }
}

} // namespace

void CKVDoc::SplitStaff(int staff, int byVoice, BYTE splitKey, BYTE clef, DWORD voiceMask, int bassClef,
                        int keepOriginal, BYTE*)
{
    // Nothing moves unless the lower staff is really there.
    if (!InsertStaves(staff, 1, -1, kAfterIndex, kPlainStaffMode, kFiveLines, kFullSize))
        return;
    CKVSystem* system = m_pCurSystem ? m_pCurSystem : MasterSystem(*this);
    CKVStaff* upper = system ? system->GetStaff(static_cast<short>(staff)) : nullptr;
    CKVStaff* lower = system ? system->GetStaff(static_cast<short>(staff + 1)) : nullptr;
    if (!upper || !lower)
        return;
    std::memcpy(lower->m_byChannel, upper->m_byChannel, sizeof(lower->m_byChannel));
    std::memcpy(lower->m_byVoiceFirst, upper->m_byVoiceFirst, sizeof(lower->m_byVoiceFirst));
    std::memcpy(lower->m_byVoiceSecond, upper->m_byVoiceSecond, sizeof(lower->m_byVoiceSecond));
    std::memcpy(lower->m_byVoiceThird, upper->m_byVoiceThird, sizeof(lower->m_byVoiceThird));
    lower->m_byDisplayFlags = upper->m_byDisplayFlags;
    if (bassClef == 1) {
        lower->SetClefType(kBassClef);
        upper->m_byGroupBracket[0] |= kJoinedPair;
        lower->m_byGroupBracket[1] |= kJoinedPair;
    } else {
        lower->SetClefType(clef);
    }

    for (LONG i = 0; i < upper->GetMeasNum(); ++i) {
        CKVMeas* up = upper->GetMeas(i);
        CKVMeas* down = lower->GetMeas(i);
        if (!up || !down)
            continue;
        SplitMeasure split {*this, static_cast<short>(staff + 1), i, up, down, byVoice == 1, splitKey, voiceMask,
                            keepOriginal != 0};
        split.Run();
        // Insertion may have replaced the measures; go on with the live ones.
        up = upper->GetMeas(i);
        down = lower->GetMeas(i);
        if (split.moved && !keepOriginal) {
            // A voice whose members could crowd the measure past its record
            // once its groups are broken keeps them.
            for (int v = 1; v <= CKVMeas::VOICES; ++v) {
                if (!CVoiceRoom::TakesDissolve(*up, static_cast<BYTE>(v), 0, static_cast<short>(CKVMeas::SCALE), false))
                    continue;
                up->DisAssembleBeam(static_cast<BYTE>(v));
                up->AutoBindByBeam(static_cast<BYTE>(v), kPlaceByTime);
            }
        }
        up->UpdateChord();
        down->UpdateChord();
        up->UpdatePos(0, 0, 0, 0);
        TurnStems(*up);
        TurnStems(*down);
        DropRestsOfEmptyMeasure(*up);
        DropRestsOfEmptyMeasure(*down);
    }
    m_bModified = 1;
}

int CKVDoc::SetPakToMeas(LONG meas, BYTE style, BYTE numerator, BYTE denominator, char* numeratorText,
                         char* denominatorText, int displayFlag, int pickup, int retime, int allStaves)
{
    CKVSystem* master = MasterSystem(*this);
    if (!master)
        return 0;
    if (!numeratorText || numeratorText[0] == '\0')
        return -1;
    // A length that divides by 0 or leaves its 16 bits is refused before
    // anything changes.
    if (!CKVMeas::FitsTimeSignature(master->m_dwTicksPerQuarter, numerator, denominator))
        return -1;
    const bool composite = std::memchr(numeratorText, '+', std::strlen(numeratorText)) != nullptr;

    const std::vector<CKVMeas*> measures = MeasuresAt(TimeSignatureStaves(*this, *master, allStaves), meas);
    if (measures.empty())
        return 0;
    for (CKVMeas* m : measures) {
        m->m_byTimeStyle = style;
        m->m_nTimeNum = numerator;
        m->m_nTimeDen = denominator;
        if (displayFlag)
            m->m_byOptions = static_cast<BYTE>((m->m_byOptions | CKVMeas::OPT_TIME_SHOWN) & ~CKVMeas::OPT_TIME_HIDDEN);
        else
            m->m_byOptions = static_cast<BYTE>((m->m_byOptions | CKVMeas::OPT_TIME_HIDDEN) & ~CKVMeas::OPT_TIME_SHOWN);
        m->CalcWholeCount();
        CopyTimeText(m->m_szTimeNumText, numeratorText);
        CopyTimeText(m->m_szTimeDenText, denominatorText);
        if (!composite) {
            std::memset(m->m_szTimeNumText, 0, kCompositeClearedBytes);
            std::memset(m->m_szTimeDenText, 0, kCompositeClearedBytes);
        }
        if (pickup)
            m->m_wObjWord = static_cast<WORD>(m->m_wObjWord | CKVMeas::PICKUP);
        else
            m->m_wObjWord = static_cast<WORD>(m->m_wObjWord & ~CKVMeas::PICKUP);
        if (retime) {
            for (int voice = 1; voice <= CKVMeas::VOICES; ++voice)
                m->UpdateStartTime(static_cast<BYTE>(voice), 1, 1, 0);
        }
    }
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetPakToMeas(LONG meas, short marker, short length, BYTE style, BYTE numerator, BYTE denominator,
                         char* numeratorText, char* denominatorText)
{
    CKVSystem* master = MasterSystem(*this);
    if (!master || length <= 0)
        return 0;
    std::vector<CKVStaff*> staves;
    for (short s = 0; s < master->GetStaffNum(); ++s)
        staves.push_back(master->GetStaff(s));
    const std::vector<CKVMeas*> measures = MeasuresAt(staves, meas);
    if (measures.empty())
        return 0;
    for (CKVMeas* m : measures) {
        m->m_wMarker = static_cast<WORD>(marker);
        m->m_nLength = length;
        m->m_byTimeStyle = style;
        m->m_nTimeNum = numerator;
        m->m_nTimeDen = denominator;
        CopyTimeText(m->m_szTimeNumText, numeratorText);
        CopyTimeText(m->m_szTimeDenText, denominatorText);
    }
    m_bModified = 1;
    return 1;
}
