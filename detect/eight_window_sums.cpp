#include "detect/eight_window_sums.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// GCC 12's 512-bit intrinsics start some results from a deliberately undefined value, which it
// then reports as used uninitialised where the functions are built for AVX-512 one by one.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

#define WIDE8 __attribute__((target("avx512f")))

// Eight windows anywhere in the picture: each window's corner values are read one by one (a
// gather instruction was slower).
struct ScatteredWindows {
    const int* start[8];

    WIDE8 __m256i rectSums(const Corners& c) const
    {
        const auto one = [&](int k) {
            return int(unsigned(start[k][c.p3]) - unsigned(start[k][c.p1]) -
                       unsigned(start[k][c.p2]) + unsigned(start[k][c.p0]));
        };
        return _mm256_setr_epi32(one(0), one(1), one(2), one(3), one(4), one(5), one(6), one(7));
    }
};

// Eight windows of one row within sixteen elements: their values at one corner are picked out of
// one load of the elements from the first window's corner to the last one's. The load is masked
// to those, so that it never reads past the picture's sums.
struct RowWindows {
    const int* first;
    __m512i shifts;  // in the low eight lanes
    __mmask16 reach;

    WIDE8 __m512i corner(int offset) const
    {
        return _mm512_maskz_loadu_epi32(reach, first + offset);
    }
    // The sums of the sixteen rectangles that start at the loaded elements, in 32-bit lanes that
    // wrap as cornerSum does; the eight windows' sums are then picked out of them, one pick per
    // rectangle instead of one per corner.
    WIDE8 __m256i rectSums(const Corners& c) const
    {
        const __m512i sums = _mm512_add_epi32(
            _mm512_sub_epi32(_mm512_sub_epi32(corner(c.p3), corner(c.p1)), corner(c.p2)),
            corner(c.p0));
        return _mm512_castsi512_si256(_mm512_permutexvar_epi32(shifts, sums));
    }
};

enum class Thirds { none, all, some };

// Adds the leaves of the records [s, end) to the eight windows' stage sums.
template <Thirds thirds, class Windows>
WIDE8 __m512d addStumps(const FastStump* s, const FastStump* end, const Windows& windows,
                        __m512d norms, __m512d stageSum)
{
    const auto weighted = [&](const Corners& c, double weight) WIDE8 {
        return _mm512_mul_pd(_mm512_cvtepi32_pd(windows.rectSums(c)), _mm512_set1_pd(weight));
    };
    for (; s != end; ++s) {
        __m512d value = weighted(s->rect0, s->weight0);
        value = _mm512_add_pd(value, weighted(s->rect1, s->weight1));
        if (thirds == Thirds::all || (thirds == Thirds::some && s->rect2.p0 != absentCorner))
            value = _mm512_add_pd(value, weighted(s->rect2, s->weight2));
        const __m512d limit = _mm512_mul_pd(_mm512_set1_pd(s->threshold), norms);
        const __mmask8 passed = _mm512_cmp_pd_mask(value, limit, _CMP_GE_OQ);
        const __m512d leaf =
            _mm512_mask_blend_pd(passed, _mm512_set1_pd(s->alpha[0]), _mm512_set1_pd(s->alpha[1]));
        stageSum = _mm512_add_pd(stageSum, leaf);
    }
    return stageSum;
}

// The eight windows' sums over one stage, whose records start at first.
template <class Windows>
WIDE8 __m512d stageSums(const PreparedStage& stage, const FastStump* first, const Windows& windows,
                        __m512d norms)
{
    const FastStump* rest = first + stage.leadingTwoRects;
    const FastStump* end = first + stage.count;
    const __m512d sums = addStumps<Thirds::none>(first, rest, windows, norms, _mm512_setzero_pd());
    if (stage.restHasThree)
        return addStumps<Thirds::all>(rest, end, windows, norms, sums);
    return addStumps<Thirds::some>(rest, end, windows, norms, sums);
}

WIDE8 void scatteredSums(const PreparedStage& stage, const FastStump* first, const int* integral,
                         const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums)
{
    ScatteredWindows windows;
    for (int k = 0; k < 8; ++k)
        windows.start[k] = integral + offsets[k];
    _mm512_storeu_pd(sums, stageSums(stage, first, windows, _mm512_loadu_pd(varianceNorms)));
}

WIDE8 inline __m512d squaresAt(const double* corner0, const int* shifts)
{
    return _mm512_setr_pd(corner0[shifts[0]], corner0[shifts[1]], corner0[shifts[2]],
                          corner0[shifts[3]], corner0[shifts[4]], corner0[shifts[5]],
                          corner0[shifts[6]], corner0[shifts[7]]);
}

