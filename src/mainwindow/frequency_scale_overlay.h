// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency scale along the bottom of the spectrum: a see-through child of the
// spectrum surface, painted over it, so the surface's own image stays as the cycle drew
// it. The mouse passes through to the surface.
#pragma once

#include <QWidget>
#include <vector>

#include "mainwindow/frequency_scale.h"

namespace vellora {

class FrequencyScaleOverlay : public QWidget {
  public:
    explicit FrequencyScaleOverlay(QWidget* spectrum);

    // Hertz per bin, the last bin drawn and the bars' pen width, as the bars stand.
    void setScale(float pas, int nbBins, int barWidth);
    // The ticks as the last scale or size change placed them; paint only draws them.
    const std::vector<ScaleTick>& ticks() const { return ticks_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void fitToSpectrum();
    void placeTicks();

    float pas_ = 0;
    int nbBins_ = 0;
    int barWidth_ = 1;
    std::vector<ScaleTick> ticks_;
};

}  // namespace vellora
