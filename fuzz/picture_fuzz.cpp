// Arbitrary bytes as a picture file, through the same steps as the command-line tool and the
// window: Qt's decoders (format from the content), the reduction to 1000 pixels, detection, and
// the reading of every face cut from the reduced picture.
//
// The cascade is the one beside the executable, or the file named by VELMORA_CASCADE.

#include "detect/detect_faces.h"
#include "fuzz/fuzz_detector.h"
#include "reading/prepare_face.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdint>

namespace {

constexpr std::size_t maxFacesRead = 4;

FaceDetector& detector() { return fuzzDetector("picture_fuzz"); }

void silenceQt(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(silenceQt);
    // Our code sees at most 1000 x 1000 pixels after the reduction; pictures that decode to more
    // than this only spend the fuzzer's time in Qt's decoders.
    QImageReader::setAllocationLimit(64);
    detector();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QImage original = QImage::fromData(data, static_cast<int>(size));
    if (original.isNull())
        return 0;
    const QImage picture = reducePicture(original);
    const std::vector<FaceRect> faces = detectFaces(toGray(loadImageBuffer(picture)), detector());
    for (std::size_t i = 0; i < faces.size() && i < maxFacesRead; ++i) {
        const QImage prepared = prepareFaceImage(cropFace(picture, faces[i]));
        if (isColour(prepared))
            readFace(prepared);
    }
    return 0;
}
