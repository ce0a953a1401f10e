// Awkward and hostile input for velmora-cli: every one must end in a clear message and the
// documented exit status, never in a crash, and without the memory a forged header asks for.

#include "child_process.h"
#include "tests/bad_paths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const std::string photos = VELMORA_TEST_DATA "/photos/";
const std::string bad = VELMORA_TEST_DATA "/bad/";
constexpr long refusedPictureRssLimitKb = 300 * 1024;

class BadInput : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string path(const char* name) const
    {
        return QFile::encodeName(dir.filePath(name)).toStdString();
    }

    std::string write(const char* name, const QByteArray& bytes) const
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

    std::string save(const char* name, const QImage& image) const
    {
        EXPECT_TRUE(image.save(dir.filePath(name), "PNG")) << name;
        return path(name);
    }
};

QByteArray readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QJsonObject onlyJsonLine(const ChildResult& result)
{
    const std::vector<std::string> out = lines(result.out);
    EXPECT_EQ(out.size(), 1u) << result.out;
    if (out.empty())
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(out[0])).object();
}

// The PNG decoder library writes its own "libpng error: ..." line straight to stderr on a broken
// file, past Qt and past this tool; anything else on stderr is ours and must be exactly as
// expected.
std::string withoutDecoderNoise(const std::string& err)
{
    std::string kept;
    for (const std::string& line : lines(err))
        if (line.rfind("libpng error: ", 0) != 0)
            kept += line + '\n';
    return kept;
}

// The picture is refused by both commands with the window's message, status 1, and a small peak
// memory; stderr carries the message line without --json and nothing with it.
void expectRefused(const std::string& picture)
{
    SCOPED_TRACE(picture);
    for (const char* command : {"detect", "read"}) {
        const ChildResult json = runCli({command, "--json", picture});
        EXPECT_EQ(json.signal, 0);
        EXPECT_EQ(json.exitCode, 1);
        EXPECT_EQ(json.out,
                  "{\"image\": \"" + picture + "\", \"error\": \"Failed to read image\"}\n");
        EXPECT_EQ(withoutDecoderNoise(json.err), "");
        EXPECT_LT(json.peakRssKb, refusedPictureRssLimitKb);

        const ChildResult text = runCli({command, picture});
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_EQ(text.out, "");
        EXPECT_EQ(withoutDecoderNoise(text.err),
                  "velmora-cli: " + picture + ": Failed to read image\n");
    }
}

// The picture is accepted by both commands: status 0, one JSON line with its sizes.
QJsonObject expectAccepted(const std::string& picture, int width, int height)
{
    SCOPED_TRACE(picture);
    const ChildResult detect = runCli({"detect", "--json", picture});
    EXPECT_EQ(detect.signal, 0);
    EXPECT_EQ(detect.exitCode, 0) << detect.err;
    const QJsonObject found = onlyJsonLine(detect);
    EXPECT_EQ(found["width"].toInt(), width);
    EXPECT_EQ(found["height"].toInt(), height);
    EXPECT_TRUE(found["faces"].isArray());

    const ChildResult read = runCli({"read", "--json", picture});
    EXPECT_EQ(read.signal, 0);
    EXPECT_EQ(read.exitCode, 0) << read.err;
    const QJsonObject readOut = onlyJsonLine(read);
    EXPECT_EQ(readOut["faces"].toArray().size(), found["faces"].toArray().size());
    return readOut;
}

// A PNG signature and IHDR chunk (with its correct CRC) declaring a huge RGBA picture, then a
// little compressed data and the end chunk.
QByteArray forgedPngHeader(quint32 width, quint32 height)
{
    auto bigEndian = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = char(v >> (24 - 8 * i));
        return b;
    };
    auto crc32 = [](const QByteArray& bytes) {
        quint32 crc = 0xFFFFFFFFu;
        for (char c : bytes) {
            crc ^= quint8(c);
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return crc ^ 0xFFFFFFFFu;
    };
    auto chunk = [&](const char* type, const QByteArray& data) {
        const QByteArray typed = QByteArray(type) + data;
        return bigEndian(quint32(data.size())) + typed + bigEndian(crc32(typed));
    };
    const QByteArray ihdr =
        bigEndian(width) + bigEndian(height) + QByteArray("\x08\x06\x00\x00\x00", 5);
    const QByteArray idat = QByteArray::fromHex("789c636000000000010001");  // a few zero bytes
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", idat) +
           chunk("IEND", QByteArray());
}

TEST_F(BadInput, FilesThatAreNoPicturesAreRefused)
{
    expectRefused(write("empty.png", QByteArray()));
    expectRefused(write("notes.png", "These are notes, not a picture.\n"));
    expectRefused(write("noise.jpg", QByteArray(5000, '\x5a')));
}

