#pragma once
// Small pictures made of a harness's input: width and height first (two bytes each,
// little-endian, folded into 1 to maxSide), then, after whatever bytes the harness keeps for
// itself, the samples, repeated to fill the picture.

#include "vision/image_buffer.h"

#include <cstddef>
#include <cstdint>

// headerSize: the bytes before the samples, at least the four of the size; size must be at least
// that.
inline ImageBuffer pictureFromBytes(const std::uint8_t* data, std::size_t size,
                                    std::size_t headerSize, int channels, int maxSide)
{
    const int width = 1 + (data[0] | data[1] << 8) % maxSide;
    const int height = 1 + (data[2] | data[3] << 8) % maxSide;
    ImageBuffer picture(width, height, channels, 1);
    const std::uint8_t* samples = data + headerSize;
    const std::size_t sampleCount = size - headerSize;
    if (sampleCount > 0)
        for (std::size_t i = 0; i < picture.sizeInBytes(); ++i)
            picture.data[i] = samples[i % sampleCount];
    return picture;
}
