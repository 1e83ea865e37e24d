#pragma once
// A host for tests: it records what the library asks of the host and answers
// from a script.

#include "Platform.h"

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kvtest {

// ExitProcess surfaces as this exception, so nothing ever ends the test binary.
struct ProcessExit {
    UINT code;
};

struct MessageBoxCall {
    std::string text;
    UINT type;
};

struct ProgressCall {
    int percent;
    std::optional<std::string> text; // nullopt for a null text
};

struct FontChoice {
    LOGFONTA font;
    int pointSizeTenths;
};

class RecordingHost : public HostServices {
public:
    BOOL LoadString(UINT id, CString& text) override;
    int MessageBox(const char* text, UINT type) override;
    void Beep(UINT type) override;
    bool IsKeyDown(int virtualKey) override;
    void Progress(int percent, const char* text) override;
    CPtrArray* DrumKits() override;
    unsigned long long AvailableVirtualBytes() override;
    bool ChooseFont(LOGFONTA& font, int& pointSizeTenths) override;
    [[noreturn]] void ExitProcess(UINT code) override;

    // Script and settings.
    void SetString(UINT id, const std::string& text) { strings[id] = text; }
    void ScriptAnswer(int answer) { answers.push_back(answer); }
    void HoldKey(int virtualKey) { keysDown.insert(virtualKey); }
    void ReleaseKey(int virtualKey) { keysDown.erase(virtualKey); }
    void ScriptFontChoice(const FontChoice& choice) { fontChoice = choice; }

    std::map<UINT, std::string> strings;
    std::deque<int> answers;
    std::set<int> keysDown;
    std::optional<FontChoice> fontChoice;
    std::optional<unsigned long long> freeBytes; // unset: the default figure
    CPtrArray* drumKits = nullptr;

    // What was asked.
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<UINT> beeps;
    std::vector<ProgressCall> progress;
    std::vector<UINT> stringLookups;
};

} // namespace kvtest
