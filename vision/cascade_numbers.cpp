#include "vision/cascade_numbers.h"

#include <charconv>
#include <cstring>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

void skipSpace(NumberCursor& cursor)
{
    while (cursor.at != cursor.end && isSpace(*cursor.at))
        ++cursor.at;
}

char peek(const NumberCursor& cursor, int ahead = 0)
{
    return cursor.end - cursor.at > ahead ? cursor.at[ahead] : '\0';
}

// An unsigned real at the cursor: decimal, "inf" or "nan" as from_chars takes them, or a
// hexadecimal real after "0x" as scanf also accepts.
bool readMagnitude(NumberCursor& cursor, float& value)
{
    if (peek(cursor) == '0' && (peek(cursor, 1) == 'x' || peek(cursor, 1) == 'X') &&
        (isHexDigit(peek(cursor, 2)) || peek(cursor, 2) == '.')) {
        auto [end, error] =
            std::from_chars(cursor.at + 2, cursor.end, value, std::chars_format::hex);
        if (error == std::errc()) {
            cursor.at = end;
            return true;
        }
    }
    auto [end, error] = std::from_chars(cursor.at, cursor.end, value, std::chars_format::general);
    if (error != std::errc())
        return false;
    cursor.at = end;
    return true;
}

}  // namespace

NumberCursor numberCursor(const char* text) { return {text, text + std::strlen(text)}; }

bool readInt(NumberCursor& cursor, int& value)
{
    skipSpace(cursor);
    NumberCursor digits = cursor;
    if (peek(digits) == '+')
        ++digits.at;
    // from_chars takes a minus sign itself but never a second sign after a plus.
    if (!isDigit(peek(digits)) && !(peek(digits) == '-' && digits.at == cursor.at))
        return false;
    auto [end, error] = std::from_chars(digits.at, digits.end, value);
    if (error != std::errc())
        return false;
    cursor.at = end;
    return true;
}

bool readFloat(NumberCursor& cursor, float& value)
{
    skipSpace(cursor);
    NumberCursor number = cursor;
    bool negative = false;
    if (peek(number) == '+' || peek(number) == '-') {
        negative = peek(number) == '-';
        ++number.at;
    }
    if (peek(number) == '+' || peek(number) == '-')
        return false;
    float magnitude = 0.0f;
    if (!readMagnitude(number, magnitude))
        return false;
    value = negative ? -magnitude : magnitude;
    cursor.at = number.at;
    return true;
}
