// Fuzz target of the chord files that the library reads by name. The first
// byte modulo 5 chooses the reader (0: the suffix dictionary, 1: a rhythm
// pattern file, 2: a shape line followed by a shape profile, 3: a rhythm group file,
// 4: an older chord text), the rest is the file, written into a temporary
// program folder of this process, or the older chord's words and head.
//
// A shape line must read, write and read again to the same shape; a shape
// profile must read for every chord, and a shape written into it must read
// back under its key while every other key reads as before.
//
// A dictionary must read, write and read again to the same suffixes, and a
// second write must give the same bytes. A pattern that loads must survive
// its data record and give play keys of 0-127 for any chord; the pattern
// document never outlives a load. A group file must read, write and read
// again to the same entries, and write the same bytes twice; the folder
// holding it must read. An older chord that converts must write its chord
// record and read back the same root, bass, suffix name and codes.

#include "FuzzSupport.h"

#include <algorithm>
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
constexpr const char* kShapeProfileName = "FretShape.ini";
constexpr const char* kGroupExtension = "rgp";
constexpr const char* kGroupName = "group";

// The quiet host, with the folder name of the rhythm patterns.
class FolderHost : public HostServices {
public:
    BOOL LoadString(UINT id, CString& text) override
    {
        switch (id) {
        case 125: text = kGroupExtension; return TRUE;
        case 131: text = kDictionaryFolder; return TRUE;
        case 135: text = kRhythmFolder; return TRUE;
        default: text = ""; return FALSE;
        }
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

bool SameShape(const CFretInfo& a, const CFretInfo& b)
{
    return std::memcmp(a.m_byFret, b.m_byFret, sizeof a.m_byFret) == 0 &&
           std::memcmp(a.m_byBarre, b.m_byBarre, sizeof a.m_byBarre) == 0 && a.m_nBaseFret == b.m_nBaseFret;
}

// The shapes of the fixed chords: every root, bass 0 and 7, two suffixes.
struct FixedShape {
    short root;
    short bass;
    const char* surfix;
    CFretInfo shape;
    int found;
};

std::vector<FixedShape> ReadFixedShapes(const CString& profile)
{
    std::vector<FixedShape> shapes;
    for (const char* surfix : {"m7", "(major)"}) {
        for (short root = 0; root < CChordRtBsInfoProc::SPELLING_COUNT; ++root) {
            for (short bass : {0, 7}) {
                FixedShape fixed {root, bass, surfix, CFretInfo(), 0};
                CString name(surfix);
                fixed.found = fixed.shape.ReadInfoFromProfile(root, bass, name, profile);
                if (fixed.found != (fixed.shape.IsFretEmpty() ? 0 : 1))
                    kvfuzz::Fail("a profile read reports a shape it did not give");
                shapes.push_back(fixed);
            }
        }
    }
    return shapes;
}

void CheckShapes(const uint8_t* data, size_t size)
{
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    const size_t lineLength = end ? static_cast<size_t>(end - data) : size;
    const CString line(reinterpret_cast<const char*>(data), static_cast<int>(lineLength));

    CFretInfo parsed;
    parsed.LineStringToFretInfo(line);
    CString written;
    parsed.FretInfoToLineString(written);
    CFretInfo again;
    again.LineStringToFretInfo(written);
    if (!SameShape(parsed, again))
        kvfuzz::Fail("a shape line reads back differently");

    const fs::path file = Folder() / kDictionaryFolder / kShapeProfileName;
    const size_t rest = end ? size - lineLength - 1 : 0;
    PutFile(file, end ? end + 1 : data + size, rest);
    const CString profile(file.string().c_str());
    const std::vector<FixedShape> before = ReadFixedShapes(profile);

    // C#m7/E; D flat shares its key.
    CFretInfo shape;
    const BYTE frets[6] = {255, 3, 2, 0, 1, 0};
    std::memcpy(shape.m_byFret, frets, sizeof frets);
    shape.m_byBarre[1][0] = 1;
    shape.m_byBarre[1][1] = 4;
    shape.m_nBaseFret = 3;
    CString m7("m7");
    if (shape.WriteInfoToProfile(1, 7, m7, profile) != 1)
        kvfuzz::Fail("a shape cannot be written into the profile");
    const std::vector<FixedShape> after = ReadFixedShapes(profile);
    for (size_t i = 0; i < after.size(); ++i) {
        const FixedShape& now = after[i];
        const bool sameKey = std::strcmp(now.surfix, "m7") == 0 && now.bass == 7 && (now.root == 1 || now.root == 2);
        if (sameKey ? !SameShape(now.shape, shape) : !SameShape(now.shape, before[i].shape))
            kvfuzz::Fail(sameKey ? "a written shape reads back differently" : "writing a shape changed another key");
    }
}

using EntryList = std::vector<std::pair<std::string, std::string>>;

std::string Bytes(const CString& text)
{
    return std::string(static_cast<const char*>(text), static_cast<size_t>(text.GetLength()));
}

EntryList Entries(const CRtmGrpInfo& group)
{
    EntryList list;
    for (POSITION pos = group.GetFirstRtmInfoPos(); pos;) {
        const RHYTHM_INFO* info = group.GetNextRtmInfo(pos);
        list.emplace_back(Bytes(info->m_strPatName), Bytes(info->m_strFileName));
    }
    return list;
}

void CheckGroupFile(const uint8_t* data, size_t size)
{
    const fs::path file = Folder() / kRhythmFolder / (std::string(kGroupName) + "." + kGroupExtension);
    PutFile(file, data, size);
    CRtmGrpInfo group;
    group.m_strGrpName = kGroupName;
    group.ReadRtmInfos(kRhythmFolder);
    const EntryList first = Entries(group);
    if (group.WriteRtmInfos(kRhythmFolder) != 1)
        kvfuzz::Fail("a group file cannot be written");
    const std::vector<char> written = GetFile(file);
    group.ReadRtmInfos(kRhythmFolder);
    if (Entries(group) != first)
        kvfuzz::Fail("a written group file reads back differently");
    if (group.WriteRtmInfos(kRhythmFolder) != 1 || GetFile(file) != written)
        kvfuzz::Fail("a group file writes differently the second time");
    if (procRtmGrpInfo.ReadGroupInfos(kRhythmFolder) != 1)
        kvfuzz::Fail("the rhythm folder does not read");
    procRtmGrpInfo.DeleteAllGroupInfos();
}

void UseFixedDictionary()
{
    procChordSurfix.DeleteAllSurfixes();
    const std::pair<const char*, const char*> entries[] = {
        {"(major)", "43"}, {"m~7", "343"}, {"7", "433"}, {"7~(b9,#11)", "433"}};
    for (const auto& [name, codes] : entries) {
        auto* surfix = new CChordSurfix;
        surfix->SetRealName(name);
        surfix->InfoFromString(codes);
        procChordSurfix.AddSurfix(surfix);
    }
}

std::string Codes(const CChordSurfix& surfix)
{
    std::string codes;
    const CChordSurfixInfo info = surfix.GetInfo();
    for (int i = 0; i < info.GetSize(); ++i)
        codes += static_cast<char>(info.GetAt(i));
    return codes;
}

// Words: kind bit, root letter, root accidental, text length, piece count,
// bass accidental; the rest is the head.
void CheckOlderChord(const uint8_t* data, size_t size)
{
    constexpr size_t kWords = 13;
    if (size < kWords)
        return;
    UseFixedDictionary();
    auto word = [data](size_t at) { return static_cast<WORD>(data[at] | (data[at + 1] << 8)); };
    CChordSymbol chord;
    chord.m_byKind = (data[0] & 1) ? MSG_OLDCHORDNAME : MSG_OLDFRET;
    chord.m_wDuration = word(1);
    chord.m_wObjWord = word(3);
    chord.m_dwWord = static_cast<DWORD>(word(5)) | (static_cast<DWORD>(word(7)) << 16);
    chord.m_nPosY2 = static_cast<short>(word(9));
    chord.m_nPosX2 = static_cast<short>(word(11));
    const size_t headLength = std::min<size_t>(size - kWords, 32767);
    std::vector<unsigned char> head(data + kWords, data + kWords + headLength);
    chord.SetHead(static_cast<short>(headLength), head.empty() ? nullptr : head.data());
    if (chord.MakeFromOldChordSymbol() != 1) {
        if (chord.m_byKind == MSG_CHORDSYMBOL)
            kvfuzz::Fail("a refused older chord changed its kind");
        return;
    }
    if (chord.m_byKind != MSG_CHORDSYMBOL || chord.m_wHeadLen != 0)
        kvfuzz::Fail("a converted older chord is no plain chord symbol");
    if (chord.m_Surfix.GetInfo().GetSize() > 255)
        kvfuzz::Fail("a converted older chord has too many codes");

    chord.m_dwWord = static_cast<DWORD>(static_cast<WORD>(chord.m_nRoot)) |
                     (static_cast<DWORD>(static_cast<WORD>(chord.m_nBass)) << 16);
    chord.m_wObjWord = static_cast<WORD>(((chord.m_bShowName & 0xFF) << 8) | (chord.m_bShowFret & 0xFF));
    kvfuzz::RecordBuffer buffer;
    if (chord.WriteToMem(buffer.data, &buffer.used, &buffer.capacity) != 1)
        kvfuzz::Fail("a converted older chord cannot be written");
    CChordSymbol back;
    back.m_dwWord = chord.m_dwWord;
    back.m_wObjWord = chord.m_wObjWord;
    DWORD pos = 0;
    DWORD length = buffer.used;
    if (back.ReadFromMem(buffer.data, &pos, &length) != 1)
        kvfuzz::Fail("a converted older chord does not read back");
    if (back.m_nRoot != chord.m_nRoot || back.m_nBass != chord.m_nBass ||
        Bytes(back.m_Surfix.GetRealName()) != Bytes(chord.m_Surfix.GetRealName()) ||
        Codes(back.m_Surfix) != Codes(chord.m_Surfix))
        kvfuzz::Fail("a converted older chord reads back differently");
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
    switch (data[0] % 5) {
    case 0: CheckDictionary(data + 1, size - 1); break;
    case 1: CheckPattern(data + 1, size - 1); break;
    case 2: CheckShapes(data + 1, size - 1); break;
    case 3: CheckGroupFile(data + 1, size - 1); break;
    case 4: CheckOlderChord(data + 1, size - 1); break;
    default: break;
    }
    return 0;
}
