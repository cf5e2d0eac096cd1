// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency scale along the bottom of the spectrum: a see-through child of the
// spectrum surface, painted over it, so the surface's own image stays as the cycle drew
// it. The mouse passes through to the surface. A noise line low enough to fall in the
// band is drawn again over it, so the scale never hides it.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "mainwindow/frequency_scale.h"

namespace vellora {

class FrequencyScaleOverlay : public QWidget {
  public:
    explicit FrequencyScaleOverlay(QWidget* spectrum);

    // Hertz per bin, the last bin drawn and the bars' pen width, as the bars stand.
    void setScale(float pas, int nbBins, int barWidth);
    // Where the noise line lies, pixels from the spectrum's top, while it is shown.
    void setNoiseLine(std::function<std::optional<int>()> line) { noiseLine_ = std::move(line); }
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
    std::function<std::optional<int>()> noiseLine_;
};

}  // namespace vellora
