#include "WindowResampler.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace vm {

namespace {

constexpr int kWeightBits = 14;
// The vertical pass keeps six bits below the pixel value: pixel * 64 stays
// inside 16 bits with the filter's overshoot either side.
constexpr int kRowShift = 8;
constexpr int kOutShift = 2 * kWeightBits - kRowShift;
// Room after a filtered row for the eight-pixel loads past its end.
constexpr int kRowPadding = 32;

// Catmull-Rom weights of the samples at -1, 0, 1 and 2 from the one before
// the position, `f` the fraction past it; in fixed point, summing to exactly
// 1 << kWeightBits (the rounding is taken up by the largest weight).
void Weights(double f, int16_t out[4]) {
    const double w[4] = {((-0.5 * f + 1.0) * f - 0.5) * f, (1.5 * f - 2.5) * f * f + 1.0,
                         ((-1.5 * f + 2.0) * f + 0.5) * f, (0.5 * f - 0.5) * f * f};
    int sum = 0;
    int q[4];
    for (int k = 0; k < 4; ++k) sum += q[k] = int(std::lround(w[k] * (1 << kWeightBits)));
    q[f < 0.5 ? 1 : 2] += (1 << kWeightBits) - sum;
    for (int k = 0; k < 4; ++k) out[k] = int16_t(q[k]);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

uint32_t Pair(int16_t low, int16_t high) {
    return uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16);
}

void VerticalPlain(const uint8_t* const rows[4], const int16_t w[4], int16_t* out, int n) {
    for (int x = 0; x < n; ++x)
        out[x] = int16_t((w[0] * rows[0][x] + w[1] * rows[1][x] + w[2] * rows[2][x] +
                          w[3] * rows[3][x] + (1 << (kRowShift - 1))) >>
                         kRowShift);
}

__attribute__((target("avx2"))) void VerticalAvx2(const uint8_t* const rows[4], const int16_t w[4],
                                                  int16_t* out, int n) {
    const __m256i w01 = _mm256_set1_epi32(int32_t(Pair(w[0], w[1])));
    const __m256i w23 = _mm256_set1_epi32(int32_t(Pair(w[2], w[3])));
    const __m256i round = _mm256_set1_epi32(1 << (kRowShift - 1));
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        __m256i r[4];
        for (int k = 0; k < 4; ++k)
            r[k] = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x)));
        __m256i low = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(r[0], r[1]), w01),
                                       _mm256_madd_epi16(_mm256_unpacklo_epi16(r[2], r[3]), w23));
        __m256i high = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(r[0], r[1]), w01),
                                        _mm256_madd_epi16(_mm256_unpackhi_epi16(r[2], r[3]), w23));
        low = _mm256_srai_epi32(_mm256_add_epi32(low, round), kRowShift);
        high = _mm256_srai_epi32(_mm256_add_epi32(high, round), kRowShift);
        // The unpacks and the pack work within 128-bit lanes: the order comes back.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_packs_epi32(low, high));
    }
    const uint8_t* const rest[4] = {rows[0] + x, rows[1] + x, rows[2] + x, rows[3] + x};
    VerticalPlain(rest, w, out + x, n - x);
}

}  // namespace

// Eight output pixels whose sources lie within 16 samples: one load of the
// row (and one a sample later) and a permute give each pixel its pairs.
struct Block {
    int base = 0;
    bool vector = false;
    int32_t half[8] = {};  // (source - base) / 2: the 32-bit pair holding it
    int32_t odd[8] = {};   // -1 where the source is odd: the pair from the later load
};

struct WindowResampler::Plane {
    Axis x, y;
    int sourceWidth = 0;
    int sourceHeight = 0;
    int width = 0;
    int height = 0;
    int lo = 0;  // source columns the filtered rows cover, edges repeated
    int hi = 0;
    std::vector<int> first;           // per output pixel: first source column, from lo
    std::vector<uint32_t> weights01;  // per output pixel: weights 0 and 1 as a pair
    std::vector<uint32_t> weights23;
    std::vector<Block> blocks;
};

struct WindowResampler::Work {
    const AVFrame* picture;
    AVFrame* out;
    int planes;
};

