#pragma once
// A small score for the pitch tests: a document with a chosen line spacing,
// and helpers that place notes (with their stored MIDI keys), clef changes
// and ties in its measures.

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

namespace kvtest {

class PitchScore : public KvTest {
protected:
    // staves x measures of 4/4 under `clef`, line spacing L.
    void MakeScore(short lineSpacing, short staves = 1, LONG measures = 2, BYTE clef = 1)
    {
        ASSERT_EQ(doc.CreateDocument(staves, measures, clef, 4, 4), 1);
        doc.m_nStaffSpace = lineSpacing;
    }

    CKVSystem* System() { return doc.m_arrSystem.GetAt(0); }
    CKVStaff* Staff(short s = 0) { return System()->GetStaff(s); }
    CKVMeas* Meas(short m = 0, short s = 0) { return System()->GetMeas(s, m); }

    // A quarter note of voice 1 at position word x and vertical position y.
    // A key of 0-255 gives it a 12-byte MIDI head storing that key.
    CKVMsg* Note(CKVMeas* meas, short x, short y, BYTE accidental = 0, int key = -1)
    {
        CKVMsg* note = new CKVMsg;
        note->m_byKind = MSG_NOTE;
        note->m_byVoice = 1;
        note->m_wDuration = DUR_QUARTER;
        note->m_nPosX = x;
        note->m_nPosY = y;
        note->m_byAccidental = accidental;
        EXPECT_EQ(meas->AddMsg(note, kHolderOwns), 1);
        if (key >= 0)
            StoreKey(note, static_cast<BYTE>(key));
        return note;
    }

    static void StoreKey(CKVMsg* note, BYTE key)
    {
        unsigned char head[MidiNoteHead::Size] = {key, 100, 64, 1};
        note->SetHead(MidiNoteHead::Size, head);
    }

    CKVMsg* ClefChange(CKVMeas* meas, short x, WORD clef)
    {
        CKVMsg* change = new CKVMsg;
        change->m_byKind = MSG_CLEF;
        change->m_nPosX = x;
        change->m_wDuration = clef;
        EXPECT_EQ(meas->AddMsg(change, kHolderOwns), 1);
        return change;
    }

    // A tie from `first` to `second`: owned by the first note, referenced by
    // the second, with the two ids in its 32-bit word and height.
    void Tie(CKVMsg* first, CKVMsg* second)
    {
        first->m_wFlag |= MSGFLAG_TIE_START;
        second->m_wFlag |= MSGFLAG_TIE_END;
        CKVMsg* tie = new CKVMsg;
        tie->m_byKind = MSG_TIE;
        tie->m_byVoice = first->m_byVoice;
        ASSERT_GE(first->InsertMsg(first->GetMsgNum(), tie, kHolderOwns, kParentHere), 0);
        tie->m_dwWord = first->m_dwMsgId;
        tie->m_lHeight = static_cast<LONG>(second->m_dwMsgId);
        // The second note only refers to it: no ownership, no new parent.
        ASSERT_GT(second->TemporaryMsg(tie), 0);
    }

    static int Code(const CKVMsg* note) { return note->m_byAccidental & ACCI_CODE_MASK; }
    static int Key(CKVMsg* note) { return note->GetMidiKeyFromPosY(nullptr, nullptr); }

    CKVDoc doc;
};

} // namespace kvtest
