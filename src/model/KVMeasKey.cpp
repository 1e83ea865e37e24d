// Key changes and transposition of a measure's notes.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <vector>

namespace {

// The tonic of each key by its count of sharps or flats: semitone above C
// and diatonic step above C.
constexpr int kSharpSemitone[8] = {0, 7, 2, 9, 4, 11, 6, 1};
constexpr int kSharpStep[8] = {0, 4, 1, 5, 2, 6, 3, 0};
constexpr int kFlatSemitone[8] = {0, 5, 10, 3, 8, 1, 6, 11};
constexpr int kFlatStep[8] = {0, 3, 6, 2, 5, 1, 4, 7};

struct Tonic {
    int semitone;
    int step;
};

Tonic TonicOf(BYTE keyType, BYTE keyCount)
{
    const int count = keyCount > 7 ? 7 : keyCount;
    if (keyType == CKVMeas::KEY_FLATS)
        return {kFlatSemitone[count], kFlatStep[count]};
    return {kSharpSemitone[count], kSharpStep[count]};
}

} // namespace

void CKVMeas::ChangeKeySignature(unsigned char keyType, unsigned char keyCount, DWORD options, int withChords)
{
    const Tonic oldTonic = TonicOf(m_byKeyType, m_byKeyCount);
    m_byKeyType = keyType;
    // The tonic tables end at seven accidentals.
    m_byKeyCount = keyCount > 7 ? 7 : keyCount;

    // A double bar set for the old key change is taken back across the
    // column; an ossia staff has its own bar lines.
    CKVStaff* staff = measplace::StaffOf(*this);
    const bool ossia = staff && staff->m_byObjKind == OBJ_OSSIA_STAFF;
    if (m_byEndBar == BAR_DOUBLE) {
        std::vector<CKVMeas*> column;
        if (!ossia && GetStaffIndex() >= 0)
            column = measplace::ColumnOf(*this);
        if (column.empty())
            column.push_back(this);
        for (CKVMeas* meas : column)
            meas->m_byEndBar = BAR_SINGLE;
    }
    if (m_byStartBar == BAR_REPEAT && ossia)
        m_byStartBar = BAR_SINGLE;

    if (options & KEYCHG_HIDE) {
        m_byOptions = static_cast<BYTE>((m_byOptions | OPT_KEY_HIDDEN) & ~OPT_KEY_SHOWN);
    } else {
        m_byOptions = static_cast<BYTE>((m_byOptions | OPT_KEY_SHOWN) & ~OPT_KEY_HIDDEN);
    }

    if (options & KEYCHG_TRANSPOSE) {
        const Tonic newTonic = TonicOf(keyType, keyCount);
        // Only a new tonic moves the notes; a key written the other way
        // round with the same tonic (no sharps as no flats) does not.
        if (newTonic.semitone != oldTonic.semitone || newTonic.step != oldTonic.step) {
            int steps = newTonic.step - oldTonic.step;
            int semis = newTonic.semitone - oldTonic.semitone;
            const int up = (options & KEYCHG_UP) ? 1 : 0;
            if (up) {
                if (oldTonic.semitone > newTonic.semitone) {
                    semis += 12;
                    steps += 7;
                }
            } else if (oldTonic.semitone <= newTonic.semitone) {
                semis = 12 - semis;
                steps = 7 - steps;
            } else {
                semis = -semis;
                steps = -steps;
            }
            TransposeInDiatonicScale(up, static_cast<short>(steps), static_cast<short>(semis));
            if (withChords)
                TransposeChordName(up, static_cast<short>(semis));
        }
    } else {
        // The notes keep their pitch and are spelled for the new key. The
        // walk is copied first: the re-spelling may rebuild it.
        const std::vector<DWORD> ids = kvpitch::WalkCopy(*this, 0);
        const BYTE direction = keyType == KEY_FLATS ? 2 : 1;
        for (DWORD id : ids) {
            CKVMsg* msg = m_pSystem ? m_pSystem->GetMsgFromMap(id) : nullptr;
            if (msg && msg->m_byKind == MSG_NOTE)
                msg->ChangeOtherName(direction);
        }
        UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    }

    UpdatePos(0, kStemOfVoice, 0, 0);
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        if (CKVMsg* msg = measplace::ChildAt(*this, i)) {
            msg->AutoAdjustTieSlur();
            msg->AutoAdjustTuplet();
        }
    }
}

void CKVMeas::TransposeInDiatonicScale(int up, short steps, short semitones)
{
    const CKVDoc* doc = DocOf(*this);
    int d = (doc ? doc->m_nStaffSpace / 2 : 0) * steps;
    if (up)
        d = -d;
    for (DWORD id : kvpitch::WalkCopy(*this, 0)) {
        CKVMsg* note = tickmath::Resolve(*this, id);
        if (!note || note->m_byKind != MSG_NOTE)
            continue;
        // A note drawn on a neighbouring staff moves in that staff's place
        // and keeps the same offset in its own.
        const bool cross = (note->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)) != 0;
        const short ownY = note->m_nPosY;
        if (cross)
            note->m_nPosY = note->m_nPosY2;
        note->m_nPosY = static_cast<short>(note->m_nPosY + d);
        for (DWORD childId : tickmath::ChildIds(*note)) {
            CKVMsg* child = tickmath::Resolve(*note, childId);
            if (child && child->m_byKind == MSG_CHORDSYMBOL)
                child->m_nPosY = static_cast<short>(child->m_nPosY - d);
        }
        const int key = note->GetMidiKey() + (up ? semitones : -semitones);
        note->SetMidiKey(static_cast<BYTE>(kvpitch::ClampKey(key)));
        if (cross) {
            note->m_nPosY2 = note->m_nPosY;
            note->m_nPosY = static_cast<short>(ownY + d);
        }
    }
    UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
}
