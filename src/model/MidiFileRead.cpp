#include "model/MidiFileRead.h"

#include "Platform.h"

namespace {

int s_midiFileRead = 0;

void ResetMidiFileRead()
{
    s_midiFileRead = 0;
}

KvProcessReset s_reset("MIDI file read", &ResetMidiFileRead);

} // namespace

int GetMidiFileRead()
{
    return s_midiFileRead;
}

void SetMidiFileRead(int value)
{
    s_midiFileRead = value;
}
