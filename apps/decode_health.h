#pragma once
// velsor-decode --health: the stream health of each input as one JSON object and a verdict.

namespace velsor {

// True when the command line asks for --health.
bool WantsHealth(int argc, char** argv);
// Runs the health summary; the result is the process exit status.
int RunHealth(int argc, char** argv);

} // namespace velsor
