#pragma once
// The evaluation-ready form of a HaarCascade: all stages, trees, nodes and leaf values flattened
// into arrays in evaluation order, stage thresholds lowered by a small margin, and, for the
// current picture and scale, every feature rectangle rewritten as four element offsets into the
// kept integral images. Evaluating a window then costs only lookups, products and comparisons.

#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <vector>

// The p0 offset of a rectangle that is not there. Only the third rectangle of a node can be absent.
constexpr int absentCorner = -1;
// Stage links that lead nowhere.
constexpr int noStage = -1;

// Offsets, in elements, of a rectangle's corners in an integral image for a window at (0, 0):
// p0 top-left, p1 top-right, p2 bottom-left, p3 bottom-right.
struct Corners {
    int p0 = 0;
    int p1 = 0;
    int p2 = 0;
    int p3 = 0;
};

struct PreparedRect {
    Corners corners;
    float weight = 0.0f;

    bool isPresent() const { return corners.p0 != absentCorner; }
};

struct PreparedNode {
    PreparedRect rects[3];
    float threshold = 0.0f;
    int left = 0;  // above 0: another node of the tree; 0 or below: leaf alpha[-left]
    int right = 0;
};

struct PreparedTree {
    int count = 0;       // nodes
    int firstNode = 0;   // index into PreparedCascade::nodes
    int firstAlpha = 0;  // index into PreparedCascade::alphas; count + 1 leaf values
};

struct PreparedStage {
    int count = 0;           // trees
    float threshold = 0.0f;  // the trained threshold less the margin
    int firstTree = 0;       // index into PreparedCascade::trees
    int twoRects = 1;        // 1 when no node of the stage has a third rectangle
    // 1 when the stage's leaf values add up without rounding in any order and grouping, so that
    // its trees may be summed side by side and still give the sum of the tree-by-tree order.
    int sumsInAnyOrder = 0;
    // How the stage's FastStump records lie: the first leadingTwoRects of them have no third
    // rectangle; restHasThree is 1 when every record after those has one.
    int leadingTwoRects = 0;
    int restHasThree = 0;
    int next = noStage;
    int child = noStage;
    int parent = noStage;
};

// The scan's fast form of one stump (a single-node tree) at the current scale: the node's values
// widened to double once, side by side. The third rectangle counts only when rect2.p0 is not
// absentCorner: never in a stage of two-rectangle nodes, as in the plain evaluation. Evaluates to
// the same leaf as the node it copies. A stage's records follow its trees in order, except in a
// stage whose sums come out the same in any order: there those without a third rectangle come
// first, so that the evaluation runs through each kind without asking.
struct FastStump {
    Corners rect0;
    Corners rect1;
    double weight0 = 0.0;
    double weight1 = 0.0;
    double threshold = 0.0;
    double alpha[2] = {0.0, 0.0};
    Corners rect2{absentCorner, absentCorner, absentCorner, absentCorner};
    double weight2 = 0.0;
};

struct PreparedCascade {
    int activeCount = 0;         // stages a window evaluation runs through; the scan changes it
    int isStumpBased = 1;        // every tree has exactly one node
    int hasTilted = 0;           // some checked rectangle belongs to a tilted feature
    int isTree = 0;              // some stage has a next stage
    double invWindowArea = 0.0;  // 1 / area of the variance window at the current scale
    ImageBuffer sum;             // kept copy of the picture's sums
    ImageBuffer sqsum;           // kept copy of the picture's squared sums
    std::vector<PreparedStage> stages;
    std::vector<PreparedTree> trees;
    std::vector<PreparedNode> nodes;
    std::vector<float> alphas;
    Corners varianceCorners;            // of the variance window, in sqsum
    Corners sumCorners;                 // the same window in sum
    std::vector<FastStump> fastStumps;  // one per tree when isStumpBased, rebuilt for each scale
};

// The threshold margin, as the single-precision constant that it is in the trained data's units.
constexpr float stageThresholdMargin = 0.0001f;

// Builds the prepared form, stores it in cascade.prepared and returns it. Returns null, changing
// nothing, when the cascade already has one, has no stages, has a stage without trees, or has a
// rectangle that does not fit the trained window.
PreparedCascade* prepareCascade(HaarCascade& cascade);

// Targets the prepared form (built first if missing) at a picture and a scale. sum and sqsum are
// the picture's integral images, or both null to keep the earlier ones and change only the scale.
// scale > 0. Does nothing when the cascade cannot be prepared.
void setImagesForScale(HaarCascade& cascade, const ImageBuffer* sum, const ImageBuffer* sqsum,
                       double scale);
// The same, taking over the images instead of copying them.
void setImagesForScale(HaarCascade& cascade, ImageBuffer&& sum, ImageBuffer&& sqsum, double scale);
