// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls, start-up and shut-down, languages and layout, offscreen.
#include <QAction>

#include "common/version.h"
#include "mainwindow/form1_fixture.h"
#include "mainwindow/frequency_scale_overlay.h"

namespace vellora::test {
namespace {

using MainWindow = WindowTest;

// Before a calibration only Calibrate can be pressed; arrows move a bar's thumb the way
// they point, the gain bar's value growing downwards.
TEST_F(MainWindow, ControlsAreCreatedAsDesigned) {
    Form1 w;
    EXPECT_EQ(w.windowTitle(),
              QString::fromUtf8("Visualisation des fréquences (v") + kVersion + ") - Par Maruvel");
    for (const QWidget* c : std::initializer_list<const QWidget*>{
             w.CommandRun, w.CommandBruit, w.CommandAnalyse, w.HScrollCalibrate})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(w.CommandCalibrate->isEnabled());
    for (auto [bar, key, change] : {std::tuple{w.HScrollFrequence, Qt::Key_Right, 1},
                                    {w.HScrollFrequence, Qt::Key_PageDown, -50},
                                    {w.VScrollNiveau, Qt::Key_Down, 1}}) {
        bar->setValue(500);
        pressKey(bar, key);
        EXPECT_EQ(bar->value(), 500 + change) << bar->objectName().toStdString();
    }
}

TEST_F(MainWindow, DefaultsWithoutASettingsFile) {
    auto w = started();
    EXPECT_EQ(w->state.plot.Amplification, 266);
    EXPECT_EQ(w->state.plot.NbFrequencesAffichees, 1024);
    EXPECT_EQ(w->state.plot.PasFrequence, 5.4171f);
    EXPECT_EQ(w->state.FrequenceCal, 110);
    EXPECT_EQ(w->VScrollNiveau->value(), 246);
    EXPECT_EQ(w->windowTitle(), "FrFORM11");
    EXPECT_NEAR(double(w->width()) / w->height(), 16050.0 / 11220, 0.01);  // as designed
    // The frequency scale lies over the spectrum, never in its picture.
    w->show();
    const QImage picture = w->Im_Spectre->image().copy();
    EXPECT_TRUE(w->EchelleFrequence->isVisible());
    w->VisibleEchelle->trigger();
    EXPECT_FALSE(w->EchelleFrequence->isVisible());
    EXPECT_EQ(w->Im_Spectre->image(), picture);
}

TEST_F(MainWindow, OutOfRangeSettingsAreReplacedAndExitDuringARunWritesWhatWasUsed) {
    values = {{"SETTINGS/Niveau", "263"},
              {"SETTINGS/Amplification", "300"},
              {"SETTINGS/Ajustement", "1024"},
              {"SETTINGS/NbFrequencesAffichees", "50"}};
    EXPECT_EQ(started()->state.plot.Amplification, 249);  // 512 - 263: the bar wins
    EXPECT_FLOAT_EQ(started()->state.plot.PasFrequence, 6.4411f);
    EXPECT_EQ(started()->HScrollFrequence->value(), 100);
    values = {{"SETTINGS/Niveau", "0"},
              {"SETTINGS/Ajustement", "70000"},
              {"SETTINGS/NbFrequencesAffichees", "5000"},
              {"SETTINGS/Calibration", "-40000"}};
    Form1* raw = nullptr;
    auto w = started([&](int clip) {
        writeClip(synth::pureTone(440, 22050));
        if (clip == 2) raw->CommandExit_Click();
        return 0;
    });
    raw = w.get();
    EXPECT_EQ(w->state.plot.Amplification, 492);
    EXPECT_EQ(w->HScrollCalibrate->value(), 512);
    EXPECT_EQ(w->HScrollFrequence->value(), 2048);
    EXPECT_EQ(w->state.FrequenceCal, 110);
    writes.clear();
    w->move(120, 45);  // distinct, so that Left and Top cannot stand in for each other
    w->TextEchantillon->setText("7");
    w->CommandRun_Click();
    EXPECT_EQ(clips, 2);
    EXPECT_FALSE(w->state.MesureEnCours);
    const std::vector<std::string> order = {
        "POSITIONS/Left",         "POSITIONS/Top",          "POSITIONS/Height",
        "POSITIONS/Width",        "SETTINGS/Amplification", "SETTINGS/NbFrequencesAffichees",
        "SETTINGS/Ajustement",    "SETTINGS/Niveau",        "SETTINGS/NiveauBruit",
        "SETTINGS/NbEchantillons"};
    EXPECT_EQ(writes, order);
    EXPECT_EQ(values["SETTINGS/Niveau"], "20");
    EXPECT_EQ(values["SETTINGS/NbFrequencesAffichees"], "2048");
    EXPECT_EQ(values["SETTINGS/NbEchantillons"], "7");
    const double tpp = w->twipsPerPixel();
    EXPECT_EQ(values["POSITIONS/Left"], std::to_string(std::lround(w->frameGeometry().x() * tpp)));
    EXPECT_EQ(values["POSITIONS/Top"], std::to_string(std::lround(w->frameGeometry().y() * tpp)));
    EXPECT_NE(values["POSITIONS/Left"], values["POSITIONS/Top"]);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(w->calibrationDialog(), nullptr);
    const QSize size = w->size();  // a restart restores it
    EXPECT_NEAR(started()->width(), size.width(), 1);
}

// A menu choice is stored as it is made; a settings file that cannot be written is told
// at each choice, and once on leaving for all ten keys.
TEST_F(MainWindow, ChoicesAreStoredAtOnceAndAFailedSaveIsToldOnce) {
    auto w = started();
    w->Repeter->trigger();
    EXPECT_EQ(values["SETTINGS/Repetition"], "1");
    EXPECT_TRUE(started()->Repeter->isChecked());
    written = Status(Failure::WriteFailed, "Vellora.ini: No space left on device");
    w->SignauxSonores->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], written.message());
    w->CommandExit_Click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], written.message());
}

