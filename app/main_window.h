// SPDX-License-Identifier: GPL-3.0-or-later
// The one window of the program: its controls at their fixed places, and what each action runs.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

#include "app/busy_flag.h"
#include "app/prompter.h"
#include "model/grid.h"
#include "paths/program_places.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QToolBar;

namespace velmora::app {

class Commands;
class GridMenu;
class GridModel;
class GridView;
class SettingsPanel;
class WindowProgress;

struct WindowOptions {
    QString programDirectory;      // holds vozuz.ini, the user guide and the report, unless `places` is set
    Prompter* prompter = nullptr;  // not owned; must outlive the window
    std::optional<paths::ProgramPlaces> places =
        std::nullopt;  // where an installed program keeps them instead
    // The screen's work area the window must fit in; unset, the screen's own at start.
    std::optional<QRect> workArea = std::nullopt;
};

// The texts one command leaves for the next: the unit text of Table 1, the result summary and the
// two lists. They are kept as the core wrote them, byte for byte, and mirrored into their controls.
struct ResultTexts {
    text::Text unitText;
    text::Text summary;
    text::Text notFoundList;
    text::Text mismatchList;
};

class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 800;
    static constexpr int kFullHeight = 700;
    static constexpr int kShortHeight = 524;
    static constexpr int kPanelTop = 496;  // the settings panel's top in the client area

    explicit MainWindow(const WindowOptions& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    model::Grid& registerGrid() { return m_registerGrid; }
    model::Grid& sourceGrid() { return m_sourceGrid; }
    GridView& registerView() { return *m_registerView; }
    GridView& sourceView() { return *m_sourceView; }
    WindowProgress& progress() { return *m_progress; }
    SettingsPanel& settingsPanel() { return *m_settings; }
    FileDialog& fileDialog() { return m_fileDialog; }
    Prompter& prompter() { return *m_prompter; }
    Commands& commands() { return *m_commands; }
    GridMenu& gridMenu() { return *m_gridMenu; }
    BusyFlag& busyFlag() { return m_busy; }
    QToolBar& toolbar() { return *m_toolbar; }
    const paths::ProgramPlaces& places() const { return m_places; }

    const ResultTexts& results() const { return m_results; }
    void setUnitText(text::Text unitText);
    void setComparison(text::Text summary, text::Text notFoundList, text::Text mismatchList);

    // The outer heights with the settings panel shown and hidden: 700 and 524, less what a small
    // screen takes off the grids.
    int fullHeight() const { return kFullHeight - m_screenLoss; }
    int shortHeight() const { return kShortHeight - m_screenLoss; }

    // The outer height, frame included where the desktop draws one.
    int windowHeight() const;
    // Makes the outer height `height`; under 700 the panel counts as hidden, so the client area then
    // ends at the panel's top at the latest, whatever the frame leaves.
    void setWindowHeight(int height);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void buildGrids();
    void buildStatusRow();
    void buildSettingsPanel();
    void buildHolders();
    QMargins frameMargins() const;
    // Fills the settings boxes from the file, and says so when a file there could not be read.
    // At start-up a missing file is the first run, not worth a word; the button says so.
    void loadSettings(bool quietWhenMissing);
    void fitFrame();
    // Moves the controls from their design places: down by what the toolbar needs beyond its 55
    // pixels, and up by what the screen lacks; the grids give up both.
    void fitLayout(const QRect& workArea);

    paths::ProgramPlaces m_places;
    int m_screenLoss = 0;             // pixels the work area lacks for the design height
    int m_outerHeight = kFullHeight;  // asked for; the frame, once known, is taken off it
    QMargins m_fittedMargins;         // the frame when last fitted
    QPoint m_outerTopLeft;            // where the frame stood then
    Prompter* m_prompter;
    FileDialog m_fileDialog;
    BusyFlag m_busy;
    model::Grid m_registerGrid;
    model::Grid m_sourceGrid;
    ResultTexts m_results;

    QToolBar* m_toolbar = nullptr;
    GridModel* m_registerModel = nullptr;
    GridModel* m_sourceModel = nullptr;
    GridView* m_registerView = nullptr;
    GridView* m_sourceView = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_summaryLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_unitLabel = nullptr;
    QPlainTextEdit* m_mismatchBox = nullptr;
    QPlainTextEdit* m_notFoundBox = nullptr;
    SettingsPanel* m_settings = nullptr;
    GridMenu* m_gridMenu = nullptr;
    std::unique_ptr<WindowProgress> m_progress;
    Commands* m_commands = nullptr;
};

}  // namespace velmora::app
