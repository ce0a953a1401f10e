#include "cli/annotated_pictures.h"

#include "reading/annotation.h"
#include "vision/png_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

std::vector<QString> annotatedPicturePaths(const QString& folder,
                                           const std::vector<std::string>& pictures)
{
    QSet<QString> inputs;
    for (const std::string& picture : pictures) {
        const QString canonical = QFileInfo(QFile::decodeName(picture.c_str())).canonicalFilePath();
        if (!canonical.isEmpty())
            inputs.insert(canonical);
    }
    const QDir dir(folder);
    auto isInput = [&](const QString& path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        return !canonical.isEmpty() && inputs.contains(canonical);
    };

    QSet<QString> taken;
    std::vector<QString> paths;
    for (const std::string& picture : pictures) {
        QString name = QFileInfo(QFile::decodeName(picture.c_str())).completeBaseName();
        if (name.isEmpty())
            name = QStringLiteral("picture");
        QString chosen = name;
        for (int n = 2; taken.contains(chosen) || isInput(dir.filePath(chosen + ".png")); ++n)
            chosen = name + QLatin1Char('-') + QString::number(n);
        taken.insert(chosen);
        paths.push_back(dir.filePath(chosen + ".png"));
    }
    return paths;
}

QImage drawFindings(const PictureFindings& findings)
{
    std::vector<FaceAnnotation> faces;
    for (std::size_t i = 0; i < findings.detected.size(); ++i)
        faces.push_back({findings.detected[i], int(i), std::nullopt, std::nullopt});
    for (const FaceFinding& face : findings.faces) {
        if (face.index >= 0 && std::size_t(face.index) < faces.size()) {
            faces[face.index].outcome = face.reading;
            faces[face.index].report = face.report;
            if (face.steady)
                faces[face.index].label = QString::fromStdString(steadyLabel(*face.steady));
        }
    }
    return annotatePicture(findings.picture, faces);
}

std::string writeAnnotatedPicture(const QString& path, const QImage& image)
{
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder))
        return "Cannot create the folder " + QFile::encodeName(folder).toStdString() +
               " for the annotated picture";
    const QString error = writePng(image, path);
    if (error.isEmpty())
        return {};
    return "Cannot write the annotated picture " + QFile::encodeName(path).toStdString() + ": " +
           error.toStdString();
}
