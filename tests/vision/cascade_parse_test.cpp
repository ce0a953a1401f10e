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

struct Parsed {
    std::unique_ptr<HaarCascade> cascade;
    std::string lines;
};

template <typename Load> Parsed parseCapturing(const std::wstring& path, Load load)
{
    std::FILE* file = std::fopen(toUtf8(path).c_str(), "r");
    EXPECT_NE(file, nullptr);
    if (!file)
        return {};
    std::ostringstream lines;
    setDiagnosticsStream(&lines);
    Parsed parsed{load(file), {}};
    setDiagnosticsStream(&std::cout);
    std::fclose(file);
    parsed.lines = lines.str();
    return parsed;
}

std::unique_ptr<HaarCascade> throughParserFileLoading(std::FILE* file)
{
    TiXmlDocument document;
    document.LoadFile(file, TIXML_ENCODING_UTF8);
    return cascadeFromDocument(document);
}

template <typename T> bool sameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Where the two cascades first differ; empty when every field has the same bits.
std::string difference(const HaarCascade& a, const HaarCascade& b)
{
    if (a.signature != b.signature || a.count != b.count ||
        !sameBits(a.origWindowSize, b.origWindowSize) ||
        !sameBits(a.realWindowSize, b.realWindowSize) || !sameBits(a.scale, b.scale) ||
        a.stages.size() != b.stages.size())
        return "header";
    for (std::size_t i = 0; i < a.stages.size(); ++i) {
        const HaarStage& s = a.stages[i];
        const HaarStage& t = b.stages[i];
        if (s.count != t.count || !sameBits(s.threshold, t.threshold) || s.next != t.next ||
            s.child != t.child || s.parent != t.parent || s.trees.size() != t.trees.size())
            return "stage " + std::to_string(i);
        for (std::size_t j = 0; j < s.trees.size(); ++j)
            if (!sameBits(s.trees[j], t.trees[j]))  // plain ints and floats, no padding
                return "stage " + std::to_string(i) + " tree " + std::to_string(j);
    }
    return {};
}

std::string realCascadeText()
{
    std::ifstream file(VELMORA_CASCADE, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
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
    const std::string real = realCascadeText();
    struct Case {
        const char* name;
        std::string text;
        bool loads;
        std::string line;  // a part of the lines that shows the case did what it is meant to
    };
    const Case cases[] = {
        {"real", real, true, "size is 20 20\n"},
        {"real-crlf", replacedAll(real, "\n", "\r\n"), true, "size is 20 20\n"},
        {"real-cr", replacedAll(real, "\n", "\r"), true, "size is 20 20\n"},
        {"small", smallCascade, true, "tilted text is 3"},
        {"cr-in-text", replacedAll(smallCascade, "4 4", "4\r\r\n4"), true, "size is 4 4\n"},
        // Character data keeps its line ends, as the parser's file loading has made them.
        {"cr-in-cdata", replacedAll(smallCascade, "<size>4 4", "<size><![CDATA[4\r\n\r4\r\r\n]]>"),
         true, "size is 4\n\n4\n\n\n"},
        {"bom", "\xef\xbb\xbf" + smallCascade, true, "size is 4 4\n"},
        // The text ends at a nul byte: behind it the document is cut short, or nothing is lost.
        {"nul-behind", smallCascade + std::string("\0<junk", 6), true, "size is 4 4\n"},
        {"nul-inside", replacedAll(smallCascade, "</stages>", std::string("\0", 1)), false,
         "not well-formed XML"},
        // Refusals name the row and column, which count tabs and every kind of line end.
        {"tabs", replacedAll(smallCascade, "<stages>", "<stages>\n\t\t\t<_ <"), false,
         "at row 6 column 16"},
        {"crlf-rows", replacedAll(replacedAll(smallCascade, "\n", "\r\n"), "</storage>", "</st>"),
         false, "at row 5 column 302"},
        {"cr-rows", replacedAll(replacedAll(smallCascade, "\n", "\r"), "</storage>", "</st>"),
         false, "at row 5 column 302"},
        {"only-space", "\n  \r\n\t", false, "(Error document empty. at row 0 column 0)"},
        {"open-comment", "<?xml version=\"1.0\"?>\n<!-- never closed", false, "no cascade element"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = writeScratchFile(widen(c.name) + L".xml", c.text);
        Parsed loaded = parseCapturing(path, cascadeFromFile);
        Parsed reference = parseCapturing(path, throughParserFileLoading);
        ::unlink(toUtf8(path).c_str());

        EXPECT_EQ(loaded.lines, reference.lines);
        EXPECT_NE(loaded.lines.find(c.line), std::string::npos) << loaded.lines;
        ASSERT_EQ(loaded.cascade != nullptr, c.loads) << loaded.lines;
        ASSERT_EQ(reference.cascade != nullptr, c.loads) << reference.lines;
        if (c.loads) {
            EXPECT_EQ(difference(*loaded.cascade, *reference.cascade), "");
        }
    }
}

}  // namespace
