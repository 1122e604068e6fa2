// SPDX-License-Identifier: GPL-3.0-or-later
// The real file dialogs, answered from inside their own event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/prompter.h"
#include "app/startup.h"

namespace velmora::app {
namespace {

// Presses Enter in the next file dialog as a clerk would; a question that follows is noted and answered
// No, and a dialog still up after that is cancelled.
class DialogAnswerer {
public:
    DialogAnswerer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { step(); });
        m_timer.start(10);
    }

    QString directory;      // where the dialog opened
    QString typedName;      // what its name box offered
    QStringList buttons;    // its buttons' captions
    QStringList questions;  // texts of the message boxes that came up

private:
    void step() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            questions << box->text();
            box->reject();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && !m_pressed) {
            m_pressed = true;
            directory = dialog->directory().absolutePath();
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                typedName = name->text();
            for (auto* button : dialog->findChildren<QPushButton*>()) buttons << button->text();
            QTest::keyClick(dialog, Qt::Key_Return);
        } else if (dialog) {
            dialog->reject();
        }
    }

    QTimer m_timer;
    bool m_pressed = false;
};

QString touch(const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

TEST(DesktopPrompter, OpenDialogOffersTheWholePreviousPathAndEnterTakesIt) {
    QTemporaryDir programFolder, otherFolder;
    const QString previous = touch(otherFolder.filePath(QStringLiteral("表1.xls")));
    touch(programFolder.filePath(QStringLiteral("表1.xls")));
    DesktopPrompter prompter;
    {
        // The first use starts in the program folder with no name to take.
        DialogAnswerer answerer;
        EXPECT_EQ(prompter.openFile(QStringLiteral("*.xls (*.xls)"), programFolder.path(), {}), std::nullopt);
        EXPECT_EQ(answerer.directory, programFolder.path());
        EXPECT_EQ(answerer.typedName, QString());
    }
    DialogAnswerer answerer;
    EXPECT_EQ(prompter.openFile(QStringLiteral("*.xls (*.xls)"), programFolder.path(), previous), previous);
    EXPECT_EQ(answerer.directory, otherFolder.path());
    EXPECT_TRUE(answerer.questions.isEmpty()) << answerer.questions.join(' ').toStdString();
}

TEST(DesktopPrompter, SaveDialogOverwritesAChosenFileWithoutAsking) {
    QTemporaryDir folder;
    const QString existing = touch(folder.filePath(QStringLiteral("表1导出.CSV")));
    DesktopPrompter prompter;
    DialogAnswerer answerer;
    EXPECT_EQ(prompter.saveFile(QStringLiteral("文本文件(*.CSV)"), QStringLiteral("表1导出.CSV"),
                                QStringLiteral("CSV"), folder.path()),
              existing);
    EXPECT_TRUE(answerer.questions.isEmpty()) << answerer.questions.join(' ').toStdString();
}

TEST(DesktopPrompter, DialogsSpeakChinese) {
    ASSERT_TRUE(installQtTranslation());
    QTemporaryDir folder;
    DesktopPrompter prompter;
    DialogAnswerer answerer;
    prompter.openFile(QStringLiteral("*.xls (*.xls)"), folder.path(), {});
    EXPECT_TRUE(answerer.buttons.contains(QStringLiteral("取消")))
        << answerer.buttons.join(' ').toStdString();
    EXPECT_FALSE(answerer.buttons.contains(QStringLiteral("Cancel")));
}

}  // namespace
}  // namespace velmora::app
