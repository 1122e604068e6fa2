// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_panel.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <functional>

#include "app/qt_text.h"
#include "app/up_down_edit.h"
#include "settings/import_settings.h"
#include "support/protected_file.h"
#include "window_fixture.h"

namespace velmora::app::testing {
namespace {

using settings::SettingId;

// The boxes in file order.
const char* const kBoxes[] = {"编辑框1", "编辑框2", "编辑框3", "编辑框7", "编辑框4", "编辑框5", "编辑框6"};

class SettingsTest : public WindowTest {
protected:
    QLineEdit* box(const char* name) {
        if (auto* upDown = m_window->findChild<UpDownEdit*>(QString::fromUtf8(name))) return upDown->editor();
        return control<QLineEdit>(name);
    }
    text::FilePath iniPath() const { return toNativePath(folderPath(QStringLiteral("vozuz.ini"))); }
    void leave(QLineEdit* edit) {
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(edit, &focusOut);
    }
};

TEST_F(SettingsTest, LoadsTheFileAtStartUp) {
    settings::ImportSettings saved;
    for (std::size_t i = 0; i < saved.size(); ++i) saved[i] = text::gbkFromUtf8("值" + std::to_string(i));
    ASSERT_TRUE(settings::saveSettings(iniPath(), saved).ok());
    createWindow();
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(kBoxes[i]);
        EXPECT_EQ(box(kBoxes[i])->text(), QStringLiteral("值") + QString::number(i));
    }
}

TEST_F(SettingsTest, StartsEmptyWithoutAFile) {
    for (const char* name : kBoxes) EXPECT_TRUE(box(name)->text().isEmpty()) << name;
}

TEST_F(SettingsTest, SaveButtonWritesEveryBoxAndLoadButtonDiscardsEdits) {
    for (std::size_t i = 0; i < std::size(kBoxes); ++i)
        box(kBoxes[i])->setText(QStringLiteral("张%1").arg(i));
    box("编辑框5")->setText(QString());
    control<QPushButton>("按钮6")->click();

    const auto saved = settings::loadSettings(iniPath());
    EXPECT_EQ(settings::at(saved, SettingId::RegisterSheet), text::gbkFromUtf8("张0"));
    EXPECT_EQ(settings::at(saved, SettingId::FillCount), text::gbkFromUtf8("张3"));
    EXPECT_EQ(settings::at(saved, SettingId::SourceColumns), "");
    EXPECT_EQ(settings::at(saved, SettingId::SourceStartRow), text::gbkFromUtf8("张6"));

    box("编辑框1")->setText(QStringLiteral("edited"));
    box("编辑框7")->setText(QStringLiteral("9"));
    control<QPushButton>("按钮7")->click();
    EXPECT_EQ(box("编辑框1")->text(), QStringLiteral("张0"));
    EXPECT_EQ(box("编辑框7")->text(), QStringLiteral("张3"));
}

TEST_F(SettingsTest, SaveThatCannotWriteSaysSoAndKeepsTheOldFile) {
    box("编辑框1")->setText(QStringLiteral("旧"));
    control<QPushButton>("按钮6")->click();
    ASSERT_TRUE(m_prompter.messages.empty());
    // A file this account may not replace is left alone, for root as well, and the message says why.
    ASSERT_TRUE(testsupport::protectFile(iniPath().native()));
    box("编辑框1")->setText(QStringLiteral("新"));
    control<QPushButton>("按钮6")->click();
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].title, QStringLiteral("信息："));
    EXPECT_TRUE(m_prompter.messages[0].text.contains(QStringLiteral("vozuz.ini")));
    const failure::Failure why(::geteuid() == 0 ? failure::Reason::ForeignLink
                                                : failure::Reason::NoWritePermission);
    EXPECT_TRUE(m_prompter.messages[0].text.contains(fromGbk(why.describe())));
    EXPECT_EQ(m_prompter.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(settings::at(settings::loadSettings(iniPath()), SettingId::RegisterSheet),
              text::gbkFromUtf8("旧"));
}

TEST_F(SettingsTest, UnusableSettingsFilesAreNamedWithTheirReason) {
    const QString path = folderPath(QStringLiteral("vozuz.ini"));
    const auto writeFile = [&](const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    struct Case {
        const char* what;
        std::function<bool()> make;
        failure::Reason reason;
    };
    const Case cases[] = {
        {"folder", [&] { return QDir().mkdir(path); }, failure::Reason::NotRegularFile},
        // A FIFO would block a plain open().
        {"fifo", [&] { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; },
         failure::Reason::NotRegularFile},
        {"another program's file", [&] { return writeFile("[Other]\r\nkey=value\r\n"); },
         failure::Reason::NoSettings},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.make());
        createWindow();
        control<QPushButton>("按钮7")->click();
        ASSERT_EQ(m_prompter.messages.size(), 2u) << "once at start-up, once for the button";
        for (const auto& message : m_prompter.messages) {
            EXPECT_TRUE(message.text.contains(QStringLiteral("vozuz.ini")));
            EXPECT_TRUE(message.text.contains(fromGbk(failure::Failure(c.reason).describe())));
        }
        for (const char* name : kBoxes) EXPECT_TRUE(box(name)->text().isEmpty()) << name;
        m_prompter.messages.clear();
        QDir().rmdir(path);
        QFile::remove(path);
    }
    // No file at all: the first run says nothing, the button says the file is missing.
    createWindow();
    EXPECT_TRUE(m_prompter.messages.empty());
    control<QPushButton>("按钮7")->click();
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_TRUE(m_prompter.messages[0].text.contains(QStringLiteral("vozuz.ini")));
}

