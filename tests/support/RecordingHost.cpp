#include "support/RecordingHost.h"

namespace kvtest {

BOOL RecordingHost::LoadString(UINT id, CString& text)
{
    stringLookups.push_back(id);
    const auto it = strings.find(id);
    if (it == strings.end()) {
        text.Empty();
        return FALSE;
    }
    text = CString(std::string_view(it->second));
    return TRUE;
}

int RecordingHost::MessageBox(const char* text, UINT type)
{
    messageBoxes.push_back({text ? text : "", type});
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return KvDefaultMessageBoxAnswer(type);
}

void RecordingHost::Beep(UINT type)
{
    beeps.push_back(type);
}

bool RecordingHost::IsKeyDown(int virtualKey)
{
    return keysDown.count(virtualKey) != 0;
}

void RecordingHost::Progress(int percent, const char* text)
{
    progress.push_back({percent, text ? std::optional<std::string>(text) : std::nullopt});
}

CPtrArray* RecordingHost::DrumKits()
{
    return drumKits;
}

unsigned long long RecordingHost::AvailableVirtualBytes()
{
    return freeBytes ? *freeBytes : HostServices::AvailableVirtualBytes();
}

bool RecordingHost::ChooseFont(LOGFONTA& font, int& pointSizeTenths)
{
    if (!fontChoice)
        return false;
    font = fontChoice->font;
    pointSizeTenths = fontChoice->pointSizeTenths;
    return true;
}

void RecordingHost::ExitProcess(UINT code)
{
    throw ProcessExit{code};
}

} // namespace kvtest
