// SPDX-License-Identifier: GPL-3.0-or-later
// The up-down edit box of the settings panel.
#include "app/up_down_edit.h"

#include <QLineEdit>
#include <algorithm>

#include "app/qt_text.h"
#include "text/rules.h"

namespace velmora::app {

UpDownEdit::UpDownEdit(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), m_minimum(minimum), m_maximum(maximum) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAlignment(Qt::AlignCenter);
    setAccelerated(false);
    setKeyboardTracking(true);
    lineEdit()->setMaxLength(std::numeric_limits<int>::max());
}

void UpDownEdit::stepBy(int steps) {
    const long long current = text::readInteger(toGbk(lineEdit()->text()));
    const long long next = std::clamp<long long>(current + steps, m_minimum, m_maximum);
    lineEdit()->setText(QString::number(next));
}

QValidator::State UpDownEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

void UpDownEdit::fixup(QString&) const {}

QAbstractSpinBox::StepEnabled UpDownEdit::stepEnabled() const {
    return QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
}

}  // namespace velmora::app
