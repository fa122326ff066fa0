#include "imagelib/resample.h"

#include "imagelib/clones.h"
#include "imagelib/parallel.h"
#include "imagelib/picturememory.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

// The resampling is separable: one pass along each axis, each output value a weighted sum of a
// few neighbouring inputs. Weights are fixed point and sum to exactly 1 << shift along an axis.
// The first pass keeps 8 fractional bits in 16-bit values, the second rounds to bytes. Which axis
// goes first depends only on the sizes: the pass along x is the costly one, so it runs on
// whichever of source rows or output rows there are fewer of.

namespace {

struct Taps {
    int count = 1;              // taps per output position, padded with zero weights
    int shift = 14;             // the weights of one output sum to 1 << shift
    std::vector<int> first;     // first source index of each output position
    std::vector<qint32> weights; // `count` weights per output position
    // With two taps of 14 bits: both weights of each output position in one value, the first in
    // its low half, as a 16-bit multiply-add takes them.
    std::vector<qint32> pairedWeights;
};

// Many small weights need finer steps; 14 bits suffice up to 8 taps.
int shiftFor(int count)
{
    int shift = 14;
    while (shift < 22 && (count >> (shift - 14)) > 8)
        ++shift;
    return shift;
}

Taps makeTaps(int from, int to)
{
    struct Tap {
        int index;
        qint64 weight;
    };
    std::vector<std::vector<Tap>> perOutput(static_cast<size_t>(to));

    if (to == from) {
        for (int i = 0; i < to; ++i)
            perOutput[size_t(i)] = {{i, 1}};
    } else if (to < from) {
        // Area: output i covers [i * from, (i + 1) * from) and source j covers
        // [j * to, (j + 1) * to), both in units of 1 / to source pixels; the overlaps sum to `from`.
        for (qint64 i = 0; i < to; ++i) {
            const qint64 begin = i * from, end = (i + 1) * from;
            for (qint64 j = begin / to; j * to < end && j < from; ++j) {
                const qint64 overlap = std::min((j + 1) * to, end) - std::max(j * to, begin);
                if (overlap > 0)
                    perOutput[size_t(i)].push_back({int(j), overlap});
            }
        }
    } else {
        // Bilinear with centres aligned: output i samples source position
        // ((2i + 1) * from - to) / (2 * to), clamped to the first and last source pixel.
        const qint64 den = 2 * qint64(to);
        for (qint64 i = 0; i < to; ++i) {
            const qint64 num = (2 * i + 1) * from - to;
            qint64 index = 0, rest = 0;
            if (num > 0) {
                index = num / den;
                rest = num % den;
            }
            if (index >= from - 1) {
                index = from - 1;
                rest = 0;
            }
            auto &taps = perOutput[size_t(i)];
            taps.push_back({int(index), den - rest});
            if (rest > 0)
                taps.push_back({int(index + 1), rest});
        }
    }

    Taps result;
    int count = 1;
    for (const auto &taps : perOutput)
        count = std::max(count, taps.back().index - taps.front().index + 1);
    result.count = count;
    result.shift = shiftFor(count);
    result.first.resize(size_t(to));
    result.weights.assign(size_t(to) * size_t(count), 0);
    const qint64 one = qint64(1) << result.shift;
    for (int i = 0; i < to; ++i) {
        const auto &taps = perOutput[size_t(i)];
        qint64 total = 0;
        for (const Tap &tap : taps)
            total += tap.weight;
        const int first = std::min(taps.front().index, from - count);
        result.first[size_t(i)] = first;
        qint32 *weights = result.weights.data() + size_t(i) * size_t(count);
        qint64 sum = 0;
        int largest = 0;
        for (const Tap &tap : taps) {
            const int slot = tap.index - first;
            weights[slot] = qint32((tap.weight * one * 2 + total) / (total * 2));
            sum += weights[slot];
            if (weights[slot] > weights[largest])
                largest = slot;
        }
        weights[largest] += qint32(one - sum);
    }
    if (result.count == 2 && result.shift == 14) {
        result.pairedWeights.resize(size_t(to));
        for (size_t i = 0; i < size_t(to); ++i)
            result.pairedWeights[i] =
                qint32((quint32(result.weights[2 * i]) & 0xFFFF) | (quint32(result.weights[2 * i + 1]) << 16));
    }
    return result;
}

// Along x over BGR triples: out[x] = sum of weights * in[first[x] + j], shifted down with rounding.
template <int N, typename Acc, typename In, typename Out>
inline __attribute__((always_inline)) void horizontalPass(const In *in, Out *out, const Taps &taps,
                                                          int outShift, int from = 0)
{
    const int count = N ? N : taps.count;
    const Acc half = Acc(1) << (outShift - 1);
    const int outputs = int(taps.first.size());
    const qint32 *w = taps.weights.data() + qsizetype(from) * count;
    const int *first = taps.first.data();
    for (int x = from; x < outputs; ++x, w += count) {
        const In *p = in + 3 * qsizetype(first[x]);
        Acc b = half, g = half, r = half;
        for (int j = 0; j < count; ++j) {
            const Acc weight = w[j];
            b += weight * p[3 * j];
            g += weight * p[3 * j + 1];
            r += weight * p[3 * j + 2];
        }
        out[3 * x] = Out(b >> outShift);
        out[3 * x + 1] = Out(g >> outShift);
        out[3 * x + 2] = Out(r >> outShift);
    }
}

template <typename Acc, typename In, typename Out>
inline __attribute__((always_inline)) void horizontalAnyCount(const In *in, Out *out,
                                                              const Taps &taps, int outShift)
{
    switch (taps.count) {
    case 1: horizontalPass<1, Acc>(in, out, taps, outShift); break;
    case 2: horizontalPass<2, Acc>(in, out, taps, outShift); break;
    case 3: horizontalPass<3, Acc>(in, out, taps, outShift); break;
    case 4: horizontalPass<4, Acc>(in, out, taps, outShift); break;
    default: horizontalPass<0, Acc>(in, out, taps, outShift); break;
    }
}

// Along y: out[i] = sum over k of w[k] * rows[k][i], shifted down with rounding. Only rows with a
// non-zero weight are passed in.
template <typename Acc, typename In, typename Out>
inline __attribute__((always_inline)) void verticalPass(const In *const *rows, const qint32 *w,
                                                        int count, Out *out, qsizetype n,
                                                        int outShift, std::vector<Acc> &scratch)
{
    const Acc half = Acc(1) << (outShift - 1);
    if (count == 1) {
        const In *a = rows[0];
        const Acc wa = w[0];
        for (qsizetype i = 0; i < n; ++i)
            out[i] = Out((half + wa * a[i]) >> outShift);
    } else if (count == 2) {
        const In *a = rows[0], *b = rows[1];
        const Acc wa = w[0], wb = w[1];
        for (qsizetype i = 0; i < n; ++i)
            out[i] = Out((half + wa * a[i] + wb * b[i]) >> outShift);
    } else if (count == 3) {
        const In *a = rows[0], *b = rows[1], *c = rows[2];
        const Acc wa = w[0], wb = w[1], wc = w[2];
        for (qsizetype i = 0; i < n; ++i)
            out[i] = Out((half + wa * a[i] + wb * b[i] + wc * c[i]) >> outShift);
    } else {
        scratch.assign(size_t(n), half);
        Acc *sum = scratch.data();
        for (int k = 0; k < count; ++k) {
            const In *a = rows[k];
            const Acc wa = w[k];
            for (qsizetype i = 0; i < n; ++i)
                sum[i] += wa * a[i];
        }
        for (qsizetype i = 0; i < n; ++i)
            out[i] = Out(sum[i] >> outShift);
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define VP_CLONES
#else
#define VP_CLONES VP_AVX2_CLONES
#endif

// First passes: bytes in, 16-bit values with 8 fractional bits out. A sum of bytes with
// weights of up to 22 bits fits 32 bits.
VP_CLONES void firstPassAlongY(const uchar *const *rows, const qint32 *w, int count, quint16 *out,
                               qsizetype n, int shift, std::vector<qint32> &scratch)
{
    verticalPass<qint32>(rows, w, count, out, n, shift - 8, scratch);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Bilinear along x, one pixel per step: an 8-byte load at the left tap holds both taps' channels
// (bytes 0-2 and 3-5), a shuffle pairs them up as 16-bit values and one multiply-add applies both
// weights to all three channels. Each step stores four values, the fourth being overwritten by
// the next step, so `out` needs one value of room past the row. Starts at output `x` and returns
// where it stopped; the last few, whose load would run past the row, are left to the caller.
__attribute__((target("sse4.1"))) int stretchRowSse41(const uchar *in, qsizetype inBytes, quint16 *out,
                                                     const Taps &taps, int x)
{
    const __m128i pairUp = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
    const __m128i half = _mm_set1_epi32(1 << (taps.shift - 9));
    const __m128i shift = _mm_cvtsi32_si128(taps.shift - 8);
    const int outputs = int(taps.first.size());
    const int *first = taps.first.data();
    const qint32 *paired = taps.pairedWeights.data();
    for (; x < outputs && 3 * qsizetype(first[x]) + 8 <= inBytes; ++x) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + 3 * qsizetype(first[x])));
        const __m128i pairs = _mm_shuffle_epi8(bytes, pairUp);
        __m128i sums = _mm_add_epi32(_mm_madd_epi16(pairs, _mm_set1_epi32(paired[x])), half);
        sums = _mm_sra_epi32(sums, shift);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 3 * qsizetype(x)), _mm_packus_epi32(sums, sums));
    }
    return x;
}

