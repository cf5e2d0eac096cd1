// SPDX-License-Identifier: GPL-3.0-or-later
// One pluck, one reading in every window: the main read-out, the large read-out and the
// Belt window show the meter's record; the status follows the meter and the language; the
// program's keys work from each of its windows.
#include <QAction>
#include <QListWidget>
#include <QMenuBar>
#include <QTableWidget>
#include <QTest>

#include "belt/belt_window.h"
#include "mainwindow/big_readout.h"
#include "mainwindow/form1_fixture.h"
#include "mainwindow/frequency_scale_overlay.h"
#include "support/profile_test_support.h"

namespace vellora::test {
namespace {

class Views : public WindowTest {
  protected:
    // Started with `setups` kept, the first chosen, every clip a pluck of `hz` and the
    // noise line at the bottom: each run stops on its first clip.
    std::unique_ptr<Form1> plucking(std::span<const BeltSetup> setups, const double& hz,
                                    uint32_t seed = 3) {
        EXPECT_TRUE(saveBeltSetups(belts, setups, setups[0].name));
        auto w = started([this, &hz, seed](int) {
            synth::Random random(seed);
            synth::Pluck p = synth::randomBelt(random, hz, 22050);
            p.inharmonicity = 0.01;
            p.onsetSeconds = 0.05;
            writeClip(synth::render(p, random));
            return 0;
        });
        ready(*w);
        armAtBottom(*w);
        return w;
    }
    static constexpr double kHz = 87.3;  // inside the timing belt's target of 80 to 95 Hz
};

// Which tension a pluck gives is the meter's test; here every window shows that one.
TEST_F(Views, OnePluckShowsOneTensionAndVerdictInEveryWindow) {
    for (const bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "Repeat" : "one pluck per run");
        const BeltSetup belt = timingBelt();
        auto w = plucking(std::span(&belt, 1), kHz);
        if (repeat) {
            w->Repeter->setChecked(true);
            w->Repeter_Click();
            w->repeatMode().setTimes({kMaxRepeatMs, kMaxRepeatMs});  // held while we look
        }
        w->CommandRun_Click();
        ASSERT_TRUE(w->meter().shown() && w->meter().shown()->triggered);
        const MeterReading r = *w->meter().shown();
        ASSERT_TRUE(r.line.tension);
        const QString newtons = QString::number(r.line.tension->newtons, 'f', 0);
        const QString colour = r.line.range == RangeStatus::Inside ? "#1a7f37" : "#c62828";

        // French: a decimal comma, and no-break blanks that keep each unit with its number.
        EXPECT_TRUE(w->TextTension->text().startsWith(newtons + QChar(0xA0) + "N  ")) << repeat;
        EXPECT_EQ(w->TextFondamentale->text(),
                  QString::number(r.line.hz, 'f', 1).replace('.', ',') + QChar(0xA0) + "Hz");
        EXPECT_EQ(w->TextTension->property("rangeColour").toString(), colour);
        const BigReadout& big = w->bigReadout();
        EXPECT_EQ(big.tensionLabel->text(), newtons + QChar(0xA0) + "N");
        EXPECT_EQ(big.frequencyLabel->property("rangeColour").toString(), colour);
        EXPECT_EQ(big.frequencyLabel->text(),
                  QLocale().toString(r.line.hz, 'f', 1) + QChar(0xA0) + "Hz");
        const BeltWindow& bw = w->beltWindow();
        EXPECT_NE(bw.lastReadingLabel->text().indexOf(" " + newtons + " N"), -1)
            << bw.lastReadingLabel->text().toStdString();
        EXPECT_EQ(bw.lastReadingLabel->property("rangeStatus").toInt(), int(r.line.range));
        EXPECT_EQ(bw.readingsTable->item(0, 3)->text(), newtons);  // logged as the Belt window logs
        if (!repeat) continue;
        // Held, in the interface language; a switch re-captions the large read-out at once.
        EXPECT_EQ(big.statusLabel->text().toStdString(), "FrFORM194 [%1|%2]");
        EXPECT_EQ(big.countLabel->text().toStdString(), "FrFORM189 [1|3]");
        w->CommandRun_Click();  // ends the pause
        EXPECT_EQ(big.statusLabel->text().toStdString(), "FrFORM191 [%1|%2]");
        w->Anglais_Click();
        EXPECT_EQ(big.statusLabel->text().toStdString(), "EnFORM191 [%1|%2]");
        EXPECT_EQ(big.countLabel->text().toStdString(), "EnFORM189 [1|3]");
    }
}

// Three plucks agree and confirm, one 10 % higher is outside the target and disagrees.
// Another set-up clears the reading and the agreement; readings of the file, from before
// the program started, are shown as earlier and count for nothing.
TEST_F(Views, AgreementAndRangeShowAndASetupChangeOrARestartBeginsAfresh) {
    readingsFile = dir / "Readings.csv";
    BeltSetup two[] = {timingBelt(), timingBelt()};
    two[1].name = "Alternator";
    double hz = kHz;
    auto take = [&](int plucks) {
        auto w = plucking(two, hz, 5);
        for (int i = 0; i < plucks; ++i) w->CommandRun_Click();
        return w;
    };
    take(2);
    auto w = take(1);
    EXPECT_EQ(w->meter().shown()->agreeing, 1) << "the two before the restart do not count";
    EXPECT_EQ(w->beltWindow().readingsTable->rowCount(), 3);
    w->CommandRun_Click();
    w->CommandRun_Click();
    EXPECT_EQ(w->TextAccord->text().toStdString(),
              w->beltWindow().captionText(BeltCaption::Confirmed));
    EXPECT_EQ(w->TextTension->property("rangeColour").toString(), "#1a7f37");
    hz = 96;
    w->CommandRun_Click();
    EXPECT_EQ(w->TextAccord->text().toStdString(),
              w->beltWindow().captionText(BeltCaption::Disagree));
    EXPECT_EQ(w->TextTension->property("rangeColour").toString(), "#c62828");
    EXPECT_TRUE(messages.empty());

    w->beltWindow().setupList->setCurrentRow(1);
    EXPECT_FALSE(w->meter().shown());
    EXPECT_EQ(w->bigReadout().frequencyLabel->text(), QString::fromUtf8("\u2014"));
    EXPECT_TRUE(w->bigReadout().countLabel->isHidden());
    EXPECT_TRUE(w->TextAccord->isHidden());
    EXPECT_TRUE(w->beltWindow().lastReadingLabel->text().isEmpty());
    w->CommandRun_Click();
    EXPECT_EQ(w->meter().shown()->agreeing, 1);
    EXPECT_EQ(w->meter().shown()->line.setup, "Alternator");
}

// Hands-free, the Belt window is closed: a reading the readings file refuses is reported
// by both read-outs, with its cause, and kept for an export; a file that takes the next
// one ends the report. As root too, a file without a write bit is not written.
TEST_F(Views, AReadingNotSavedIsShownInBothReadoutsWithItsCause) {
    const BeltSetup belt = timingBelt();
    const struct {
        const char* file;
        int cause;
    } cases[] = {{"FIFO", 141}, {"read-only", 142}, {"foreign CSV", 143}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        readingsFile = dir / c.file / "Readings.csv";
        fs::create_directories(readingsFile.parent_path());
        ASSERT_TRUE(occupied(readingsFile, c.file));
        auto w = plucking(std::span(&belt, 1), kHz);
        w->CommandRun_Click();
        ASSERT_TRUE(w->meter().shown() && w->meter().shown()->triggered);
        const std::string expected =
            "FrFORM1140 [FrFORM1" + std::to_string(c.cause) + " [Readings.csv|%2]|%2]";
        EXPECT_FALSE(w->TextNotSaved->isHidden());
        EXPECT_EQ(w->TextNotSaved->text().toStdString(), expected + "\nFrFORM1146 [%1|%2]");
        EXPECT_FALSE(w->bigReadout().notSavedLabel->isHidden());
        EXPECT_EQ(w->bigReadout().notSavedLabel->text().toStdString(), expected);
        EXPECT_EQ(w->beltWindow().readings().size(), 1u) << "kept for an export";
        if (std::string(c.file) != "foreign CSV") continue;
        // The user puts the foreign file aside: the next reading is kept, the report goes.
        fs::rename(readingsFile, dir / "theirs.csv");
        w->CommandRun_Click();
        EXPECT_TRUE(w->TextNotSaved->isHidden());
        EXPECT_TRUE(w->bigReadout().notSavedLabel->isHidden());
        EXPECT_EQ(parseReadingsCsv(testing::readBytes(readingsFile))->readings.size(), 1u);
    }
}

// Each of the program's keys does from the Belt window and from the large read-out what
// it does from the main window; Escape closes either.
TEST_F(Views, TheProgramsKeysWorkFromEveryWindow) {
    std::unique_ptr<Form1> w;
    w = started([&](int n) {
        writeClip(std::vector<uint8_t>(synth::kClipSamples, 128));
        if (n % 2 == 0) w->CommandRun_Click();  // a hand stops what F8 started
        return 0;
    });
    ready(*w);
    w->show();
    const QWidget* echelle = w->EchelleFrequence;
    const struct {
        const char* name;
        QKeySequence key;
        std::function<int()> seen;  // changes when the key did its work
    } keys[] = {
        {"F1", Qt::Key_F1, [&] { return int(helpOpened.size()); }},
        {"F2", Qt::Key_F2,
         [&] { return w->calibrationDialog() && w->calibrationDialog()->isVisible() ? 1 : 0; }},
        {"Shift+F3", Qt::SHIFT | Qt::Key_F3, [&] { return echelle->isVisible() ? 1 : 0; }},
        {"F6", Qt::Key_F6, [&] { return w->beltWindow().isVisible() ? 1 : 0; }},
        {"F7", Qt::Key_F7, [&] { return w->Repeter->isChecked() ? 1 : 0; }},
        {"F8", Qt::Key_F8, [&] { return clips; }},
        {"F9", Qt::Key_F9, [&] { return w->bigReadout().isVisible() ? 1 : 0; }},
        {"Ctrl+F", Qt::CTRL | Qt::Key_F, [&] { return ended; }},
    };
    for (QWidget* from :
         {static_cast<QWidget*>(&w->beltWindow()), static_cast<QWidget*>(&w->bigReadout())}) {
        for (const auto& k : keys) {
            if (std::string(k.name) == "Ctrl+F" && from != &w->bigReadout()) continue;
            from->show();
            from->raise();
            from->activateWindow();
            QApplication::setActiveWindow(from);
            const int before = k.seen();
            QTest::keySequence(from, k.key);
            QApplication::processEvents();
            EXPECT_NE(k.seen(), before) << k.name << " from " << from->objectName().toStdString();
            if (w->calibrationDialog()) w->calibrationDialog()->hide();
        }
        from->show();
        QApplication::setActiveWindow(from);
        QTest::keyClick(from, Qt::Key_Escape);
        EXPECT_FALSE(from->isVisible()) << "Escape closes " << from->objectName().toStdString();
    }
}

// The large read-out opens clear of the main window's menus and frequency read-out.
TEST_F(Views, TheLargeReadoutOpensClearOfTheMenuAndReadout) {
    auto w = started();
    w->show();
    // Room for it on the test's 800 x 600 screen: at the bottom left.
    w->bigReadout().resize(300, 200);
    w->GrandAffichage_Click();
    const QRect big = w->bigReadout().frameGeometry();
    for (const QWidget* keep : {static_cast<const QWidget*>(w->menuBar()),
                                static_cast<const QWidget*>(w->TextCalibrate)}) {
        const QRect r(keep->mapToGlobal(QPoint(0, 0)), keep->size());
        EXPECT_FALSE(big.intersects(r)) << keep->objectName().toStdString();
    }
}

}  // namespace
}  // namespace vellora::test
