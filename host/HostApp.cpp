#include "HostApp.h"

#include "KvVersion.h"
#include "ChordsCommand.h"
#include "ImportCommand.h"
#include "KvcFile.h"
#include "RenderCommand.h"

#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace kvorel {

namespace {

// The host's string table: the texts that the library loads by number.
const std::map<UINT, const char*>& StringTable()
{
    static const std::map<UINT, const char*> table = {
        {125, "rgp"},
        {127, "FretShape.ini"},
        {131, "Chord"},
        {135, "Rhythm"},
        {145, "ChordConv.ini"},
        {24921, "The file cannot be read as a score."},
        {24923, "The file was written by a newer version of the program."},
        {25114, "(none)"},
        {25132, "Liberation Serif"},
        {25133, "Liberation Serif"},
        {25134, "Liberation Sans"},
        {25135, "Liberation Sans"},
        {25193, "Creating the systems ..."},
        {25109, "Converting pages and blocks ..."},
        {25110, "Converting staves ..."},
        {25112, "Converting hidden staves and heights ..."},
        {25111, "Converting key signatures ..."},
    };
    return table;
}

constexpr int kBarCells = 40;

void PutLittleEndian(std::vector<BYTE>& out, DWORD value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

const char* const kUsage =
    "usage: kvorel [options]\n"
    "       kvorel [options] new FILE [--staves N] [--measures M] [--clef C] [--time B/U]\n"
    "       kvorel [options] info FILE\n"
    "       kvorel [options] render FILE -o OUT [--page N | --all] [--dpi D] [--zoom Z]\n"
    "       kvorel [options] extract FILE OUT --staves LIST [--texts] [--lyrics] [--page-texts]\n"
    "       kvorel [options] import FILE OUT.kvc\n"
    "       kvorel [options] chords FILE [-o OUT]\n"
    "\n"
    "Without a command kvorel prints its version and the fonts it can draw with.\n"
    "\n"
    "  new FILE           write a new score of N staves (default 2, at most 255) and\n"
    "                     M measures (default 16, at most 32767) with clef code C\n"
    "                     (default 1, 1 to 9) in B/U time (default 4/4)\n"
    "  info FILE          load a score and print its structure\n"
    "  render FILE -o OUT draw page N (default 1) or --all pages into OUT, a .png,\n"
    "                     .pdf or .svg file, at D dots per inch (PNG only, 24 to\n"
    "                     1200, default 96) and Z percent (10 to 800, default 100)\n"
    "  extract FILE OUT   write the staves of LIST (1-based, as 1,3) into a new\n"
    "                     score OUT, keeping measure texts, lyrics and page texts\n"
    "                     only when asked\n"
    "  import FILE OUT    write the Encore score or Brenlo page FILE as the KVC\n"
    "                     score OUT\n"
    "  chords FILE [-o OUT]  name the chords of the first staff and save the score\n"
    "\n"
    "  --version          print the version and exit\n"
    "  --help             print this help and exit\n"
    "  --code-page NAME   the ANSI code page of texts (default Windows-1252)\n"
    "  --drum-kits FILE   the drum-kit table: 8,994-byte entries\n"
    "  --program-folder DIR\n"
    "                     the folder of the chord files; its Chord/ChordSuffix.txt\n"
    "                     is read as the suffix dictionary\n";

// Parses the options of `kvorel new` after the file name.
bool ParseNewOptions(int argc, char** argv, int first, NewScoreOptions& options)
{
    for (int i = first; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        long number = 0;
        if (option == "--staves") {
            // A block stores its staff count in one byte.
            if (!ParseNumber(value, 1, 255, number))
                return false;
            options.staves = static_cast<short>(number);
        } else if (option == "--measures") {
            // Blocks store measure indexes and counts in 16 bits.
            if (!ParseNumber(value, 1, SHRT_MAX, number))
                return false;
            options.measures = number;
        } else if (option == "--clef") {
            if (!ParseNumber(value, 1, 9, number))
                return false;
            options.clef = static_cast<BYTE>(number);
        } else if (option == "--time") {
            const std::string time = value;
            const size_t slash = time.find('/');
            if (slash == std::string::npos)
                return false;
            long beats = 0;
            long unit = 0;
            if (!ParseNumber(time.substr(0, slash).c_str(), 1, 255, beats)
                || !ParseNumber(time.substr(slash + 1).c_str(), 1, 64, unit) || (unit & (unit - 1)) != 0)
                return false;
            options.beats = static_cast<short>(beats);
            options.beatUnit = static_cast<short>(unit);
        } else {
            return false;
        }
    }
    return true;
}

// Writes a score file; a file that cannot be written whole is removed.
int WriteScore(const std::string& path, CKVDoc& doc)
{
    try {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        if (WriteKvcFile(&file, doc)) {
            file.Close();
            return 0;
        }
    } catch (CFileException&) {
    }
    std::remove(path.c_str());
    std::fprintf(stderr, "kvorel: %s cannot be written\n", path.c_str());
    return 1;
}

int RunNew(const std::string& path, const NewScoreOptions& options)
{
    CKVDoc doc;
    bool fits = true;
    if (!MakeNewScore(doc, options, &fits)) {
        std::fprintf(stderr, "kvorel: the score cannot be made\n");
        return 1;
    }
    if (!fits)
        std::fprintf(stderr, "kvorel: a system of %d staves is taller than the printable area; each page holds one\n",
                     options.staves);
    return WriteScore(path, doc);
}

void PrintScoreInfo(CKVDoc& doc, WORD version, bool hostBlock)
{
    std::printf("version %u\n", static_cast<unsigned>(version));
    std::printf("header %s\n", hostBlock ? "SYMP" : "KVC");
    const short pages = doc.GetPageNum();
    std::printf("pages %d\n", pages);
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = doc.GetPage(i);
        std::printf("page %d blocks %d ossia %d symbols %d\n", i + 1, page->GetBlockNum(),
                    static_cast<int>(page->m_arrOssiaBlock.GetSize()), page->GetMsgNum());
    }
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    const int staves = master ? master->GetStaffNum() : 0;
    const int ossia = master && master->m_pOssiaStaffArray ? static_cast<int>(master->m_pOssiaStaffArray->GetSize()) : 0;
    std::printf("staves %d ossia %d\n", staves, ossia);
    std::printf("measures %d\n", master ? master->GetMeasNum() : 0);
    std::map<int, int> kinds;
    int symbols = 0;
    if (master) {
        for (int id = 1; id < master->m_arrMsgMap.GetSize(); ++id) {
            if (CKVMsg* msg = master->m_arrMsgMap.GetAt(id)) {
                ++symbols;
                ++kinds[msg->m_byKind];
            }
        }
    }
    std::printf("symbols %d\n", symbols);
    for (const auto& [kind, count] : kinds)
        std::printf("kind %d %d\n", kind, count);
}

// `kvorel extract IN OUT --staves LIST [--texts] [--lyrics] [--page-texts]`;
// 2 for a usage error.
int RunExtract(Host& host, int argc, char** argv, int first)
{
    if (first + 1 >= argc)
        return 2;
    const std::string in = argv[first];
    const std::string out = argv[first + 1];
    std::string list;
    bool listGiven = false;
    DWORD options = 0;
    for (int i = first + 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--staves" && i + 1 < argc) {
            list = argv[++i];
            listGiven = true;
        } else if (option == "--texts") {
            options |= 0x0100;
        } else if (option == "--lyrics") {
            options |= 0x0010;
        } else if (option == "--page-texts") {
            options |= 0x0001;
        } else {
            return 2;
        }
    }
    if (!listGiven)
        return 2;