// The same two pixels a step, one in each half of the register.
__attribute__((target("avx2"))) int stretchRowAvx2(const uchar *in, qsizetype inBytes, quint16 *out,
                                                  const Taps &taps)
{
    const __m256i pairUp = _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1, 0, -1, 3, -1, 1,
                                            -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
    const __m256i half = _mm256_set1_epi32(1 << (taps.shift - 9));
    const __m128i shift = _mm_cvtsi32_si128(taps.shift - 8);
    const __m256i eachHalf = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    const int outputs = int(taps.first.size());
    const int *first = taps.first.data();
    const qint32 *paired = taps.pairedWeights.data();
    int x = 0;
    for (; x + 1 < outputs && 3 * qsizetype(first[x + 1]) + 8 <= inBytes; x += 2) {
        const __m128i left = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + 3 * qsizetype(first[x])));
        const __m128i right = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + 3 * qsizetype(first[x + 1])));
        const __m256i pairs = _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(left), right, 1), pairUp);
        const __m128i twoWeights = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(paired + x));
        const __m256i weights = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(twoWeights), eachHalf);
        __m256i sums = _mm256_add_epi32(_mm256_madd_epi16(pairs, weights), half);
        sums = _mm256_sra_epi32(sums, shift);
        const __m256i values = _mm256_packus_epi32(sums, sums);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 3 * qsizetype(x)), _mm256_castsi256_si128(values));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 3 * qsizetype(x + 1)), _mm256_extracti128_si256(values, 1));
    }
    return x;
}

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

