#include "reading/steady_views.h"

#include "reading/hsv.h"
#include "reading/prepare_face.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <cstring>

namespace {

bool liesInside(int pictureWidth, int pictureHeight, const FaceRect& box)
{
    return box.width > 0 && box.height > 0 && box.x >= 0 && box.y >= 0 &&
           box.width <= pictureWidth - box.x && box.height <= pictureHeight - box.y;
}

// Moves a start back inside 0..limit - length; a box longer than the limit keeps a negative one.
int keptInside(int start, int length, int limit)
{
    if (start < 0)
        start = 0;
    if (start + length > limit)
        start = limit - length;
    return start;
}

// Probe pixels carry their column in the low twelve bits and their row in the next twelve.
constexpr int coordinateBits = 12;
constexpr int coordinateLimit = 1 << coordinateBits;
constexpr std::uint32_t coordinateMask = coordinateLimit - 1;

// Calls visit(i, x, y, pixel) for each prepared pixel i of the view with the picture pixel
// (x, y) it is taken from and that pixel's bytes in the picture (Format_RGB32).
template <typename Visit>
void forEachSample(const QImage& picture, const SteadyViewPlace& place, const CutSampling& sampling,
                   Visit visit)
{
    const QRect cut = faceCutRect(picture.height(), place.box);
    const uchar* bits = picture.constBits();
    const std::size_t rowBytes = picture.bytesPerLine();
    // The mirror image's column c is the cut's column width - 1 - c.
    const int first = place.mirrored ? cut.left() + cut.width() - 1 : cut.left();
    const int sign = place.mirrored ? -1 : 1;
    const std::size_t pixels = sampling.column.size();
    for (std::size_t i = 0; i < pixels; ++i) {
        const int x = first + sign * sampling.column[i];
        const int y = cut.top() + sampling.row[i];
        visit(i, x, y, bits + std::size_t(y) * rowBytes + 4 * std::size_t(x));
    }
}

}  // namespace

int steadyStep(int faceWidth) { return faceWidth / 24 > 1 ? faceWidth / 24 : 1; }

std::vector<SteadyViewPlace> steadyViewPlaces(int pictureWidth, int pictureHeight,
                                              const FaceRect& face)
{
    std::vector<SteadyViewPlace> places;
    if (!liesInside(pictureWidth, pictureHeight, face))
        return places;
    const int d = steadyStep(face.width);
    places.reserve(steadyViewCount);
    for (int planned : {-d, 0, d}) {
        // The box lies inside the picture, so these sums stay far from overflow.
        const bool fits = face.width + 2 * planned <= pictureWidth &&
                          face.height + 2 * planned <= pictureHeight &&
                          face.width + 2 * planned > 0 && face.height + 2 * planned > 0;
        const int g = fits ? planned : 0;
        const int width = face.width + 2 * g;
        const int height = face.height + 2 * g;
        for (int dy : {-d, 0, d}) {
            for (int dx : {-d, 0, d}) {
                FaceRect box = face;
                box.x = keptInside(face.x - g + dx, width, pictureWidth);
                box.y = keptInside(face.y - g + dy, height, pictureHeight);
                box.width = width;
                box.height = height;
                for (bool mirrored : {false, true})
                    places.push_back({g, dx, dy, mirrored, box});
            }
        }
    }
    return places;
}

CutSampling cutSampling(int cutWidth, int cutHeight)
{
    CutSampling sampling;
    sampling.cutWidth = cutWidth;
    sampling.cutHeight = cutHeight;
    if (cutWidth <= 0 || cutHeight <= 0 || cutWidth >= coordinateLimit ||
        cutHeight >= coordinateLimit)
        return sampling;
    QImage probe(cutWidth, cutHeight, QImage::Format_RGB32);
    if (probe.isNull())
        return sampling;
    for (int y = 0; y < cutHeight; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(probe.scanLine(y));
        for (int x = 0; x < cutWidth; ++x)
            line[x] = 0xff000000u | std::uint32_t(y) << coordinateBits | std::uint32_t(x);
    }
    const QImage prepared = prepareFaceImage(probe);
    if (prepared.isNull())
        return sampling;
    sampling.width = prepared.width();
    sampling.height = prepared.height();
    sampling.column.reserve(std::size_t(sampling.width) * sampling.height);
    sampling.row.reserve(std::size_t(sampling.width) * sampling.height);
    for (int v = 0; v < sampling.height; ++v) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(prepared.constScanLine(v));
        for (int u = 0; u < sampling.width; ++u) {
            sampling.column.push_back(int(line[u] & coordinateMask));
            sampling.row.push_back(int(line[u] >> coordinateBits & coordinateMask));
        }
    }
    return sampling;
}

ImageBuffer preparedView(const QImage& picture, const SteadyViewPlace& place,
                         const CutSampling& sampling)
{
    ImageBuffer view(sampling.width, sampling.height, 4, 1);
    forEachSample(picture, place, sampling, [&](std::size_t i, int, int, const uchar* pixel) {
        std::memcpy(view.data + 4 * i, pixel, 4);
    });
    return view;
}

ImageBuffer preparedViewByCopies(const QImage& picture, const SteadyViewPlace& place)
{
    const QImage cut = cropFace(picture, place.box);
    return loadImageBuffer(prepareFaceImage(place.mirrored ? cut.mirrored(true, false) : cut));
}

ViewColours::ViewColours(const QImage& picture, QRect area) : picture_(picture), area_(area) {}

KnownColours ViewColours::ofView(const SteadyViewPlace& place, const CutSampling& sampling)
{
    if (known_.empty()) {  // the first view with colour; grey faces never need the room
        known_.assign(std::size_t(area_.width()) * std::size_t(area_.height()), 0);
        hue_.resize(known_.size());
        saturation_.resize(known_.size());
    }
    KnownColours colours;
    colours.hue.resize(sampling.column.size());
    colours.saturation.resize(sampling.column.size());
    forEachSample(picture_, place, sampling, [&](std::size_t i, int x, int y, const uchar* bytes) {
        const std::size_t k = std::size_t(y - area_.top()) * std::size_t(area_.width()) +
                              std::size_t(x - area_.left());
        if (!known_[k]) {
            QRgb pixel;
            std::memcpy(&pixel, bytes, sizeof pixel);
            hue_[k] = pixelHue(qRed(pixel), qGreen(pixel), qBlue(pixel));
            saturation_[k] = pixelSaturation(qRed(pixel), qGreen(pixel), qBlue(pixel));
            known_[k] = 1;
        }
        colours.hue[i] = hue_[k];
        colours.saturation[i] = saturation_[k];
    });
    return colours;
}
