#include "settings/about_box.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>

namespace vellora {
namespace {

std::string aboutText(int key) {
    static const char* texts[] = {
        "", "About ", "Version ", "Written by us", "A belt meter", "No warranty", "OK"};
    return texts[key];
}

TEST(AboutBox, TitleAndVersionFollowTheirTextsDirectly) {
    ensureGuiApplication();

    QPointer<frmAbout> box = new frmAbout(aboutText);
    EXPECT_EQ(box->windowTitle(), "About Vellora");
    EXPECT_EQ(box->lblTitle->text(), "Vellora");
    EXPECT_EQ(box->lblVersion->text(), "Version 1.5.3");
    EXPECT_EQ(box->cmdOK->text(), "OK");
    EXPECT_FALSE(box->isModal());
    EXPECT_FALSE(box->findChild<QLabel*>("picIcon")->pixmap().isNull());

    box->show();
    box->cmdOK->click();  // closing destroys it; the owner makes a new one next time
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());

    frmAbout again([](int key) { return key == 1 ? std::string("Err!!") : aboutText(key); });
    EXPECT_EQ(again.windowTitle(), "Err!!Vellora");
}

// After a language change the box takes the size its new texts need: a long title and
// long texts are not cut, and short ones give the small box back.
TEST(AboutBox, SizeFollowsTheTextsOnEveryChange) {
    ensureGuiApplication();
    bool wordy = false;
    frmAbout box([&](int key) {
        if (!wordy) return aboutText(key);
        static const char* texts[] = {
            "",
            "À propos de l'application de mesure de la tension des courroies ",
            "Version ",
            "Écrit par nous",
            "Mesure la fréquence de vibration d'une courroie de distribution pincée, pour "
            "contrôler sa tension d'après la fréquence recommandée par le constructeur. "
            "Mesure la fréquence de vibration d'une courroie de distribution pincée.",
            "Avertissement : ce programme n'est qu'une aide à la mesure. Vérifiez toujours "
            "la tension avec les valeurs du constructeur.",
            "D'accord"};
        return std::string(texts[key]);
    });
    box.show();
    QApplication::processEvents();
    const QSize small = box.size();

    wordy = true;
    box.applyTexts();
    QApplication::processEvents();
    QFont bold = box.font();
    bold.setBold(true);
    EXPECT_GT(box.width(), QFontMetrics(bold).horizontalAdvance(box.windowTitle()));
    EXPECT_GE(box.height(), box.layout()->totalHeightForWidth(box.width()));
    EXPECT_GT(box.height(), small.height());
    for (QLabel* l : {box.lblTitle, box.lblVersion, box.LblAuteur})
        EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();

    wordy = false;
    box.applyTexts();
    QApplication::processEvents();
    EXPECT_EQ(box.size(), small);
}

}  // namespace
}  // namespace vellora
