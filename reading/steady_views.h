#pragma once
// The nearby views of a face that a steady reading reads: the face box in three sizes, each at
// nine positions, each cut as Read Face cuts a face and also mirrored, and the prepared pixels of
// each view.
//
// Preparing a view the plain way copies the cut, mirrors the copy and reduces it to the reader's
// size: two copies of up to a third of a megapixel for ten thousand pixels kept, 54 times a face.
// The reduction is nearest-pixel sampling, so each prepared pixel is one pixel of the cut, and
// which one depends only on the cut's size. CutSampling records that choice once per size, and
// preparedView then takes the few pixels it needs straight from the picture.

#include "reading/pixel_colours.h"
#include "vision/face_rect.h"
#include "vision/image_buffer.h"

#include <QRect>

#include <cstdint>
#include <vector>

class QImage;

// The views of a face, in the order they are listed and voted on.
constexpr int steadyViewCount = 54;
// The view that Read Face reads: the face's own size, not moved, not mirrored.
constexpr int faithfulViewIndex = 26;

// Where one view lies. Views are listed size by size (shrunk, own, grown), then by row offset,
// then by column offset (each -d, 0, d), the plain view before its mirror image.
struct SteadyViewPlace {
    int grow = 0;  // on every side; the planned size when it fits in the picture, else 0
    int dx = 0;    // the offset asked for; box says where clamping put it
    int dy = 0;
    bool mirrored = false;
    FaceRect box;  // grown, moved and kept inside the picture: the box the view is cut from
};

// The step between views of a face of this width: one pixel in 24 of its width, at least one.
int steadyStep(int faceWidth);

// The 54 places of a face box that lies inside a picture of the given size. A size that would
// not fit in the picture, or would leave no pixel, uses the face's own size instead, so some
// views may repeat. Empty when the box does not lie inside the picture or has no pixel.
std::vector<SteadyViewPlace> steadyViewPlaces(int pictureWidth, int pictureHeight,
                                              const FaceRect& face);

// How prepareFaceImage reduces a face cut of one size: the prepared size, and for each prepared
// pixel (row by row) the cut's column and row it takes. Empty (width 0) for a cut too large to
// be sampled this way (4096 pixels or more on a side).
struct CutSampling {
    int cutWidth = 0;
    int cutHeight = 0;
    int width = 0;
    int height = 0;
    std::vector<int> column;
    std::vector<int> row;
};

// Asks Qt's own scaling where it samples, so that the record can never drift from
// prepareFaceImage: a cut whose every pixel holds its own coordinates is prepared, and the
// prepared pixels tell which pixels they came from.
CutSampling cutSampling(int cutWidth, int cutHeight);

// The prepared view as 4-channel B,G,R,A pixels, the same bytes as
// loadImageBuffer(prepareFaceImage(mirror(cropFace(picture, place.box)))) with mirror a
// left-right flip when place.mirrored. picture: Format_RGB32, with place.box inside it; sampling:
// cutSampling of that cut's size, not empty. Reads the picture only, so several threads may
// prepare views of one picture at once.
ImageBuffer preparedView(const QImage& picture, const SteadyViewPlace& place,
                         const CutSampling& sampling);

// The same view made the plain way, through Qt: cut, mirror, prepare. For any picture and box.
ImageBuffer preparedViewByCopies(const QImage& picture, const SteadyViewPlace& place);

// The hue and saturation of the picture's pixels within an area, each worked out the first time
// a view asks for it: the views of a face share most of their pixels, and the colours cost an
// arc cosine each. Not for sharing between threads; give each thread its own.
class ViewColours {
public:
    // picture: Format_RGB32, outliving this record; area: inside it, holding the views' cuts.
    ViewColours(const QImage& picture, QRect area);

    // The colours of preparedView(picture, place, sampling), pixel for pixel. The view's cut
    // (faceCutRect of place.box) lies in the area; sampling is not empty.
    KnownColours ofView(const SteadyViewPlace& place, const CutSampling& sampling);

private:
    const QImage& picture_;
    QRect area_;
    std::vector<std::uint8_t> known_;
    std::vector<double> hue_;
    std::vector<double> saturation_;
};
