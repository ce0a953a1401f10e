#include "vision/image_buffer.h"

#include <array>
#include <cstring>
#include <utility>

ImageBuffer::ImageBuffer(int width, int height, int channels, int depth)
{
    if (width < 0 || height < 0 || channels < 0 || depth < 1)
        return;
    this->width = width;
    this->height = height;
    this->channels = channels;
    this->depth = depth;
    data = new unsigned char[sizeInBytes()]();
}

ImageBuffer::ImageBuffer(const ImageBuffer& other)
    : data(other.data ? new unsigned char[other.sizeInBytes()] : nullptr), width(other.width),
      height(other.height), channels(other.channels), depth(other.depth)
{
    if (data)
        std::memcpy(data, other.data, other.sizeInBytes());
}

ImageBuffer::ImageBuffer(ImageBuffer&& other) noexcept
    : data(std::exchange(other.data, nullptr)), width(std::exchange(other.width, 0)),
      height(std::exchange(other.height, 0)), channels(std::exchange(other.channels, 0)),
      depth(std::exchange(other.depth, 1))
{
}

ImageBuffer& ImageBuffer::operator=(const ImageBuffer& other)
{
    if (this != &other) {
        ImageBuffer copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ImageBuffer& ImageBuffer::operator=(ImageBuffer&& other) noexcept
{
    if (this != &other) {
        delete[] data;
        data = std::exchange(other.data, nullptr);
        width = std::exchange(other.width, 0);
        height = std::exchange(other.height, 0);
        channels = std::exchange(other.channels, 0);
        depth = std::exchange(other.depth, 1);
    }
    return *this;
}

ImageBuffer::~ImageBuffer() { delete[] data; }

std::size_t ImageBuffer::sizeInBytes() const
{
    return std::size_t(width) * std::size_t(height) * std::size_t(channels) * std::size_t(depth);
}

int ImageBuffer::step() const { return height == 1 ? 0 : width * channels * depth; }

void ImageBuffer::release() { *this = ImageBuffer(); }

ImageBuffer bgraToRgb(const ImageBuffer& buffer)
{
    if (buffer.channels != 4 || buffer.depth != 1)
        return {};
    ImageBuffer rgb(buffer.width, buffer.height, 3, 1);
    const std::size_t pixels = std::size_t(buffer.width) * std::size_t(buffer.height);
    const unsigned char* in = buffer.data;
    unsigned char* out = rgb.data;
    for (std::size_t i = 0; i < pixels; ++i, in += 4, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
    return rgb;
}

namespace {
// The products of each weight with every byte value, the same doubles as multiplied out.
struct GreyWeights {
    std::array<double, 256> r, g, b;
};

const GreyWeights& greyWeights()
{
    static const GreyWeights weights = [] {
        GreyWeights w;
        for (int v = 0; v < 256; ++v) {
            w.r[v] = 0.299 * v;
            w.g[v] = 0.587 * v;
            w.b[v] = 0.114 * v;
        }
        return w;
    }();
    return weights;
}

// The products are rounded one by one and added in this order; the truncation then makes some
// neutral values map one below themselves (128 gives 127), which the detector's results rely on.
unsigned char greyValue(const GreyWeights& w, unsigned char r, unsigned char g, unsigned char b)
{
    double s = w.g[g] + w.r[r];
    s = s + w.b[b];
    return static_cast<unsigned char>(s);
}
}  // namespace

ImageBuffer toGray(const ImageBuffer& buffer)
{
    if ((buffer.channels != 3 && buffer.channels != 4) || buffer.depth != 1)
        return {};
    ImageBuffer grey(buffer.width, buffer.height, 1, 1);
    const std::size_t pixels = std::size_t(buffer.width) * std::size_t(buffer.height);
    const unsigned char* in = buffer.data;
    const GreyWeights& w = greyWeights();
    if (buffer.channels == 3) {
        for (std::size_t i = 0; i < pixels; ++i, in += 3)
            grey.data[i] = greyValue(w, in[0], in[1], in[2]);
    } else {
        for (std::size_t i = 0; i < pixels; ++i, in += 4)
            grey.data[i] = greyValue(w, in[2], in[1], in[0]);
    }
    return grey;
}
