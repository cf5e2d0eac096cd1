#include "settings/about_box.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
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

}  // namespace
}  // namespace vellora
