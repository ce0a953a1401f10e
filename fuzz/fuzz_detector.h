#pragma once
// The detector shared by the harnesses that run whole pictures: the cascade beside the executable,
// or the file named by VELMORA_CASCADE, loaded once with its diagnostic lines silenced, and
// copies of its first stages. A harness without its cascade would fuzz nothing, so a missing one
// stops the run at once.

#include "vision/diagnostics.h"
#include "vision/haar_cascade.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstdlib>

inline QString fuzzCascadePath()
{
    if (const char* named = std::getenv("VELMORA_CASCADE"))
        return QString::fromLocal8Bit(named);
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(exe).dir().filePath(QStringLiteral("haarcascade_frontalface_alt.xml"));
}

// harness: the name that prefixes the refusal line.
inline FaceDetector& fuzzDetector(const char* harness)
{
    static FaceDetector* loaded = [harness] {
        setDiagnosticsStream(nullptr);
        auto* d = new FaceDetector(fuzzCascadePath().toStdWString());
        if (!d->cascade) {
            std::fprintf(stderr, "%s: cannot load the cascade %s\n", harness,
                         qPrintable(fuzzCascadePath()));
            std::abort();
        }
        return d;
    }();
    return *loaded;
}

// A detector of its own over the loaded cascade's first `count` stages (all of them when it has
// fewer): links past the cut lead nowhere. Few stages let many windows through, so that small
// pictures already give faces to group, cut and read.
inline FaceDetector fuzzDetectorStages(const char* harness, int count)
{
    FaceDetector cut = copyFaceDetector(fuzzDetector(harness));
    HaarCascade& cascade = *cut.cascade;
    if (count < cascade.count) {
        cascade.count = count;
        cascade.stages.resize(std::size_t(count));
    }
    for (HaarStage& stage : cascade.stages)
        for (int* link : {&stage.next, &stage.child, &stage.parent})
            if (*link >= cascade.count)
                *link = -1;
    return cut;
}
