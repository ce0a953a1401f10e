// Where the programs look for their cascade: beside the executable, then in the installed data
// folder relative to it.

#include "vision/cascade_location.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Layout {
    const char* name;
    bool besideExecutable;  // bin/haarcascade_frontalface_alt.xml
    bool installed;         // share/velmora/haarcascade_frontalface_alt.xml
    const char* expected;   // relative to the prefix
};

void touch(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

}  // namespace

TEST(CascadeLocation, BesideTheExecutableWinsThenTheInstalledDataFolder)
{
    const Layout layouts[] = {
        {"build folder", true, false, "bin/haarcascade_frontalface_alt.xml"},
        {"installed", false, true, "share/velmora/haarcascade_frontalface_alt.xml"},
        {"both", true, true, "bin/haarcascade_frontalface_alt.xml"},
        {"neither: the usual place is named", false, false, "bin/haarcascade_frontalface_alt.xml"},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        QTemporaryDir prefix;
        ASSERT_TRUE(prefix.isValid());
        const QString bin = prefix.filePath("bin");
        ASSERT_TRUE(QDir().mkpath(bin));
        if (layout.besideExecutable)
            touch(prefix.filePath("bin/haarcascade_frontalface_alt.xml"));
        if (layout.installed)
            touch(prefix.filePath("share/velmora/haarcascade_frontalface_alt.xml"));
        EXPECT_EQ(findCascade(bin).toStdString(),
                  prefix.filePath(QLatin1String(layout.expected)).toStdString());
    }
}

TEST(CascadeLocation, AFolderOfTheCascadesNameIsNotTheCascade)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    ASSERT_TRUE(QDir().mkpath(prefix.filePath("bin/haarcascade_frontalface_alt.xml")));
    touch(prefix.filePath("share/velmora/haarcascade_frontalface_alt.xml"));
    EXPECT_EQ(findCascade(prefix.filePath("bin")).toStdString(),
              prefix.filePath("share/velmora/haarcascade_frontalface_alt.xml").toStdString());
}
