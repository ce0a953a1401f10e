#pragma once
// The prepared face images of a sample photograph, made the way the window makes them: reduced
// picture, grey buffer, detection, the face cut with its margins, then the reader's preparation.

#include "detect/find_faces.h"
#include "reading/prepare_face.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>

#include <string>
#include <vector>

// The reduced picture of a sample photograph and the faces found in it.
struct PhotoFaces {
    QImage picture;
    std::vector<FaceRect> faces;
};

inline PhotoFaces detectPhotoFaces(const std::string& fileName)
{
    std::ostream& keep = diagnostics();
    setDiagnosticsStream(nullptr);
    PhotoFaces found;
    found.picture = reducePicture(
        QImage(QString::fromStdString(std::string(VELMORA_TEST_DATA) + "/photos/" + fileName)));
    const std::string cascadePath = VELMORA_CASCADE;
    FaceDetector detector(std::wstring(cascadePath.begin(), cascadePath.end()));
    found.faces = findFaces(toGray(loadImageBuffer(found.picture)), detector);
    setDiagnosticsStream(&keep);
    return found;
}

inline std::vector<QImage> preparedPhotoFaces(const std::string& fileName)
{
    const PhotoFaces found = detectPhotoFaces(fileName);
    std::vector<QImage> faces;
    for (const FaceRect& rect : found.faces)
        faces.push_back(prepareFaceImage(cropFace(found.picture, rect)));
    return faces;
}
