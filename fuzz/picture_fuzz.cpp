// Arbitrary bytes as a picture file, through the same steps as the command-line tool and the
// window: Qt's decoders (format from the content), the reduction to 1000 pixels, detection, and
// the reading of faces cut from the reduced picture.
//
// Each step runs on what the one before gave, within limits that keep an execution short: the
// decoders see every input, but pictures that declare more than 65 536 pixels are not decoded
// (a strip of 1001 x 65 still is, so the reduction runs); only reduced pictures of at most
// 2 500 pixels (50 x 50) are scanned; and only faces whose prepared image has at most 64 pixels a side
// are read. Detection and reading on larger pictures are the same code, driven harder by the
// detect and read harnesses.
//
// The cascade is the one beside the executable, or the file named by VELMORA_CASCADE.

#include "detect/detect_faces.h"
#include "fuzz/fuzz_detector.h"
#include "reading/prepare_face.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdint>

namespace {

constexpr qint64 maxDecodedPixels = 65536;
constexpr qint64 maxScannedPixels = 2500;
constexpr int maxReadSide = 64;
constexpr std::size_t maxFacesRead = 4;

// The cascade's first three stages: they find "faces" in most small pictures with some structure,
// so that cutting, preparing and reading are reached; the full cascade's decisions are the
// detect harness's and the end-to-end tests' concern.
FaceDetector& detector()
{
    static FaceDetector firstStages = fuzzDetectorStages("picture_fuzz", 3);
    return firstStages;
}

void silenceQt(QtMsgType, const QMessageLogContext&, const QString&) {}

qint64 area(QSize size) { return qint64(size.width()) * size.height(); }

// The picture as QImage::fromData decodes it, unless its header declares too many pixels.
QImage decode(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (area(reader.size()) > maxDecodedPixels)
        return {};
    return reader.read();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(silenceQt);
    // For formats whose header does not give the size: no decoder allocates more than this.
    QImageReader::setAllocationLimit(2);
    detector();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QImage original = decode(data, size);
    if (original.isNull())
        return 0;
    const QImage picture = reducePicture(original);
    if (area(picture.size()) > maxScannedPixels)
        return 0;
    const std::vector<FaceRect> faces = detectFaces(toGray(loadImageBuffer(picture)), detector());
    for (std::size_t i = 0; i < faces.size() && i < maxFacesRead; ++i) {
        const QImage prepared = prepareFaceImage(cropFace(picture, faces[i]));
        if (isColour(prepared) && prepared.width() <= maxReadSide &&
            prepared.height() <= maxReadSide)
            readFace(prepared);
    }
    return 0;
}
