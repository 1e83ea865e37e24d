// Writing the chord namer's result as chord symbols of staff 0.

#include "harmony/AutoStaff.h"
#include "harmony/ChordSymbol.h"
#include "harmony/ChordSurfix.h"
#include "harmony/KVAutoCodeName.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include <algorithm>

namespace {

// Semitones from the tonic to the root of codes 1..15, major and minor.
const unsigned char kDurRoot[16] = {0, 0, 2, 4, 5, 7, 9, 11, 2, 4, 9, 11, 7, 0, 7, 0};
const unsigned char kMollRoot[16] = {0, 0, 2, 3, 5, 7, 8, 10, 2, 3, 8, 10, 7, 0, 7, 7};
// Spelling numbers of the pitch classes with sharps and with flats.
const int kSharpSpelling[12] = {0, 1, 3, 4, 6, 7, 8, 10, 11, 13, 14, 16};
const int kFlatSpelling[12] = {0, 2, 3, 5, 6, 7, 9, 10, 12, 13, 15, 17};

const char* SuffixText(bool minor, unsigned char code)
{
    if (!minor) {
        if (code == 2 || code == 3 || code == 6 || code == 7 || code > 13)
            return "m";
        if (code == 12 || code == 13)
            return "7";
        return nullptr;
    }
    if (code == 1 || code == 4)
        return "m";
    if (code == 11 || code == 12)
        return "7";
    if (code == 13)
        return "m7";
    return nullptr;
}

}  // namespace

unsigned char CAutoStaff::InsertChordCode()
{
    CKVDoc* doc = m_pOwner ? m_pOwner->GetDoc() : nullptr;
    CKVStaff* staff = doc ? doc->GetStaff(0, 0) : nullptr;
    if (!staff)
        return 1;
    const int count = std::min<int>(GetMeasCount(), staff->GetMeasNum());
    unsigned char last = 0;
    bool failed = false;
    for (int i = 0; i < count && !failed; i++) {
        CAutoMeas* model = GetMeas(i);
        CKVMeas* meas = staff->GetMeas(i);
        if (!meas)
            continue;
        const bool split = model->m_bySplit != 0;
        if ((!split && model->m_CandCode[kAreaWhole].byCodeNum == 0)
            || (split && model->m_CandCode[kAreaA].byCodeNum == 0 && model->m_CandCode[kAreaB].byCodeNum == 0)) {
            last = 0;
            continue;
        }
        // Symbols to attach, collected first: the document changes the
        // measure while adding.
        struct Pending { CKVMsg* note; unsigned char area; };
        Pending pending[2];
        int pendingCount = 0;
        meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        short cursor = 0;
        bool handledA = false;
        // A note whose record holds all its symbols takes no chord, and the
        // chord stays unwritten: a later note of the same chord takes it.
        auto take = [&](CKVMsg* msg, unsigned char area) {
            if (!kvrec::HasRoomFor(*msg))
                return;
            pending[pendingCount++] = {msg, area};
            last = model->GetCode(area);
        };
        while (CKVMsg* msg = meas->GetNextMsg(cursor)) {
            if (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST)
                continue;
            const int start = msg->m_nPerformStart;
            if (!split) {
                if (model->GetCode(kAreaWhole) != last)
                    take(msg, kAreaWhole);
                break;
            }
            if (!handledA && start < model->m_nLength / 3) {
                handledA = true;
                if (model->GetCode(kAreaA) != last) {
                    if (model->m_CandCode[kAreaA].byCodeNum)
                        take(msg, kAreaA);
                    else
                        last = 0;
                }
                continue;
            }
            if (start >= model->m_nLength / 2) {
                if (model->GetCode(kAreaB) != last) {
                    if (model->m_CandCode[kAreaB].byCodeNum)
                        take(msg, kAreaB);
                    else
                        last = 0;
                    break;
                }
            }
        }
        meas->m_arrWalk.RemoveAll();
        for (int p = 0; p < pendingCount && !failed; p++) {
            const unsigned char area = pending[p].area;
            const unsigned char code = model->GetCode(area);
            CChordSymbol* symbol = KvNew<CChordSymbol>();
            if (!symbol) {
                failed = true;
                break;
            }
            symbol->m_dwMsgId = 0;
            symbol->m_nBass = 0;
            symbol->m_nRoot = static_cast<short>(CalcuRoot(code));
            if (const char* text = SuffixText(IsMinor(), code))
                SetCodeName(symbol, CString(text));
            model->SetCodeCordinate(symbol, pending[p].note);
            model->SetCodeColor(symbol, area);
            model->SetRhythm(symbol);
            symbol->m_byVoice = pending[p].note->m_byVoice;
            if (!doc->AddMsg(pending[p].note, symbol, 1, 0))
                failed = true;
            delete symbol;
        }
    }
    return failed ? 0 : 1;
}

int CAutoStaff::CalcuRoot(unsigned char code)
{
    const unsigned char* roots = IsMinor() ? kMollRoot : kDurRoot;
    const int offset = code < 16 ? roots[code] : 0;
    const int pitchClass = GetRelativity(60, static_cast<unsigned char>(m_byTonic + offset));
    return m_byKeyType == 2 ? kFlatSpelling[pitchClass] : kSharpSpelling[pitchClass];
}

unsigned char CAutoStaff::SetCodeName(CChordSymbol* symbol, CString suffix)
{
    POSITION position = procChordSurfix.FindSurfixRealName(suffix);
    CChordSurfix* found = position ? procChordSurfix.GetNextSurfix(position) : nullptr;
    if (found)
        symbol->m_Surfix = *found;
    else
        symbol->m_Surfix.SetRealName(suffix);
    return 1;
}

unsigned char CAutoMeas::GetCode(unsigned char area)
{
    if (area > 2)
        return 0;
    const tagCandCode& record = m_CandCode[area];
    return (record.byFlags & kCodeFixed) ? record.byChosen : record.byCode[0];
}

unsigned char CAutoMeas::SetCodeCordinate(CChordSymbol* symbol, CKVMsg* note)
{
    symbol->m_nPosX = 0;
    const int d = -note->m_nPosY;
    symbol->m_nPosY = static_cast<short>(d <= 30 ? -(33 - d) : -6);
    return 1;
}

unsigned char CAutoMeas::SetCodeColor(CChordSymbol* symbol, unsigned char area)
{
    CKVDoc* doc = m_pOwner && m_pOwner->m_pOwner ? m_pOwner->m_pOwner->GetDoc() : nullptr;
    COLORREF colour = doc ? doc->m_CtrlTool.UnconfirmedChordColour() : 0;
    if (area <= 2 && (m_CandCode[area].byFlags & (kCodeFixed | kCodeLinked)))
        colour = 0;
    symbol->SetColor(colour);
    return 1;
}

unsigned char CAutoMeas::SetRhythm(CChordSymbol* symbol)
{
    if (m_pRhythm) {
        delete symbol->m_pRhythm;
        symbol->m_pRhythm = m_pRhythm;
        m_pRhythm = nullptr;
    }
    return 1;
}
