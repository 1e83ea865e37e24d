// The chord namer's driver: the passes of Process over a throw-away model.

#include "harmony/KVAutoCodeName.h"
#include "harmony/AutoStaff.h"
#include "harmony/ChordSymbol.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "MemoryGuard.h"
#include <algorithm>

CKVAutoCodeName::CKVAutoCodeName() : m_pAutoStaff(nullptr), m_pDoc(nullptr) {}

CKVAutoCodeName::CKVAutoCodeName(const CKVAutoCodeName& other)
    : m_pAutoStaff(other.m_pAutoStaff), m_pDoc(other.m_pDoc)
{
}

CKVAutoCodeName& CKVAutoCodeName::operator=(const CKVAutoCodeName& other)
{
    m_pAutoStaff = other.m_pAutoStaff;
    m_pDoc = other.m_pDoc;
    return *this;
}

CKVAutoCodeName::~CKVAutoCodeName() {}

int CKVAutoCodeName::Open(CKVDoc* doc)
{
    m_pDoc = doc;
    return doc != nullptr;
}

int CKVAutoCodeName::Close() { return 1; }
int CKVAutoCodeName::GetProgress() { return 1; }
int CKVAutoCodeName::GetVariantNum() { return 1; }

namespace {

// Measures of staff 0 the namer looks at: the first system's count, never
// more than the staff holds.
int NamedMeasCount(CKVDoc* doc, CKVStaff* staff)
{
    if (!doc || !staff)
        return 0;
    const int count = std::min<int>(doc->GetMeasCount(-1, 0), staff->GetMeasNum());
    return std::max(count, 0);
}

bool HoldsChordSymbol(CKVMeas* meas)
{
    bool found = false;
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short cursor = 0;
    while (CKVMsg* msg = meas->GetNextMsg(cursor))
        if (msg->m_byKind == MSG_CHORDSYMBOL)
            found = true;
    meas->m_arrWalk.RemoveAll();
    return found;
}

bool HasAnyCode(CAutoMeas* meas)
{
    return meas && (meas->m_CandCode[0].byCodeNum || meas->m_CandCode[1].byCodeNum || meas->m_CandCode[2].byCodeNum);
}

}  // namespace

int CKVAutoCodeName::Process(int option)
{
    if (!m_pDoc || !CheckAvailableMemory(1000000))
        return 0;
    // The analysis reads the score and changes nothing.
    const bool analysed = Preprocess1() && Preprocess2();
    if (!analysed) {
        DeleteContents();
        return 0;
    }
    DecideCenterLevel();
    ThinkHarmonyAB();
    DecideNonChordNode();
    RegisterPresentNode();
    ProduceCandNote();
    // Linking allocates its segments; a model left half linked names nothing.
    if (!ProduceCode(option)) {
        DeleteContents();
        return 0;
    }

    // The measures the replacement touches: those holding a chord symbol
    // and those that receive one. A run that changes nothing records nothing.
    CKVStaff* staff = m_pDoc->GetStaff(0, 0);
    const int count = NamedMeasCount(m_pDoc, staff);
    CDWordArray touched;
    for (int i = 0; i < count; i++) {
        CKVMeas* meas = staff->GetMeas(i);
        if (meas && (HoldsChordSymbol(meas) || HasAnyCode(m_pAutoStaff->GetMeas(i))))
            touched.Add(static_cast<DWORD>(i));
    }
    int result = 1;
    if (touched.GetSize() > 0) {
        m_pDoc->ResetBackup();
        for (int t = 0; t < touched.GetSize(); t++) {
            CKVMeas* meas = m_pDoc->GetStaff(0, 0)->GetMeas(static_cast<LONG>(touched.GetAt(t)));
            if (meas && !meas->ObjectBackup(1, 1) && m_pDoc->IsReqBackup() == 1) {
                DeleteContents();
                return 0;
            }
        }
        DeleteChordCode();
        if (!InsertChordCode())
            result = 0;
    }
    DeleteContents();
    return result;
}

