// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSet>

#include "app/commands.h"
#include "app/grid_view.h"
#include "app/qt_text.h"
#include "app/window_progress.h"
#include "window_fixture.h"

namespace velmora::app::testing {
namespace {

QString fixture(const char* name) { return QStringLiteral(VELMORA_TEST_DATA "/") + QString::fromUtf8(name); }

class WorkflowTest : public WindowTest {
protected:
    void setBox(const char* name, const char* value) {
        auto* box = m_window->findChild<QLineEdit*>(QString::fromUtf8(name));
        if (box == nullptr)
            box = m_window->findChild<QWidget*>(QString::fromUtf8(name))->findChild<QLineEdit*>();
        ASSERT_NE(box, nullptr) << name;
        box->setText(QString::fromUtf8(value));
    }
    QString labelText(const char* name) { return control<QLabel>(name)->text(); }

    void importBoth() {
        setBox("编辑框1", "Sheet1");
        setBox("编辑框2", "1,2,3,4");
        setBox("编辑框3", "4");
        setBox("编辑框4", "发放明细");
        setBox("编辑框5", "1,2,5");
        setBox("编辑框6", "2");
        m_prompter.openAnswers = {fixture("register.xls"), fixture("payments.xls")};
        m_window->commands().dispatch(QStringLiteral("导入表1"));
        m_window->commands().dispatch(QStringLiteral("导入表2"));
    }
};

TEST_F(WorkflowTest, ImportsBothTablesIntoTheirGrids) {
    importBoth();
    EXPECT_TRUE(m_prompter.messages.empty());
    EXPECT_EQ(m_window->registerGrid().rowCount(), 40);
    EXPECT_EQ(m_window->sourceGrid().rowCount(), 34);
    EXPECT_EQ(m_window->registerView().model()->rowCount(), 40);
    EXPECT_EQ(m_window->sourceView().model()->columnCount(), 3);
    EXPECT_EQ(m_window->registerView().columnWidth(0), 70);
    EXPECT_EQ(m_window->registerView().model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("姓名"));
    EXPECT_EQ(labelText("标签9"), QStringLiteral("2014年3月"));
    EXPECT_EQ(m_window->results().unitText, text::gbkFromUtf8("2014年3月"));
    // Finished imports leave the bar at 0 and the status empty.
    EXPECT_EQ(control<QProgressBar>("进度条1")->value(), 0);
    EXPECT_EQ(labelText("标签11"), QString());
    // The second dialog offered the first one's file again.
    ASSERT_EQ(m_prompter.openCalls.size(), 2u);
    EXPECT_EQ(m_prompter.openCalls[1].previousPath, fixture("register.xls"));
}

TEST_F(WorkflowTest, FailedImportShowsWhyAndLeavesNoRows) {
    setBox("编辑框1", "NoSuchSheet");
    setBox("编辑框2", "1,2");
    m_window->registerGrid().appendRow();
    m_prompter.openAnswers = {fixture("register.xls")};
    m_window->commands().dispatch(QStringLiteral("导入表1"));
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].title, QStringLiteral("信息："));
    EXPECT_TRUE(m_prompter.messages[0].text.contains(QStringLiteral("NoSuchSheet")));
    EXPECT_EQ(m_window->registerGrid().rowCount(), 0);
    EXPECT_EQ(m_window->registerView().model()->rowCount(), 0);
    EXPECT_EQ(labelText("标签9"), QString());
}

TEST_F(WorkflowTest, ComparesAndFillsTheResultControls) {
    importBoth();
    setBox("编辑框7", "1");
    m_window->commands().dispatch(QStringLiteral("自动填表/对比"));

    const ResultTexts& results = m_window->results();
    // The comparison ends with the bar empty.
    auto* bar = control<QProgressBar>("进度条1");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(labelText("标签11"), QString());
    EXPECT_TRUE(labelText("标签15").startsWith(QStringLiteral("结果提示:未找到的一卡通编码有")));
    EXPECT_EQ(labelText("标签15"), fromGbk(results.summary));
    EXPECT_EQ(control<QPlainTextEdit>("编辑框11")->toPlainText().isEmpty(), results.notFoundList.empty());
    // The total line of the payment list has no card in the register.
    EXPECT_NE(results.notFoundList.find(text::gbkFromUtf8("合计")), std::string::npos);
    // Both grids were widened by a marker column, and the views followed.
    EXPECT_EQ(m_window->sourceView().model()->columnCount(), 4);
    EXPECT_EQ(m_window->registerView().model()->columnCount(), m_window->registerGrid().columnCount());
    EXPECT_EQ(m_window->sourceView().model()->data(m_window->sourceView().model()->index(33, 3)).toString(),
              QStringLiteral("未找到此编码"));
}

TEST_F(WorkflowTest, ExportsThroughTheSaveDialogsAndShowsTheClosingMessage) {
    importBoth();
    setBox("编辑框7", "1");
    m_window->commands().dispatch(QStringLiteral("自动填表/对比"));
    const QString csv1 = folderPath(QStringLiteral("out1.CSV"));
    const QString csv2 = folderPath(QStringLiteral("out2.CSV"));
    m_prompter.saveAnswers = {csv1, csv2};
    m_window->commands().dispatch(QStringLiteral("导出"));

    ASSERT_EQ(m_prompter.saveCalls.size(), 2u);
    EXPECT_EQ(m_prompter.saveCalls[0].proposedName, QStringLiteral("表1导出.CSV"));
    EXPECT_EQ(m_prompter.saveCalls[1].proposedName, QStringLiteral("表2导出.CSV"));
    EXPECT_EQ(m_prompter.saveCalls[0].defaultSuffix, QStringLiteral("CSV"));
    // The folder the imports set stays with the shared dialog.
    EXPECT_EQ(m_prompter.saveCalls[0].folder, m_folder.path());
    EXPECT_TRUE(QFile::exists(csv1));
    EXPECT_TRUE(QFile::exists(csv2));
    EXPECT_TRUE(QFile::exists(folderPath(QStringLiteral("2014年3月_待核对.txt"))));

    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].title, QStringLiteral("信息："));
    EXPECT_EQ(m_prompter.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(m_prompter.messages[0].text,
              QStringLiteral("导出表成功,请注意核对\r\n") + fromGbk(m_window->results().summary));
    EXPECT_EQ(labelText("标签11"), QString());
    // Table 2 has fewer than 50 rows, so its part of the bar started above its end: the bar is empty anyway.
    EXPECT_EQ(control<QProgressBar>("进度条1")->minimum(), 0);
    EXPECT_EQ(control<QProgressBar>("进度条1")->value(), 0);
}

