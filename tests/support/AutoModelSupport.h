#pragma once
// A hand-made model of the chord namer for tests of its code search and
// linking: a staff with the code and rule tables, and measures whose areas are
// set directly (durations, candidate lists, code records).

#include "harmony/AutoStaff.h"

#include <initializer_list>
#include <memory>
#include <vector>

namespace kvtest {

class AutoModel {
public:
    // mode: 1 major, 0 minor.
    explicit AutoModel(unsigned char mode = 1) : staff(std::make_unique<CAutoStaff>(nullptr))
    {
        staff->m_nKeyMeas = 0;
        staff->m_byMode = mode;
        staff->m_byTonic = 60;
        staff->m_byKeyType = 0;
        staff->m_byWeakMelody = 0;
        staff->MakeChordCodeTable();
    }
    ~AutoModel() { staff->DeleteContents(); }

    // Appends an unsplit 4/4 measure with no notes and no codes.
    CAutoMeas& AddMeas()
    {
        CAutoMeas* meas = new CAutoMeas(staff.get());
        meas->m_byTripleMeter = 0;
        meas->m_pRhythm = nullptr;
        meas->m_bySplit = 0;
        meas->m_byDivision = 1;
        for (int area = 0; area < 3; area++) {
            meas->m_byCenter[area] = 0;
            for (int step = 0; step < 13; step++)
                meas->m_dwDuration[area][step] = 0;
            meas->m_Candidate[area] = tagCandidate {};
            meas->m_CandCode[area] = tagCandCode {};
        }
        staff->m_Meases.Add(meas);
        return *meas;
    }

    // Gives an area the codes it found; flags and chosen code as given.
    static tagCandCode& SetCodes(CAutoMeas& meas, unsigned char area, const std::vector<unsigned char>& codes,
                                 unsigned char flags = 0, unsigned char chosen = 0, unsigned char notes = 1,
                                 unsigned char percent = 0)
    {
        tagCandCode& code = meas.m_CandCode[area];
        code = tagCandCode {};
        for (unsigned char c : codes)
            code.byCode[code.byCodeNum++] = c;
        code.byFlags = flags;
        code.byChosen = chosen;
        code.byNoteNum = notes;
        code.byPercent[0] = percent;
        return code;
    }

    // A candidate list of the given steps, the first `centres` of them centres.
    static tagCandidate List(std::initializer_list<unsigned char> steps, unsigned char centres = 1)
    {
        tagCandidate list {};
        for (unsigned char step : steps) {
            list.Entry[list.byNum].byStep = step;
            list.Entry[list.byNum].byRank = list.byNum < centres ? 1 : list.byNum + 2 - centres;
            list.byNum++;
        }
        list.byCenterNum = centres;
        return list;
    }

    static std::vector<unsigned char> Codes(const tagCandCode& code)
    {
        return std::vector<unsigned char>(code.byCode, code.byCode + code.byCodeNum);
    }

    std::unique_ptr<CAutoStaff> staff;
};

} // namespace kvtest