WindowResampler::Axis WindowResampler::MakeAxis(int count, double start, double step) {
    Axis axis;
    axis.first.resize(size_t(count));
    axis.weights.resize(size_t(count) * 4);
    for (int i = 0; i < count; ++i) {
        const double position = start + (i + 0.5) * step - 0.5;  // in sample indices
        const double before = std::floor(position);
        axis.first[size_t(i)] = int(before) - 1;
        Weights(position - before, &axis.weights[size_t(i) * 4]);
    }
    return axis;
}

WindowResampler::WindowResampler(int threads, bool vectorCode)
    : threads_(std::clamp(threads, 1, 2)), avx2_(vectorCode && HasAvx2()) {
    rows_.resize(size_t(threads_));
    if (threads_ > 1) helper_ = std::thread([this] { Helper(); });
}

WindowResampler::~WindowResampler() {
    if (helper_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        helper_.join();
    }
}

void WindowResampler::Helper() {
    uint64_t seen = 0;
    while (true) {
        const Work* work = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || round_ != seen; });
            if (quit_) return;
            seen = round_;
            work = work_;
        }
        DrawRows(*work, 1, threads_);
        {
            std::lock_guard lock(mutex_);
            finished_ = seen;
        }
        done_.notify_one();
    }
}

void WindowResampler::Draw(const AVFrame* picture, const MotionWindow& window, AVFrame* out) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(picture->format));
    const int planeCount = std::min(3, int(desc->nb_components));
    planes_.resize(size_t(planeCount));
    const double left = window.x * picture->width, top = window.y * picture->height;
    const double stepX = window.width * picture->width / out->width;
    const double stepY = window.height * picture->height / out->height;
    for (int p = 0; p < planeCount; ++p) {
        Plane& plane = planes_[size_t(p)];
        const int sx = p == 0 ? 0 : desc->log2_chroma_w, sy = p == 0 ? 0 : desc->log2_chroma_h;
        plane.sourceWidth = AV_CEIL_RSHIFT(picture->width, sx);
        plane.sourceHeight = AV_CEIL_RSHIFT(picture->height, sy);
        plane.width = AV_CEIL_RSHIFT(out->width, sx);
        plane.height = AV_CEIL_RSHIFT(out->height, sy);
        // A colour sample covers 2 (1 << sx) brightness samples: the same
        // step, and the window's edge in its own units.
        plane.x = MakeAxis(plane.width, std::ldexp(left, -sx), stepX);
        plane.y = MakeAxis(plane.height, std::ldexp(top, -sy), stepY);
        plane.lo = plane.x.first.front();
        plane.hi = plane.x.first.back() + 3;
        const size_t n = size_t(plane.width);
        plane.first.resize(n);
        plane.weights01.resize(n);
        plane.weights23.resize(n);
        for (size_t i = 0; i < n; ++i) {
            plane.first[i] = plane.x.first[i] - plane.lo;
            const int16_t* w = &plane.x.weights[i * 4];
            plane.weights01[i] = Pair(w[0], w[1]);
            plane.weights23[i] = Pair(w[2], w[3]);
        }
        plane.blocks.assign(n / 8, Block{});
        for (size_t b = 0; b < plane.blocks.size(); ++b) {
            Block& block = plane.blocks[b];
            block.base = plane.first[b * 8];
            // The pairs at (source - base) / 2 and one after must be among
            // the eight pairs of one 16-sample load.
            block.vector = plane.first[b * 8 + 7] - block.base <= 13;
            for (int k = 0; k < 8; ++k) {
                const int d = plane.first[b * 8 + size_t(k)] - block.base;
                block.half[k] = d >> 1;
                block.odd[k] = (d & 1) ? -1 : 0;
            }
        }
    }
    for (std::vector<int16_t>& row : rows_) {
        size_t need = 0;
        for (const Plane& plane : planes_) need = std::max(need, size_t(plane.hi - plane.lo + 1));
        if (row.size() < need + kRowPadding) row.assign(need + kRowPadding, 0);
    }

    const Work work{picture, out, planeCount};
    if (threads_ > 1) {
        {
            std::lock_guard lock(mutex_);
            work_ = &work;
            ++round_;
        }
        wake_.notify_one();
    }
    DrawRows(work, 0, threads_);
    if (threads_ > 1) {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return finished_ == round_; });
    }
}

