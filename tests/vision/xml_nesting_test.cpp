#include "cascade_files.h"
#include "vision/xml_nesting.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <vector>

namespace {

std::string repeated(const std::string& part, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += part;
    return text;
}

// How deep the parser itself went: its tree keeps every element it started, even after an error.
int parsedDepth(const std::string& text)
{
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    int deepest = 0;
    std::vector<std::pair<const TiXmlNode*, int>> open{{&document, 0}};
    while (!open.empty()) {
        auto [node, depth] = open.back();
        open.pop_back();
        deepest = std::max(deepest, depth);
        for (const TiXmlElement* child = node->FirstChildElement(); child;
             child = child->NextSiblingElement())
            open.push_back({child, depth + 1});
    }
    return deepest;
}

TEST(XmlNesting, BoundNeverBelowWhatTheParserReaches)
{
    const std::string deep = repeated("<a>", 40);
    const std::vector<std::string> texts = {
        "<?xml version=\"1.0\"?>\n<s><c><size>20 20</size></c></s>",
        "<a><b/><b x='1'/><c><d></d></c></a>",
        // Closers that the parser never sees as closers must not lower the count.
        "<a>" + repeated("<b><?xml version=\"" + repeated("</b>", 3) + "\"?>", 10) + "</a>",
        "<a>" + repeated("<b x=\"</b></b>\">", 10),
        "<a>" + repeated("<b x='</b>'>", 10),
        "<a>" + repeated("<b><![CDATA[</b>]]>", 10),
        "<a>" + repeated("<b><!-- </b> -->", 10),
        "<a>" + repeated("<b>text &amp; more", 10),
        "<a>" + repeated("<b><?other </b>", 10),  // unknown markup ends at the first '>'
        "<a>" + repeated("<b >\xc3\xa4</b ><b>", 10),
        "<a>" + repeated("<b\xc3\xa4 y=z>", 10),
        "<?xml encoding='<a><a>'?>" + deep,
        "<!DOCTYPE x [ <!ELEMENT a ANY> ]>" + deep,
        deep + "</a>" + deep,
    };
    for (const std::string& text : texts)
        EXPECT_GE(xmlNestingBound(text, 1000) + 1, parsedDepth(text)) << text;
}

TEST(XmlNesting, WhatTheParserSkipsDoesNotCount)
{
    EXPECT_EQ(xmlNestingBound("<a><!-- <b><b><b> --><![CDATA[<c><c>]]><d x='<e><e>'/></a>", 100),
              1);
    EXPECT_EQ(xmlNestingBound("<a><b></b><b><c/></b></a>", 100), 2);
    EXPECT_EQ(xmlNestingBound(repeated("<a>", 500), 10), 11);  // counting stops behind the limit
}

TEST(XmlNesting, ManySmallSkipsOverALargeTextStayLinear)
{
    // Every closer and comment is skipped separately; each skip must cost only what it passes.
    std::string text = repeated("<a><b x='1'></b><!-- c --></a>", 200000);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(xmlNestingBound(text, 256), 2);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 1.0);
}

TEST(XmlNesting, Utf8Text)
{
    EXPECT_TRUE(isUtf8Text("plain <a>\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80</a>"));
    EXPECT_TRUE(isUtf8Text(std::string("ok\0\xff", 4)));  // the parser stops at the nul byte
    EXPECT_FALSE(isUtf8Text("\xff"));
    EXPECT_FALSE(isUtf8Text("<a>\xf0</a>"));       // a lead byte without its continuation
    EXPECT_FALSE(isUtf8Text("\xc0\xbc"));          // an overlong '<'
    EXPECT_FALSE(isUtf8Text("\xed\xa0\x80"));      // a surrogate
    EXPECT_FALSE(isUtf8Text("\xf4\x90\x80\x80"));  // beyond U+10FFFF
}

TEST(XmlNesting, Utf8TextWhereverTheSequenceStands)
{
    // ASCII runs are taken several bytes at a step: every place in and around a step must count.
    for (std::size_t before = 0; before <= 17; ++before) {
        const std::string ascii(before, 'a');
        const std::string tail = "bcdefghij";
        EXPECT_TRUE(isUtf8Text(ascii + "\xe2\x82\xac" + tail)) << before;
        EXPECT_TRUE(isUtf8Text(ascii + std::string("\0\xff", 2) + tail)) << before;
        EXPECT_FALSE(isUtf8Text(ascii + "\xff" + tail)) << before;
        EXPECT_FALSE(isUtf8Text(ascii + "\xe2\x82")) << before;  // cut short at the end
        EXPECT_EQ(xmlNestingBound(ascii + "<a><b>" + tail + "</b><!--" + tail + "-->", 10), 2)
            << before;
    }
}

TEST(XmlNesting, DeeplyNestedFileIsRefusedBeforeParsing)
{
    // Deep enough to exhaust the parser's stack if it were let loose on it.
    std::string text = "<?xml version=\"1.0\"?>\n" + repeated("<a>", 300000);
    auto start = std::chrono::steady_clock::now();
    LoadResult loaded = loadCapturing(writeScratchFile(L"deep.xml", text));
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(loaded.cascade, nullptr);
    EXPECT_EQ(
        occurrences(loaded.trail, "cascade refused: elements are nested more than 256 deep\n"), 1)
        << loaded.trail;
    EXPECT_LT(seconds, 2.0);
}

TEST(XmlNesting, MalformedUtf8FileIsRefused)
{
    LoadResult loaded = loadCapturing(writeScratchFile(
        L"latin1.xml", "<?xml version=\"1.0\"?>\n<s><c><size>20 20</size>\xf0</c></s>\n"));
    EXPECT_EQ(loaded.cascade, nullptr);
    EXPECT_EQ(occurrences(loaded.trail, "cascade refused: the file is not UTF-8 text\n"), 1);
}

}  // namespace
