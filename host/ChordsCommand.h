#pragma once
// `kvorel chords FILE [-o OUT]`: names the chords of a score's first staff,
// prints them measure by measure and saves the score.

#include "HostApp.h"

#include <string>

namespace kvorel {

// Runs the command from the arguments after "chords"; the exit status (0; 1
// after a message on stderr; 2 for a usage error, with nothing printed).
int RunChords(Host& host, int argc, char** argv, int first);

} // namespace kvorel
