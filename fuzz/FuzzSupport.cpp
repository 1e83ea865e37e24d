#include "FuzzSupport.h"

#include "KvcFile.h"

#include <cstdio>

namespace kvfuzz {

namespace {

class QuietHost : public HostServices {
public:
    int MessageBox(const char*, UINT type) override { return KvDefaultMessageBoxAnswer(type); }
    void Beep(UINT) override {}
    void Progress(int, const char*) override {}
    // A fixed figure, so that an input behaves the same on every machine.
    unsigned long long AvailableVirtualBytes() override { return 1ull << 34; }
};

QuietHost s_host;

} // namespace

void BeginInput()
{
    ResetProcessState();
    SetHostServices(&s_host);
}

std::vector<BYTE> FrameBody(const uint8_t* data, size_t size)
{
    std::vector<BYTE> body(size + 8);
    const DWORD length = static_cast<DWORD>(size);
    for (int i = 0; i < 4; ++i) {
        body[i] = static_cast<BYTE>(length >> (8 * i));
        body[size + 4 + i] = static_cast<BYTE>(length >> (8 * i));
    }
    if (size != 0)
        std::copy(data, data + size, body.begin() + 4);
    return body;
}

bool MakeClipboardScore(CKVDoc& doc)
{
    constexpr short kStaves = 2;
    constexpr LONG kMeasures = 4;
    kvorel::NewScoreOptions options;
    options.staves = kStaves;
    options.measures = kMeasures;
    if (!kvorel::MakeNewScore(doc, options))
        return false;
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    for (short s = 0; s < kStaves; ++s) {
        for (LONG m = 0; m < kMeasures; ++m) {
            CKVMeas* meas = system->GetMeas(s, static_cast<short>(m));
            for (short x : {0, 128}) {
                CKVMsg model;
                model.m_byKind = MSG_NOTE;
                model.m_wDuration = DUR_QUARTER;
                model.m_byVoice = 1;
                model.m_nPosX = x;
                model.m_nPosY = static_cast<short>(-6 * (m + s));
                unsigned char head[MidiNoteHead::Size] = {static_cast<unsigned char>(60 + m), 100, 64, 0, 200};
                model.SetHead(MidiNoteHead::Size, head);
                CKVMsg* note = meas ? meas->InsertNewMsg(model) : nullptr;
                if (!note)
                    return false;
                note->CalcPlayTime();
            }
            meas->UpdateStartTime(1, 0, 0, 0);
        }
    }
    doc.JumpToPage(0);
    doc.JumpToMeas(2);
    return doc.m_pCurBlock != nullptr;
}

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz invariant failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

} // namespace kvfuzz
