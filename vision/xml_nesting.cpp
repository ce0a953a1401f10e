#include "vision/xml_nesting.h"

#include <cstdint>
#include <cstring>
#include <string.h>  // strchrnul

namespace {

using Byte = unsigned char;

bool isSpace(Byte c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isLetter(Byte c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The parser takes every byte from 127 up as a letter: it cannot tell letters beyond ASCII.
bool isNameStart(Byte c) { return c >= 127 || isLetter(c) || c == '_'; }

bool isNameChar(Byte c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}

// Eight bytes, all below 0x80.
bool isAscii8(const Byte* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080u) == 0;
}

Byte lower(Byte c) { return c >= 'A' && c <= 'Z' ? Byte(c - 'A' + 'a') : c; }

bool startsWith(const Byte* p, const char* literal, bool ignoreCase = false)
{
    for (; *literal; ++p, ++literal) {
        Byte c = ignoreCase ? lower(*p) : *p;
        if (!*p || c != Byte(*literal))
            return false;
    }
    return true;
}

// White space as the parser skips it, byte order marks (and U+FFFE, U+FFFF) included.
const Byte* skipSpace(const Byte* p)
{
    while (*p) {
        if (p[0] == 0xEF &&
            ((p[1] == 0xBB && p[2] == 0xBF) || (p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF))))
            p += 3;
        else if (isSpace(*p))
            ++p;
        else
            break;
    }
    return p;
}

// The first `c` from p, or the end of the text. The library scan takes many bytes at a step and
// stops at the first match, so many short scans over a large text stay linear.
const Byte* find(const Byte* p, Byte c)
{
    return reinterpret_cast<const Byte*>(strchrnul(reinterpret_cast<const char*>(p), c));
}

// Behind the first `terminator` from p, or the end of the text.
const Byte* skipPast(const Byte* p, const char* terminator)
{
    for (p = find(p, Byte(terminator[0])); *p; p = find(p + 1, Byte(terminator[0])))
        if (startsWith(p, terminator))
            return p + std::strlen(terminator);
    return p;
}

// One name="value" pair. Returns the position behind it, or null where the parser gives up.
const Byte* attribute(const Byte* p)
{
    if (!isNameStart(*p))
        return nullptr;
    while (isNameChar(*p))
        ++p;
    p = skipSpace(p);
    if (*p != '=')
        return nullptr;
    p = skipSpace(p + 1);
    if (*p == '"' || *p == '\'') {
        Byte quote = *p;
        for (++p; *p && *p != quote;)
            ++p;
        return *p ? p + 1 : nullptr;
    }
    // Unquoted values are tolerated up to white space, '/' or '>'; a quote in one is an error.
    for (; *p && !isSpace(*p) && *p != '/' && *p != '>'; ++p)
        if (*p == '"' || *p == '\'')
            return nullptr;
    return p;
}

// "<?xml" declarations: only version, encoding and standalone are read as attributes (quotes
// and all); anything else is stepped over up to white space or '>'.
const Byte* declaration(const Byte* p)
{
    while (*p) {
        if (*p == '>')
            return p + 1;
        p = skipSpace(p);
        if (startsWith(p, "version", true) || startsWith(p, "encoding", true) ||
            startsWith(p, "standalone", true)) {
            const Byte* behind = attribute(p);
            if (!behind)
                return p;  // the parser stops here; counting on does no harm
            p = behind;
        } else {
            while (*p && *p != '>' && !isSpace(*p))
                ++p;
        }
    }
    return p;
}

struct Nesting {
    int depth = 0;
    int deepest = 0;
};

// A start tag from its name; an element that is not empty opens one more level.
const Byte* startTag(const Byte* p, Nesting& nesting)
{
    while (isNameChar(*p))
        ++p;
    while (*p) {
        p = skipSpace(p);
        if (*p == '/')
            return p[1] == '>' ? p + 2 : p + 1;
        if (*p == '>') {
            ++nesting.depth;
            if (nesting.depth > nesting.deepest)
                nesting.deepest = nesting.depth;
            return p + 1;
        }
        const Byte* behind = attribute(p);
        if (!behind)
            return p;  // the parser stops here; counting on does no harm
        p = behind;
    }
    return p;
}

}  // namespace

bool isUtf8Text(const std::string& bytes)
{
    const Byte* p = reinterpret_cast<const Byte*>(bytes.c_str());
    const Byte* end = p + std::strlen(bytes.c_str());
    while (p != end) {
        // A cascade is almost all ASCII: eight bytes at a time until a byte from 0x80 up.
        if (end - p >= 8 && isAscii8(p)) {
            p += 8;
            continue;
        }
        Byte lead = *p;
        int extra = lead < 0x80                    ? 0
                    : lead >= 0xC2 && lead <= 0xDF ? 1
                    : lead >= 0xE0 && lead <= 0xEF ? 2
                    : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                   : -1;
        if (extra < 0)
            return false;
        unsigned long code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        static const unsigned long smallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

int xmlNestingBound(const std::string& text, int limit)
{
    Nesting nesting;
    const Byte* p = reinterpret_cast<const Byte*>(text.c_str());
    while (*p && nesting.deepest <= limit) {
        if (*p != '<') {
            p = find(p, '<');
        } else if (p[1] == '/') {
            if (nesting.depth > 0)
                --nesting.depth;
            p = skipPast(p + 2, ">");
        } else if (isNameStart(p[1])) {
            p = startTag(p + 1, nesting);
        } else if (startsWith(p, "<?xml", true)) {
            p = declaration(p + 5);
        } else if (startsWith(p, "<!--")) {
            p = skipPast(p + 4, "-->");
        } else if (startsWith(p, "<![CDATA[")) {
            p = skipPast(p + 9, "]]>");
        } else {
            p = skipPast(p + 1, ">");  // "<!" markup and anything else the parser does not know
        }
    }
    return nesting.deepest;
}
