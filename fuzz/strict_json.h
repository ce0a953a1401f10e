#pragma once
// A strict JSON reader for checking what the writer produces: it accepts only what the JSON
// grammar allows (UTF-8 text, no raw control characters in strings, escapes and surrogate pairs
// well formed, nothing after the value) and hands back every string it read, decoded to UTF-8,
// in document order, keys included. Numbers come back as their text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JsonReadBack {
    std::vector<std::string> strings;  // keys and string values, decoded
    std::vector<std::string> numbers;  // as written
};

namespace strict_json {

// Appends the code point as UTF-8.
inline void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The code point of the UTF-8 sequence at text[i], advancing i; nullopt for anything that is not
// the shortest form of a scalar value.
inline std::optional<std::uint32_t> decodeUtf8(std::string_view text, std::size_t& i)
{
    const auto at = [&](std::size_t k) { return std::uint32_t(std::uint8_t(text[k])); };
    const std::uint32_t lead = at(i);
    // Continuation bytes after the lead: 0 to 3, or -1 for a byte that cannot lead.
    int extra = -1;
    if (lead < 0x80)
        extra = 0;
    else if (lead >= 0xC0 && lead < 0xE0)
        extra = 1;
    else if (lead >= 0xE0 && lead < 0xF0)
        extra = 2;
    else if (lead >= 0xF0 && lead < 0xF8)
        extra = 3;
    if (extra < 0 || i + extra >= text.size())
        return std::nullopt;
    std::uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return std::nullopt;
        c = c << 6 | (at(i + k) & 0x3F);
    }
    static const std::uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    i += extra + 1;
    return c;
}

class Reader {
public:
    explicit Reader(std::string_view text) : text(text) {}

    std::optional<JsonReadBack> document()
    {
        space();
        if (!value())
            return std::nullopt;
        space();
        if (pos != text.size())
            return std::nullopt;
        return std::move(found);
    }

private:
    bool more() const { return pos < text.size(); }
    char peek() const { return text[pos]; }
    void space()
    {
        while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++pos;
    }
    bool take(char c)
    {
        if (!more() || peek() != c)
            return false;
        ++pos;
        return true;
    }
    bool literal(std::string_view word)
    {
        if (text.substr(pos, word.size()) != word)
            return false;
        pos += word.size();
        return true;
    }

    bool value()
    {
        if (!more() || ++depth > 10000)
            return false;
        bool ok = false;
        switch (peek()) {
        case '{': ok = object(); break;
        case '[': ok = array(); break;
        case '"': ok = string(); break;
        case 't': ok = literal("true"); break;
        case 'f': ok = literal("false"); break;
        case 'n': ok = literal("null"); break;
        default: ok = number(); break;
        }
        --depth;
        return ok;
    }

    bool object()
    {
        ++pos;
        space();
        if (take('}'))
            return true;
        do {
            space();
            if (!more() || peek() != '"' || !string())
                return false;
            space();
            if (!take(':'))
                return false;
            space();
            if (!value())
                return false;
            space();
        } while (take(','));
        return take('}');
    }

    bool array()
    {
        ++pos;
        space();
        if (take(']'))
            return true;
        do {
            space();
            if (!value())
                return false;
            space();
        } while (take(','));
        return take(']');
    }

    std::optional<std::uint32_t> hex4()
    {
        if (pos + 4 > text.size())
            return std::nullopt;
        std::uint32_t c = 0;
        for (int k = 0; k < 4; ++k) {
            const char h = text[pos++];
            const int digit = h >= '0' && h <= '9'   ? h - '0'
                              : h >= 'a' && h <= 'f' ? h - 'a' + 10
                              : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return std::nullopt;
            c = c << 4 | digit;
        }
        return c;
    }

    bool escape(std::string& out)
    {
        if (!more())
            return false;
        const char e = text[pos++];
        switch (e) {
        case '"': out += '"'; return true;
        case '\\': out += '\\'; return true;
        case '/': out += '/'; return true;
        case 'b': out += '\b'; return true;
        case 'f': out += '\f'; return true;
        case 'n': out += '\n'; return true;
        case 'r': out += '\r'; return true;
        case 't': out += '\t'; return true;
        case 'u': break;
        default: return false;
        }
        auto c = hex4();
        if (!c || (*c >= 0xDC00 && *c <= 0xDFFF))
            return false;
        if (*c >= 0xD800 && *c <= 0xDBFF) {
            if (!literal("\\u"))
                return false;
            auto low = hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF)
                return false;
            *c = 0x10000 + ((*c - 0xD800) << 10) + (*low - 0xDC00);
        }
        appendUtf8(out, *c);
        return true;
    }

    bool string()
    {
        ++pos;
        std::string out;
        while (more()) {
            const auto c = std::uint8_t(peek());
            if (c == '"') {
                ++pos;
                found.strings.push_back(std::move(out));
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                ++pos;
                if (!escape(out))
                    return false;
                continue;
            }
            const std::size_t start = pos;
            if (!decodeUtf8(text, pos))
                return false;
            out.append(text.substr(start, pos - start));
        }
        return false;
    }

    bool digits()
    {
        const std::size_t start = pos;
        while (more() && peek() >= '0' && peek() <= '9')
            ++pos;
        return pos > start;
    }

    bool number()
    {
        const std::size_t start = pos;
        take('-');
        if (take('0')) {
            if (more() && peek() >= '0' && peek() <= '9')
                return false;
        } else if (!digits()) {
            return false;
        }
        if (take('.') && !digits())
            return false;
        if (take('e') || take('E')) {
            if (!take('+'))
                take('-');
            if (!digits())
                return false;
        }
        found.numbers.emplace_back(text.substr(start, pos - start));
        return true;
    }

    std::string_view text;
    std::size_t pos = 0;
    int depth = 0;
    JsonReadBack found;
};

}  // namespace strict_json

// The strings and numbers of one JSON text, or nullopt when it is not valid JSON.
inline std::optional<JsonReadBack> readJsonStrictly(std::string_view text)
{
    return strict_json::Reader(text).document();
}
