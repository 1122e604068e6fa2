// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the seven settings boxes and vozuz.ini in step.
#pragma once

#include <QObject>
#include <array>
#include <string>

#include "failure/failure.h"
#include "settings/import_settings.h"

class QLineEdit;

namespace velmora::app {

class SettingsPanel : public QObject {
    Q_OBJECT

public:
    using Boxes = std::array<QLineEdit*, settings::kSettingCount>;

    // `boxes` are in file order; `path` is the settings file.
    SettingsPanel(const Boxes& boxes, std::string path, QObject* parent);

    // Returns a setting as typed at this moment, unsaved edits included.
    text::Text value(settings::SettingId id) const;

    // Fills every box from the file; a missing file or key empties the box. Says why when the file is
    // missing, could not be read (a folder, a FIFO, no permission, too large: every box is then empty)
    // or holds none of the seven settings.
    failure::Failure load();
    // Writes every box into the file; a failed write is not reported and the boxes keep their texts.
    // Says why when the file could not be written; the old file is then left as it was.
    failure::Failure save();

    const std::string& path() const { return m_path; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* box(settings::SettingId id) const { return m_boxes[static_cast<std::size_t>(id)]; }
    void normalise(settings::SettingId id);

    Boxes m_boxes;
    std::string m_path;
};

}  // namespace velmora::app
