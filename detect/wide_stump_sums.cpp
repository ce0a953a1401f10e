#include "detect/wide_stump_sums.h"

#include <atomic>

namespace {

// The form chosen by useStageSumsForm, or -1 for the default.
std::atomic<int> chosenForm{-1};

// The widest form the processor has: the eight-window sums measured a few per cent faster than
// the four-window ones over the sample photos.
StageSumsForm defaultStageSumsForm()
{
    for (StageSumsForm form : {StageSumsForm::eight, StageSumsForm::four})
        if (canRunStageSumsForm(form))
            return form;
    return StageSumsForm::plain;
}

}  // namespace

bool canRunStageSumsForm(StageSumsForm form)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool avx2 = __builtin_cpu_supports("avx2");
    static const bool avx512 = avx2 && __builtin_cpu_supports("avx512f");
    switch (form) {
    case StageSumsForm::plain: return true;
    case StageSumsForm::four: return avx2;
    case StageSumsForm::eight: return avx512;
    }
    return false;
#else
    return form == StageSumsForm::plain;
#endif
}

bool useStageSumsForm(StageSumsForm form)
{
    if (!canRunStageSumsForm(form))
        return false;
    chosenForm.store(int(form), std::memory_order_relaxed);
    return true;
}

StageSumsForm stageSumsForm()
{
    const int chosen = chosenForm.load(std::memory_order_relaxed);
    return chosen < 0 ? defaultStageSumsForm() : StageSumsForm(chosen);
}

bool haveWideStageSums() { return stageSumsForm() != StageSumsForm::plain; }

void allowWideStageSums(bool allowed)
{
    chosenForm.store(allowed ? -1 : int(StageSumsForm::plain), std::memory_order_relaxed);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace {

#define WIDE __attribute__((target("avx2")))

// Four windows anywhere in the picture: each window's corner values are read one by one.
struct ScatteredWindows {
    const int* start[4];

    WIDE __m128i rectSums(const Corners& c) const
    {
        const auto one = [&](int k) {
            return int(unsigned(start[k][c.p3]) - unsigned(start[k][c.p1]) -
                       unsigned(start[k][c.p2]) + unsigned(start[k][c.p0]));
        };
        return _mm_setr_epi32(one(0), one(1), one(2), one(3));
    }
};

// Four windows of one row within eight elements: their values at one corner are elements
// shifts[k] of the eight that start at the first window's corner, picked out of one load.
struct RowWindows {
    const int* first;
    __m256i shifts;  // in the low four lanes

    WIDE __m256i corner(int offset) const
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + offset));
    }
    // The sums of the eight rectangles that start at the loaded elements, in 32-bit lanes that
    // wrap as cornerSum does; the four windows' sums are then picked out of them, one pick per
    // rectangle instead of one per corner.
    WIDE __m128i rectSums(const Corners& c) const
    {
        const __m256i sums = _mm256_add_epi32(
            _mm256_sub_epi32(_mm256_sub_epi32(corner(c.p3), corner(c.p1)), corner(c.p2)),
            corner(c.p0));
        return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(sums, shifts));
    }
};

enum class Thirds { none, all, some };

// Adds the leaves of the records [s, end) to the four windows' stage sums.
template <Thirds thirds, class Windows>
WIDE __m256d addStumps(const FastStump* s, const FastStump* end, const Windows& windows,
                       __m256d norms, __m256d stageSum)
{
    const auto weighted = [&](const Corners& c, double weight) WIDE {
        return _mm256_mul_pd(_mm256_cvtepi32_pd(windows.rectSums(c)), _mm256_set1_pd(weight));
    };
    for (; s != end; ++s) {
        __m256d value = weighted(s->rect0, s->weight0);
        value = _mm256_add_pd(value, weighted(s->rect1, s->weight1));
        if (thirds == Thirds::all || (thirds == Thirds::some && s->rect2.p0 != absentCorner))
            value = _mm256_add_pd(value, weighted(s->rect2, s->weight2));
        const __m256d limit = _mm256_mul_pd(_mm256_set1_pd(s->threshold), norms);
        const __m256d passed = _mm256_cmp_pd(value, limit, _CMP_GE_OQ);
        const __m256d leaf =
            _mm256_blendv_pd(_mm256_set1_pd(s->alpha[0]), _mm256_set1_pd(s->alpha[1]), passed);
        stageSum = _mm256_add_pd(stageSum, leaf);
    }
    return stageSum;
}

// The four windows' sums over one stage, whose records start at first.
template <class Windows>
WIDE __m256d stageSums(const PreparedStage& stage, const FastStump* first, const Windows& windows,
                       __m256d norms)
{
    const FastStump* rest = first + stage.leadingTwoRects;
    const FastStump* end = first + stage.count;
    const __m256d sums = addStumps<Thirds::none>(first, rest, windows, norms, _mm256_setzero_pd());
    if (stage.restHasThree)
        return addStumps<Thirds::all>(rest, end, windows, norms, sums);
    return addStumps<Thirds::some>(rest, end, windows, norms, sums);
}

WIDE void scatteredSums(const PreparedStage& stage, const FastStump* first, const int* integral,
                        const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums)
{
    const ScatteredWindows windows{{integral + offsets[0], integral + offsets[1],
                                    integral + offsets[2], integral + offsets[3]}};
    _mm256_storeu_pd(sums, stageSums(stage, first, windows, _mm256_loadu_pd(varianceNorms)));
}

WIDE inline __m256d squaresAt(const double* corner0, const int* shifts)
{
    return _mm256_setr_pd(corner0[shifts[0]], corner0[shifts[1]], corner0[shifts[2]],
                          corner0[shifts[3]]);
}

// The four windows' contrast norms, each by the same operations as the one-window evaluation:
// the standard deviation of the variance window, or 1 where rounding left the variance below 0.
WIDE inline __m256d rowNorms(const PreparedCascade& p, std::ptrdiff_t offset0, const int* shifts,
                             const RowWindows& windows)
{
    const double* q = p.sqsum.samples<double>() + offset0;
    const __m256d invArea = _mm256_set1_pd(p.invWindowArea);
    const __m256d mean = _mm256_mul_pd(_mm256_cvtepi32_pd(windows.rectSums(p.sumCorners)), invArea);
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
    const RowWindows windows{
        p.sum.samples<int>() + offset0,
        _mm256_setr_epi32(shifts[0], shifts[1], shifts[2], shifts[3], 0, 0, 0, 0)};
    const __m256d norms = rowNorms(p, offset0, shifts, windows);
    for (int k = 0; k < 4; ++k)
        results[k] = 1;
    int running = 0xf;  // windows that passed every stage so far, one bit each
    for (int i = startStage; i < endStage && running != 0; ++i) {
        const PreparedStage& stage = p.stages[std::size_t(i)];
        const __m256d sums =
            stageSums(stage, p.fastStumps.data() + stage.firstTree, windows, norms);
        // Only a sum below the threshold fails; a NaN sum passes.
        const __m256d threshold = _mm256_set1_pd(double(stage.threshold));
        const int failed = _mm256_movemask_pd(_mm256_cmp_pd(sums, threshold, _CMP_LT_OQ));
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

void wideStageSums(const PreparedStage& stage, const FastStump* first, const int* integral,
                   const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums)
{
    scatteredSums(stage, first, integral, offsets, varianceNorms, sums);
}

#else

void wideStageSums(const PreparedStage&, const FastStump*, const int*, const std::ptrdiff_t*,
                   const double*, double*)
{
}

void wideRowGroup(const PreparedCascade&, int, int, std::ptrdiff_t, const int*, int*) {}

#endif
