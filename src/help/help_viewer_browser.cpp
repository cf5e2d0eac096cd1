// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer_browser.h"

#include <QFileInfo>
#include <QImage>
#include <QTextDocument>

#include "help/help_viewer_contents.h"

namespace vellora {

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) { setOpenExternalLinks(true); }

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = source().resolved(name);
    if (type != QTextDocument::ImageResource) {
        // Pages and style sheets go through the bounded reader: Qt's own loader would
        // wait on a FIFO for good and read a device until memory runs out.
        if (!url.isLocalFile()) return QTextBrowser::loadResource(type, name);
        return readHelpFile(url.toLocalFile());
    }
    QImage image;
    const QFileInfo info(url.toLocalFile());
    if (url.isLocalFile() && info.isFile() && info.size() <= qint64(kLargestHelpImage))
        image.load(url.toLocalFile());
    if (image.isNull()) {
        image = QImage(1, 1, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
    } else if (image.width() > kMaxImageWidth) {
        image = image.scaledToWidth(kMaxImageWidth, Qt::SmoothTransformation);
    }
    return image;
}

}  // namespace vellora