namespace {

void HorizontalPlain(const int16_t* row, const int* first, const uint32_t* w01, const uint32_t* w23,
                     uint8_t* out, int begin, int end) {
    for (int i = begin; i < end; ++i) {
        const int16_t* s = row + first[i];
        const int sum = int16_t(w01[i]) * s[0] + int16_t(w01[i] >> 16) * s[1] +
                        int16_t(w23[i]) * s[2] + int16_t(w23[i] >> 16) * s[3];
        out[i] = uint8_t(std::clamp((sum + (1 << (kOutShift - 1))) >> kOutShift, 0, 255));
    }
}

__attribute__((target("avx2"))) void HorizontalAvx2(const int16_t* row, const int* first,
                                                    const uint32_t* w01, const uint32_t* w23,
                                                    const Block* blocks, uint8_t* out, int n) {
    const __m256i round = _mm256_set1_epi32(1 << (kOutShift - 1));
    const __m256i one = _mm256_set1_epi32(1);
    for (int b = 0; b < n / 8; ++b) {
        const Block& block = blocks[b];
        const int i = b * 8;
        if (!block.vector) {
            HorizontalPlain(row, first, w01, w23, out, i, i + 8);
            continue;
        }
        // Pairs starting on even samples from the first load, on odd ones
        // from the load one sample later.
        const __m256i even = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + block.base));
        const __m256i later =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + block.base + 1));
        const __m256i half = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block.half));
        const __m256i odd = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block.odd));
        const __m256i next = _mm256_add_epi32(half, one);
        const __m256i s01 = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(even, half),
                                               _mm256_permutevar8x32_epi32(later, half), odd);
        const __m256i s23 = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(even, next),
                                               _mm256_permutevar8x32_epi32(later, next), odd);
        __m256i sum = _mm256_add_epi32(
            _mm256_madd_epi16(s01, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w01 + i))),
            _mm256_madd_epi16(s23, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w23 + i))));
        sum = _mm256_srai_epi32(_mm256_add_epi32(sum, round), kOutShift);
        __m128i words =
            _mm_packs_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
    }
    HorizontalPlain(row, first, w01, w23, out, n / 8 * 8, n);
}

}  // namespace

void WindowResampler::DrawRows(const Work& work, int share, int shares) {
    const bool avx2 = avx2_;
    int16_t* row = rows_[size_t(share)].data();
    for (int p = 0; p < work.planes; ++p) {
        const Plane& plane = planes_[size_t(p)];
        const uint8_t* source = work.picture->data[p];
        const int pitch = work.picture->linesize[p];
        uint8_t* target = work.out->data[p];
        // Source columns inside the picture; the rest repeat its edges.
        const int from = std::clamp(plane.lo, 0, plane.sourceWidth - 1);
        const int to = std::clamp(plane.hi, 0, plane.sourceWidth - 1);
        const int begin = int(int64_t(plane.height) * share / shares);
        const int end = int(int64_t(plane.height) * (share + 1) / shares);
        for (int j = begin; j < end; ++j) {
            const uint8_t* rows[4];
            for (int k = 0; k < 4; ++k)
                rows[k] = source +
                          std::clamp(plane.y.first[size_t(j)] + k, 0, plane.sourceHeight - 1) *
                              ptrdiff_t(pitch) +
                          from;
            const int16_t* w = &plane.y.weights[size_t(j) * 4];
            int16_t* inside = row + (from - plane.lo);
            if (avx2)
                VerticalAvx2(rows, w, inside, to - from + 1);
            else
                VerticalPlain(rows, w, inside, to - from + 1);
            for (int c = plane.lo; c < from; ++c) row[c - plane.lo] = inside[0];
            for (int c = to + 1; c <= plane.hi; ++c) row[c - plane.lo] = inside[to - from];
            uint8_t* line = target + ptrdiff_t(j) * work.out->linesize[p];
            if (avx2)
                HorizontalAvx2(row, plane.first.data(), plane.weights01.data(),
                               plane.weights23.data(), plane.blocks.data(), line, plane.width);
            else
                HorizontalPlain(row, plane.first.data(), plane.weights01.data(),
                                plane.weights23.data(), line, 0, plane.width);
        }
    }
}

}  // namespace vm
