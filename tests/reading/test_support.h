#pragma once
// Small helpers shared by the reader's tests.

#include "vision/diagnostics.h"
#include "vision/image_buffer.h"

#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

// Collects the diagnostic lines for the lifetime of the object.
class CapturedDiagnostics {
public:
    CapturedDiagnostics() { setDiagnosticsStream(&text_); }
    ~CapturedDiagnostics() { setDiagnosticsStream(&std::cout); }
    std::string text() const { return text_.str(); }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        std::istringstream in(text_.str());
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

private:
    std::ostringstream text_;
};

// A 3-channel R,G,B buffer filled with one colour.
inline ImageBuffer rgbFilled(int width, int height, unsigned char r, unsigned char g,
                             unsigned char b)
{
    ImageBuffer buf(width, height, 3, 1);
    for (int i = 0; i < width * height; ++i) {
        buf.data[3 * i] = r;
        buf.data[3 * i + 1] = g;
        buf.data[3 * i + 2] = b;
    }
    return buf;
}

inline void setRgb(ImageBuffer& buf, int x, int y, unsigned char r, unsigned char g,
                   unsigned char b)
{
    unsigned char* p = buf.data + (std::size_t(y) * buf.width + x) * 3;
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

// A 1-channel mask from rows of '#' (255) and '.' (0).
inline ImageBuffer maskFromRows(std::initializer_list<const char*> rows)
{
    const int height = int(rows.size());
    const int width = height ? int(std::string(*rows.begin()).size()) : 0;
    ImageBuffer mask(width, height, 1, 1);
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < width; ++x)
            mask.data[y * width + x] = row[x] == '#' ? 255 : 0;
        ++y;
    }
    return mask;
}

inline std::vector<std::string> rowsOfMask(const ImageBuffer& mask)
{
    std::vector<std::string> rows;
    for (int y = 0; y < mask.height; ++y) {
        std::string row;
        for (int x = 0; x < mask.width; ++x)
            row += mask.data[y * mask.width + x] ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}
