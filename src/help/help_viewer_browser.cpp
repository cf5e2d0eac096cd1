// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer_browser.h"

#include <QFileInfo>
#include <QImage>
#include <QTextDocument>

namespace vellora {

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) { setOpenExternalLinks(true); }

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (type != QTextDocument::ImageResource) return QTextBrowser::loadResource(type, name);
    const QUrl url = source().resolved(name);
    QImage image;
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) image.load(url.toLocalFile());
    if (image.isNull()) {
        image = QImage(1, 1, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
    } else if (image.width() > kMaxImageWidth) {
        image = image.scaledToWidth(kMaxImageWidth, Qt::SmoothTransformation);
    }
    return image;
}

}  // namespace vellora
