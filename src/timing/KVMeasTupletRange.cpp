// Making the notes of a range into tuplets: each run of symbols with one
// tuplet word gets a tuplet symbol and is beamed.

#include "model/KVMeas.h"

#include "model/ImportState.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "timing/TupletLinks.h"
#include "timing/TupletState.h"

#include <vector>

namespace {

enum class RangeMode {
    Counted,  // a run closes when it holds as many symbols as the word says
    Whole,    // every following symbol with the same word joins
    Imported, // counted outside an import; a chord is carried by its top note
};

class RangeTuplets {
public:
    RangeTuplets(CKVMeas& meas, BYTE voice, RangeMode mode) : m_meas(meas), m_voice(voice), m_mode(mode) {}

    void Run(short x1, short x2)
    {
        if (!m_meas.m_pSystem)
            return;
        m_meas.ResetGetNextMsg(kChordsWhole, kWalkTreeOrder, kWalkOwnStaff, kWalkTimedOnly);
        const std::vector<DWORD> walk = measplace::WalkIds(m_meas);

        // The old tuplets go first; the walk list stays as it is, so that
        // one that reaches outside the range is handed to a note there.
        for (DWORD id : walk) {
            CKVMsg* msg = m_meas.m_pSystem->GetMsgFromMap(id);
            if (msg && InRange(*msg, x1, x2)) {
                SetTupletDeleted(0);
                msg->DeleteTuplet();
            }
        }

        // Beaming rebuilds the walk list; the copy is walked. A run is
        // gathered whole before its tuplet is made, so that a carrier
        // without room for the reference still counts in its run.
        bool graceOpened = false;
        for (size_t i = 0; i < walk.size() && !graceOpened && !m_outOfMemory;) {
            CKVMsg* msg = m_meas.m_pSystem->GetMsgFromMap(walk[i]);
            if (!msg || !InRange(*msg, x1, x2) || msg->m_wObjWord == 0) {
                ++i;
                continue;
            }
            if (m_run.symbols.empty()) {
                Open(*msg);
                graceOpened = (msg->m_wFlag & MSGFLAG_GRACE) != 0;
                ++i;
                continue;
            }
            if (msg->m_wObjWord != m_word || IsFull(*msg)) {
                // This symbol starts the next run.
                Close();
                continue;
            }
            Join(*msg);
            ++i;
        }
        Close();
    }

private:
    bool InRange(const CKVMsg& msg, short x1, short x2) const
    {
        return tickmath::IsNoteRestChord(msg) && msg.m_byVoice == m_voice && msg.m_nPosX >= x1 &&
               msg.m_nPosX <= x2;
    }

    CKVMsg* CarrierOf(CKVMsg& msg) const
    {
        if (m_mode == RangeMode::Imported && msg.m_byKind == MSG_CHORD) {
            msg.ChordYOrder();
            return tuplets::Carrier(&msg, true);
        }
        return tuplets::Carrier(&msg, false);
    }

    bool IsFull(const CKVMsg& msg) const
    {
        if (m_mode == RangeMode::Whole || bImportConverting)
            return false;
        return m_run.carriers.size() >= (msg.m_wObjWord & 0xFFu);
    }

    // A symbol without a note to carry the tuplet opens nothing.
    void Open(CKVMsg& msg)
    {
        CKVMsg* carrier = CarrierOf(msg);
        if (!carrier)
            return;
        m_run.symbols.assign(1, &msg);
        m_run.carriers.assign(1, carrier);
        m_word = msg.m_wObjWord;
        m_style = bImportConverting ? GetImportTupletStyle() : tuplets::FormOf(msg);
        m_firstX = msg.m_nPosX;
        m_lastX = msg.m_nPosX;
    }

    void Join(CKVMsg& msg)
    {
        CKVMsg* carrier = CarrierOf(msg);
        if (!carrier)
            return;
        m_run.symbols.push_back(&msg);
        m_run.carriers.push_back(carrier);
        m_lastX = msg.m_nPosX;
    }

    // The run gets its tuplet, where its carriers take it, and is beamed.
    // Out of memory, the range ends there.
    void Close()
    {
        if (m_run.symbols.empty())
            return;
        if (CKVMsg* tuplet = tuplets::Make(m_meas, m_run, m_style, m_outOfMemory))
            tuplet->m_wHeadType = static_cast<WORD>(m_run.carriers.size());
        m_run = tuplets::Run();
        if (!m_outOfMemory)
            m_meas.BindGroupByBeam(m_voice, m_firstX, m_lastX, kStemOfVoice);
    }

    CKVMeas& m_meas;
    BYTE m_voice;
    RangeMode m_mode;
    tuplets::Run m_run;
    WORD m_word = 0;
    WORD m_style = 0;
    bool m_outOfMemory = false;
    short m_firstX = 0;
    short m_lastX = 0;
};

} // namespace

void CKVMeas::MakeRangeTupletMsg(BYTE voice, short x1, short x2)
{
    RangeTuplets(*this, voice, RangeMode::Counted).Run(x1, x2);
}

void CKVMeas::MakeRangeTupletMsgByMenu(BYTE voice, short x1, short x2)
{
    RangeTuplets(*this, voice, RangeMode::Whole).Run(x1, x2);
}

void CKVMeas::EncMakeRangeTupletMsg(BYTE voice, short x1, short x2)
{
    RangeTuplets(*this, voice, RangeMode::Imported).Run(x1, x2);
}
