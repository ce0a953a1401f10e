#pragma once
// Runs velmora-cli as a child process, the way a script would, and collects what it left behind.

#include <string>
#include <vector>

struct ChildResult {
    std::string out;
    std::string err;
    int exitCode = -1;      // -1 when the child did not exit normally
    int signal = 0;         // the signal that ended it, if any
    long peakRssKb = 0;     // the child's peak resident set size
    bool timedOut = false;  // killed at the time limit
};

enum class ChildStderr { Pipe, Terminal };

// Runs the tool with the given arguments and no display in its environment, in the given working
// directory (by default the caller's). With Terminal its stderr is a pseudo-terminal, the way a
// person at a console sees it (line ends come back as "\r\n" there); stdout is a pipe either way.
// A child still running after timeLimitSeconds (0: no limit) is killed and marked timedOut, so
// that a test of something that must end at once fails instead of hanging.
ChildResult runCli(const std::vector<std::string>& args, const std::string& workingDirectory = {},
                   ChildStderr stderrTo = ChildStderr::Pipe, int timeLimitSeconds = 0);

// stdout split into lines (without the end-of-line characters).
std::vector<std::string> lines(const std::string& text);