unsigned char CKVAutoCodeName::DeleteChordCode()
{
    if (!m_pAutoStaff || !m_pDoc)
        return 0;
    CKVStaff* staff = m_pDoc->GetStaff(0, 0);
    const int count = NamedMeasCount(m_pDoc, staff);
    for (int i = 0; i < count; i++) {
        CKVMeas* meas = staff->GetMeas(i);
        CAutoMeas* model = m_pAutoStaff->GetMeas(i);
        if (!meas)
            continue;
        CPtrArray symbols;
        meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        short cursor = 0;
        while (CKVMsg* msg = meas->GetNextMsg(cursor))
            if (msg->m_byKind == MSG_CHORDSYMBOL)
                symbols.Add(msg);
        meas->m_arrWalk.RemoveAll();
        for (int s = 0; s < symbols.GetSize(); s++) {
            auto* symbol = static_cast<CChordSymbol*>(static_cast<CKVMsg*>(symbols.GetAt(s)));
            if (symbol->m_pRhythm && model && !model->m_pRhythm) {
                model->m_pRhythm = symbol->m_pRhythm;
                symbol->m_pRhythm = nullptr;
            }
            m_pDoc->DeleteMsg(symbol, kUnlinkOnly);
        }
    }
    return 1;
}

unsigned char CKVAutoCodeName::Preprocess1()
{
    m_pAutoStaff = KvNew<CAutoStaff>(this);
    if (!m_pAutoStaff)
        return 0;
    CKVStaff* staff = m_pDoc->GetStaff(0, 0);
    const int count = NamedMeasCount(m_pDoc, staff);
    m_pAutoStaff->UpdateParm(staff);
    for (int i = 0; i < count; i++) {
        CAutoMeas* model = KvNew<CAutoMeas>(m_pAutoStaff);
        if (!model)
            return 0;
        m_pAutoStaff->m_Meases.Add(model);
        CKVMeas* meas = staff->GetMeas(i);
        if (!meas)
            continue;
        model->UpdateParm(meas);
        meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        short cursor = 0;
        bool failed = false;
        while (CKVMsg* msg = meas->GetNextMsg(cursor)) {
            if (msg->m_byKind != MSG_NOTE)
                continue;
            CAutoNode* node = KvNew<CAutoNode>(model);
            if (!node) {
                failed = true;
                break;
            }
            node->UpdateParm(msg);
            model->m_Nodes.Add(node);
        }
        meas->m_arrWalk.RemoveAll();
        if (failed)
            return 0;
    }
    return 1;
}

unsigned char CKVAutoCodeName::Preprocess2() { return m_pAutoStaff->Preprocess(); }
unsigned char CKVAutoCodeName::DecideCenterLevel() { return m_pAutoStaff->DecideCenterLevel(); }
unsigned char CKVAutoCodeName::ThinkHarmonyAB() { return m_pAutoStaff->ThinkHarmonyAB(); }
unsigned char CKVAutoCodeName::DecideNonChordNode() { return m_pAutoStaff->DecideNonChordNode(); }
unsigned char CKVAutoCodeName::RegisterPresentNode() { return m_pAutoStaff->RegisterPresentNode(); }
unsigned char CKVAutoCodeName::ProduceCandNote() { return m_pAutoStaff->ProduceCandNote(); }

unsigned char CKVAutoCodeName::ProduceCode(int option)
{
    m_pAutoStaff->ProduceCandCode();
    return m_pAutoStaff->LinkCandCode(option);
}

unsigned char CKVAutoCodeName::InsertChordCode() { return m_pAutoStaff->InsertChordCode(); }

unsigned char CKVAutoCodeName::DeleteContents()
{
    if (m_pAutoStaff) {
        m_pAutoStaff->DeleteContents();
        delete m_pAutoStaff;
        m_pAutoStaff = nullptr;
    }
    return 1;
}
