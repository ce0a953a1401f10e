#pragma once
// The boosted cascade of Haar-like features as read from its XML file: stages of small decision
// trees over weighted rectangles of a fixed trained window. The detector later attaches an
// evaluation-ready form (PreparedCascade) for one picture and scale.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct HaarRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    float weight = 0.0f;
};

struct HaarFeature {
    int tilted = 0;     // 1 for a feature rotated by 45 degrees
    HaarRect rects[3];  // rectangles the file does not give stay all zero
};

// One weak classifier. Every tree has room for exactly two nodes and three leaf values. A link
// above 0 names another node; 0 or below is a leaf whose output is alpha[-link].
struct HaarTree {
    static constexpr int maxNodes = 2;
    static constexpr int maxLeaves = 3;

    int count = 0;  // nodes read for the tree (1 or 2)
    HaarFeature features[maxNodes];
    float thresholds[maxNodes] = {};
    int left[maxNodes] = {};   // taken when the feature value is below the node's threshold
    int right[maxNodes] = {};  // taken when it is at or above it
    float alpha[maxLeaves] = {};
};

struct HaarStage {
    int count = 0;  // number of trees
    float threshold = 0.0f;
    std::vector<HaarTree> trees;
    int next = 0;    // stage to try after this one fails, -1 for none
    int child = 0;   // first stage, in file order, whose parent is this one; -1 for none
    int parent = 0;  // -1 for none
};

struct WindowSize {
    int width = 0;
    int height = 0;
};

struct PreparedCascade;
// Defined with the prepared form, so that this header needs nothing of the detector.
struct PreparedCascadeDeleter {
    void operator()(PreparedCascade* prepared) const;
};

struct HaarCascade {
    static constexpr int validSignature = 0x42500000;

    int signature = 0;
    int count = 0;              // number of stages
    WindowSize origWindowSize;  // the trained window
    WindowSize realWindowSize;  // the window at the current scale
    double scale = 0.0;
    std::vector<HaarStage> stages;
    std::unique_ptr<PreparedCascade, PreparedCascadeDeleter> prepared;
};

// A cascade of stageCount zeroed stages, or null (with a diagnostic line) for a count below 1.
std::unique_ptr<HaarCascade> createHaarCascade(int stageCount);

// The largest cascade file the loader reads. The frontal-face cascade is under 1 MiB; the limit
// only keeps a wrong path (a disk image, say) from being read into memory whole.
constexpr std::uint64_t maxCascadeFileBytes = std::uint64_t(64) << 20;

// Reads a cascade file: the loader behind FaceDetector, with its trail of diagnostic lines. Null
// when the file cannot be opened or read or does not describe a cascade; then one line says why.
// A cascade that comes back is complete: every stage has trees, every tree one or two nodes whose
// links lead to later nodes or to leaves it has, every stage link is -1 or a stage index, and
// the links of a tree-shaped cascade never lead a window's evaluation round in a circle.
// Only a regular file of at most maxCascadeFileBytes is read; anything else (a folder, a pipe, a
// device, a larger file) is refused at once, and fileRefusal, when given, says why ("not a
// regular file (a pipe)"); it is left as it was for every other outcome.
std::unique_ptr<HaarCascade> loadHaarCascade(const std::wstring& path,
                                             std::string* fileRefusal = nullptr);

// Owns the loaded cascade; the constructor is the loader. cascade is null when the file could not
// be opened or read, or did not describe a cascade.
struct FaceDetector {
    std::unique_ptr<HaarCascade> cascade;

    FaceDetector() = default;
    explicit FaceDetector(const std::wstring& path);
};

// A detector of its own over a copy of the loaded cascade, without the prepared form, which the
// copy builds on its first detection. A detection changes the prepared form, so detections that
// run at once each need their own detector; copying spares reading the file (and writing the
// loader's lines) again. A detector without a cascade gives one without a cascade.
FaceDetector copyFaceDetector(const FaceDetector& detector);
