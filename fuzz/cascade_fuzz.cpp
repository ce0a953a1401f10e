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

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

// One file per process, in memory, so that parallel fuzzing jobs do not share it.
const std::string& scratchFile()
{
    static const std::string path =
        "/dev/shm/velmora-cascade-fuzz-" + std::to_string(::getpid()) + ".xml";
    // Registered after the path exists, so it runs before the path is destroyed.
    static const bool removedAtExit = std::atexit([] { ::unlink(scratchFile().c_str()); }) == 0;
    (void)removedAtExit;
    return path;
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    setDiagnosticsStream(nullptr);
    std::FILE* file = std::fopen(scratchFile().c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

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