    CKVDoc source;
    WORD version = 0;
    bool hostBlock = false;
    if (const int status = LoadScore(host, in, source, version, hostBlock))
        return status;
    CKVSystem* master = source.m_arrSystem.GetSize() > 0 ? source.m_arrSystem.GetAt(0) : nullptr;
    const int staves = master ? master->GetStaffNum() : 0;
    DWORD masks[4] = {};
    int chosen = 0;
    size_t pos = 0;
    while (pos <= list.size() && !list.empty()) {
        const size_t comma = list.find(',', pos);
        const std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        char* end = nullptr;
        const long number = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || number < 1 || number > staves || number > 128) {
            std::fprintf(stderr, "kvorel: %s has no staff %s\n", in.c_str(), item.c_str());
            return 1;
        }
        masks[(number - 1) / 32] |= 1u << ((number - 1) % 32);
        ++chosen;
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    if (chosen == 0) {
        std::fprintf(stderr, "kvorel: no staves to extract\n");
        return 1;
    }
    CKVDoc target;
    target.m_CtrlTool = source.m_CtrlTool;
    if (!source.ExtractPart(&target, chosen, masks[0], masks[1], masks[2], masks[3], options)) {
        std::fprintf(stderr, "kvorel: the staves of %s cannot be extracted\n", in.c_str());
        return 1;
    }
    return WriteScore(out, target);
}

