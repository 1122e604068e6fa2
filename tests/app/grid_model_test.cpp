// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/grid_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStringList>
#include <functional>

#include "app/qt_text.h"
#include "text/encoding.h"

namespace velmora::app {
namespace {

// Qt's model checker watches every signal the model sends and every answer it gives; what it finds
// wrong is collected here and fails the test.
QStringList* g_modelFaults = nullptr;

void collectModelFaults(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (g_modelFaults != nullptr && type != QtDebugMsg && context.category != nullptr &&
        QByteArray(context.category).startsWith("qt.modeltest")) {
        g_modelFaults->append(message);
    }
}

class CheckedModel : public ::testing::Test {
protected:
    void SetUp() override {
        g_modelFaults = &m_faults;
        m_previousHandler = qInstallMessageHandler(collectModelFaults);
    }
    void TearDown() override {
        qInstallMessageHandler(m_previousHandler);
        g_modelFaults = nullptr;
        EXPECT_TRUE(m_faults.isEmpty()) << m_faults.join(QStringLiteral("\n")).toStdString();
    }

    // The view's answers agree with the grid, cell by cell and title by title.
    static void expectShows(const GridModel& gridModel, const model::Grid& grid) {
        ASSERT_EQ(gridModel.rowCount(), grid.rowCount());
        ASSERT_EQ(gridModel.columnCount(), grid.columnCount());
        for (int column = 0; column < grid.columnCount(); ++column) {
            EXPECT_EQ(gridModel.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                      fromGbk(grid.columnTitle(column)));
            for (int row = 0; row < grid.rowCount(); ++row) {
                const QModelIndex index = gridModel.index(row, column);
                EXPECT_EQ(gridModel.data(index, Qt::DisplayRole).toString(), fromGbk(grid.cell(row, column)));
                EXPECT_EQ(gridModel.flags(index) & Qt::ItemIsEditable, Qt::NoItemFlags);
            }
        }
    }

    QStringList m_faults;
    QtMessageHandler m_previousHandler = nullptr;
};

// Every way the grid changes under the view, each followed by what the window does next, leaves a model
// that Qt's checker accepts and that shows the grid as it is.
TEST_F(CheckedModel, FollowsEveryChangeOfTheGrid) {
    model::Grid grid;
    grid.appendColumn(text::gbkFromUtf8("编码"));
    grid.appendColumn(text::gbkFromUtf8("姓名"));
    GridModel gridModel(grid);
    QAbstractItemModelTester tester(&gridModel, QAbstractItemModelTester::FailureReportingMode::Warning);
    QSignalSpy resets(&gridModel, &QAbstractItemModel::modelReset);

    struct Step {
        const char* what;
        std::function<void()> change;
        bool rebuilds;  // whether the view starts over (a reset) rather than being told what moved
    };
    const Step steps[] = {
        {"an import appends rows",
         [&] {
             for (int i = 0; i < 1000; ++i) {
                 const int row = grid.appendRow();
                 grid.setCell(row, 0, std::to_string(i));
                 grid.setCell(row, 1, text::gbkFromUtf8("张三"));
             }
             gridModel.sync();
         },
         false},
        {"a cell changes in place",
         [&] {
             grid.setCell(3, 1, text::gbkFromUtf8("未找到此编码"));
             gridModel.sync();
         },
         false},
        {"rows appended inside a long loop",
         [&] {
             grid.setCell(grid.appendRow(), 0, "x");
             gridModel.syncRows();
         },
         false},
        {"a title changes",
         [&] {
             grid.setColumnTitle(1, text::gbkFromUtf8("持卡人"));
             gridModel.sync();
         },
         true},
        {"the comparison widens the grid",
         [&] {
             grid.appendColumn({});
             gridModel.sync();
         },
         true},
        {"the menu deletes a row", [&] { gridModel.removeGridRow(5); }, false},
        {"and every row below one", [&] { gridModel.removeGridRowsFrom(900); }, false},
        {"the last deletion is undone", [&] { EXPECT_EQ(gridModel.undoRemoval(), 900); }, false},
        {"rows are marked",
         [&] {
             gridModel.markRows({1, 2, 3}, RowMark::NameDiffers);
         },
         false},
        {"a new import starts over",
         [&] {
             grid.removeAllRows();
             gridModel.sync();
         },
         true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const int resetsBefore = static_cast<int>(resets.count());
        step.change();
        EXPECT_EQ(resets.count() > resetsBefore, step.rebuilds);
        expectShows(gridModel, grid);
    }
}

TEST_F(CheckedModel, ShowsNothingAppendedUntilItCatchesUp) {
    model::Grid grid;
    grid.appendColumn("a");
    GridModel gridModel(grid);
    QAbstractItemModelTester tester(&gridModel, QAbstractItemModelTester::FailureReportingMode::Warning);
    grid.appendRow();
    EXPECT_EQ(gridModel.rowCount(), 0);
    gridModel.sync();
    EXPECT_EQ(gridModel.rowCount(), 1);
}

}  // namespace
}  // namespace velmora::app
