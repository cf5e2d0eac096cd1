// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/fft.h"

#include <cmath>

#include "common/numeric.h"

namespace vellora {

void FFT(int32_t n, float* re, float* im) {
    if (n < 1 || (n & (n - 1)) != 0) return;

    // The loops count from 1 and every access subtracts 1: R(1) is re[0], R(n) is re[n-1].
    auto R = [re](int32_t p) -> float& { return re[p - 1]; };
    auto I = [im](int32_t p) -> float& { return im[p - 1]; };

    const int32_t m = static_cast<int32_t>(roundHalfEven(std::log(double(n)) / std::log(2.0)));

    int32_t half = n;
    for (int32_t stage = 1; stage <= m; ++stage) {
        const int32_t span = half;
        half = span / 2;
        const float step = static_cast<float>(6.28318530717958 / span);
        float angle = 0.0f;
        for (int32_t j = 1; j <= half; ++j) {
            const float c = static_cast<float>(std::cos(double(angle)));
            const float s = static_cast<float>(std::sin(double(angle)));
            angle = static_cast<float>(double(step) * j);
            for (int32_t i = j; i <= n; i += span) {
                const int32_t l = i + half;
                const float xt = R(i) - R(l);
                R(i) = R(i) + R(l);
                const float yt = I(i) - I(l);
                I(i) = I(i) + I(l);
                R(l) = c * xt + s * yt;
                I(l) = c * yt - s * xt;
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