TEST_F(WorkflowTest, TheClosingMessageNamesEachFileNotWrittenWithItsReason) {
    importBoth();
    m_window->commands().dispatch(QStringLiteral("自动填表/对比"));
    m_prompter.saveAnswers = {folderPath(QStringLiteral("missing/out1.CSV")),
                              folderPath(QStringLiteral("missing/out2.CSV"))};
    m_window->commands().dispatch(QStringLiteral("导出"));

    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(m_prompter.messages[0].text.startsWith(QStringLiteral(
        "导出未全部成功,以下文件未能写入:\r\nout1.CSV（文件夹不存在）\r\nout2.CSV（文件夹不存在）\r\n")))
        << m_prompter.messages[0].text.toStdString();
}

TEST_F(WorkflowTest, ComparisonColoursTheRowsThatNeedTheClerk) {
    importBoth();
    setBox("编辑框7", "1");
    m_window->commands().dispatch(QStringLiteral("自动填表/对比"));

    // The marker column, the last one, says which rows need the clerk: in the register every marker
    // is a differing name, in the payment list only "未找到此编码" is a code not found.
    const auto marked = [](QAbstractItemModel& model, int row, bool anyMarker) {
        const QString marker = model.data(model.index(row, model.columnCount() - 1)).toString();
        return anyMarker ? !marker.isEmpty() : marker == QStringLiteral("未找到此编码");
    };
    QSet<QRgb> colours;
    for (GridView* view : {&m_window->registerView(), &m_window->sourceView()}) {
        const bool isRegister = view == &m_window->registerView();
        SCOPED_TRACE(isRegister ? "register" : "source");
        QAbstractItemModel& model = *view->model();
        int count = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QVariant background = model.index(row, 0).data(Qt::BackgroundRole);
            ASSERT_EQ(background.isValid(), marked(model, row, isRegister)) << row;
            if (!background.isValid()) continue;
            ++count;
            const QColor colour = background.value<QColor>();
            EXPECT_GE(colour.lightness(), 200) << "dark text must stay readable";
            EXPECT_EQ(model.index(row, 1).data(Qt::BackgroundRole), background) << "the whole row";
            colours.insert(colour.rgb());
        }
        EXPECT_GT(count, 0);
    }
    EXPECT_EQ(colours.size(), 2u) << "one colour per kind of problem";

    // A deleted row takes its colour along; a new import starts uncoloured.
    QAbstractItemModel& source = *m_window->sourceView().model();
    const QVariant lastRow = source.index(33, 0).data(Qt::BackgroundRole);
    ASSERT_TRUE(lastRow.isValid());
    m_window->sourceView().gridModel().removeGridRow(0);
    EXPECT_EQ(source.index(32, 0).data(Qt::BackgroundRole), lastRow);
    m_prompter.openAnswers = {fixture("payments.xls")};
    m_window->commands().dispatch(QStringLiteral("导入表2"));
    EXPECT_FALSE(source.index(33, 0).data(Qt::BackgroundRole).isValid());
}

TEST_F(WorkflowTest, CommandsShowTheWaitPointerOnlyWhileTheyWork) {
    // The bar moves only while a command works, so each move samples the pointer of the work.
    int moves = 0, movesUnderWaitPointer = 0;
    QObject::connect(control<QProgressBar>("进度条1"), &QProgressBar::valueChanged, m_window.get(), [&] {
        ++moves;
        const QCursor* pointer = QGuiApplication::overrideCursor();
        if (pointer != nullptr && pointer->shape() == Qt::WaitCursor) ++movesUnderWaitPointer;
    });
    importBoth();
    setBox("编辑框7", "1");
    m_window->commands().dispatch(QStringLiteral("自动填表/对比"));
    m_prompter.saveAnswers = {folderPath(QStringLiteral("out1.CSV")), folderPath(QStringLiteral("out2.CSV"))};
    m_window->commands().dispatch(QStringLiteral("导出"));
    m_prompter.openAnswers = {folderPath(QStringLiteral("missing.xls"))};
    m_window->commands().dispatch(QStringLiteral("导入表1"));

    EXPECT_GT(moves, 0);
    EXPECT_EQ(movesUnderWaitPointer, moves);
    // Five dialogs and two messages, each answered with the normal pointer.
    EXPECT_EQ(m_prompter.openCalls.size() + m_prompter.saveCalls.size() + m_prompter.messages.size(), 7u);
    EXPECT_EQ(m_prompter.promptsUnderWaitPointer, 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WorkflowTest, CancellingTheFirstSaveDialogEndsTheExportSilently) {
    m_window->commands().dispatch(QStringLiteral("导出"));
    EXPECT_EQ(m_prompter.saveCalls.size(), 1u);
    EXPECT_TRUE(m_prompter.messages.empty());
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList());
}

}  // namespace
}  // namespace velmora::app::testing
