// The driver of a fuzz target in builds without libFuzzer: it replays the
// target's seed and regression inputs, then a fixed number of deterministic
// mutations of them (bit flips, overwritten words, truncations, inserted and
// repeated bytes). Every run makes the same inputs, so a finding in CI
// replays anywhere: the input that failed is written to a file, and
// `--only K` runs mutation K alone.
//
//   kv_fuzz_TARGET [--mutations N] [--seed S] [--only K] [--crash-file F] PATH...
//
// A PATH is an input file or a folder of them (read in name order).

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

using Bytes = std::vector<uint8_t>;

struct Input {
    std::string name;
    Bytes bytes;
};

// The input being run, for the crash handlers.
const Bytes* g_current = nullptr;
std::string g_crashFile = "fuzz-crash-input";
volatile sig_atomic_t g_dumped = 0;
// The mutation being run, or -1 while replaying the stored inputs.
long long g_mutation = -1;

void DumpCurrent()
{
    if (g_dumped || g_current == nullptr)
        return;
    g_dumped = 1;
    const int fd = open(g_crashFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    size_t done = 0;
    while (done < g_current->size()) {
        const ssize_t n = write(fd, g_current->data() + done, g_current->size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    // Only write(2) here: this may run inside a signal handler.
    char note[128];
    size_t n = 0;
    auto put = [&](const char* text) {
        while (*text != 0 && n < sizeof note)
            note[n++] = *text++;
    };
    put("fuzz driver: the failing input (mutation ");
    char digits[24];
    size_t d = 0;
    unsigned long long value = g_mutation < 0 ? 0 : static_cast<unsigned long long>(g_mutation);
    do {
        digits[d++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && d < sizeof digits);
    if (g_mutation < 0)
        put("none, a stored input");
    else
        while (d > 0 && n < sizeof note)
            note[n++] = digits[--d];
    put(") is in the crash file\n");
    ssize_t ignored = write(2, note, n);
    (void)ignored;
}

void OnSignal(int sig)
{
    DumpCurrent();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// SplitMix64: small, fast and the same on every platform, unlike the
// standard distributions.
struct Random {
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
};

void PutWord(Bytes& b, size_t at, uint32_t value, size_t width)
{
    for (size_t i = 0; i < width && at + i < b.size(); ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void MutateOnce(Bytes& b, Random& rng)
{
    static const uint32_t kInteresting[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
    switch (rng.Below(6)) {
    case 0: // flip one bit
        if (!b.empty())
            b[rng.Below(b.size())] ^= static_cast<uint8_t>(1u << rng.Below(8));
        break;
    case 1: // overwrite a byte, word or double word with a boundary value
        if (!b.empty()) {
            const size_t width = size_t {1} << rng.Below(3);
            PutWord(b, rng.Below(b.size()), kInteresting[rng.Below(std::size(kInteresting))], width);
        }
        break;
    case 2: // truncate
        b.resize(rng.Below(b.size() + 1));
        break;
    case 3: { // insert random bytes
        const size_t at = rng.Below(b.size() + 1);
        const size_t count = 1 + rng.Below(8);
        Bytes bytes(count);
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(rng.Next());
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
        break;
    }
    case 4: { // repeat a run of bytes somewhere else
        if (b.empty())
            break;
        const size_t from = rng.Below(b.size());
        const size_t count = 1 + rng.Below(std::min<size_t>(b.size() - from, 64));
        const Bytes run(b.begin() + static_cast<std::ptrdiff_t>(from),
                        b.begin() + static_cast<std::ptrdiff_t>(from + count));
        const size_t at = rng.Below(b.size() + 1);
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), run.begin(), run.end());
        break;
    }
    default: // erase a run
        if (!b.empty()) {
            const size_t from = rng.Below(b.size());
            const size_t count = 1 + rng.Below(std::min<size_t>(b.size() - from, 16));
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(from),
                    b.begin() + static_cast<std::ptrdiff_t>(from + count));
        }
        break;
    }
}

// Mutation `index` of the inputs: its own generator, so that any one can be
// made again without the ones before it.
Bytes Mutation(const std::vector<Input>& inputs, uint64_t seed, uint64_t index, size_t& from)
{
    Random rng {seed * 0x100000001B3ull + index};
    from = rng.Below(inputs.size());
    Bytes b = inputs[from].bytes;
    const size_t steps = 1 + rng.Below(4);
    for (size_t i = 0; i < steps; ++i)
        MutateOnce(b, rng);
    return b;
}

bool AddInputs(const std::filesystem::path& path, std::vector<Input>& inputs)
{
    std::error_code error;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(path, error))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(path, error)) {
        files.push_back(path);
    } else {
        return false;
    }
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        inputs.push_back({file.string(), Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
    }
    return true;
}

void Run(const Bytes& bytes)
{
    g_current = &bytes;
    // Exact-size storage, so that the sanitizer sees a read past the end.
    Bytes copy(bytes);
    copy.shrink_to_fit();
    LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
    g_current = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    uint64_t mutations = 10000;
    uint64_t seed = 1;
    long long only = -1;
    std::vector<Input> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mutations" && i + 1 < argc) {
            mutations = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--only" && i + 1 < argc) {
            only = std::strtoll(argv[++i], nullptr, 10);
        } else if (arg == "--crash-file" && i + 1 < argc) {
            g_crashFile = argv[++i];
        } else if (!AddInputs(arg, inputs)) {
            std::fprintf(stderr, "fuzz driver: no input at %s\n", arg.c_str());
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "fuzz driver: no inputs\n");
        return 2;
    }

    // Under a sanitizer its own handlers report faults (a stack overflow
    // included) and then call the death callback; only aborts come here.
    // Otherwise every fault signal does, on a stack of its own.
    static char altStack[1 << 16];
    stack_t stack {};
    stack.ss_sp = altStack;
    stack.ss_size = sizeof altStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    if (__sanitizer_set_death_callback != nullptr) {
        __sanitizer_set_death_callback(&DumpCurrent);
        sigaction(SIGABRT, &action, nullptr);
    } else {
        for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
            sigaction(sig, &action, nullptr);
    }

    const auto start = std::chrono::steady_clock::now();
    if (only >= 0) {
        size_t from = 0;
        const Bytes b = Mutation(inputs, seed, static_cast<uint64_t>(only), from);
        std::printf("mutation %lld of %s (%zu bytes)\n", only, inputs[from].name.c_str(), b.size());
        std::fflush(stdout);
        g_mutation = only;
        Run(b);
        return 0;
    }
    for (const Input& input : inputs) {
        std::printf("replay %s\n", input.name.c_str());
        std::fflush(stdout);
        Run(input.bytes);
    }
    for (uint64_t k = 0; k < mutations; ++k) {
        size_t from = 0;
        const Bytes b = Mutation(inputs, seed, k, from);
        if (k % 1000 == 0) {
            std::printf("mutations from %llu\n", static_cast<unsigned long long>(k));
            std::fflush(stdout);
        }
        g_mutation = static_cast<long long>(k);
        Run(b);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu inputs and %llu mutations in %.1f s\n", inputs.size(), static_cast<unsigned long long>(mutations),
                seconds);
    return 0;
}
