// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/about_box.h"

#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

// The icon lives in a static library's resources, which the linker would drop unless
// they are registered explicitly.
static void registerAboutResources() { Q_INIT_RESOURCE(about); }

namespace vellora {

namespace {

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

constexpr int kNarrowest = 420;        // pixels
constexpr int kTitleBarButtons = 140;  // the icon and the three buttons beside the title

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

frmAbout::frmAbout(std::function<std::string(int)> lookup) : lookup_(std::move(lookup)) {
    registerAboutResources();
    setObjectName("frmAbout");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName("picIcon");
    picIcon->setPixmap(QPixmap(":/vellora/icon.png")
                           .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picIcon->setAlignment(Qt::AlignTop);

    lblTitle = new QLabel(this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName("lblVersion");
    LblAuteur = new QLabel(this);
    LblAuteur->setObjectName("LblAuteur");
    lblDescription = new QLabel(this);
    lblDescription->setObjectName("lblDescription");
    lblDescription->setWordWrap(true);
    lblDisclaimer = new QLabel(this);
    lblDisclaimer->setObjectName("lblDisclaimer");
    lblDisclaimer->setWordWrap(true);
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addWidget(LblAuteur);
    texts->addWidget(separator(this));
    texts->addWidget(lblDescription);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon);
    top->addLayout(texts, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addWidget(cmdOK, 0, Qt::AlignBottom);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(separator(this));
    all->addLayout(bottom);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    Form_Load();
}

void frmAbout::Form_Load() {
    lblTitle->setText(kApplicationTitle);
    applyTexts();
}

void frmAbout::applyTexts() {
    setWindowTitle(fromUtf8(lookup_(1) + kApplicationTitle));
    lblVersion->setText(fromUtf8(lookup_(2) + kApplicationVersion));
    LblAuteur->setText(fromUtf8(lookup_(3)));
    lblDescription->setText(fromUtf8(lookup_(4)));
    lblDisclaimer->setText(fromUtf8(lookup_(5)));
    cmdOK->setText(fromUtf8(lookup_(6)));
    fitToTexts();
}

// Texts change length with the language: the box takes the size they need, never
// narrower than its title (with room for the title bar's buttons) or 420 pixels.
void frmAbout::fitToTexts() {
    QFont titleFont = font();
    titleFont.setBold(true);
    const int titleWidth =
        QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarButtons;
    setMinimumWidth(std::max(kNarrowest, titleWidth));
    layout()->activate();
    resize(minimumWidth(),
           layout()->hasHeightForWidth()
               ? std::max(minimumSizeHint().height(), layout()->totalHeightForWidth(minimumWidth()))
               : sizeHint().height());
}

void frmAbout::cmdOK_Click() { close(); }

QIcon programIcon() {
    registerAboutResources();
    return QIcon::fromTheme(QStringLiteral("vellora"), QIcon(QStringLiteral(":/vellora/icon.png")));
}

}  // namespace vellora
