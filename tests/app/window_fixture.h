// SPDX-License-Identifier: GPL-3.0-or-later
// A real main window over a temporary program folder, with every dialog answered by a script.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/prompter.h"

namespace velmora::app::testing {

class ScriptedPrompter : public Prompter {
public:
    struct OpenCall {
        QString filter;
        QString folder;
        QString previousPath;
    };
    struct SaveCall {
        QString filter;
        QString proposedName;
        QString defaultSuffix;
        QString folder;
    };
    struct Message {
        QString title;
        QString text;
        MessageIcon icon;
    };

    std::optional<QString> openFile(const QString& filter, const QString& folder,
                                    const QString& previousPath) override {
        openCalls.push_back({filter, folder, previousPath});
        notePointer();
        if (whileOpen) whileOpen();
        return next(openAnswers);
    }
    std::optional<QString> saveFile(const QString& filter, const QString& proposedName,
                                    const QString& defaultSuffix, const QString& folder) override {
        saveCalls.push_back({filter, proposedName, defaultSuffix, folder});
        notePointer();
        return next(saveAnswers);
    }
    void message(const QString& title, const QString& text, MessageIcon icon) override {
        messages.push_back({title, text, icon});
        notePointer();
    }
    bool offer(const QString& title, const QString& text, MessageIcon icon,
               const QString& buttonText) override {
        message(title, text, icon);
        offeredButtons.push_back(buttonText);
        return takeOffer;
    }
    bool openDocument(const QString& path) override {
        openedDocuments.push_back(path);
        return documentsOpen;
    }
    void exitProgram(int code) override { exitCodes.push_back(code); }

    // The paths to answer with, in order; an empty one, or none left, cancels the dialog.
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    // Runs while the open dialog is up, that is in the middle of a command.
    std::function<void()> whileOpen;

    std::vector<OpenCall> openCalls;
    std::vector<SaveCall> saveCalls;
    std::vector<Message> messages;
    std::vector<QString> openedDocuments;
    std::vector<QString> offeredButtons;  // the second button of each offer, in order
    bool takeOffer = false;               // the answer to every offer
    bool documentsOpen = true;            // whether the desktop has a program for what is opened
    std::vector<int> exitCodes;
    // Dialogs and messages that came up under the wait pointer.
    int promptsUnderWaitPointer = 0;

private:
    void notePointer() {
        if (QGuiApplication::overrideCursor() != nullptr) ++promptsUnderWaitPointer;
    }

    static std::optional<QString> next(std::deque<QString>& answers) {
        if (answers.empty()) return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isEmpty()) return std::nullopt;
        return answer;
    }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        createWindow();
    }

    // (Re)creates and shows the window, as a fresh start of the program in the same folder would.
    void createWindow() {
        m_window.reset();
        // A desktop screen's work area, whatever the test platform's screen: the design size fits.
        m_window = std::make_unique<MainWindow>(
            WindowOptions{m_folder.path(), &m_prompter, std::nullopt, QRect(0, 0, 1920, 1040)});
        m_window->show();
    }

    template <typename Widget = QWidget>
    Widget* control(const char* name) {
        auto* widget = m_window->findChild<Widget*>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString folderPath(const QString& name) const { return m_folder.filePath(name); }

    // Runs a command as its button or its shortcut would.
    void run(Command command) { m_window->commands().action(command).trigger(); }

    QTemporaryDir m_folder;
    ScriptedPrompter m_prompter;
    std::unique_ptr<MainWindow> m_window;
};

}  // namespace velmora::app::testing
