// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/fft.h"

#include <array>
#include <cmath>
#include <cstring>

#include "common/numeric.h"

namespace vellora {

namespace {

constexpr int32_t kTabled = 4096;  // the meter's transform size

// Twiddle k of a stage spanning `span` points: the angle k * step is rounded to a
// single float, as is the step 2 pi / span, and its double cosine and sine are rounded
// again. The meter's read-out depends on these exact values.
struct Twiddle {
    float c, s;
};

Twiddle twiddle(int32_t span, int32_t k) {
    const float step = static_cast<float>(kDesignFullTurn / span);
    const float angle = static_cast<float>(double(step) * k);
    return {static_cast<float>(std::cos(double(angle))),
            static_cast<float>(std::sin(double(angle)))};
}

// The twiddles of every stage of a 4096-point transform, each stage's in a row: the
// widest stage's are computed, and every narrower stage, as every smaller power of two,
// takes every 2^t-th of them. Halving the span doubles the step exactly (a power-of-two
// factor), so float(step * k) of the narrower stage is float(2^t step * k) of this one,
// the same product rounded the same way.
struct TwiddleTable {
    // Stage of span s: cosines at c[s / 2 - 1 + k] (k < s / 2), sines likewise.
    std::array<float, kTabled - 1> c, s;
    TwiddleTable() {
        std::array<Twiddle, kTabled / 2> widest;
        for (int32_t k = 0; k < kTabled / 2; ++k) widest[size_t(k)] = twiddle(kTabled, k);
        for (int32_t span = 2; span <= kTabled; span *= 2)
            for (int32_t k = 0; k < span / 2; ++k) {
                const Twiddle& w = widest[size_t(k * (kTabled / span))];
                c[size_t(span / 2 - 1 + k)] = w.c;
                s[size_t(span / 2 - 1 + k)] = w.s;
            }
    }
};

const TwiddleTable& twiddleTable() {
    static const TwiddleTable table;
    return table;
}

// Four lanes of single floats; each lane's arithmetic is that of a single float.
typedef float Lanes __attribute__((vector_size(16)));

Lanes load(const float* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void store(float* p, Lanes v) { std::memcpy(p, &v, sizeof v); }

// The butterflies of one block of a stage: points a + k and a + k + half with twiddle k.
// Within a stage every butterfly has points of its own, so their order changes nothing.
void butterflies(float* re, float* im, int32_t half, const float* c, const float* s) {
    float* const br = re + half;
    float* const bi = im + half;
    int32_t k = 0;
    for (; k + 4 <= half; k += 4) {
        const Lanes ar = load(re + k), ai = load(im + k), xr = load(br + k), xi = load(bi + k);
        const Lanes ck = load(c + k), sk = load(s + k);
        const Lanes xt = ar - xr;
        const Lanes yt = ai - xi;
        store(re + k, ar + xr);
        store(im + k, ai + xi);
        store(br + k, ck * xt + sk * yt);
        store(bi + k, ck * yt - sk * xt);
    }
    for (; k < half; ++k) {
        const float xt = re[k] - br[k];
        re[k] = re[k] + br[k];
        const float yt = im[k] - bi[k];
        im[k] = im[k] + bi[k];
        br[k] = c[k] * xt + s[k] * yt;
        bi[k] = c[k] * yt - s[k] * xt;
    }
}

}  // namespace

void FFT(int32_t n, float* re, float* im) {
    if (n < 1 || (n & (n - 1)) != 0) return;

    // The loops count from 1 and every access subtracts 1: R(1) is re[0], R(n) is re[n-1].
    auto R = [re](int32_t p) -> float& { return re[p - 1]; };
    auto I = [im](int32_t p) -> float& { return im[p - 1]; };

    const int32_t m = static_cast<int32_t>(roundHalfEven(std::log(double(n)) / std::log(2.0)));

    if (n <= kTabled) {
        const TwiddleTable& table = twiddleTable();
        for (int32_t span = n; span >= 2; span /= 2) {
            const int32_t half = span / 2;
            const float* c = table.c.data() + (half - 1);
            const float* s = table.s.data() + (half - 1);
            for (int32_t block = 0; block < n; block += span)
                butterflies(re + block, im + block, half, c, s);
        }
    } else {
        int32_t half = n;
        for (int32_t stage = 1; stage <= m; ++stage) {
            const int32_t span = half;
            half = span / 2;
            for (int32_t j = 1; j <= half; ++j) {
                const Twiddle w = twiddle(span, j - 1);
                for (int32_t i = j; i <= n; i += span) {
                    const int32_t l = i + half;
                    const float xt = R(i) - R(l);
                    R(i) = R(i) + R(l);
                    const float yt = I(i) - I(l);
                    I(i) = I(i) + I(l);
                    R(l) = w.c * xt + w.s * yt;
                    I(l) = w.c * yt - w.s * xt;
                }
            }
        }
    }

    // Bit reversal. k / 2 rounded half to even equals integer division for every k
    // that occurs (powers of two down to 1 -> 0). For a power of two n, k never reaches
    // 0 while k < j; the k > 0 test only keeps a wrong n from looping forever.
    int32_t j = 1;
    for (int32_t i = 1; i <= n - 1; ++i) {
        if (i < j) {
            const float tr = R(i);
            R(i) = R(j);
            R(j) = tr;
            const float ti = I(i);
            I(i) = I(j);
            I(j) = ti;
        }
        int32_t k = n / 2;
        while (k > 0 && k < j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
}

}  // namespace vellora
