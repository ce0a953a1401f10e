// Cascade files straight into the loader, and every cascade it accepts into the detector: the
// loader promises that what it hands over is complete and safe to evaluate, so a fuzzed cascade
// must neither break the loader nor the scan that uses it. Every text the loader lets through to
// the XML parser is parsed once more here, to check that the nesting guard in front of the parser
// never counts less deeply than the parser goes.

#include "detect/detect_faces.h"
#include "vision/diagnostics.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"
#include "vision/xml_nesting.h"

#include <tinyxml.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "cascade_fuzz: broken promise: %s\n", what);
        std::abort();
    }
}

[[noreturn]] void setUpFailed(const char* what)
{
    std::fprintf(stderr, "cascade_fuzz: set-up failed: %s: %s\n", what, std::strerror(errno));
    std::abort();
}

// The loader reads a file by its path, so each input becomes a file: a memory file, reached
// through /proc/self/fd, one per process. It needs no writable folder, and parallel jobs do not
// share it. When it cannot be made or written the run stops: returning early would let every
// input pass without reaching the loader.
int scratchDescriptor()
{
    static const int descriptor = [] {
        const int fd = ::memfd_create("velmora-cascade-fuzz", MFD_CLOEXEC);
        if (fd < 0)
            setUpFailed("cannot create the memory file");
        return fd;
    }();
    return descriptor;
}

const std::string& scratchFile()
{
    static const std::string path = "/proc/self/fd/" + std::to_string(scratchDescriptor());
    return path;
}

void writeScratchFile(const std::uint8_t* data, std::size_t size)
{
    if (::ftruncate(scratchDescriptor(), 0) != 0)
        setUpFailed("cannot empty the memory file");
    for (std::size_t written = 0; written < size;) {
        const ssize_t n =
            ::pwrite(scratchDescriptor(), data + written, size - written, off_t(written));
        if (n <= 0)
            setUpFailed("cannot write the memory file");
        written += std::size_t(n);
    }
}

// A grey ramp with a dark square: enough structure for the edge map to let windows through.
const ImageBuffer& picture()
{
    static const ImageBuffer grey = [] {
        ImageBuffer b(64, 64, 1, 1);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                bool square = x >= 20 && x < 44 && y >= 16 && y < 40;
                b.data[y * 64 + x] = square ? 12 : static_cast<unsigned char>(60 + 2 * x + y);
            }
        return b;
    }();
    return grey;
}

int parsedDepth(const TiXmlDocument& document)
{
    int deepest = 0;
    std::vector<std::pair<const TiXmlNode*, int>> open{{&document, 0}};
    while (!open.empty()) {
        auto [node, depth] = open.back();
        open.pop_back();
        deepest = depth > deepest ? depth : deepest;
        for (const TiXmlElement* child = node->FirstChildElement(); child;
             child = child->NextSiblingElement())
            open.push_back({child, depth + 1});
    }
    return deepest;
}

// The same limit as the loader's: only texts within it reach the parser.
void checkNestingBound(const std::uint8_t* data, std::size_t size)
{
    constexpr int limit = 256;
    std::string text(reinterpret_cast<const char*>(data), size);
    if (!isUtf8Text(text))
        return;
    int bound = xmlNestingBound(text, limit);
    if (bound > limit)
        return;
    TiXmlDocument document;
    document.LoadFile(scratchFile().c_str(), TIXML_ENCODING_UTF8);
    // The element whose start tag is being read counts one more than the bound's open elements.
    check(parsedDepth(document) <= bound + 1, "nesting bound below the parser's depth");
}

void checkComplete(const HaarCascade& cascade)
{
    check(cascade.signature == HaarCascade::validSignature, "signature");
    check(cascade.count >= 1 && cascade.count == int(cascade.stages.size()), "stage count");
    check(cascade.origWindowSize.width >= 1 && cascade.origWindowSize.height >= 1, "window size");
    for (const HaarStage& stage : cascade.stages) {
        check(stage.count >= 1 && stage.count == int(stage.trees.size()), "tree count");
        for (int link : {stage.next, stage.child, stage.parent})
            check(link >= -1 && link < cascade.count, "stage link");
        for (const HaarTree& tree : stage.trees) {
            check(tree.count >= 1 && tree.count <= HaarTree::maxNodes, "node count");
            for (int k = 0; k < tree.count; ++k)
                for (int link : {tree.left[k], tree.right[k]})
                    check(link > 0 ? link > k && link < tree.count : -link < HaarTree::maxLeaves,
                          "node link");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setDiagnosticsStream(nullptr);
    // The file must read back through its path, or the loader would only ever see a missing file.
    const std::uint8_t probe[] = {'<', 'a', '/', '>'};
    writeScratchFile(probe, sizeof probe);
    char back[sizeof probe] = {};
    const int fd = ::open(scratchFile().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::read(fd, back, sizeof back) != ssize_t(sizeof back) ||
        std::memcmp(back, probe, sizeof back) != 0)
        setUpFailed(("cannot read the memory file back through " + scratchFile()).c_str());
    ::close(fd);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeScratchFile(data, size);

    checkNestingBound(data, size);
    FaceDetector detector(std::wstring(scratchFile().begin(), scratchFile().end()));
    if (!detector.cascade)
        return 0;
    checkComplete(*detector.cascade);
    std::vector<FaceRect> faces = detectFaces(picture(), detector);
    for (const FaceRect& face : faces)
        check(face.width > 0 && face.height > 0 && face.neighbors >= 2, "face");
    // The second run re-targets the prepared form the first one left behind.
    check(detectFaces(picture(), detector) == faces, "same faces on a second run");
    return 0;
}
