// The command-line tool's own inputs: its arguments and the JSON it writes about them. The input
// is split at nul bytes into arguments. They go through the option parser, whose answer must
// agree with a few rules stated here independently; and each one is written as a JSON string, as
// a picture's path and error in a result line, and as keys and values of a document whose shape
// the bytes choose. Whatever the bytes, every text written must be valid JSON that reads back to
// the argument (bytes that are not UTF-8 read back as U+FFFD, one per byte).

#include "cli/json_writer.h"
#include "cli/options.h"
#include "cli/report.h"
#include "fuzz/strict_json.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Enough for every option with its value and a few pictures; longer inputs only cost time (each
// argument is checked several times, and each check allocates).
constexpr std::size_t maxArguments = 16;
constexpr std::size_t maxDocumentSteps = 64;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "cli_fuzz: broken promise: %s\n", what);
        std::abort();
    }
}

// The text a JSON string of these bytes must read back to.
std::string expectedText(const std::string& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t start = i;
        if (strict_json::decodeUtf8(bytes, i)) {
            text.append(bytes, start, i - start);
        } else {
            text += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return text;
}

std::vector<std::string> splitArguments(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size && args.size() <= maxArguments; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += char(data[i]);
    }
    if (args.size() > maxArguments)
        args.pop_back();
    return args;
}

void checkOptions(const std::vector<std::string>& args)
{
    const ParsedArguments parsed = parseArguments(args);
    using Action = ParsedArguments::Action;
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            check(parsed.action == Action::Help, "--help before -- wins");
            return;
        }
        if (arg == "--version") {
            check(parsed.action == Action::Version, "--version before -- wins");
            return;
        }
    }
    check(parsed.action == Action::Run || parsed.action == Action::Usage, "run or usage");
    if (parsed.action == Action::Usage) {
        check(!parsed.error.empty(), "a refusal says why");
        return;
    }
    const CliOptions& o = parsed.options;
    check(!args.empty() && args[0] == (o.command == CliCommand::Read ? "read" : "detect"),
          "the command is the first argument");
    check(!o.images.empty(), "a run has pictures");
    check(o.images.size() < args.size(), "pictures come from the arguments");
    check(!o.jobs || (*o.jobs >= 1 && *o.jobs <= maxJobs), "jobs within range");
    check(!o.face || (*o.face >= 0 && o.command == CliCommand::Read), "face only when reading");
}

void checkString(const std::string& bytes)
{
    const std::string written = jsonString(bytes);
    const auto back = readJsonStrictly(written);
    check(back.has_value(), "a JSON string is valid JSON");
    check(back->strings.size() == 1 && back->strings[0] == expectedText(bytes),
          "a JSON string reads back to its text");
}

void checkResultLine(const std::vector<std::string>& args)
{
    PictureFindings findings;
    findings.path = args.front();
    findings.error = args.back();
    findings.loaded = args.size() % 2 == 0;
    if (findings.loaded) {
        findings.faceCount = 1;
        findings.faces.push_back({0, FaceRect{1, 2, 3, 4, 5}, std::nullopt, std::nullopt});
    }
    const auto back = readJsonStrictly(findingsJson(findings));
    check(back.has_value(), "a result line is valid JSON");
    check(back->strings.size() >= 2 && back->strings[0] == "image" &&
              back->strings[1] == expectedText(findings.path),
          "the path reads back");
    if (!findings.error.empty())
        check(back->strings.back() == expectedText(findings.error), "the error reads back");
}

void checkNumber(const std::uint8_t* data, std::size_t size)
{
    double value = 0;
    std::memcpy(&value, data, size < sizeof value ? size : sizeof value);
    const std::string written = jsonNumber(value);
    const auto back = readJsonStrictly(written);
    check(back.has_value(), "a number is valid JSON");
    if (!std::isfinite(value)) {
        check(written == "null", "NaN and infinities are null");
        return;
    }
    check(back->numbers.size() == 1 && std::strtod(written.c_str(), nullptr) == value,
          "a number reads back exactly");
}

// A document whose shape the first argument's first bytes choose, with the arguments as its keys and
// string values in turn; every string must read back in order.
void checkDocument(const std::vector<std::string>& args)
{
    JsonWriter json;
    std::vector<bool> inObject;  // per open container: object (true) or array
    std::vector<std::string> written;
    std::size_t next = 0;
    auto text = [&]() -> const std::string& {
        const std::string& t = args[next++ % args.size()];
        written.push_back(t);
        return t;
    };
    auto beforeValue = [&] {
        if (!inObject.empty() && inObject.back())
            json.key(text());
    };
    json.beginArray();
    inObject.push_back(false);
    const std::string& steps = args.front();
    for (std::size_t i = 0; i < steps.size() && i < maxDocumentSteps; ++i) {
        const unsigned char op = static_cast<unsigned char>(steps[i]);
        switch (op % 6) {
        case 0:
            beforeValue();
            json.beginObject();
            inObject.push_back(true);
            break;
        case 1:
            beforeValue();
            json.beginArray();
            inObject.push_back(false);
            break;
        case 2:
            beforeValue();
            json.value(text());
            break;
        case 3:
            beforeValue();
            json.value(int(op) - 128);
            break;
        case 4:
            beforeValue();
            json.null();
            break;
        default:
            if (inObject.size() > 1) {
                inObject.back() ? json.endObject() : json.endArray();
                inObject.pop_back();
            }
        }
    }
    for (; !inObject.empty(); inObject.pop_back())
        inObject.back() ? json.endObject() : json.endArray();
    const auto back = readJsonStrictly(json.text());
    check(back.has_value(), "a written document is valid JSON");
    check(back->strings.size() == written.size(), "every string is read back");
    for (std::size_t i = 0; i < written.size(); ++i)
        check(back->strings[i] == expectedText(written[i]), "strings read back in order");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> args = splitArguments(data, size);
    checkOptions(args);
    for (const std::string& arg : args)
        checkString(arg);
    checkResultLine(args);
    checkNumber(data, size);
    checkDocument(args);
    return 0;
}
