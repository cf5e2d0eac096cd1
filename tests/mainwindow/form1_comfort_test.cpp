// The main window as a user meets it in either language, with the shipped language
// files and Qt's own catalogues: the calibration question, the arrow keys, the panel at
// small sizes and the frequency scale.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <filesystem>
#include <set>

#include "common/caption_fit.h"
#include "mainwindow/form1.h"
#include "mainwindow/frequency_scale_overlay.h"
#include "mainwindow/picture_surface.h"
#include "settings/language.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

class Comfort : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }

    // The window started in `language` from the shipped files, settings kept in memory.
    std::unique_ptr<Form1> started(const std::string& language) {
        Form1Services s;
        s.readString = [language](const char*, const char* key, const std::string& fallback, int) {
            return std::string(key) == "Langue" ? language : fallback;
        };
        s.writeString = [](const char*, const char*, const std::string&) { return true; };
        s.setLanguage = [this](const std::string& name) {
            file = fs::path(VELLORA_SOURCE_LANG_DIR) / fs::u8path(name + ".lng");
        };
        s.text = [this](const char* section, int key) {
            return GetLanguageString(section, key, file);
        };
        s.showMessage = [](const std::string&) {};
        auto w = std::make_unique<Form1>(std::move(s));
        w->Form_Load();
        return w;
    }

    fs::path file;
};

TEST_F(Comfort, CalibrationQuestionHasNoIconTheProgramsTitleAndButtonsInTheLanguage) {
    struct Case {
        const char* language;
        const char* ok;
        const char* cancel;
    };
    for (const Case& c : {Case{"Français", "OK", "Annuler"}, Case{"English", "OK", "Cancel"}}) {
        auto w = started(c.language);
        QString title, ok, cancel;
        int icon = -1;
        bool okIsDefault = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            icon = int(box->icon());
            ok = box->button(QMessageBox::Ok)->text();
            cancel = box->button(QMessageBox::Cancel)->text();
            okIsDefault = box->defaultButton() == box->button(QMessageBox::Ok);
            box->button(QMessageBox::Cancel)->click();
        });
        w->CommandCalibrate_Click();
        EXPECT_EQ(title, "Vellora") << c.language;
        EXPECT_EQ(icon, int(QMessageBox::NoIcon)) << c.language;
        EXPECT_EQ(ok.remove('&'), c.ok) << c.language;
        EXPECT_EQ(cancel.remove('&'), QString::fromUtf8(c.cancel)) << c.language;
        EXPECT_TRUE(okIsDefault) << c.language;
        EXPECT_FALSE(w->CommandRun->isEnabled());  // cancelled: nothing started
    }
}

TEST_F(Comfort, ArrowKeysMoveEveryScrollBarTheWayTheyPoint) {
    auto w = started("English");
    w->HScrollCalibrate->setEnabled(true);
    struct Case {
        QScrollBar* bar;
        int key;
        int change;
    };
    // Horizontal bars: Right raises. The vertical gain bar grows downwards: Down moves
    // its thumb down and raises the value, Up the other way.
    const Case cases[] = {
        {w->HScrollCalibrate, Qt::Key_Right, +1},   {w->HScrollCalibrate, Qt::Key_Left, -1},
        {w->HScrollCalibrate, Qt::Key_PageUp, +10}, {w->HScrollFrequence, Qt::Key_Right, +1},
        {w->HScrollFrequence, Qt::Key_Left, -1},    {w->HScrollFrequence, Qt::Key_PageDown, -50},
        {w->VScrollNiveau, Qt::Key_Down, +1},       {w->VScrollNiveau, Qt::Key_Up, -1},
    };
    for (const Case& c : cases) {
        c.bar->setValue((c.bar->minimum() + c.bar->maximum()) / 2);
        const int before = c.bar->value();
        for (int i = 0; i < 5; ++i) {
            QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
            QApplication::sendEvent(c.bar, &press);
        }
        EXPECT_EQ(c.bar->value() - before, 5 * c.change)
            << c.bar->objectName().toStdString() << " key " << std::hex << c.key;
    }
}

