#pragma once
// ImageBuffer: the one pixel record that travels between the window, the detector and the reader.
// A flat, row-major, channel-interleaved sample array with no padding between rows, owned
// exclusively by the record; copies are deep.

#include <cstddef>

struct ImageBuffer {
    unsigned char* data = nullptr;  // width x height x channels x depth bytes; null when empty
    int width = 0;
    int height = 0;
    int channels = 0;  // 1 grey or mask, 3 R,G,B or hue,saturation,value, 4 B,G,R,A
    int depth = 1;     // bytes per sample: 1 unsigned byte, 4 int32, 8 double

    ImageBuffer() = default;
    // A zero-filled buffer of the given shape. Negative sizes give the empty buffer.
    ImageBuffer(int width, int height, int channels, int depth);
    ImageBuffer(const ImageBuffer& other);
    ImageBuffer(ImageBuffer&& other) noexcept;
    ImageBuffer& operator=(const ImageBuffer& other);
    ImageBuffer& operator=(ImageBuffer&& other) noexcept;
    ~ImageBuffer();

    std::size_t sizeInBytes() const;
    // Bytes from one row to the next; 0 for a single row, as the detector's addressing expects.
    int step() const;
    bool isEmpty() const { return data == nullptr; }
    // Frees the array and leaves the empty buffer.
    void release();

    template <typename T> T* samples() { return reinterpret_cast<T*>(data); }
    template <typename T> const T* samples() const { return reinterpret_cast<const T*>(data); }
};

// Four-channel B,G,R,A to three-channel R,G,B; any other input gives the empty buffer.
ImageBuffer bgraToRgb(const ImageBuffer& buffer);

// Three-channel R,G,B or four-channel B,G,R,A to one-channel grey, with the BT.601 weights added
// in a fixed order and truncated; any other input (grey included) gives the empty buffer.
ImageBuffer toGray(const ImageBuffer& buffer);
