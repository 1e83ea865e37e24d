#pragma once
// The host services of the kvorel command: its string table, message boxes
// on stderr, a progress bar, the drum-kit table, the main window and the
// resource module.

#include "Kvorel.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kvorel {

// Draws progress as a bar redrawn in place with "\r":
//   [########                                ]  20% status text
// Each line is padded to the previous line's length; the bar ends with a
// newline at 100 percent.
class ProgressBar {
public:
    explicit ProgressBar(std::FILE* out) : m_out(out) {}
    void Show(int percent, const char* text);
    // Ends a bar left standing (an operation that failed before 100
    // percent), so that a message written next starts on a line of its own.
    void EndLine();
    // The line that Show writes, without the "\r" and the padding.
    static std::string Line(int percent, const char* text);

private:
    std::FILE* m_out;
    size_t m_previousLength = 0;
};

// The size of one drum-kit entry in the file and in the table.
constexpr size_t kDrumKitEntrySize = 8994;

// The id of the screen background texture in the resource module.
constexpr UINT kBackgroundBitmapId = 397;

class Host : public HostServices {
public:
    Host();
    ~Host() override;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    BOOL LoadString(UINT id, CString& text) override;
    int MessageBox(const char* text, UINT type) override;
    void Progress(int percent, const char* text) override;
    CPtrArray* DrumKits() override;

    // Reads a drum-kit file: a positive multiple of the entry size, each
    // entry copied into its own block. On failure `message` says why and the
    // table stays as it was.
    bool LoadDrumKits(const std::string& path, std::string& message);

    // Ends the progress bar's line before the command writes a message.
    void EndProgressLine() { m_progress.EndLine(); }

    // The resource module holding the screen background texture.
    HMODULE ResourceModule() const { return m_resources; }

private:
    ProgressBar m_progress;
    // The bar is drawn only for a person watching: with stderr redirected,
    // it would fill a log with carriage returns.
    bool m_showProgress = false;
    CPtrArray m_drumKits;
    std::vector<std::unique_ptr<BYTE[]>> m_drumKitBlocks;
    CWnd m_mainWindow;
    HMODULE m_resources = nullptr;
};

// The screen background texture: an 8 x 8, 24-bit packed bitmap (header and
// pixels, no file header) of a light paper colour.
std::vector<BYTE> MakeBackgroundBitmap();

// A whole decimal number in [low, high].
bool ParseNumber(const char* text, long low, long high, long& value);

// Loads a score file into a freshly constructed document as the commands do,
// with the load's progress; 0 on success, otherwise 1 after saying on stderr
// that the file cannot be read or was written by a newer version.
int LoadScore(Host& host, const std::string& path, CKVDoc& doc, WORD& version, bool& hostBlock);

// Runs the command; returns the process's exit status.
int RunKvorel(int argc, char** argv);

} // namespace kvorel
