// Fuzz target of the chord files that the library reads by name. The first
// byte chooses the reader (even: the suffix dictionary, odd: a rhythm
// pattern file), the rest is the file, written into a temporary program
// folder of this process.
//
// A dictionary must read, write and read again to the same suffixes, and a
// second write must give the same bytes. A pattern that loads must survive
// its data record and give play keys of 0-127 for any chord; the pattern
// document never outlives a load.

#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kDictionaryFolder = "Chord";
constexpr const char* kDictionaryName = "sfx.txt";
constexpr const char* kRhythmFolder = "Rhythm";
constexpr const char* kPatternName = "pattern.kvc";

// The quiet host, with the folder name of the rhythm patterns.
class FolderHost : public HostServices {
public:
    BOOL LoadString(UINT id, CString& text) override
    {
        text = id == 135 ? kRhythmFolder : "";
        return id == 135;
    }
    int MessageBox(const char*, UINT type) override { return KvDefaultMessageBoxAnswer(type); }
    void Beep(UINT) override {}
    void Progress(int, const char*) override {}
    unsigned long long AvailableVirtualBytes() override { return 1ull << 34; }
};

FolderHost s_host;

// The program folder of this process, removed at exit.
struct ProgramFolder {
    ProgramFolder()
    {
        char pattern[] = "/tmp/kv-harmony-files-XXXXXX";
        if (!mkdtemp(pattern))
            kvfuzz::Fail("no temporary folder");
        path = pattern;
        fs::create_directories(path / kDictionaryFolder);
        fs::create_directories(path / kRhythmFolder);
    }
    ~ProgramFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

const fs::path& Folder()
{
    static ProgramFolder folder;
    return folder.path;
}

void PutFile(const fs::path& file, const uint8_t* data, size_t size)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        kvfuzz::Fail("the input cannot be written");
}

std::vector<char> GetFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using SuffixList = std::vector<std::pair<std::string, std::string>>;

SuffixList Suffixes(CChordSurfixProc& dictionary)
{
    SuffixList list;
    for (POSITION pos = dictionary.GetFirstSurfixPos(); pos;) {
        CChordSurfix* surfix = dictionary.GetNextSurfix(pos);
        std::string codes;
        const CChordSurfixInfo info = surfix->GetInfo();
        for (int i = 0; i < info.GetSize(); ++i)
            codes += static_cast<char>(info.GetAt(i));
        list.emplace_back(std::string(static_cast<const char*>(surfix->GetRealName()), surfix->GetRealName().GetLength()),
                          codes);
    }
    return list;
}

void CheckDictionary(const uint8_t* data, size_t size)
{
    const fs::path file = Folder() / kDictionaryFolder / kDictionaryName;
    PutFile(file, data, size);
    CChordSurfixProc& dictionary = procChordSurfix;
    if (dictionary.ReadSurfixInfos(kDictionaryFolder, kDictionaryName) != 1)
        kvfuzz::Fail("a dictionary file that exists does not read");
    const SuffixList first = Suffixes(dictionary);
    if (dictionary.WriteSurfixInfos(kDictionaryFolder, kDictionaryName) != 1)
        kvfuzz::Fail("a dictionary cannot be written");
    const std::vector<char> written = GetFile(file);
    if (dictionary.ReadSurfixInfos(kDictionaryFolder, kDictionaryName) != 1 || Suffixes(dictionary) != first)
        kvfuzz::Fail("a written dictionary reads back differently");
    if (dictionary.WriteSurfixInfos(kDictionaryFolder, kDictionaryName) != 1 || GetFile(file) != written)
        kvfuzz::Fail("a dictionary writes differently the second time");
}

