#include "cli/options.h"

#include "velmora_version.h"

#include <charconv>

const char* const cliVersion = "velmora-cli " VELMORA_VERSION;

const char* const cliUsage =
    "Usage: velmora-cli detect [OPTION]... IMAGE...\n"
    "  or:  velmora-cli read [OPTION]... IMAGE...\n"
    "  or:  velmora-cli --help | --version\n"
    "Find the faces in photographs and read their face types.\n"
    "\n"
    "Commands:\n"
    "  detect          find the faces of each picture (reduced to at most 1000 pixels\n"
    "                  a side)\n"
    "  read            also read every face (or only face N, counted from 0) as WOOD,\n"
    "                  FIRE, EARTH, GOLD or WATER; \"failed\" with the reason (the\n"
    "                  step that failed) when the outline cannot be measured,\n"
    "                  \"not_colour\" for a grey face\n"
    "\n"
    "An IMAGE may be a folder: its .png, .jpg, .jpeg and .bmp files (any case) are\n"
    "examined in the byte order of their names; other files are skipped.\n"
    "\n"
    "Options:\n"
    "  --cascade FILE  cascade file (default: haarcascade_frontalface_alt.xml beside\n"
    "                  the executable, else in ../share/velmora/ from there)\n"
    "  --face N        read only: read face N alone; a picture with fewer faces is an\n"
    "                  error\n"
    "  --annotate DIR  also write DIR/NAME.png for each picture: the reduced picture\n"
    "                  with the numbered face boxes and, for read, each face's\n"
    "                  measured outline and outcome (DIR is created if needed; a\n"
    "                  name taken in the batch or by an input picture gets -2, -3...)\n"
    "  --json          one JSON object per picture and line\n"
    "  --keep-nested   also list a box that wholly contains another face's box (by\n"
    "                  default only the inner box of such a pair is a face)\n"
    "  --steady        read only: also read each face steadily, as the vote of 54\n"
    "                  nearby views (three sizes, nine positions, each also\n"
    "                  mirrored): the type with the most votes and how many views\n"
    "                  agree (\"steady=WATER 31/54\"), or \"failed\" with the\n"
    "                  commonest reason when under a quarter of the views read a\n"
    "                  type; --annotate then labels each face with its vote\n"
    "  --verbose       diagnostic lines of the detector and reader on stderr\n"
    "  --recursive     folders: their subfolders too, each in its place by name\n"
    "  --jobs N        examine N pictures at once (1 to 256; default: one per core);\n"
    "                  the output is the same as with --jobs 1, in argument order\n"
    "  --quiet         no progress line and no summary (both appear only when\n"
    "                  stderr is a terminal)\n"
    "  --              every later argument is a picture\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "Exit status: 0 all pictures examined, 1 some picture failed or some folder\n"
    "entry could not be listed, 2 bad usage or unusable cascade.\n";

namespace {

ParsedArguments refuse(std::string why)
{
    ParsedArguments parsed;
    parsed.action = ParsedArguments::Action::Usage;
    parsed.error = std::move(why);
    return parsed;
}

std::optional<int> nonNegativeInteger(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || text[0] == '+' || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// "--name=value" gives name and value; "--name" gives name alone.
std::pair<std::string, std::optional<std::string>> splitOption(const std::string& arg)
{
    const auto equals = arg.find('=');
    if (equals == std::string::npos)
        return {arg, std::nullopt};
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

}  // namespace

ParsedArguments parseArguments(const std::vector<std::string>& args)
{
    // --help and --version win wherever they stand, before any other complaint.
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            ParsedArguments parsed;
            parsed.action = ParsedArguments::Action::Help;
            return parsed;
        }
        if (arg == "--version") {
            ParsedArguments parsed;
            parsed.action = ParsedArguments::Action::Version;
            return parsed;
        }
    }

    if (args.empty())
        return refuse("no command given");
    CliOptions options;
    if (args[0] == "detect")
        options.command = CliCommand::Detect;
    else if (args[0] == "read")
        options.command = CliCommand::Read;
    else
        return refuse("unknown command '" + args[0] + "'");

    bool onlyImages = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A lone "-" is a file name like any other; so is everything after "--".
        if (onlyImages || arg.size() < 2 || arg[0] != '-') {
            options.images.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyImages = true;
            continue;
        }
        // Plain variables, not a structured binding: the lambda below captures them.
        const auto split = splitOption(arg);
        const std::string& name = split.first;
        const std::optional<std::string>& inlineValue = split.second;
        auto takeValue = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (name == "--json" && !inlineValue) {
            options.json = true;
        } else if (name == "--verbose" && !inlineValue) {
            options.verbose = true;
        } else if (name == "--cascade") {
            auto value = takeValue();
            if (!value || value->empty())
                return refuse("--cascade needs a file name");
            options.cascade = *value;
        } else if (name == "--annotate") {
            auto value = takeValue();
            if (!value || value->empty())
                return refuse("--annotate needs a folder");
            options.annotate = *value;
        } else if (name == "--face" && options.command == CliCommand::Read) {
            auto value = takeValue();
            if (!value)
                return refuse("--face needs a face number");
            auto face = nonNegativeInteger(*value);
            if (!face)
                return refuse("--face needs a non-negative integer, not '" + *value + "'");
            options.face = face;
        } else if (name == "--face") {
            return refuse("--face is an option of the read command");
        } else if (name == "--recursive" && !inlineValue) {
            options.recursive = true;
        } else if (name == "--steady" && !inlineValue && options.command == CliCommand::Read) {
            options.steady = true;
        } else if (name == "--steady" && !inlineValue) {
            return refuse("--steady is an option of the read command");
        } else if (name == "--keep-nested" && !inlineValue) {
            options.keepNested = true;
        } else if (name == "--quiet" && !inlineValue) {
            options.quiet = true;
        } else if (name == "--jobs") {
            auto value = takeValue();
            if (!value)
                return refuse("--jobs needs a number of pictures at once");
            auto jobs = nonNegativeInteger(*value);
            if (!jobs || *jobs < 1 || *jobs > maxJobs)
                return refuse("--jobs needs a whole number from 1 to " + std::to_string(maxJobs) +
                              ", not '" + *value + "'");
            options.jobs = jobs;
        } else {
            return refuse("unknown option '" + arg + "'");
        }
    }
    if (options.images.empty())
        return refuse("no images given");

    ParsedArguments parsed;
    parsed.action = ParsedArguments::Action::Run;
    parsed.options = std::move(options);
    return parsed;
}