bool hasSse41()
{
    static const bool has = __builtin_cpu_supports("sse4.1");
    return has;
}
#endif

VP_CLONES void firstPassAlongX(const uchar *in, qsizetype inBytes, quint16 *out, const Taps &taps)
{
#if defined(__GNUC__) && defined(__x86_64__)
    // Weights of 14 bits keep the multiply-add within 16-bit operands.
    if (taps.count == 2 && taps.shift == 14 && hasSse41()) {
        const int done = stretchRowSse41(in, inBytes, out, taps, hasAvx2() ? stretchRowAvx2(in, inBytes, out, taps) : 0);
        horizontalPass<2, qint32>(in, out, taps, taps.shift - 8, done);
        return;
    }
#endif
    horizontalAnyCount<qint32>(in, out, taps, taps.shift - 8);
}

// Second passes: 16-bit values in, bytes out. Up to 15 weight bits the sums still fit 32 bits.
VP_CLONES void secondPassAlongX(const quint16 *in, uchar *out, const Taps &taps)
{
    if (taps.shift <= 15)
        horizontalAnyCount<qint32>(in, out, taps, taps.shift + 8);
    else
        horizontalAnyCount<qint64>(in, out, taps, taps.shift + 8);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Two rows of values below 65281 blended with weights of 1 to 16383, in 16-bit lanes. With the
// weights doubled, each product 2wv splits into a high half (mulhi) and a low one (mullo); the
// sum 2S = 2wa a + 2wb b is then H * 2^16 + L with H the highs plus the carry of the lows and
// L < 2^16. The result (S + 2^21) >> 22 = (2S + 2^22) >> 23 is (H + 64) >> 7: adding L, less than
// 2^16, to a multiple of 2^16 never reaches the next multiple of 2^23.
__attribute__((target("avx2"))) inline __m256i blendSixteen(__m256i a, __m256i b, __m256i wa, __m256i wb)
{
    const __m256i highs = _mm256_add_epi16(_mm256_mulhi_epu16(a, wa), _mm256_mulhi_epu16(b, wb));
    const __m256i lowA = _mm256_mullo_epi16(a, wa);
    const __m256i lowB = _mm256_mullo_epi16(b, wb);
    // All ones where the low halves add up without a carry: 65 + that is 64 + the carry.
    const __m256i noCarry = _mm256_cmpeq_epi16(_mm256_adds_epu16(lowA, lowB), _mm256_add_epi16(lowA, lowB));
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(highs, _mm256_set1_epi16(65)), noCarry), 7);
}