bool SameEvent(const RhythmEvent& a, const RhythmEvent& b)
{
    return a.byReserved0 == b.byReserved0 && a.byKey == b.byKey && a.byVelocity == b.byVelocity &&
           a.byTrack == b.byTrack && std::memcmp(a.byReserved4, b.byReserved4, sizeof a.byReserved4) == 0 &&
           a.dwData == b.dwData && a.nTime == b.nTime && a.byHead2 == b.byHead2 && a.byChannel == b.byChannel;
}

bool SameTrack(const RhythmTrack& a, const RhythmTrack& b)
{
    return a.byLevel == b.byLevel && a.byChannel == b.byChannel && a.byBankHigh == b.byBankHigh &&
           a.byProgram == b.byProgram && a.nKeyShift == b.nKeyShift;
}

void CheckRecord(CRtmData& data)
{
    kvfuzz::RecordBuffer buffer;
    if (data.WriteToMem(buffer.data, &buffer.used, &buffer.capacity) != 1)
        kvfuzz::Fail("loaded pattern data cannot be written");
    CRtmData again;
    DWORD pos = 0;
    DWORD length = buffer.used;
    if (again.ReadFromMem(buffer.data, &pos, &length) != 1)
        kvfuzz::Fail("written pattern data does not read");
    bool same = again.m_arrEvent.GetSize() == data.m_arrEvent.GetSize() &&
                again.m_arrTrack.GetSize() == data.m_arrTrack.GetSize();
    for (int i = 0; same && i < data.m_arrEvent.GetSize(); ++i)
        same = SameEvent(*again.m_arrEvent.GetAt(i), *data.m_arrEvent.GetAt(i));
    for (int i = 0; same && i < data.m_arrTrack.GetSize(); ++i)
        same = SameTrack(*again.m_arrTrack.GetAt(i), *data.m_arrTrack.GetAt(i));
    if (!same)
        kvfuzz::Fail("pattern data reads back differently");
}

void CheckPlayKeys(CRtmData& data)
{
    struct Chord {
        short root;
        short bass;
        std::vector<BYTE> codes;
    };
    const Chord chords[] = {
        {3, 8, {3, 4}}, {10, 0, {4, 3, 3}}, {21, 22, {35, 35, 35}}, {30, 40, {}}, {-1, -5, {255, 255, 255}},
    };
    for (const Chord& c : chords) {
        CChordSymbol chord;
        chord.m_nRoot = c.root;
        chord.m_nBass = c.bass;
        for (BYTE code : c.codes)
            chord.m_Surfix.m_Info.AddInfo(code);
        for (int measure : {0, 1, 31}) {
            data.ConvertToPlayData(&chord, 0, 1024, measure);
            for (int i = 0; i < data.m_arrPlayEvent.GetSize(); ++i) {
                if (data.m_arrPlayEvent.GetAt(i)->byKey > 127)
                    kvfuzz::Fail("a play key lies outside 0-127");
            }
        }
    }
}

void CheckPattern(const uint8_t* data, size_t size)
{
    PutFile(Folder() / kRhythmFolder / kPatternName, data, size);
    RHYTHM_INFO info;
    info.m_strPatName = "pattern";
    info.m_strFileName = kPatternName;
    CRtmData pattern;
    const int loaded = pattern.ReadRtmData("group", info);
    if (pattern.m_pDoc)
        kvfuzz::Fail("the pattern document outlives the load");
    if (loaded != 1) {
        if (pattern.m_arrEvent.GetSize() != 0 || pattern.m_arrTrack.GetSize() != 0 || pattern.m_bLoaded)
            kvfuzz::Fail("a refused pattern leaves data behind");
        return;
    }
    CheckRecord(pattern);
    CheckPlayKeys(pattern);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > (1u << 20))
        return 0;
    kvfuzz::BeginInput();
    SetHostServices(&s_host);
    const std::string folder = Folder().string();
    std::strncpy(szCurDirectory, folder.c_str(), MAX_PATH - 1);
    if (data[0] & 1)
        CheckPattern(data + 1, size - 1);
    else
        CheckDictionary(data + 1, size - 1);
    return 0;
}
