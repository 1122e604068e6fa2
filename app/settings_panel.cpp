// SPDX-License-Identifier: GPL-3.0-or-later
// Loading, saving and tidying the settings through their boxes.
#include "app/settings_panel.h"

#include <QEvent>
#include <QLineEdit>

#include "app/qt_text.h"

namespace velmora::app {

using settings::SettingId;

SettingsPanel::SettingsPanel(text::FilePath path, QObject* parent)
    : QObject(parent), m_path(std::move(path)) {}

void SettingsPanel::bind(SettingId id, QLineEdit* box) {
    m_boxes[settings::indexOf(id)] = box;
    // Tidied when the user leaves the box, so a list read while its box still has the focus is the
    // text as typed.
    if (settings::keyEntry(id).kind == settings::SettingKind::Columns) box->installEventFilter(this);
}

text::Text SettingsPanel::value(SettingId id) const { return toGbk(box(id)->text()); }

settings::ImportSettings SettingsPanel::values() const {
    settings::ImportSettings values;
    for (const settings::SettingKey& key : settings::kSettingKeys) at(values, key.id) = value(key.id);
    return values;
}

settings::ParsedSettings SettingsPanel::parsed() const { return settings::parseSettings(values()); }

failure::Failure SettingsPanel::load() {
    failure::Failure why;
    const auto values = settings::loadSettings(m_path, why);
    for (const settings::SettingKey& key : settings::kSettingKeys)
        box(key.id)->setText(fromGbk(at(values, key.id)));
    return why;
}

failure::Failure SettingsPanel::save() { return settings::saveSettings(m_path, values()); }

bool SettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        for (const settings::SettingKey& key : settings::kSettingKeys) {
            if (watched == box(key.id)) tidy(key.id);
        }
    }
    return QObject::eventFilter(watched, event);
}

void SettingsPanel::tidy(SettingId id) {
    const QString tidied = fromGbk(settings::tidied(id, value(id)));
    // Writing back an unchanged text would only lose the user's undo history.
    if (tidied != box(id)->text()) box(id)->setText(tidied);
}

}  // namespace velmora::app
