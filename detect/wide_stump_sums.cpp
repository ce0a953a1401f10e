#include "detect/wide_stump_sums.h"

#include <atomic>

namespace {

std::atomic<bool> wideAllowed{true};

}  // namespace

void allowWideStageSums(bool allowed)
{
    wideAllowed.store(allowed, std::memory_order_relaxed);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace {

#define WIDE __attribute__((target("avx2")))

// The four windows' sums over one rectangle: p0 - p1 - p2 + p3, wrapping as cornerSum does.
WIDE inline __m128i rectSums(const int* const* w, const Corners& c)
{
    const auto one = [&](int k) {
        return int(unsigned(w[k][c.p3]) - unsigned(w[k][c.p1]) - unsigned(w[k][c.p2]) +
                   unsigned(w[k][c.p0]));
    };
    return _mm_setr_epi32(one(0), one(1), one(2), one(3));
}

WIDE inline __m256d weighted(const int* const* w, const Corners& c, double weight)
{
    return _mm256_mul_pd(_mm256_cvtepi32_pd(rectSums(w, c)), _mm256_set1_pd(weight));
}

enum class Thirds { none, all, some };

template <Thirds thirds>
WIDE __m256d addStumps(const FastStump* s, const FastStump* end, const int* const* windows,
                       __m256d norms, __m256d stageSum)
{
    for (; s != end; ++s) {
        __m256d value = weighted(windows, s->rect0, s->weight0);
        value = _mm256_add_pd(value, weighted(windows, s->rect1, s->weight1));
        if (thirds == Thirds::all || (thirds == Thirds::some && s->rect2.p0 != absentCorner))
            value = _mm256_add_pd(value, weighted(windows, s->rect2, s->weight2));
        const __m256d limit = _mm256_mul_pd(_mm256_set1_pd(s->threshold), norms);
        const __m256d passed = _mm256_cmp_pd(value, limit, _CMP_GE_OQ);
        const __m256d leaf =
            _mm256_blendv_pd(_mm256_set1_pd(s->alpha[0]), _mm256_set1_pd(s->alpha[1]), passed);
        stageSum = _mm256_add_pd(stageSum, leaf);
    }
    return stageSum;
}

WIDE void sumsOf(const PreparedStage& stage, const FastStump* first, const int* integral,
                 const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums)
{
    const int* const windows[4] = {integral + offsets[0], integral + offsets[1],
                                   integral + offsets[2], integral + offsets[3]};
    const __m256d norms = _mm256_loadu_pd(varianceNorms);
    const FastStump* rest = first + stage.leadingTwoRects;
    const FastStump* end = first + stage.count;
    __m256d stageSum = addStumps<Thirds::none>(first, rest, windows, norms, _mm256_setzero_pd());
    if (stage.restHasThree)
        stageSum = addStumps<Thirds::all>(rest, end, windows, norms, stageSum);
    else
        stageSum = addStumps<Thirds::some>(rest, end, windows, norms, stageSum);
    _mm256_storeu_pd(sums, stageSum);
}

// Row groups: the four windows' values at one corner are elements shifts[k] of the eight that
// start at the first window's corner, picked out of one load.
WIDE inline __m128i rowCorner(const int* window0, int corner, __m256i shifts)
{
    const __m256i eight = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window0 + corner));
    return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(eight, shifts));
}

WIDE inline __m256d rowWeighted(const int* window0, __m256i shifts, const Corners& c,
                                double weight)
{
    // p0 - p1 - p2 + p3 in 32-bit lanes, which wrap as cornerSum does.
    const __m128i sums = _mm_add_epi32(
        _mm_sub_epi32(_mm_sub_epi32(rowCorner(window0, c.p3, shifts),
                                    rowCorner(window0, c.p1, shifts)),
                      rowCorner(window0, c.p2, shifts)),
        rowCorner(window0, c.p0, shifts));
    return _mm256_mul_pd(_mm256_cvtepi32_pd(sums), _mm256_set1_pd(weight));
}

template <Thirds thirds>
WIDE __m256d addRowStumps(const FastStump* s, const FastStump* end, const int* window0,
                          __m256i shifts, __m256d norms, __m256d stageSum)
{
    for (; s != end; ++s) {
        __m256d value = rowWeighted(window0, shifts, s->rect0, s->weight0);
        value = _mm256_add_pd(value, rowWeighted(window0, shifts, s->rect1, s->weight1));
        if (thirds == Thirds::all || (thirds == Thirds::some && s->rect2.p0 != absentCorner))
            value = _mm256_add_pd(value, rowWeighted(window0, shifts, s->rect2, s->weight2));
        const __m256d limit = _mm256_mul_pd(_mm256_set1_pd(s->threshold), norms);
        const __m256d passed = _mm256_cmp_pd(value, limit, _CMP_GE_OQ);
        const __m256d leaf =
            _mm256_blendv_pd(_mm256_set1_pd(s->alpha[0]), _mm256_set1_pd(s->alpha[1]), passed);
        stageSum = _mm256_add_pd(stageSum, leaf);
    }
    return stageSum;
}

