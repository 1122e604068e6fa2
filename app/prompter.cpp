// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop side of the window's dialogs, and the shared file dialog's memory.
#include "app/prompter.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace velmora::app {
namespace {

std::optional<QString> runFileDialog(QFileDialog& dialog, const QString& filter, const QString& folder,
                                     const QString& name) {
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    if (!name.isEmpty()) dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

}  // namespace

std::optional<QString> DesktopPrompter::openFile(const QString& filter, const QString& folder,
                                                 const QString& previousPath) {
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The whole previous path is offered, so Enter opens that very file again; the folder asked for
    // only counts on the first use.
    if (previousPath.isEmpty()) return runFileDialog(dialog, filter, folder, {});
    return runFileDialog(dialog, filter, QFileInfo(previousPath).absolutePath(), previousPath);
}

std::optional<QString> DesktopPrompter::saveFile(const QString& filter, const QString& proposedName,
                                                 const QString& defaultSuffix, const QString& folder) {
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    // The clerk picked the file to write; asking again would only stand between them and the export.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return runFileDialog(dialog, filter, folder, proposedName);
}

void DesktopPrompter::message(const QString& title, const QString& text, MessageIcon icon) {
    offer(title, text, icon, QString());
}

bool DesktopPrompter::offer(const QString& title, const QString& text, MessageIcon icon,
                            const QString& buttonText) {
    // Messages carry CR LF line ends; on screen one line break is enough.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(boxIcon(icon), title, shown, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QAbstractButton* extra =
        buttonText.isEmpty() ? nullptr : box.addButton(buttonText, QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return extra != nullptr && box.clickedButton() == extra;
}

bool DesktopPrompter::openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopPrompter::exitProgram(int code) {
    // Ends at once, even from inside a running import: nothing is saved on the way out.
    std::fflush(nullptr);
    std::_Exit(code);
}

std::optional<QString> FileDialog::openFile(const QString& filter, const QString& folder) {
    m_folder = folder;
    auto path = m_prompter.openFile(filter, m_folder, m_previousPath);
    if (path) m_previousPath = *path;
    return path;
}

std::optional<QString> FileDialog::saveFile(const QString& filter, const QString& proposedName,
                                            const QString& defaultSuffix) {
    auto path = m_prompter.saveFile(filter, proposedName, defaultSuffix, m_folder);
    if (path) m_previousPath = *path;
    return path;
}

}  // namespace velmora::app