// The second pass along y for two rows of 14-bit weights, 32 values a step; returns how many
// values it produced.
__attribute__((target("avx2"))) qsizetype blendTwoRowsAvx2(const quint16 *a, const quint16 *b, qint32 weightA,
                                                          qint32 weightB, uchar *out, qsizetype n)
{
    const __m256i wa = _mm256_set1_epi16(short(2 * weightA));
    const __m256i wb = _mm256_set1_epi16(short(2 * weightB));
    qsizetype i = 0;
    const auto *va = reinterpret_cast<const __m256i *>(a);
    const auto *vb = reinterpret_cast<const __m256i *>(b);
    for (; i + 32 <= n; i += 32, va += 2, vb += 2) {
        const __m256i first = blendSixteen(_mm256_loadu_si256(va), _mm256_loadu_si256(vb), wa, wb);
        const __m256i second = blendSixteen(_mm256_loadu_si256(va + 1), _mm256_loadu_si256(vb + 1), wa, wb);
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), bytes);
    }
    return i;
}
#endif

VP_CLONES void secondPassAlongY(const quint16 *const *rows, const qint32 *w, int count, uchar *out,
                                qsizetype n, int shift, std::vector<qint32> &scratch32,
                                std::vector<qint64> &scratch64)
{
#if defined(__GNUC__) && defined(__x86_64__)
    if (count == 2 && shift == 14 && hasAvx2()) {
        const qsizetype done = blendTwoRowsAvx2(rows[0], rows[1], w[0], w[1], out, n);
        const quint16 *const rest[] = {rows[0] + done, rows[1] + done};
        verticalPass<qint32>(rest, w, count, out + done, n - done, shift + 8, scratch32);
        return;
    }
#endif
    if (shift <= 15)
        verticalPass<qint32>(rows, w, count, out, n, shift + 8, scratch32);
    else
        verticalPass<qint64>(rows, w, count, out, n, shift + 8, scratch64);
}

