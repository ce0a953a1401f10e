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

}  // namespace

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

#endif