// Every control of the panel inside the window, clear of its neighbours and showing its
// whole caption, in both languages, at the smallest sizes a user would choose.
TEST_F(Comfort, PanelFitsAt640x480And800x600InBothLanguages) {
    for (const char* language : {"Français", "English"}) {
        auto w = started(language);
        w->show();
        for (QSize size : {QSize(640, 480), QSize(800, 600)}) {
            w->resize(size);
            QApplication::processEvents();
            const std::string where = std::string(language) + " " + std::to_string(size.width()) +
                                      "x" + std::to_string(size.height());
            const QRect client = w->centralWidget()->rect();
            std::vector<QWidget*> panel;
            for (QWidget* c : w->Frame2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (!c->isHidden() && c != w->ShapeFrequence) panel.push_back(c);
            ASSERT_GE(panel.size(), 12u);
            for (QWidget* c : panel) {
                const std::string name = c->objectName().toStdString() + " " + where;
                const QRect r(c->mapTo(w->centralWidget(), QPoint(0, 0)), c->size());
                EXPECT_TRUE(client.contains(r)) << name;
                if (auto* b = qobject_cast<QPushButton*>(c)) {
                    EXPECT_LE(b->sizeHint().width(), b->width()) << name;
                }
                if (auto* l = qobject_cast<QLabel*>(c)) {
                    EXPECT_LE(l->sizeHint().width(), l->width()) << name;
                    EXPECT_TRUE(l->toolTip().isEmpty()) << name << " elided";
                }
            }
            const std::set<QWidget*> stack = {w->CommandCalibrate, w->CommandBruit,
                                              w->CommandAnalyse};
            for (size_t i = 0; i < panel.size(); ++i)
                for (size_t j = i + 1; j < panel.size(); ++j) {
                    // Column 2's buttons overlap by design, 65 twips each.
                    if (stack.count(panel[i]) && stack.count(panel[j])) continue;
                    EXPECT_FALSE(panel[i]->geometry().intersects(panel[j]->geometry()))
                        << panel[i]->objectName().toStdString() << " meets "
                        << panel[j]->objectName().toStdString() << " " << where;
                }
            EXPECT_EQ(w->CommandCalibrate->width(), w->CommandBruit->width()) << where;
            EXPECT_EQ(w->CommandAnalyse->width(), w->CommandBruit->width()) << where;
        }
    }
}

// The scale is drawn over the spectrum, never into its image; its entry under Energie
// and Afficher's both show a mark that follows what is on screen.
TEST_F(Comfort, ScaleAndGaugeEntriesCarryMarksThatFollowTheScreen) {
    auto w = started("Français");
    w->show();
    EXPECT_EQ(w->VisibleEchelle->text(), QString::fromUtf8("Échelle des fréquences"));
    EXPECT_TRUE(w->VisibleEchelle->isChecked());
    EXPECT_TRUE(w->EchelleFrequence->isVisible());
    EXPECT_EQ(w->EchelleFrequence->parentWidget(), w->Im_Spectre);
    EXPECT_EQ(w->EchelleFrequence->geometry().bottom(), w->Im_Spectre->height() - 1);
    const QImage before = w->Im_Spectre->image().copy();
    w->VisibleEchelle->trigger();
    EXPECT_FALSE(w->EchelleFrequence->isVisible());
    EXPECT_FALSE(w->VisibleEchelle->isChecked());
    EXPECT_EQ(w->Im_Spectre->image(), before);
    w->VisibleEchelle->trigger();
    EXPECT_TRUE(w->EchelleFrequence->isVisible());
    EXPECT_TRUE(w->VisibleEchelle->isChecked());

    EXPECT_TRUE(w->Visibles->isChecked());
    w->Visibles->trigger();
    EXPECT_FALSE(w->Visibles->isChecked());
    w->Visibles->trigger();
    EXPECT_TRUE(w->Visibles->isChecked());
    w->Energie_DblClick();
    EXPECT_FALSE(w->Visibles->isChecked());
}

// A noise line placed through the precise read-out moves the read-out below it.
TEST_F(Comfort, PreciseReadoutNeverHidesTheNoiseLine) {
    auto w = started("English");
    w->show();
    w->resize(1024, 768);
    QApplication::processEvents();
    w->FramePrecise->show();
    const QRect box = w->FramePrecise->geometry();
    w->CommandBruit->setEnabled(true);
    w->CommandBruit_Click();  // the line follows the mouse
    for (int y : {box.top() + 2, box.center().y(), box.bottom() - 2}) {
        w->Im_Spectre_MouseMove(0, 0, 100, float(y));
        const QRect moved = w->FramePrecise->geometry();
        EXPECT_GT(moved.top(), y) << y;
        EXPECT_LE(moved.bottom(), w->Im_Spectre->height()) << y;
    }
    w->Im_Spectre_MouseMove(0, 0, 100, float(w->Im_Spectre->height() - 100));
    EXPECT_EQ(w->FramePrecise->geometry().top(), box.top());  // far below: back in place
}

// Below the sizes the panel is made for, a caption gets smaller, then is elided with its
// whole text in the tool tip, and comes back whole when there is room again.
TEST_F(Comfort, ACaptionShrinksThenElidesAndComesBackWhole) {
    QWidget parent;
    QLabel label(QString::fromUtf8("Fréquence du signal max"), &parent);
    label.setAlignment(Qt::AlignCenter);
    const int need = label.sizeHint().width();
    const int base = label.font().pointSize();
    label.setGeometry(100, 0, 40, 20);

    fitCentredCaption(label, need + 10);  // room enough: widened about its centre
    EXPECT_EQ(label.width(), need);
    EXPECT_EQ(label.font().pointSize(), base);
    EXPECT_NEAR(label.geometry().center().x(), 119, 1);

    label.setGeometry(100, 0, 40, 20);
    fitCentredCaption(label, need - 5);  // a point smaller is enough
    EXPECT_LT(label.font().pointSizeF(), base);
    EXPECT_LE(label.width(), need - 5);
    EXPECT_EQ(label.text(), QString::fromUtf8("Fréquence du signal max"));

    label.setGeometry(100, 0, 40, 20);
    fitCentredCaption(label, 50);  // too narrow for any size: elided, whole in the tip
    EXPECT_EQ(label.width(), 50);
    EXPECT_NE(label.text(), QString::fromUtf8("Fréquence du signal max"));
    EXPECT_TRUE(label.text().contains(QChar(0x2026)));
    EXPECT_EQ(label.toolTip(), QString::fromUtf8("Fréquence du signal max"));
    EXPECT_LE(label.sizeHint().width(), 50);

    label.setGeometry(100, 0, 40, 20);
    fitCentredCaption(label, need + 10);  // room again: the whole caption, usual font
    EXPECT_EQ(label.text(), QString::fromUtf8("Fréquence du signal max"));
    EXPECT_EQ(label.font().pointSize(), base);
    EXPECT_TRUE(label.toolTip().isEmpty());
}

}  // namespace
}  // namespace vellora