WIDE inline __m256d squaresAt(const double* corner0, const int* shifts)
{
    return _mm256_setr_pd(corner0[shifts[0]], corner0[shifts[1]], corner0[shifts[2]],
                          corner0[shifts[3]]);
}

// The four windows' contrast norms, each by the same operations as the one-window evaluation:
// the standard deviation of the variance window, or 1 where rounding left the variance below 0.
WIDE inline __m256d rowNorms(const PreparedCascade& p, std::ptrdiff_t offset0, const int* shifts,
                             __m256i shiftLanes)
{
    const int* window0 = p.sum.samples<int>() + offset0;
    const double* q = p.sqsum.samples<double>() + offset0;
    const __m256d invArea = _mm256_set1_pd(p.invWindowArea);
    const Corners& c = p.sumCorners;
    const __m128i sums = _mm_add_epi32(
        _mm_sub_epi32(_mm_sub_epi32(rowCorner(window0, c.p3, shiftLanes),
                                    rowCorner(window0, c.p1, shiftLanes)),
                      rowCorner(window0, c.p2, shiftLanes)),
        rowCorner(window0, c.p0, shiftLanes));
    const __m256d mean = _mm256_mul_pd(_mm256_cvtepi32_pd(sums), invArea);
    const Corners& v = p.varianceCorners;
    const __m256d squares = _mm256_add_pd(
        _mm256_sub_pd(_mm256_sub_pd(squaresAt(q + v.p0, shifts), squaresAt(q + v.p1, shifts)),
                      squaresAt(q + v.p2, shifts)),
        squaresAt(q + v.p3, shifts));
    const __m256d variance =
        _mm256_sub_pd(_mm256_mul_pd(squares, invArea), _mm256_mul_pd(mean, mean));
    const __m256d usable = _mm256_cmp_pd(variance, _mm256_setzero_pd(), _CMP_GE_OQ);
    return _mm256_blendv_pd(_mm256_set1_pd(1.0), _mm256_sqrt_pd(variance), usable);
}

WIDE void rowGroup(const PreparedCascade& p, int startStage, int endStage, std::ptrdiff_t offset0,
                   const int* shifts, int* results)
{
    const __m256i shiftLanes =
        _mm256_setr_epi32(shifts[0], shifts[1], shifts[2], shifts[3], 0, 0, 0, 0);
    const int* window0 = p.sum.samples<int>() + offset0;
    const __m256d norms = rowNorms(p, offset0, shifts, shiftLanes);
    for (int k = 0; k < 4; ++k)
        results[k] = 1;
    int running = 0xf;  // windows that passed every stage so far, one bit each
    for (int i = startStage; i < endStage && running != 0; ++i) {
        const PreparedStage& stage = p.stages[std::size_t(i)];
        const FastStump* first = p.fastStumps.data() + stage.firstTree;
        const FastStump* rest = first + stage.leadingTwoRects;
        const FastStump* end = first + stage.count;
        __m256d stageSum =
            addRowStumps<Thirds::none>(first, rest, window0, shiftLanes, norms, _mm256_setzero_pd());
        if (stage.restHasThree)
            stageSum = addRowStumps<Thirds::all>(rest, end, window0, shiftLanes, norms, stageSum);
        else
            stageSum = addRowStumps<Thirds::some>(rest, end, window0, shiftLanes, norms, stageSum);
        // Only a sum below the threshold fails; a NaN sum passes.
        const __m256d threshold = _mm256_set1_pd(double(stage.threshold));
        const int failed = _mm256_movemask_pd(_mm256_cmp_pd(stageSum, threshold, _CMP_LT_OQ));
        for (int k = 0; k < 4; ++k)
            if (running & failed & (1 << k))
                results[k] = -i;
        running &= ~failed;
    }
}

}  // namespace

void wideRowGroup(const PreparedCascade& p, int startStage, int endStage, std::ptrdiff_t offset0,
                  const int* shifts, int* results)
{
    rowGroup(p, startStage, endStage, offset0, shifts, results);
}

bool haveWideStageSums()
{
    static const bool available = __builtin_cpu_supports("avx2");
    return available && wideAllowed.load(std::memory_order_relaxed);
}

void wideStageSums(const PreparedStage& stage, const FastStump* first, const int* integral,
                   const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums)
{
    sumsOf(stage, first, integral, offsets, varianceNorms, sums);
}

#else

bool haveWideStageSums()
{
    return false;
}

void wideStageSums(const PreparedStage&, const FastStump*, const int*, const std::ptrdiff_t*,
                   const double*, double*)
{
}

void wideRowGroup(const PreparedCascade&, int, int, std::ptrdiff_t, const int*, int*)
{
}

#endif