TEST_F(MainWindow, LanguagesHelpAndAMissingLanguageFile) {
    values["SETTINGS/Langue"] = "English";
    auto w = started();
    EXPECT_EQ(w->CommandExit->text(), "EnFORM19");
    EXPECT_TRUE(w->Francais->isChecked()) << "the marks start as designed";
    w->CommandAnalyse_Click();
    EXPECT_EQ(w->CommandAnalyse->text(), "EnFORM122");
    w->Francais->trigger();
    EXPECT_EQ(values["SETTINGS/Langue"], "Français");
    EXPECT_EQ(w->CommandAnalyse->text(), "FrFORM16");
    w->CommandAnalyse_Click();  // back in its first state
    EXPECT_EQ(w->CommandAnalyse->text(), "FrFORM122");
    w->Anglais->trigger();
    EXPECT_TRUE(w->Anglais->isChecked() && !w->Francais->isChecked());
    w->Help->trigger();
    w->Francais->trigger();
    w->Help->trigger();
    EXPECT_EQ(helpOpened, (std::vector<std::string>{"vellora_en.chm", "vellora.chm"}));
    helpExists = false;
    w->Help->trigger();
    EXPECT_EQ(messages, std::vector<std::string>{"FrFORM135"});
    values["SETTINGS/Langue"] = "none";
    auto bare = started();
    EXPECT_EQ(bare->CommandRun->text(), "Err!!");
    EXPECT_EQ(bare->aboutBox()->windowTitle(), "Err!!Vellora");
    bare->Anglais->trigger();  // the menu still works
    EXPECT_EQ(bare->CommandRun->text(), "EnFORM110");
}

// A noise line placed through the precise read-out moves the read-out below it, and
// back once the line is far below.
TEST_F(MainWindow, PreciseReadoutNeverHidesTheNoiseLine) {
    auto w = started();
    w->show();
    w->resize(1024, 768);
    QApplication::processEvents();
    w->FramePrecise->show();
    const QRect box = w->FramePrecise->geometry();
    w->CommandBruit->setEnabled(true);
    w->CommandBruit_Click();
    for (int y : {box.top() + 2, box.center().y(), box.bottom() - 2}) {
        w->Im_Spectre_MouseMove(0, 0, 100, float(y));
        EXPECT_GT(w->FramePrecise->geometry().top(), y) << y;
        EXPECT_LE(w->FramePrecise->geometry().bottom(), w->Im_Spectre->height()) << y;
    }
    w->Im_Spectre_MouseMove(0, 0, 100, float(w->Im_Spectre->height() - 100));
    EXPECT_EQ(w->FramePrecise->geometry().top(), box.top());
}

}  // namespace
}  // namespace vellora::test