// The rows of output row y that carry weight, with their weights.
template <typename Row>
int weightedRows(const Taps &taps, int y, const std::function<Row(int)> &rowAt, std::vector<Row> &rows,
                 std::vector<qint32> &weights)
{
    rows.clear();
    weights.clear();
    const qint32 *w = taps.weights.data() + size_t(y) * size_t(taps.count);
    for (int k = 0; k < taps.count; ++k)
        if (w[k] != 0) {
            rows.push_back(rowAt(taps.first[size_t(y)] + k));
            weights.push_back(w[k]);
        }
    return int(rows.size());
}

} // namespace

QImage resampled(const QImage &source, QSize size)
{
    if (source.isNull() || size.isEmpty())
        return QImage();
    const QImage picture = source.format() == QImage::Format_BGR888
        ? source
        : source.convertToFormat(QImage::Format_BGR888);
    if (picture.isNull())
        return QImage();
    if (picture.size() == size)
        return picture;

    QImage result = newPicture(size);
    if (result.isNull())
        return QImage();

    const int fromWidth = picture.width(), fromHeight = picture.height();
    const int toWidth = size.width(), toHeight = size.height();
    const Taps alongX = makeTaps(fromWidth, toWidth);
    const Taps alongY = makeTaps(fromHeight, toHeight);

    const uchar *const from = picture.constBits();
    const qsizetype fromStride = picture.bytesPerLine();
    uchar *const to = result.bits();
    const qsizetype toStride = result.bytesPerLine();

    if (toHeight <= fromHeight) {
        // y first: each output row blends a few source rows, then shrinks or stretches along x.
        // Both passes cost about four copies of the rows they read and write.
        const qsizetype rowCost = 8 * (qsizetype(fromWidth) * 3 * alongY.count + qsizetype(toWidth) * 3);
        forEachStrip(0, toHeight, rowCost, [&](int first, int end) {
            std::vector<qint32> weights, scratch32;
            std::vector<quint16> blended(size_t(fromWidth) * 3);
            std::vector<const uchar *> rows;
            const std::function<const uchar *(int)> sourceRow = [&](int y) { return from + y * fromStride; };
            for (int y = first; y < end; ++y) {
                const int count = weightedRows(alongY, y, sourceRow, rows, weights);
                firstPassAlongY(rows.data(), weights.data(), count, blended.data(), qsizetype(fromWidth) * 3,
                                alongY.shift, scratch32);
                secondPassAlongX(blended.data(), to + y * toStride, alongX);
            }
        });
        return result;
    }

    // x first, on each source row once: a ring of the last few resampled rows serves the output
    // rows, whose source rows only move forward. Each thread keeps a ring of its own, so the
    // source rows where two threads' rows meet are resampled by both.
    const int ringSize = alongY.count;
    const qsizetype rowLength = qsizetype(toWidth) * 3;
    // Both passes together cost about five copies of each output row.
    forEachStrip(0, toHeight, 10 * rowLength, [&](int first, int end) {
        std::vector<qint32> weights, scratch32;
        std::vector<qint64> scratch64;
        std::vector<quint16> ring(size_t(ringSize) * size_t(rowLength) + 1);
        std::vector<int> ringHolds(size_t(ringSize), -1);
        std::vector<const quint16 *> rows;
        const std::function<const quint16 *(int)> stretchedRow = [&](int y) {
            const int slot = y % ringSize;
            quint16 *row = ring.data() + slot * rowLength;
            if (ringHolds[size_t(slot)] != y) {
                firstPassAlongX(from + y * fromStride, qsizetype(fromWidth) * 3, row, alongX);
                ringHolds[size_t(slot)] = y;
            }
            return row;
        };
        for (int y = first; y < end; ++y) {
            const int count = weightedRows(alongY, y, stretchedRow, rows, weights);
            secondPassAlongY(rows.data(), weights.data(), count, to + y * toStride, rowLength, alongY.shift,
                             scratch32, scratch64);
        }
    });
    return result;
}
