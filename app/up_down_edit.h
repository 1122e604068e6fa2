// SPDX-License-Identifier: GPL-3.0-or-later
// An edit box with up-down arrows: any text may be typed, and the arrows step its integer value.
#pragma once

#include <QAbstractSpinBox>

class QLineEdit;

namespace velmora::app {

class UpDownEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    UpDownEdit(int minimum, int maximum, QWidget* parent);

    QLineEdit* editor() const { return lineEdit(); }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // Reads the box as an integer (empty or no digits = 0), moves it by `steps` and holds the result
    // within the range. Typed text is never held to the range; only the arrows are.
    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_minimum;
    int m_maximum;
};

}  // namespace velmora::app
