// How often a face's answer survives small changes of the photo that should not matter: each
// photo of a folder (by default the test photos) is also mirrored, cropped by a few pixels on
// one side or two, and scaled to 96% and 92%. The faces found in each changed photo are matched
// to the original's faces by their centres, and for every matched face the single reading and
// the steady reading are compared with the original's.
//
//     stability_check [FOLDER]
//
// Prints one line per face and change, then the totals: how many pairs keep their outcome, how
// many of those typed in both keep their type, and how many readings give a type at all.

#include "detect/find_faces.h"
#include "reading/prepare_face.h"
#include "reading/steady_reading.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QDir>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

// A change of the picture, and where it moves a point of the original.
struct Change {
    const char* name;
    std::function<QImage(const QImage&)> apply;
    std::function<QPointF(QPointF, QSize)> movePoint;  // point, original size
};

QImage scaledBy(const QImage& picture, double factor)
{
    return picture.scaled(int(std::lround(picture.width() * factor)),
                          int(std::lround(picture.height() * factor)), Qt::IgnoreAspectRatio,
                          Qt::SmoothTransformation);
}

// Cropping columns off the left and rows off the top moves the content left and up.
Change cropped(const char* name, int left, int top)
{
    return {name,
            [=](const QImage& p) { return p.copy(left, top, p.width() - left, p.height() - top); },
            [=](QPointF point, QSize) { return point - QPointF(left, top); }};
}

Change scaled(const char* name, double factor)
{
    return {name, [=](const QImage& p) { return scaledBy(p, factor); },
            [=](QPointF point, QSize original) {
                const QSize size = QSize(int(std::lround(original.width() * factor)),
                                         int(std::lround(original.height() * factor)));
                return QPointF(point.x() * size.width() / original.width(),
                               point.y() * size.height() / original.height());
            }};
}

std::vector<Change> changes()
{
    return {
        {"mirrored", [](const QImage& p) { return p.mirrored(true, false); },
         [](QPointF point, QSize original) {
             return QPointF(original.width() - point.x(), point.y());
         }},
        cropped("2 px left", 2, 0),
        cropped("3 px up", 0, 3),
        cropped("4 px left and up", 4, 4),
        scaled("scaled 96%", 0.96),
        scaled("scaled 92%", 0.92),
    };
}

struct FaceAnswers {
    FaceRect box;
    SteadyOutcome single;  // the reading of Read Face, as a vote
    SteadyOutcome steady;
};

SteadyOutcome readOnce(const QImage& picture, const FaceRect& box)
{
    const QImage prepared = prepareFaceImage(cropFace(picture, box));
    if (!isColour(prepared))
        return SteadyOutcome::NotColour;
    return steadyOutcomeOf(readFace(prepared));
}

std::vector<FaceAnswers> readFaces(const QImage& picture, FaceDetector& detector, int threads)
{
    std::vector<FaceAnswers> faces;
    for (const FaceRect& box : findFaces(toGray(loadImageBuffer(picture)), detector, {threads}))
        faces.push_back({box, readOnce(picture, box), readSteadily(picture, box, threads).outcome});
    return faces;
}

QPointF centre(const FaceRect& box) { return {box.x + box.width / 2.0, box.y + box.height / 2.0}; }

// The changed photo's face whose centre lies nearest where the original face's centre went,
// within a quarter of the face's width.
const FaceAnswers* match(const std::vector<FaceAnswers>& faces, QPointF expected, double width)
{
    const FaceAnswers* best = nullptr;
    double bestDistance = width / 4;
    for (const FaceAnswers& face : faces) {
        const QPointF d = centre(face.box) - expected;
        const double distance = std::hypot(d.x(), d.y());
        if (distance <= bestDistance) {
            best = &face;
            bestDistance = distance;
        }
    }
    return best;
}

bool isType(SteadyOutcome o) { return o <= SteadyOutcome::WATER; }

struct Tally {
    int pairs = 0;
    int same = 0;
    int typedInBoth = 0;
    int typeKept = 0;
    int readings = 0;
    int typed = 0;

    void add(SteadyOutcome original, SteadyOutcome changed)
    {
        ++pairs;
        same += original == changed;
        if (isType(original) && isType(changed)) {
            ++typedInBoth;
            typeKept += original == changed;
        }
    }
    void countReading(SteadyOutcome o)
    {
        ++readings;
        typed += isType(o);
    }
};

// A decoder's remarks about a colour profile are no concern here.
void keepOnlyErrors(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

double percent(int part, int whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

void printTally(const char* name, const Tally& t)
{
    std::printf("%-7s same outcome in %d of %d pairs (%.0f%%); typed in both: %d, type kept in %d "
                "(%.0f%%); readings with a type: %d of %d (%.0f%%)\n",
                name, t.same, t.pairs, percent(t.same, t.pairs), t.typedInBoth, t.typeKept,
                percent(t.typeKept, t.typedInBoth), t.typed, t.readings,
                percent(t.typed, t.readings));
}

}  // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(keepOnlyErrors);
    setDiagnosticsStream(nullptr);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELMORA_TEST_DATA "/photos");
    const std::string cascade = VELMORA_CASCADE;
    FaceDetector detector(std::wstring(cascade.begin(), cascade.end()));
    if (!detector.cascade) {
        std::fprintf(stderr, "stability_check: cannot load the cascade %s\n", cascade.c_str());
        return 2;
    }
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));

    Tally single, steady;
    int lost = 0;
    const QStringList names =
        QDir(folder).entryList({"*.png", "*.jpg", "*.jpeg", "*.bmp"}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QImage picture = reducePicture(QImage(QDir(folder).filePath(name)));
        if (picture.isNull())
            continue;
        const std::vector<FaceAnswers> originals = readFaces(picture, detector, threads);
        if (originals.empty())
            continue;
        for (const Change& change : changes()) {
            const std::vector<FaceAnswers> changed =
                readFaces(change.apply(picture), detector, threads);
            for (std::size_t i = 0; i < originals.size(); ++i) {
                const FaceAnswers& a = originals[i];
                const FaceAnswers* b =
                    match(changed, change.movePoint(centre(a.box), picture.size()), a.box.width);
                std::printf("%s face %zu, %s: ", name.toLocal8Bit().constData(), i, change.name);
                if (!b) {
                    ++lost;
                    std::printf("not found\n");
                    continue;
                }
                single.add(a.single, b->single);
                steady.add(a.steady, b->steady);
                for (SteadyOutcome o : {a.single, b->single})
                    single.countReading(o);
                for (SteadyOutcome o : {a.steady, b->steady})
                    steady.countReading(o);
                std::printf("single %s -> %s, steady %s -> %s\n", steadyOutcomeName(a.single),
                            steadyOutcomeName(b->single), steadyOutcomeName(a.steady),
                            steadyOutcomeName(b->steady));
            }
        }
    }
    printTally("single", single);
    printTally("steady", steady);
    std::printf("faces not found again after a change: %d\n", lost);
    return 0;
}
