#include "cli/examine_picture.h"

#include "detect/detect_faces.h"
#include "reading/prepare_face.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QFile>
#include <QImage>

const char* const failedToReadImage = "Failed to read image";

namespace {

ReadOutcome readCut(const QImage& picture, const FaceRect& rect)
{
    const QImage prepared = prepareFaceImage(cropFace(picture, rect));
    if (!isColour(prepared)) {
        ReadOutcome outcome;
        outcome.status = ReadOutcome::Status::NotColour;
        return outcome;
    }
    return readFace(prepared);
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

    const std::vector<FaceRect> rects = detectFaces(toGray(loadImageBuffer(picture)), detector);
    findings.faceCount = static_cast<int>(rects.size());

    if (request.read && request.face) {
        const int wanted = *request.face;
        if (wanted >= findings.faceCount) {
            findings.error = "No face " + std::to_string(wanted) + ": " +
                             std::to_string(findings.faceCount) +
                             (findings.faceCount == 1 ? " face found" : " faces found");
            return findings;
        }
        findings.faces.push_back({wanted, rects[wanted], readCut(picture, rects[wanted])});
        return findings;
    }
    for (int i = 0; i < findings.faceCount; ++i) {
        FaceFinding face{i, rects[i], std::nullopt};
        if (request.read)
            face.reading = readCut(picture, rects[i]);
        findings.faces.push_back(face);
    }
    return findings;
}