int RunInfo(Host& host, const std::string& path)
{
    CKVDoc doc;
    WORD version = 0;
    bool hostBlock = false;
    if (const int status = LoadScore(host, path, doc, version, hostBlock))
        return status;
    PrintScoreInfo(doc, version, hostBlock);
    return 0;
}


// One installed font family in one character set, as enumeration reports it.
struct FontRow {
    std::string face;
    std::string script;
    int charset = 0;
    int pitchAndFamily = 0;
    DWORD fontType = 0;
};

int CollectFontRow(const LOGFONTA* logFont, const TEXTMETRICA*, DWORD fontType, LPARAM lParam)
{
    // Enumeration passes the extended record behind the LOGFONTA pointer.
    const auto* entry = reinterpret_cast<const ENUMLOGFONTEXA*>(logFont);
    FontRow row;
    row.face.assign(entry->elfLogFont.lfFaceName, strnlen(entry->elfLogFont.lfFaceName, LF_FACESIZE));
    const char* script = reinterpret_cast<const char*>(entry->elfScript);
    row.script.assign(script, strnlen(script, LF_FACESIZE));
    row.charset = entry->elfLogFont.lfCharSet;
    row.pitchAndFamily = entry->elfLogFont.lfPitchAndFamily;
    row.fontType = fontType;
    reinterpret_cast<std::vector<FontRow>*>(lParam)->push_back(row);
    return 1;
}

// Lists the fonts the screen offers, one line per family and character set.
void PrintInstalledFonts()
{
    std::vector<FontRow> rows;
    HDC screen = GetDC(nullptr);
    LOGFONTA request {};
    request.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(screen, &request, &CollectFontRow, reinterpret_cast<LPARAM>(&rows), 0);
    ReleaseDC(nullptr, screen);

    std::printf("fonts: %d\n", static_cast<int>(rows.size()));
    for (const FontRow& row : rows) {
        std::printf("%s; %s; charset %d; pitch and family 0x%02X; type %u\n", row.face.c_str(), row.script.c_str(),
                    row.charset, row.pitchAndFamily, static_cast<unsigned>(row.fontType));
    }
}

} // namespace

bool ParseNumber(const char* text, long low, long high, long& value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || number < low || number > high)
        return false;
    value = number;
    return true;
}

int LoadScore(Host& host, const std::string& path, CKVDoc& doc, WORD& version, bool& hostBlock)
{
    // Loading reports its progress to the host's window, which draws the bar.
    doc.m_hProgressWnd = GetHostProgressWnd()->GetSafeHwnd();
    KvcReadResult result = KvcReadResult::Unreadable;
    try {
        CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
        result = ReadKvcFile(&file, doc, version, hostBlock);
    } catch (CFileException&) {
        result = KvcReadResult::Unreadable;
    }
    // A failed load leaves its bar short of 100 percent.
    host.EndProgressLine();
    if (result == KvcReadResult::Newer) {
        std::fprintf(stderr, "kvorel: %s was written by a newer version\n", path.c_str());
        return 1;
    }
    if (result != KvcReadResult::Read) {
        std::fprintf(stderr, "kvorel: %s cannot be read\n", path.c_str());
        return 1;
    }
    return 0;
}

