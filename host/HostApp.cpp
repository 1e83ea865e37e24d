#include "HostApp.h"

#include "KvVersion.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

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

} // namespace

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

Host::Host()
    : m_progress(stderr)
{
}

Host::~Host() = default;

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
    std::fprintf(stderr, "kvorel: %s\n", text ? text : "");
    // The command never asks: "No" to Yes/No questions (so that running out
    // of memory fails the operation instead of ending the process), "Cancel"
    // to OK/Cancel, and "OK" otherwise.
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDNO;
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

void Host::Progress(int percent, const char* text)
{
    m_progress.Show(percent, text);
}

CPtrArray* Host::DrumKits()
{
    return m_drumKits;
}

bool Host::LoadDrumKits(const std::string&, std::string& message)
{
    message = "drum kits are not read yet";
    return false;
}

int RunKvorel(int, char**)
{
    if (KvLibraryAttachResult() != 1) {
        std::fprintf(stderr, "kvorel: the Kvorel library refused to load\n");
        return 1;
    }
    std::printf("kvorel %s\n", KV_VERSION_STRING);
    return 0;
}

} // namespace kvorel