TEST_F(SettingsTest, ClosingNeverSaves) {
    box("编辑框1")->setText(QStringLiteral("Sheet1"));
    EXPECT_TRUE(m_window->close());
    EXPECT_FALSE(QFile::exists(folderPath(QStringLiteral("vozuz.ini"))));
}

TEST_F(SettingsTest, ColumnSpecsLoseFullWidthCommasWhenLeft) {
    struct Case {
        const char* box;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {"编辑框2", "1，2，5", "1,2,5"},
        {"编辑框5", "1,，2", "1,,2"},
        {"编辑框5", "3,4", "3,4"},
        // Other boxes are used as typed.
        {"编辑框1", "表，1", "表，1"},
        {"编辑框4", "表，2", "表，2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        QLineEdit* edit = box(c.box);
        edit->setText(QString::fromUtf8(c.typed));
        // Still focused: the spec reads as typed.
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.typed));
        leave(edit);
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(m_window->settingsPanel().value(SettingId::RegisterColumns), "1,2,5");
}

TEST_F(SettingsTest, UpDownArrowsStepWithinTheirRange) {
    struct Case {
        const char* box;
        const char* typed;
        int steps;
        const char* expected;
    };
    const Case cases[] = {
        {"编辑框3", "", 1, "1"},  // empty reads as 0, held at the minimum 1
        {"编辑框3", "", -1, "1"},      {"编辑框3", "5", 1, "6"},     {"编辑框3", "100", 1, "100"},
        {"编辑框3", "250", -1, "100"},  // typed beyond the range, brought back by the arrows
        {"编辑框6", "7abc", -1, "6"},  {"编辑框6", "１２", 1, "13"},  // full-width digits count
        {"编辑框7", "", 1, "1"},       {"编辑框7", "", -1, "0"},     {"编辑框7", "10", 1, "10"},
        {"编辑框7", "-3", 1, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " " + c.typed);
        auto* upDown = m_window->findChild<UpDownEdit*>(QString::fromUtf8(c.box));
        ASSERT_NE(upDown, nullptr);
        upDown->editor()->setText(QString::fromUtf8(c.typed));
        upDown->stepBy(c.steps);
        EXPECT_EQ(upDown->editor()->text(), QString::fromUtf8(c.expected));
    }
}

TEST_F(SettingsTest, UpDownBoxesShowTheirLargestValueWhole) {
    for (const auto& [name, largest] : {std::pair{"编辑框3", "100"}, {"编辑框6", "100"}, {"编辑框7", "10"}}) {
        auto* upDown = m_window->findChild<UpDownEdit*>(QString::fromUtf8(name));
        ASSERT_NE(upDown, nullptr) << name;
        const QString text = QString::fromUtf8(largest);
        // A line edit keeps 2 px beside its text on either side and 1 px for the cursor; less room
        // scrolls the text and cuts its first digit off.
        const int needed = upDown->editor()->fontMetrics().horizontalAdvance(text) + 2 * 2 + 1;
        EXPECT_GE(upDown->editor()->contentsRect().width(), needed) << name;
        const QStyleOptionSpinBox option = [&] {
            QStyleOptionSpinBox o;
            o.initFrom(upDown);
            o.subControls = QStyle::SC_All;
            return o;
        }();
        // The arrows stay big enough to hit.
        EXPECT_GE(upDown->style()
                      ->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, upDown)
                      .width(),
                  8)
            << name;
    }
}

TEST_F(SettingsTest, ArrowKeysStepLikeTheArrows) {
    auto* upDown = m_window->findChild<UpDownEdit*>(QStringLiteral("编辑框7"));
    ASSERT_NE(upDown, nullptr);
    upDown->editor()->setText(QStringLiteral("9"));
    QTest::keyClick(upDown, Qt::Key_Up);
    EXPECT_EQ(upDown->editor()->text(), QStringLiteral("10"));
    QTest::keyClick(upDown, Qt::Key_Up);
    EXPECT_EQ(upDown->editor()->text(), QStringLiteral("10"));
    QTest::keyClick(upDown, Qt::Key_Down);
    EXPECT_EQ(upDown->editor()->text(), QStringLiteral("9"));
}

TEST_F(SettingsTest, UpDownBoxesKeepAnyTypedText) {
    for (const char* name : {"编辑框3", "编辑框6", "编辑框7"}) {
        SCOPED_TRACE(name);
        auto* upDown = m_window->findChild<UpDownEdit*>(QString::fromUtf8(name));
        ASSERT_NE(upDown, nullptr);
        upDown->editor()->setFocus();
        upDown->editor()->setText(QString());
        QTest::keyClicks(upDown->editor(), QStringLiteral("x9 999"));
        leave(upDown->editor());
        EXPECT_EQ(upDown->editor()->text(), QStringLiteral("x9 999"));
    }
}

}  // namespace
}  // namespace velmora::app::testing
