// SPDX-License-Identifier: GPL-3.0-or-later
// Loading, saving and tidying the settings through their boxes.
#include "app/settings_panel.h"

#include <QEvent>
#include <QLineEdit>

#include "app/qt_text.h"
#include "fileio/input_file.h"

namespace velmora::app {

using settings::SettingId;

SettingsPanel::SettingsPanel(const Boxes& boxes, std::string path, QObject* parent)
    : QObject(parent), m_boxes(boxes), m_path(std::move(path)) {
    // The column specs are tidied when the user leaves them, so a spec read while its box still
    // has the focus is the text as typed.
    box(SettingId::RegisterColumns)->installEventFilter(this);
    box(SettingId::SourceColumns)->installEventFilter(this);
}

text::Text SettingsPanel::value(SettingId id) const { return toGbk(box(id)->text()); }

failure::Failure SettingsPanel::load() {
    failure::Failure why;
    std::size_t keysFound = 0;
    const auto values = settings::loadSettings(m_path, why, &keysFound);
    for (std::size_t i = 0; i < settings::kSettingCount; ++i) m_boxes[i]->setText(fromGbk(values[i]));
    if (why.ok() && keysFound == 0) return failure::Failure(failure::Reason::NoSettings);
    return why;
}

failure::Failure SettingsPanel::save() {
    settings::ImportSettings values;
    for (std::size_t i = 0; i < settings::kSettingCount; ++i) values[i] = toGbk(m_boxes[i]->text());
    return settings::saveSettings(m_path, values);
}

bool SettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == box(SettingId::RegisterColumns)) normalise(SettingId::RegisterColumns);
        if (watched == box(SettingId::SourceColumns)) normalise(SettingId::SourceColumns);
    }
    return QObject::eventFilter(watched, event);
}

void SettingsPanel::normalise(SettingId id) {
    const QString tidied = fromGbk(settings::normaliseCommas(value(id)));
    // Writing back an unchanged text would only lose the user's undo history.
    if (tidied != box(id)->text()) box(id)->setText(tidied);
}

}  // namespace velmora::app
