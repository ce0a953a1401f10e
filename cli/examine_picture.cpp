#include "cli/examine_picture.h"

#include "detect/find_faces.h"
#include "reading/prepare_face.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QFile>
#include <QImage>

const char* const failedToReadImage = "Failed to read image";

namespace {

FaceFinding readCut(const QImage& picture, int index, const FaceRect& rect)
{
    FaceFinding face{index, rect, ReadOutcome(), std::nullopt};
    const QImage prepared = prepareFaceImage(cropFace(picture, rect));
    if (!isColour(prepared)) {
        face.reading->status = ReadOutcome::Status::NotColour;
        return face;
    }
    face.report.emplace();
    face.reading = readFace(prepared, &*face.report);
    return face;
}

FaceFinding readFinding(const QImage& picture, int index, const FaceRect& rect,
                        const ExamineRequest& request)
{
    FaceFinding face = readCut(picture, index, rect);
    if (request.steady) {
        face.steady = readSteadily(picture, rect, request.steadyThreads);
        // Only the vote is printed; the views' reports would wait for their turn in memory.
        face.steady->viewResults = {};
    }
    return face;
}

}  // namespace

PictureFindings examinePicture(const std::string& path, FaceDetector& detector,
                               const ExamineRequest& request)
{
    PictureFindings findings;
    findings.path = path;

    // The format comes from the content, as in the window; a folder, an empty file or one that no
    // reader accepts gives a null image. Qt's reader refuses pictures above its allocation
    // limit, which keeps a forged header from claiming gigabytes.
    const QImage original(QFile::decodeName(path.c_str()));
    if (original.isNull()) {
        findings.error = failedToReadImage;
        return findings;
    }
    const QImage picture = reducePicture(original);
    findings.loaded = true;
    findings.originalWidth = original.width();
    findings.originalHeight = original.height();
    findings.width = picture.width();
    findings.height = picture.height();

    const ImageBuffer grey = toGray(loadImageBuffer(picture));
    const std::vector<FaceRect> rects =
        findFaces(grey, detector, {request.detectionThreads, request.keepNested});
    findings.faceCount = static_cast<int>(rects.size());
    findings.detected = rects;
    if (request.keepPicture)
        findings.picture = picture;

    if (request.read && request.face) {
        const int wanted = *request.face;
        if (wanted >= findings.faceCount) {
            findings.error = "No face " + std::to_string(wanted) + ": " +
                             std::to_string(findings.faceCount) +
                             (findings.faceCount == 1 ? " face found" : " faces found");
            return findings;
        }
        findings.faces.push_back(readFinding(picture, wanted, rects[wanted], request));
        return findings;
    }
    for (int i = 0; i < findings.faceCount; ++i)
        findings.faces.push_back(request.read
                                     ? readFinding(picture, i, rects[i], request)
                                     : FaceFinding{i, rects[i], std::nullopt, std::nullopt});
    return findings;
}
