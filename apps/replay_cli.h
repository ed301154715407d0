#pragma once
// velsor-decode --replay: a recording file loaded as the replay window loads it.

namespace velsor::cli {

// True when the arguments ask for a replay.
bool WantsReplay(int argc, char** argv);
// Runs it: 0 loaded, 3 refused, 2 bad arguments or an unreadable file, 1 output failed.
int RunReplay(int argc, char** argv);

} // namespace velsor::cli
