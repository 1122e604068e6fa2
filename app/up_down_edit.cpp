// SPDX-License-Identifier: GPL-3.0-or-later
// The up-down edit box of the settings panel.
#include "app/up_down_edit.h"

#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

#include "app/qt_text.h"
#include "text/rules.h"

namespace velmora::app {
namespace {

// The desktop style gives the arrows about 16 px, which in the 32 px fill-count box leaves the text
// too little room: "10" would show as ".0". Narrower arrows give the text the rest.
class NarrowArrowsStyle : public QProxyStyle {
public:
    static constexpr int kArrowWidth = 9;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
        if (control != CC_SpinBox) return rect;
        // Inside a 1 px border: the text from the left, the arrows on the right.
        const QRect inner = option->rect.adjusted(1, 0, -1, 0);
        const int arrowsLeft = inner.right() - kArrowWidth + 1;
        if (part == SC_SpinBoxUp || part == SC_SpinBoxDown) {
            rect.setLeft(arrowsLeft);
            rect.setRight(inner.right());
        } else if (part == SC_SpinBoxEditField) {
            rect.setLeft(inner.left());
            rect.setRight(arrowsLeft - 1);
        }
        return rect;
    }
};

}  // namespace

UpDownEdit::UpDownEdit(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), m_minimum(minimum), m_maximum(maximum) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAlignment(Qt::AlignCenter);
    setAccelerated(false);
    setKeyboardTracking(true);
    lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    auto* style = new NarrowArrowsStyle;
    style->setParent(this);
    setStyle(style);
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
