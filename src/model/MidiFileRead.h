#pragma once
// Set by the host (and by note insertion) for as long as a recorded or
// imported MIDI performance is turned into notes. While it is set, start-time
// recomputation keeps each note's performed start, so the played timing
// survives the re-quantised notation.

int GetMidiFileRead();
void SetMidiFileRead(int value);
