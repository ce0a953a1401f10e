#pragma once
// One picture through the same steps as the window's Open Picture and Read Face commands, with
// everything they found kept as plain values for printing.

#include "reading/face_reader.h"
#include "reading/reading_report.h"
#include "reading/steady_reading.h"
#include "vision/face_rect.h"
#include "vision/haar_cascade.h"

#include <QImage>

#include <optional>
#include <string>
#include <vector>

struct FaceFinding {
    int index = 0;                                       // position in the detector's list
    FaceRect rect;                                       // in pixels of the reduced picture
    std::optional<ReadOutcome> reading;                  // read command only
    std::optional<ReadingReport> report;                 // with a reading of a colour face
    std::optional<SteadyReading> steady = std::nullopt;  // with --steady: the vote alone
};

struct PictureFindings {
    std::string path;     // as given on the command line
    std::string error;    // empty when the picture was examined as asked
    bool loaded = false;  // the sizes and the detection below are valid
    int originalWidth = 0;
    int originalHeight = 0;
    int width = 0;  // the reduced picture in which the faces lie
    int height = 0;
    int faceCount = 0;  // faces found, whether or not all of them are listed
    std::vector<FaceFinding> faces;
    std::vector<FaceRect> detected;  // every face found, listed or not
    QImage picture;                  // the reduced picture, when asked to keep it
};

struct ExamineRequest {
    bool read = false;
    std::optional<int> face;   // with read: only this face
    bool keepPicture = false;  // keep the reduced picture in the findings, for drawing
    int detectionThreads = 1;  // threads that share the detection of the picture
    bool keepNested = false;   // list a face's nested boxes too, as the grouping gives them
    bool steady = false;       // with read: also read every read face steadily
    int steadyThreads = 1;     // threads that share the views of a steady reading
};

extern const char* const failedToReadImage;

PictureFindings examinePicture(const std::string& path, FaceDetector& detector,
                               const ExamineRequest& request);