TEST_F(BadInput, TruncatedPngIsRefused)
{
    const QByteArray png = readFile(photos + "astronaut.png");
    ASSERT_GT(png.size(), 10000);
    expectRefused(write("cut_header.png", png.left(30)));
    expectRefused(write("cut_data.png", png.left(png.size() / 2)));
}

TEST_F(BadInput, TruncatedJpegIsRefusedOrDecodedInPart)
{
    const QByteArray jpeg = readFile(photos + "grace_hopper.jpg");
    ASSERT_GT(jpeg.size(), 10000);
    expectRefused(write("cut_header.jpg", jpeg.left(100)));
    // Cut inside the scan, the decoder fills the rest of the picture in and the tool examines
    // what it got; the window behaves the same.
    expectAccepted(write("cut_scan.jpg", jpeg.left(jpeg.size() / 2)), 512, 600);
}

TEST_F(BadInput, HeaderClaimingThirtyThousandSquareIsRefusedWithinBoundedMemory)
{
    const std::string forged = write("huge.png", forgedPngHeader(30000, 30000));
    ASSERT_LT(readFile(forged).size(), 100);
    expectRefused(forged);
    // Sizes a decoder might still agree to allocate, and an absurdly tall one.
    expectRefused(write("large.png", forgedPngHeader(8000, 8000)));
    expectRefused(write("tall.png", forgedPngHeader(1000, 60000)));
    // In a batch the good pictures around it are still examined.
    const ChildResult batch =
        runCli({"read", "--json", photos + "astronaut.png", forged, photos + "grace_hopper.jpg"});
    EXPECT_EQ(batch.exitCode, 1);
    EXPECT_LT(batch.peakRssKb, refusedPictureRssLimitKb);
    const std::vector<std::string> out = lines(batch.out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_NE(out[0].find("\"reading\": "), std::string::npos);
    EXPECT_NE(out[1].find("\"error\": \"Failed to read image\""), std::string::npos);
    EXPECT_NE(out[2].find("\"reading\": "), std::string::npos);
}

TEST_F(BadInput, TinyAndExtremelyThinPicturesGiveNoFaces)
{
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(Qt::red);
    QImage two(2, 2, QImage::Format_RGB32);
    two.fill(QColor(200, 150, 120));
    QImage tall(1, 5000, QImage::Format_RGB32);
    tall.fill(QColor(200, 150, 120));
    QImage wide(5000, 1, QImage::Format_RGB32);
    wide.fill(QColor(200, 150, 120));
    // Reduced to 1000 on its long side, a thin picture's short side rounds to nothing: the
    // reduced picture is empty, reported as 0 x 0, and the detector gets an empty buffer.
    const struct {
        std::string path;
        int width, height;
    } cases[] = {{save("one.png", one), 1, 1},
                 {save("two.png", two), 2, 2},
                 {save("tall.png", tall), 0, 0},
                 {save("wide.png", wide), 0, 0}};
    for (const auto& c : cases) {
        const QJsonObject picture = expectAccepted(c.path, c.width, c.height);
        EXPECT_TRUE(picture["faces"].toArray().isEmpty());
    }
}

TEST_F(BadInput, UnusualPngFormatsAreReadLikeAnyOther)
{
    const QImage face(QString::fromStdString(photos + "astronaut.png"));
    ASSERT_FALSE(face.isNull());
    const QImage deep = face.convertToFormat(QImage::Format_RGBA64);
    const std::string deepPath = save("deep16.png", deep);
    EXPECT_EQ(readFile(deepPath).at(24), 16) << "bit depth in IHDR";
    const std::string alphaPath = save("alpha.png", face.convertToFormat(QImage::Format_ARGB32));
    const std::string palettePath =
        save("palette.png", face.convertToFormat(QImage::Format_Indexed8));
    EXPECT_EQ(readFile(palettePath).at(25), 3) << "colour type in IHDR";

    // The same face is found whatever the storage, and it is read in colour.
    for (const std::string& p : {deepPath, alphaPath, palettePath}) {
        const QJsonObject picture = expectAccepted(p, 512, 512);
        const QJsonArray faces = picture["faces"].toArray();
        ASSERT_EQ(faces.size(), 1) << p;
        EXPECT_NE(faces[0]["reading"]["outcome"].toString(), "not_colour") << p;
    }

    // Grey with alpha: the face is found, but a grey picture cannot be read.
    const QJsonObject grey = expectAccepted(bad + "grey_alpha.png", 200, 200);
    const QJsonArray greyFaces = grey["faces"].toArray();
    ASSERT_EQ(greyFaces.size(), 1);
    EXPECT_EQ(greyFaces[0]["reading"]["outcome"].toString(), "not_colour");
}

TEST_F(BadInput, CmykJpegIsDecoded)
{
    const QJsonObject plain = expectAccepted(bad + "cmyk.jpg", 64, 64);
    EXPECT_TRUE(plain["faces"].toArray().isEmpty());
    // A face stored as CMYK is found and read as a colour face.
    const QJsonObject face = expectAccepted(bad + "face_cmyk.jpg", 200, 200);
    const QJsonArray faces = face["faces"].toArray();
    ASSERT_EQ(faces.size(), 1);
    EXPECT_NE(faces[0]["reading"]["outcome"].toString(), "not_colour");
    EXPECT_TRUE(faces[0]["reading"]["mouth"].isArray());
}

TEST_F(BadInput, NonAsciiPathIsReadAndWrittenBackAsGiven)
{
    const char* name = "visage \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.png";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(photos + "astronaut.png"),
                            dir.filePath(QString::fromUtf8(name))));
    const std::string picture = path(name);
    const ChildResult result = runCli({"detect", "--json", picture});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("{\"image\": \"" + picture + "\", ", 0), 0u) << result.out;
    EXPECT_EQ(onlyJsonLine(result)["faces"].toArray().size(), 1);
}

