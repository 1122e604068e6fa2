// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the seven settings boxes and vozuz.ini in step.
#pragma once

#include <QObject>
#include <array>
#include <string>

#include "failure/failure.h"
#include "settings/import_settings.h"
#include "text/file_path.h"

class QLineEdit;

namespace velmora::app {

class SettingsPanel : public QObject {
    Q_OBJECT

public:
    // `path` is the settings file.
    SettingsPanel(text::FilePath path, QObject* parent);

    // Makes `box` the home of the setting; every setting is bound before the first load. A column
    // list's box is tidied when the user leaves it.
    void bind(settings::SettingId id, QLineEdit* box);

    // Returns a setting as typed at this moment, unsaved edits included.
    text::Text value(settings::SettingId id) const;
    // Every setting as typed at this moment, read as the import and the comparison take them. A column
    // list whose box still has the focus is taken as typed, full-width commas included.
    settings::ParsedSettings parsed() const;

    // Fills every box from the file; a missing file or key gives the setting's default. Says why when the
    // file is missing, could not be read (a folder, a FIFO, no permission, too large: every box then
    // holds its default) or holds none of the seven settings.
    failure::Failure load();
    // Writes every box into the file; says why when the file could not be written, in which case the old
    // file is left as it was and the boxes keep their texts.
    failure::Failure save();

    const text::FilePath& path() const { return m_path; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* box(settings::SettingId id) const { return m_boxes[settings::indexOf(id)]; }
    settings::ImportSettings values() const;
    void tidy(settings::SettingId id);

    std::array<QLineEdit*, settings::kSettingCount> m_boxes{};
    text::FilePath m_path;
};

}  // namespace velmora::app
