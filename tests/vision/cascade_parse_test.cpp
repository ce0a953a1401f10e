// The loader parses the bytes it has already read instead of letting the parser read the file
// once more. The parser's own file loading stays the reference: on every file the two must give
// the same cascade, bit for bit, and the same lines.

#include "cascade_files.h"
#include "vision/cascade_document.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <unistd.h>

namespace {

std::unique_ptr<HaarCascade> throughParserFileLoading(std::FILE* file)
{
    TiXmlDocument document;
    document.LoadFile(file, TIXML_ENCODING_UTF8);
    return cascadeFromDocument(document);
}

template <typename Load> LoadResult parseCapturing(const std::string& path, Load load)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    std::ostringstream lines;
    setDiagnosticsStream(&lines);
    LoadResult parsed{load(file), {}};
    setDiagnosticsStream(&std::cout);
    std::fclose(file);
    parsed.trail = lines.str();
    return parsed;
}

// Every field with the same bits; trees are plain ints and floats without padding.
bool sameStage(const HaarStage& s, const HaarStage& t)
{
    return s.count == t.count && std::memcmp(&s.threshold, &t.threshold, sizeof(float)) == 0 &&
           s.next == t.next && s.child == t.child && s.parent == t.parent &&
           s.trees.size() == t.trees.size() &&
           std::memcmp(s.trees.data(), t.trees.data(), s.trees.size() * sizeof(HaarTree)) == 0;
}

std::string replacedAll(const std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    std::size_t done = 0;
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, done)) {
        out.append(text, done, at - done).append(to);
        done = at + from.size();
    }
    return out.append(text, done);
}

const std::string smallCascade =
    "<?xml version=\"1.0\"?>\n<storage>\n\t<cascade>\n\t\t<size>4 4</size>\n\t\t<stages><_><trees>"
    "<_><_><feature><rects><_>0 0 2 2 -1.</_><_>0 0 1 1 2.</_></rects><tilted>3</tilted>"
    "</feature><threshold>0.5</threshold><left_val>-1</left_val><right_val>1</right_val></_></_>"
    "</trees><stage_threshold>0</stage_threshold><parent>-1</parent><next>-1</next></_>"
    "</stages></cascade></storage>\n";

TEST(CascadeParse, SameCascadeAndLinesAsTheParserReadingTheFileItself)
{
    std::ifstream file(VELMORA_CASCADE, std::ios::binary);
    const std::string real((std::istreambuf_iterator<char>(file)), {});
    const std::string badEnd = "</storage>";
    struct Case {
        const char* name;
        std::string text;
        std::string line;  // a part of the lines that shows the case does what it is meant to
    };
    const Case cases[] = {
        {"real", real, "size is 20 20\n"},
        {"real-crlf", replacedAll(real, "\n", "\r\n"), "size is 20 20\n"},
        {"small", smallCascade, "tilted text is 3"},
        // Character data keeps its line ends, as the parser's file loading has made them.
        {"cr-in-cdata", replacedAll(smallCascade, "<size>4 4", "<size><![CDATA[4\r\n\r4\r\r\n]]>"),
         "size is 4\n\n4\n\n\n"},
        {"nul", replacedAll(smallCascade, "</stages>", std::string("\0", 1)), "not well-formed"},
        // Refusals name the row and column, which count tabs and every kind of line end.
        {"tabs", replacedAll(smallCascade, "<stages>", "<stages>\n\t\t\t<_ <"), "row 6 column 16"},
        {"crlf", replacedAll(replacedAll(smallCascade, "\n", "\r\n"), badEnd, "</st>"),
         "row 5 column 302"},
        {"cr", replacedAll(replacedAll(smallCascade, "\n", "\r"), badEnd, "</st>"),
         "row 5 column 302"},
        {"space", "\n  \r\n\t", "(Error document empty. at row 0 column 0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = toUtf8(writeScratchFile(widen(c.name) + L".xml", c.text));
        LoadResult loaded = parseCapturing(path, cascadeFromFile);
        LoadResult reference = parseCapturing(path, throughParserFileLoading);
        ::unlink(path.c_str());

        EXPECT_EQ(loaded.trail, reference.trail);
        EXPECT_NE(loaded.trail.find(c.line), std::string::npos) << loaded.trail;
        ASSERT_EQ(loaded.cascade != nullptr, reference.cascade != nullptr);
        if (!loaded.cascade)
            continue;
        EXPECT_EQ(loaded.cascade->count, reference.cascade->count);
        EXPECT_EQ(std::memcmp(&loaded.cascade->origWindowSize, &reference.cascade->origWindowSize,
                              sizeof(WindowSize)),
                  0);
        ASSERT_EQ(loaded.cascade->stages.size(), reference.cascade->stages.size());
        for (std::size_t i = 0; i < loaded.cascade->stages.size(); ++i)
            EXPECT_TRUE(sameStage(loaded.cascade->stages[i], reference.cascade->stages[i])) << i;
    }
}

}  // namespace