std::string ProgressBar::Line(int percent, const char* text)
{
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    // One cell for every full 2.5 percent.
    const int filled = percent * 2 / 5;
    std::string line = "[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(kBarCells - filled), ' ');
    char number[16];
    std::snprintf(number, sizeof number, "] %3d%%", percent);
    line += number;
    if (text && *text) {
        line += ' ';
        line += text;
    }
    return line;
}

void ProgressBar::Show(int percent, const char* text)
{
    std::string line = Line(percent, text);
    const size_t length = line.size();
    if (line.size() < m_previousLength)
        line.append(m_previousLength - line.size(), ' ');
    std::fputc('\r', m_out);
    std::fputs(line.c_str(), m_out);
    if (percent >= 100) {
        std::fputc('\n', m_out);
        m_previousLength = 0;
    } else {
        m_previousLength = length;
    }
    std::fflush(m_out);
}

void ProgressBar::EndLine()
{
    if (m_previousLength == 0)
        return;
    std::fputc('\n', m_out);
    std::fflush(m_out);
    m_previousLength = 0;
}

std::vector<BYTE> MakeBackgroundBitmap()
{
    constexpr int kSide = 8;
    constexpr int kRowBytes = kSide * 3; // already a multiple of 4
    std::vector<BYTE> dib;
    PutLittleEndian(dib, 40, 4);                  // header size
    PutLittleEndian(dib, kSide, 4);               // width
    PutLittleEndian(dib, kSide, 4);               // height, bottom-up
    PutLittleEndian(dib, 1, 2);                   // planes
    PutLittleEndian(dib, 24, 2);                  // bits per pixel
    PutLittleEndian(dib, 0, 4);                   // no compression
    PutLittleEndian(dib, kRowBytes * kSide, 4);   // image size
    PutLittleEndian(dib, 2835, 4);                // 72 dpi
    PutLittleEndian(dib, 2835, 4);
    PutLittleEndian(dib, 0, 4);                   // colours used
    PutLittleEndian(dib, 0, 4);                   // colours important
    for (int pixel = 0; pixel < kSide * kSide; ++pixel) {
        // A warm off-white, stored blue, green, red.
        dib.push_back(0xE6);
        dib.push_back(0xF5);
        dib.push_back(0xFA);
    }
    return dib;
}

Host::Host()
    : m_progress(stderr)
    , m_showProgress(isatty(fileno(stderr)) == 1)
{
    m_mainWindow.SetClientSize(SIZE {1024, 768});
    AfxGetThread()->m_pMainWnd = &m_mainWindow;

    const std::vector<BYTE> background = MakeBackgroundBitmap();
    m_resources = KvCreateResourceModule("kvorel");
    KvAddResource(m_resources, kBackgroundBitmapId, RT_BITMAP, background.data(), static_cast<DWORD>(background.size()));
}

Host::~Host()
{
    if (AfxGetThread()->m_pMainWnd == &m_mainWindow)
        AfxGetThread()->m_pMainWnd = nullptr;
}

BOOL Host::LoadString(UINT id, CString& text)
{
    const auto& table = StringTable();
    const auto it = table.find(id);
    if (it == table.end()) {
        text.Empty();
        return FALSE;
    }
    text = it->second;
    return TRUE;
}

int Host::MessageBox(const char* text, UINT type)
{
    m_progress.EndLine();
    std::fprintf(stderr, "kvorel: %s\n", text ? text : "");
    // The command never asks: "No" to Yes/No questions (so that running out
    // of memory fails the operation instead of ending the process), "Cancel"
    // to OK/Cancel, and "OK" otherwise.
    return KvDefaultMessageBoxAnswer(type);
}

void Host::Progress(int percent, const char* text)
{
    if (m_showProgress)
        m_progress.Show(percent, text);
}

CPtrArray* Host::DrumKits()
{
    return m_drumKits.GetSize() > 0 ? &m_drumKits : nullptr;
}

bool Host::LoadDrumKits(const std::string& path, std::string& message)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = "cannot open the drum-kit file " + path;
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty() || bytes.size() % kDrumKitEntrySize != 0) {
        message = "the drum-kit file " + path + " holds " + std::to_string(bytes.size())
            + " bytes, not a positive multiple of " + std::to_string(kDrumKitEntrySize);
        return false;
    }
    for (size_t offset = 0; offset < bytes.size(); offset += kDrumKitEntrySize) {
        auto block = std::make_unique<BYTE[]>(kDrumKitEntrySize);
        std::memcpy(block.get(), bytes.data() + offset, kDrumKitEntrySize);
        m_drumKits.Add(block.get());
        m_drumKitBlocks.push_back(std::move(block));
    }
    return true;
}

