// SPDX-License-Identifier: GPL-3.0-or-later
// The large read-out for measuring at arm's length: the precise frequency, the tension
// in the set-up's unit, green inside the target and red outside, how many readings
// agree ("2 of 3"), and a line that says what the meter is doing. The fonts follow the
// window's height so that a maximised window reads from across the engine bay.
#pragma once

#include <QWidget>

class QLabel;

namespace vellora {

class BigReadout : public QWidget {
    Q_OBJECT

  public:
    explicit BigReadout(QWidget* parent = nullptr);

    // Empty texts hide their line. `colour`: a colour name, or empty for the palette's;
    // `countColour` likewise for the count (green once confirmed). `notSaved`, in red:
    // why the last reading did not reach the readings file.
    void setReading(const QString& frequency, const QString& tension, const QString& colour,
                    const QString& count, const QString& countColour, const QString& status,
                    const QString& notSaved = {});

    QLabel* frequencyLabel = nullptr;
    QLabel* tensionLabel = nullptr;
    QLabel* countLabel = nullptr;
    QLabel* statusLabel = nullptr;
    QLabel* notSavedLabel = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fitFonts();
};

}  // namespace vellora
