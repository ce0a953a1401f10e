#include "cli/json_writer.h"

#include <charconv>
#include <cmath>

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one (overlong
// forms, surrogates and code points above U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned long code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

}  // namespace

std::string jsonString(std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                const std::size_t length = utf8SequenceLength(text, i);
                if (length == 0) {
                    out += "\xEF\xBF\xBD";
                    ++i;
                    continue;
                }
                out.append(text.substr(i, length));
                i += length;
                continue;
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string jsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void JsonWriter::beforeValue()
{
    if (afterKey) {
        afterKey = false;
        return;
    }
    if (!firstInContainer.empty()) {
        if (!firstInContainer.back())
            out += ", ";
        firstInContainer.back() = false;
    }
}

void JsonWriter::open(char bracket)
{
    beforeValue();
    out += bracket;
    firstInContainer.push_back(true);
}

void JsonWriter::close(char bracket)
{
    out += bracket;
    firstInContainer.pop_back();
}

JsonWriter& JsonWriter::beginObject()
{
    open('{');
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    close('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    open('[');
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name)
{
    beforeValue();
    out += jsonString(name);
    out += ": ";
    afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text)
{
    beforeValue();
    out += jsonString(text);
    return *this;
}

JsonWriter& JsonWriter::value(int number)
{
    beforeValue();
    out += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::value(double number)
{
    beforeValue();
    out += jsonNumber(number);
    return *this;
}

JsonWriter& JsonWriter::null()
{
    beforeValue();
    out += "null";
    return *this;
}
