#pragma once
// Small cascades written by hand for the detector's tests: records filled directly, the way the
// loader fills them, with chained stages (parent = index - 1, child = index + 1, no next).

#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

inline HaarFeature makeFeature(std::initializer_list<HaarRect> rects, int tilted = 0)
{
    HaarFeature f;
    f.tilted = tilted;
    int k = 0;
    for (const HaarRect& r : rects)
        f.rects[k++] = r;
    return f;
}

// A single-node tree as the loader writes it: below the threshold `below`, at or above it `above`.
inline HaarTree makeStump(const HaarFeature& feature, float threshold, float below, float above)
{
    HaarTree t;
    t.count = 1;
    t.features[0] = feature;
    t.thresholds[0] = threshold;
    t.left[0] = 0;
    t.right[0] = -1;
    t.alpha[0] = below;
    t.alpha[1] = above;
    return t;
}

// The feature of the worked example: a 6 x 4 block with its lower half weighted twice.
inline HaarFeature halvesFeature()
{
    return makeFeature({{0, 0, 6, 4, -1.0f}, {0, 2, 6, 2, 2.0f}});
}

inline HaarStage makeStage(float threshold, std::vector<HaarTree> trees)
{
    HaarStage s;
    s.count = int(trees.size());
    s.threshold = threshold;
    s.trees = std::move(trees);
    s.next = -1;
    s.child = -1;
    s.parent = -1;
    return s;
}

// A stage whose trees always output 0: it passes for a threshold of 0 or below and fails above.
inline HaarStage constantStage(bool passes)
{
    return makeStage(passes ? 0.0f : 1.0f, {makeStump(halvesFeature(), 0.0f, 0.0f, 0.0f)});
}

inline std::unique_ptr<HaarCascade> makeCascade(int width, int height,
                                                std::vector<HaarStage> stages)
{
    auto c = std::make_unique<HaarCascade>();
    c->signature = HaarCascade::validSignature;
    c->count = int(stages.size());
    c->origWindowSize = {width, height};
    for (int i = 0; i < c->count; ++i) {
        stages[std::size_t(i)].parent = i - 1;
        stages[std::size_t(i)].child = i + 1 < c->count ? i + 1 : -1;
    }
    c->stages = std::move(stages);
    return c;
}

inline FaceDetector detectorWith(std::unique_ptr<HaarCascade> cascade)
{
    FaceDetector d;
    d.cascade = std::move(cascade);
    return d;
}

inline ImageBuffer greyPicture(int width, int height, unsigned char value = 0)
{
    ImageBuffer b(width, height, 1, 1);
    for (std::size_t i = 0; i < b.sizeInBytes(); ++i)
        b.data[i] = value;
    return b;
}

inline ImageBuffer noisePicture(int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(0, 255);
    ImageBuffer b(width, height, 1, 1);
    for (std::size_t i = 0; i < b.sizeInBytes(); ++i)
        b.data[i] = static_cast<unsigned char>(value(rng));
    return b;
}

inline unsigned char& pixel(ImageBuffer& b, int x, int y)
{
    return b.data[std::size_t(y) * std::size_t(b.width) + std::size_t(x)];
}

// A stump cascade of random features inside a 20 x 20 window, two or three rectangles each, with
// thresholds near the values such features take on noise, so that windows end at every stage.
inline std::unique_ptr<HaarCascade> randomStumpCascade(unsigned seed, int stageCount, int stumps)
{
    std::mt19937 rng(seed);
    auto uniform = [&rng](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    auto randomRect = [&](float weight) {
        HaarRect r;
        r.x = int(rng() % 18);
        r.y = int(rng() % 18);
        r.width = 1 + int(rng() % unsigned(20 - r.x));
        r.height = 1 + int(rng() % unsigned(20 - r.y));
        r.weight = weight;
        return r;
    };
    std::vector<HaarStage> stages;
    for (int s = 0; s < stageCount; ++s) {
        std::vector<HaarTree> trees;
        for (int t = 0; t < stumps; ++t) {
            HaarFeature f = makeFeature({randomRect(-1.0f), randomRect(float(uniform(0.5, 3)))});
            if (rng() % 3 == 0)
                f.rects[2] = randomRect(float(uniform(-3, 3)));
            trees.push_back(makeStump(f, float(uniform(-0.02, 0.02)), float(uniform(-1, 1)),
                                      float(uniform(-1, 1))));
        }
        stages.push_back(makeStage(float(uniform(-0.4, 0.3)), std::move(trees)));
    }
    return makeCascade(20, 20, std::move(stages));
}
