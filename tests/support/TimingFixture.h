#pragma once
// A fixture with a one-staff score of 4/4 measures built by ScoreBuilder,
// and small helpers for notes in a row.

#include "support/ScoreTest.h"

#include <vector>

namespace kvtest {

class TimingTest : public ScoreTest {
protected:
    ScoreShape Shape() override { return ScoreShape {.lineSpacing = 8, .staves = 1, .measures = 2}; }

    CKVMeas* Meas(int staff = 0, int meas = 0) { return score->Meas(staff, meas); }

    // count notes of one duration, tuplet and voice, a step apart from x.
    std::vector<CKVMsg*> Row(CKVObject* parent, int count, BYTE code, WORD tuplet, short x = 0, short step = 8,
                             BYTE voice = 1)
    {
        std::vector<CKVMsg*> notes;
        for (int i = 0; i < count; ++i)
            notes.push_back(score->Note(parent, {.x = static_cast<short>(x + i * step), .code = code,
                                                 .tuplet = tuplet, .voice = voice}));
        return notes;
    }

    static std::vector<short> Starts(const std::vector<CKVMsg*>& msgs)
    {
        std::vector<short> starts;
        for (CKVMsg* msg : msgs)
            starts.push_back(msg->m_nStartTime);
        return starts;
    }
};

} // namespace kvtest
