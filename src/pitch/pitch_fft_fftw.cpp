// SPDX-License-Identifier: GPL-3.0-or-later
// The transform through FFTW: several times faster than our radix-2 one.
#include <fftw3.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "pitch/pitch_fft.h"

namespace vellora {

namespace {
// Planning costs more than a dozen transforms, so each length is planned once for the
// whole program and every transform of that length runs on its own buffers through it.
// FFTW's planner is not thread-safe (the analysis tool estimates on several threads);
// executing a plan is.
class SharedPlans {
  public:
    ~SharedPlans() {
        for (const auto& [n, plan] : plans_) fftw_destroy_plan(plan);
    }
    fftw_plan get(size_t n) {
        const std::lock_guard lock(mutex_);
        fftw_plan& plan = plans_[n];
        if (!plan) {
            // Planned on buffers of its own, aligned as fftw_alloc aligns every buffer, so
            // any buffers from fftw_alloc may be given to it. Measuring plans costs seconds
            // per length; an estimated plan is within a few tens of percent of the best
            // for powers of two.
            double* in = fftw_alloc_real(n);
            fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
            plan = fftw_plan_dft_r2c_1d(int(n), in, out, FFTW_ESTIMATE);
            fftw_free(out);
            fftw_free(in);
        }
        return plan;
    }

  private:
    std::mutex mutex_;
    std::map<size_t, fftw_plan> plans_;
};

fftw_plan sharedPlan(size_t n) {
    static SharedPlans plans;
    return plans.get(n);
}
}  // namespace

struct PitchFft::Plan {
    explicit Plan(size_t n)
        : plan(sharedPlan(n)), in(fftw_alloc_real(n)), out(fftw_alloc_complex(n / 2 + 1)) {
        std::fill(in, in + n, 0.0);
    }
    ~Plan() {
        fftw_free(out);
        fftw_free(in);
    }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;
    fftw_plan plan;
    double* in;
    fftw_complex* out;
};

PitchFft::PitchFft(size_t n) : n_(n), written_(0), plan_(std::make_unique<Plan>(n)) {}
PitchFft::~PitchFft() = default;

double* PitchFft::input() { return plan_->in; }
// fftw_complex is laid out as std::complex<double> (FFTW's manual, "Complex numbers").
const std::complex<double>* PitchFft::output() const {
    return reinterpret_cast<const std::complex<double>*>(plan_->out);
}

void PitchFft::transform(size_t used) {
    // An out-of-place real transform keeps its input: the zeros stay.
    if (written_ > used) std::fill(plan_->in + used, plan_->in + written_, 0.0);
    written_ = used;
    fftw_execute_dft_r2c(plan_->plan, plan_->in, plan_->out);
}

}  // namespace vellora
