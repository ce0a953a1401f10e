#pragma once
// The command line of velmora-cli: what to do, with which cascade, on which pictures.

#include <optional>
#include <string>
#include <vector>

enum class CliCommand { Detect, Read };

struct CliOptions {
    CliCommand command = CliCommand::Detect;
    std::string cascade;  // empty: the cascade beside the executable or installed with it
    bool json = false;
    bool verbose = false;
    std::optional<int> face;          // read only this face (0-based) of every picture
    std::string annotate;             // folder for the annotated pictures; empty: none
    bool recursive = false;           // folders: their subfolders too
    std::optional<int> jobs;          // pictures examined at once; unset: one per core
    bool quiet = false;               // no progress, summary or notes on a terminal
    bool keepNested = false;          // list nested boxes of one face as the grouping gives them
    bool steady = false;              // read: also read each face steadily (54 nearby views)
    std::vector<std::string> images;  // pictures and folders, as given
};

// The most pictures examined at once: each has its own detector and picture in memory.
constexpr int maxJobs = 256;

struct ParsedArguments {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Usage;
    CliOptions options;  // meaningful for Run
    std::string error;   // why the arguments were refused, for Usage
};

// args: the arguments after the program name, as given.
ParsedArguments parseArguments(const std::vector<std::string>& args);

extern const char* const cliUsage;
extern const char* const cliVersion;
