#include "vision/diagnostics.h"

#include <iostream>

namespace {

std::ostream* current = &std::cout;  // null: silenced
thread_local std::ostream* threadStream = nullptr;

// Even a stream without a buffer records each refused write in its state, so every thread has
// its own: silenced threads writing at once must not share one.
std::ostream& silent()
{
    thread_local std::ostream stream(nullptr);
    return stream;
}

}  // namespace

std::ostream& diagnostics()
{
    if (threadStream)
        return *threadStream;
    return current ? *current : silent();
}

void setDiagnosticsStream(std::ostream* stream)
{
    // A caller may hand back what diagnostics() gave it while silenced.
    current = stream == &silent() ? nullptr : stream;
}

void setThreadDiagnosticsStream(std::ostream* stream) { threadStream = stream; }

std::ostream* threadDiagnosticsStream() { return threadStream; }

std::string toUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<unsigned long>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}
