// The program's entry path: command line, maintenance switches, single instance, the object
// graph, the main loop and the teardown. It is the one place that knows the whole object graph.
#pragma once

#include <string>

namespace tintel {

// Process-wide values fixed at start-up.
const std::string& modulePath();
// The extended gamma range was on when the program started (the tray menu reads it).
bool wideGammaRangeAtStart();

// The entry: `commandLine` is the whole command line less the program name. Answers the exit
// code: 0 on every path except a platform whose windowing cannot start at all (no display).
int tintelMain(void* instance, const std::string& commandLine);

// Lets go of the single-instance lock early: the updater does so before it hands over to the
// installer, which starts the new program while this one is still ending.
void releaseInstanceLock();

// Builds the object graph, runs the main loop and takes everything down.
void run(bool show);

}  // namespace tintel
