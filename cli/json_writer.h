#pragma once
// A small JSON writer that keeps keys in the order they are written (the result lines of the tool
// have a fixed key order that scripts may rely on) and prints numbers so that they read back
// exactly.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A JSON string literal of UTF-8 text, quotes included. Bytes that are not valid UTF-8 become
// U+FFFD, so that the line stays valid JSON whatever the file name holds.
std::string jsonString(std::string_view text);

// The shortest decimal form that reads back as the same double; null for NaN and infinities,
// which JSON cannot carry.
std::string jsonNumber(double value);

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(int number);
    JsonWriter& value(double number);
    JsonWriter& null();
    template <typename T> JsonWriter& value(const std::optional<T>& maybe)
    {
        return maybe ? value(*maybe) : null();
    }

    // The text written so far; complete once every object and array is closed.
    const std::string& text() const { return out; }

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);

    std::string out;
    std::vector<bool> firstInContainer;  // one entry per open object or array
    bool afterKey = false;
};