// The eight windows' contrast norms, each by the same operations as the one-window evaluation.
WIDE8 inline __m512d rowNorms(const PreparedCascade& p, std::ptrdiff_t offset0, const int* shifts,
                              const RowWindows& windows)
{
    const double* q = p.sqsum.samples<double>() + offset0;
    const __m512d invArea = _mm512_set1_pd(p.invWindowArea);
    const __m512d mean = _mm512_mul_pd(_mm512_cvtepi32_pd(windows.rectSums(p.sumCorners)), invArea);
    const Corners& v = p.varianceCorners;
    const __m512d squares = _mm512_add_pd(
        _mm512_sub_pd(_mm512_sub_pd(squaresAt(q + v.p0, shifts), squaresAt(q + v.p1, shifts)),
                      squaresAt(q + v.p2, shifts)),
        squaresAt(q + v.p3, shifts));
    const __m512d variance =
        _mm512_sub_pd(_mm512_mul_pd(squares, invArea), _mm512_mul_pd(mean, mean));
    const __mmask8 usable = _mm512_cmp_pd_mask(variance, _mm512_setzero_pd(), _CMP_GE_OQ);
    return _mm512_mask_blend_pd(usable, _mm512_set1_pd(1.0), _mm512_sqrt_pd(variance));
}

WIDE8 void rowGroup(const PreparedCascade& p, int startStage, int endStage, std::ptrdiff_t offset0,
                    const int* shifts, int* results)
{
    const RowWindows windows{p.sum.samples<int>() + offset0,
                             _mm512_setr_epi32(shifts[0], shifts[1], shifts[2], shifts[3],
                                               shifts[4], shifts[5], shifts[6], shifts[7], 0, 0, 0,
                                               0, 0, 0, 0, 0),
                             __mmask16((2u << shifts[7]) - 1u)};
    const __m512d norms = rowNorms(p, offset0, shifts, windows);
    for (int k = 0; k < 8; ++k)
        results[k] = 1;
    unsigned running = 0xff;  // windows that passed every stage so far, one bit each
    for (int i = startStage; i < endStage && running != 0; ++i) {
        const PreparedStage& stage = p.stages[std::size_t(i)];
        const __m512d sums =
            stageSums(stage, p.fastStumps.data() + stage.firstTree, windows, norms);
        // Only a sum below the threshold fails; a NaN sum passes.
        const __m512d threshold = _mm512_set1_pd(double(stage.threshold));
        const unsigned failed = _mm512_cmp_pd_mask(sums, threshold, _CMP_LT_OQ);
        for (int k = 0; k < 8; ++k)
            if (running & failed & (1u << k))
                results[k] = -i;
        running &= ~failed;
    }
}

WIDE8 inline __m512d squaresAt(const double* sqsum, const std::ptrdiff_t* offsets, int corner)
{
    return _mm512_setr_pd(sqsum[offsets[0] + corner], sqsum[offsets[1] + corner],
                          sqsum[offsets[2] + corner], sqsum[offsets[3] + corner],
                          sqsum[offsets[4] + corner], sqsum[offsets[5] + corner],
                          sqsum[offsets[6] + corner], sqsum[offsets[7] + corner]);
}

WIDE8 void contrastNorms(const PreparedCascade& p, const std::ptrdiff_t* offsets, std::size_t count,
                         double* norms)
{
    const int* integral = p.sum.samples<int>();
    const double* q = p.sqsum.samples<double>();
    const __m512d invArea = _mm512_set1_pd(p.invWindowArea);
    const Corners& v = p.varianceCorners;
    for (std::size_t k = 0; k + 8 <= count; k += 8) {
        ScatteredWindows windows;
        for (int j = 0; j < 8; ++j)
            windows.start[j] = integral + offsets[k + std::size_t(j)];
        const __m512d mean =
            _mm512_mul_pd(_mm512_cvtepi32_pd(windows.rectSums(p.sumCorners)), invArea);
        const std::ptrdiff_t* at = offsets + k;
        const __m512d squares = _mm512_add_pd(
            _mm512_sub_pd(_mm512_sub_pd(squaresAt(q, at, v.p0), squaresAt(q, at, v.p1)),
                          squaresAt(q, at, v.p2)),
            squaresAt(q, at, v.p3));
        const __m512d variance =
            _mm512_sub_pd(_mm512_mul_pd(squares, invArea), _mm512_mul_pd(mean, mean));
        const __mmask8 usable = _mm512_cmp_pd_mask(variance, _mm512_setzero_pd(), _CMP_GE_OQ);
        _mm512_storeu_pd(
            norms + k, _mm512_mask_blend_pd(usable, _mm512_set1_pd(1.0), _mm512_sqrt_pd(variance)));
    }
}

}  // namespace

void eightContrastNorms(const PreparedCascade& p, const std::ptrdiff_t* offsets, std::size_t count,
                        double* norms)
{
    contrastNorms(p, offsets, count, norms);
}

void eightStageSums(const PreparedStage& stage, const FastStump* first, const int* integral,
                    const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums)
{
    scatteredSums(stage, first, integral, offsets, varianceNorms, sums);
}

void eightRowGroup(const PreparedCascade& p, int startStage, int endStage, std::ptrdiff_t offset0,
                   const int* shifts, int* results)
{
    rowGroup(p, startStage, endStage, offset0, shifts, results);
}

#else

void eightContrastNorms(const PreparedCascade&, const std::ptrdiff_t*, std::size_t, double*) {}

void eightStageSums(const PreparedStage&, const FastStump*, const int*, const std::ptrdiff_t*,
                    const double*, double*)
{
}

void eightRowGroup(const PreparedCascade&, int, int, std::ptrdiff_t, const int*, int*) {}

#endif
