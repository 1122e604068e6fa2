// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the window hands to the desktop: file dialogs, message boxes, opening a document and
// ending the process. Tests install a scripted one so no person has to answer.
#pragma once

#include <QString>
#include <optional>

namespace velmora::app {

enum class MessageIcon { Information, Warning, Critical };

class Prompter {
public:
    virtual ~Prompter() = default;

    // Asks for an existing file, offering `previousPath` (its folder and name) when there is one and
    // starting in `folder` otherwise; nothing when the user cancels.
    virtual std::optional<QString> openFile(const QString& filter, const QString& folder,
                                            const QString& previousPath) = 0;
    // Asks for a file to write; `defaultSuffix` (without dot) is added to a name typed without one.
    // An existing file is chosen without a second question.
    virtual std::optional<QString> saveFile(const QString& filter, const QString& proposedName,
                                            const QString& defaultSuffix, const QString& folder) = 0;
    // Shows a message with an OK button and waits until it is closed.
    virtual void message(const QString& title, const QString& text, MessageIcon icon) = 0;
    // Shows a message with an OK button and a second button captioned `buttonText`; returns true when
    // the user chose the second one.
    virtual bool offer(const QString& title, const QString& text, MessageIcon icon,
                       const QString& buttonText) = 0;
    // Opens a document or a folder with the desktop's default handler; false when none would take it.
    virtual bool openDocument(const QString& path) = 0;
    // Ends the process with `code` without returning.
    virtual void exitProgram(int code) = 0;
};

// Parentless, application-modal dialogs and message boxes, as a desktop user expects them.
class DesktopPrompter : public Prompter {
public:
    std::optional<QString> openFile(const QString& filter, const QString& folder,
                                    const QString& previousPath) override;
    std::optional<QString> saveFile(const QString& filter, const QString& proposedName,
                                    const QString& defaultSuffix, const QString& folder) override;
    void message(const QString& title, const QString& text, MessageIcon icon) override;
    bool offer(const QString& title, const QString& text, MessageIcon icon,
               const QString& buttonText) override;
    bool openDocument(const QString& path) override;
    [[noreturn]] void exitProgram(int code) override;
};

// The one file dialog the window shares between the imports and the export: it remembers the last
// path chosen and the folder an import set, and hands both to the next use.
class FileDialog {
public:
    explicit FileDialog(Prompter& prompter) : m_prompter(prompter) {}

    std::optional<QString> openFile(const QString& filter, const QString& folder);
    std::optional<QString> saveFile(const QString& filter, const QString& proposedName,
                                    const QString& defaultSuffix);

    const QString& previousPath() const { return m_previousPath; }
    const QString& folder() const { return m_folder; }

private:
    Prompter& m_prompter;
    QString m_previousPath;
    QString m_folder;
};

}  // namespace velmora::app