TEST_F(BadInput, UnusableCascadeStopsWithOneLineAndStatusTwo)
{
    const std::string empty = write("empty.xml", QByteArray());
    const std::string notXml = write("cascade.xml", "stage 1: threshold 0.5\n\x01\x02\n");
    const std::string notCascade =
        write("other.xml", "<?xml version=\"1.0\"?>\n<notes><a>1</a></notes>\n");
    for (const std::string& cascade : {path("missing.xml"), empty, notXml, notCascade}) {
        SCOPED_TRACE(cascade);
        const ChildResult result =
            runCli({"detect", "--json", "--cascade", cascade, photos + "astronaut.png"});
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "velmora-cli: cannot load the face cascade " + cascade + "\n");
    }
}

// Devices, a pipe, a socket, a folder and a file past the size limit as the cascade: the tool
// stops at once with status 2 and one line naming the path and why. Each run has a time limit,
// since a reader waiting on the pipe or reading /dev/zero would never end.
TEST_F(BadInput, ACascadePathThatIsNoCascadeFileStopsAtOnceSayingWhy)
{
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    for (const BadPath& cascade : badPaths(folder, (64ull << 20) + 1)) {
        SCOPED_TRACE(cascade.name);
        ASSERT_FALSE(cascade.path.empty());
        const ChildResult result =
            runCli({"detect", "--cascade", cascade.path, photos + "astronaut.png"}, {},
                   ChildStderr::Pipe, 30);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "velmora-cli: cannot load the face cascade " + cascade.path + ": " +
                                  cascade.refusal + "\n");
    }
    // A link to the real cascade is the cascade.
    const std::string link = path("link.xml");
    ASSERT_TRUE(QFile::link(VELMORA_CASCADE, QString::fromStdString(link)));
    const ChildResult linked =
        runCli({"detect", "--json", "--cascade", link, photos + "astronaut.png"}, {},
               ChildStderr::Pipe, 60);
    EXPECT_EQ(linked.exitCode, 0) << linked.err;
    EXPECT_EQ(onlyJsonLine(linked)["faces"].toArray().size(), 1);
}

// A picture argument that is a device or a pipe is refused as such an entry of a folder is, in
// its place; the pictures around it are still examined, and a link to a picture is read.
TEST_F(BadInput, PictureArgumentsThatAreNoRegularFilesAreRefusedInTheirPlace)
{
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::vector<BadPath> kinds = badPaths(folder, 1);
    const std::string link = path("link.png");
    ASSERT_TRUE(QFile::link(QString::fromStdString(photos + "astronaut.png"),
                            QString::fromStdString(link)));
    const std::string pipe = kinds[2].path;
    const ChildResult result = runCli({"detect", "--json", "--jobs", "2", "/dev/zero",
                                       photos + "coffee.png", pipe, "/dev/urandom", link},
                                      {}, ChildStderr::Pipe, 60);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "velmora-cli: /dev/zero: not a regular file, not read\n"
                          "velmora-cli: " +
                              pipe +
                              ": not a regular file, not read\n"
                              "velmora-cli: /dev/urandom: not a regular file, not read\n");
    const std::vector<std::string> out = lines(result.out);
    ASSERT_EQ(out.size(), 2u) << result.out;
    EXPECT_EQ(out[0].rfind("{\"image\": \"" + photos + "coffee.png\", ", 0), 0u) << out[0];
    EXPECT_EQ(out[1].rfind("{\"image\": \"" + link + "\", ", 0), 0u) << out[1];
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(out[1]))["faces"].toArray().size(),
              1);
}

}  // namespace
