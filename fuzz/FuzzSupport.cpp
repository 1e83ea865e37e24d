#include "FuzzSupport.h"

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

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz invariant failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

} // namespace kvfuzz
