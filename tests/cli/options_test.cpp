#include "cli/options.h"

#include <gtest/gtest.h>

namespace {

using Action = ParsedArguments::Action;

ParsedArguments parse(std::vector<std::string> args) { return parseArguments(args); }

TEST(CliOptions, CommandsOptionsAndImagesInAnyOrder)
{
    const ParsedArguments detect =
        parse({"detect", "a.png", "--json", "b.jpg", "--cascade", "c.xml"});
    ASSERT_EQ(detect.action, Action::Run);
    EXPECT_EQ(detect.options.command, CliCommand::Detect);
    EXPECT_TRUE(detect.options.json);
    EXPECT_FALSE(detect.options.verbose);
    EXPECT_EQ(detect.options.cascade, "c.xml");
    EXPECT_EQ(detect.options.images, (std::vector<std::string>{"a.png", "b.jpg"}));
    EXPECT_FALSE(detect.options.face);

    const ParsedArguments read =
        parse({"read", "--face=3", "--verbose", "--cascade=x.xml", "p.png"});
    ASSERT_EQ(read.action, Action::Run);
    EXPECT_EQ(read.options.command, CliCommand::Read);
    EXPECT_EQ(read.options.face, 3);
    EXPECT_TRUE(read.options.verbose);
    EXPECT_EQ(read.options.cascade, "x.xml");
    EXPECT_EQ(read.options.images, std::vector<std::string>{"p.png"});

    // After "--" even option-like names are pictures; a lone "-" is a file name too.
    const ParsedArguments dashes = parse({"detect", "--", "--json", "-"});
    ASSERT_EQ(dashes.action, Action::Run);
    EXPECT_FALSE(dashes.options.json);
    EXPECT_EQ(dashes.options.images, (std::vector<std::string>{"--json", "-"}));
}

TEST(CliOptions, HelpAndVersionWinOverEverythingBeforeDoubleDash)
{
    EXPECT_EQ(parse({"--help"}).action, Action::Help);
    EXPECT_EQ(parse({"bogus", "--nonsense", "-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    EXPECT_EQ(parse({"read", "x.png", "--version"}).action, Action::Version);
    EXPECT_EQ(parse({"detect", "--", "--help"}).action, Action::Run);
}

TEST(CliOptions, BadUsageIsRefusedWithAReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--json", "a.png"},                // no command
        {"find", "a.png"},                  // unknown command
        {"detect"},                         // no images
        {"detect", "--json"},               // options but no images
        {"detect", "--color", "a.png"},     // unknown option
        {"detect", "--json=yes", "a.png"},  // flag with a value
        {"detect", "a.png", "--cascade"},   // cascade without a file
        {"detect", "--cascade=", "a.png"},
        {"detect", "--face", "0", "a.png"},  // --face belongs to read
        {"read", "a.png", "--face"},
        {"read", "--face", "-1", "a.png"},
        {"read", "--face", "+1", "a.png"},
        {"read", "--face", "1.5", "a.png"},
        {"read", "--face", "x", "a.png"},
        {"read", "--face=", "a.png"},
        {"read", "--face", "99999999999999999999", "a.png"},
        {"read", "a.png", "--annotate"},  // annotate without a folder
        {"detect", "--annotate=", "a.png"},
        {"detect", "--jobs", "0", "a.png"},
        {"detect", "--jobs", "-1", "a.png"},
        {"detect", "--jobs", "abc", "a.png"},
        {"detect", "--jobs", "257", "a.png"},
        {"detect", "--jobs=", "a.png"},
        {"detect", "a.png", "--jobs"},
        {"detect", "--recursive=yes", "a.png"},
        {"detect", "--quiet=1", "a.png"},
        {"detect", "--steady", "a.png"},  // --steady belongs to read
        {"read", "--steady=yes", "a.png"},
    };
    for (const auto& args : bad) {
        const ParsedArguments parsed = parse(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + ' ';
        EXPECT_EQ(parsed.action, Action::Usage) << joined;
        EXPECT_FALSE(parsed.error.empty()) << joined;
    }
}

TEST(CliOptions, AnnotateTakesAFolderForBothCommands)
{
    for (const char* command : {"detect", "read"}) {
        const ParsedArguments spaced = parse({command, "--annotate", "out dir", "a.png"});
        ASSERT_EQ(spaced.action, Action::Run) << command;
        EXPECT_EQ(spaced.options.annotate, "out dir");
        EXPECT_EQ(spaced.options.images, std::vector<std::string>{"a.png"});
        EXPECT_EQ(parse({command, "--annotate=x", "a.png"}).options.annotate, "x");
        EXPECT_EQ(parse({command, "a.png"}).options.annotate, "");
    }
}

TEST(CliOptions, BatchOptions)
{
    EXPECT_FALSE(parse({"detect", "a"}).options.jobs);  // one per core, decided by the tool
    const CliOptions batch =
        parse({"read", "--recursive", "a", "--jobs", "3", "--quiet", "--jobs=256"}).options;
    EXPECT_TRUE(batch.recursive && batch.quiet);
    EXPECT_EQ(batch.jobs, 256);
    EXPECT_EQ(parse({"detect", "--jobs", "0", "a"}).error,
              "--jobs needs a whole number from 1 to 256, not '0'");
}

TEST(CliOptions, SteadyIsAReadOption)
{
    EXPECT_FALSE(parse({"read", "a.png"}).options.steady);
    const ParsedArguments steady = parse({"read", "a.png", "--steady", "--face", "1"});
    ASSERT_EQ(steady.action, Action::Run);
    EXPECT_TRUE(steady.options.steady);
    EXPECT_EQ(steady.options.face, 1);
    EXPECT_EQ(parse({"detect", "--steady", "a.png"}).error,
              "--steady is an option of the read command");
}

TEST(CliOptions, FaceZeroAndLastValueWins)
{
    const ParsedArguments parsed = parse({"read", "--face", "0", "--face", "2", "a.png"});
    ASSERT_EQ(parsed.action, Action::Run);
    EXPECT_EQ(parsed.options.face, 2);
    EXPECT_EQ(parse({"read", "--face", "0", "a.png"}).options.face, 0);
}

}  // namespace