// The suffix dictionary below the program folder.
constexpr const char* kSuffixDictionaryName = "ChordSuffix.txt";
constexpr UINT kChordFolderString = 131;

// Makes DIR the program folder and reads the suffix dictionary found there.
// 2 for a DIR that is no folder (or too long a path), 1 for a dictionary
// that cannot be read, else 0.
int SetProgramFolder(const std::string& dir)
{
    struct stat info {};
    char absolute[PATH_MAX] = {};
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !realpath(dir.c_str(), absolute)
        || std::strlen(absolute) >= MAX_PATH)
        return 2;
    std::strcpy(szCurDirectory, absolute);

    CString chordFolder;
    chordFolder.LoadString(kChordFolderString);
    const std::string dictionary = dir + "/" + static_cast<const char*>(chordFolder) + "/" + kSuffixDictionaryName;
    if (stat(dictionary.c_str(), &info) != 0)
        return 0;
    if (!procChordSurfix.ReadSurfixInfos(chordFolder, kSuffixDictionaryName)) {
        std::fprintf(stderr, "kvorel: %s cannot be read\n", dictionary.c_str());
        return 1;
    }
    return 0;
}

int RunKvorel(int argc, char** argv)
{
    if (KvLibraryAttachResult() != 1) {
        std::fprintf(stderr, "kvorel: the Kvorel library refused to load\n");
        return 1;
    }

    // The host lives until exit: the library may keep its drum-kit table.
    static Host host;
    SetHostServices(&host);

    int i = 1;
    for (; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "new" || option == "info" || option == "render" || option == "extract" ||
            option == "import" || option == "chords")
            break;
        if (option == "--version") {
            std::printf("kvorel %s\n", KV_VERSION_STRING);
            return 0;
        }
        if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((option == "--code-page" || option == "--drum-kits") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (option == "--code-page") {
                if (!SetAnsiCodePageByName(value.c_str())) {
                    std::fprintf(stderr, "kvorel: unknown code page %s\n", value.c_str());
                    return 2;
                }
            } else {
                std::string message;
                if (!host.LoadDrumKits(value, message)) {
                    std::fprintf(stderr, "kvorel: %s\n", message.c_str());
                    return 1;
                }
            }
            continue;
        }
        if (option == "--program-folder" && i + 1 < argc) {
            const int status = SetProgramFolder(argv[++i]);
            if (status == 2)
                std::fputs(kUsage, stderr);
            if (status != 0)
                return status;
            continue;
        }
        std::fputs(kUsage, stderr);
        return 2;
    }
    // The library reads the kits from the table the host hands it.
    SetDrumTable(host.DrumKits());

    if (i < argc) {
        const std::string command = argv[i];
        if (i + 1 >= argc) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        const std::string path = argv[i + 1];
        if (command == "info") {
            if (i + 2 != argc) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            return RunInfo(host, path);
        }
        if (command == "import") {
            if (i + 3 != argc) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            return RunImport(host, path, argv[i + 2]);
        }
        if (command == "extract") {
            const int status = RunExtract(host, argc, argv, i + 1);
            if (status == 2)
                std::fputs(kUsage, stderr);
            return status;
        }
        if (command == "chords") {
            const int status = RunChords(host, argc, argv, i + 1);
            if (status == 2)
                std::fputs(kUsage, stderr);
            return status;
        }
        if (command == "render") {
            const int status = RunRender(host, argc, argv, i + 1);
            if (status == 2)
                std::fputs(kUsage, stderr);
            return status;
        }
        NewScoreOptions options;
        if (!ParseNewOptions(argc, argv, i + 2, options)) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        return RunNew(path, options);
    }

    std::printf("kvorel %s\n", KV_VERSION_STRING);
    PrintInstalledFonts();
    return 0;
}

} // namespace kvorel
