// SPDX-License-Identifier: GPL-3.0-or-later
// The page view of the help window: a text browser whose pictures never break a page.
#pragma once

#include <QTextBrowser>

namespace vellora {

class HelpBrowser : public QTextBrowser {
  public:
    // Pictures wider than this many pixels are shown scaled down to it.
    static constexpr int kMaxImageWidth = 640;
    // Larger picture files are not shown (a screenshot takes a few hundred kB).
    static constexpr long long kLargestHelpImage = 16LL << 20;

    explicit HelpBrowser(QWidget* parent = nullptr);

    // A picture that is not there yet (the screenshots come later) takes no room
    // instead of showing the broken-image mark; wide ones are scaled to fit. Pages are
    // read as readHelpFile reads them.
    QVariant loadResource(int type, const QUrl& name) override;
};

}  // namespace vellora
