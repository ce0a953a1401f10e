#include "cli/annotated_pictures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> namesOf(const std::vector<QString>& paths)
{
    std::vector<std::string> names;
    for (const QString& path : paths)
        names.push_back(QFileInfo(path).fileName().toStdString());
    return names;
}

TEST(AnnotatedPicturePaths, OneDistinctNamePerPictureInArgumentOrder)
{
    struct Case {
        std::vector<std::string> pictures;
        std::vector<std::string> names;
    };
    // clang-format off
    const Case cases[] = {
        {{"a.png", "b.jpg"},                       {"a.png", "b.png"}},
        {{"x/a.png", "y/a.png", "a.jpg"},          {"a.png", "a-2.png", "a-3.png"}},
        {{"a.png", "a.jpg", "a-2.png"},            {"a.png", "a-2.png", "a-2-2.png"}},
        {{"photo.final.jpeg", "noext"},            {"photo.final.png", "noext.png"}},
        {{".png", "dir/", "picture.bmp"},          {"picture.png", "picture-2.png", "picture-3.png"}},
        {{"a.png", "a.png"},                       {"a.png", "a-2.png"}},
        {{},                                       {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::vector<QString> paths = annotatedPicturePaths("out", c.pictures);
        EXPECT_EQ(namesOf(paths), c.names);
        for (const QString& path : paths)
            EXPECT_EQ(QFileInfo(path).path(), "out");
    }
}

TEST(AnnotatedPicturePaths, NeverThePathOfAnInputPicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile(dir.filePath("face.png")).open(QIODevice::WriteOnly);
    QFile(dir.filePath("face-2.png")).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir("out");
    // out/link.png leads to an input picture: writing there would overwrite it.
    ASSERT_TRUE(QFile::link(dir.filePath("face.png"), dir.filePath("out/link.png")));
    // out/old.png is an earlier annotation, not an input: it may be replaced.
    QFile(dir.filePath("out/old.png")).open(QIODevice::WriteOnly);

    const std::string face = dir.filePath("face.png").toStdString();
    const std::string second = dir.filePath("face-2.png").toStdString();
    // Only the batch's own pictures are protected: face-2.png is not one of them here.
    EXPECT_EQ(namesOf(annotatedPicturePaths(dir.path(), {face})),
              std::vector<std::string>{"face-2.png"});
    EXPECT_EQ(namesOf(annotatedPicturePaths(dir.path(), {second, face})),
              (std::vector<std::string>{"face-2-2.png", "face-3.png"}));
    EXPECT_EQ(namesOf(annotatedPicturePaths(dir.filePath("out"), {"elsewhere/link.jpg", face})),
              (std::vector<std::string>{"link-2.png", "face.png"}));
    EXPECT_EQ(namesOf(annotatedPicturePaths(dir.filePath("out"), {"old.jpg"})),
              std::vector<std::string>{"old.png"});
}

}  // namespace
