// SPDX-License-Identifier: GPL-3.0-or-later
// The window's layout: every control at its fixed place in the client area, with its name.
#include "app/main_window.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QWindow>
#include <algorithm>
#include <limits>

#include "app/commands.h"
#include "app/frame.h"
#include "app/grid_menu.h"
#include "app/grid_model.h"
#include "app/grid_view.h"
#include "app/qt_text.h"
#include "app/settings_panel.h"
#include "app/toolbar.h"
#include "app/up_down_edit.h"
#include "app/window_progress.h"
#include "fileio/input_file.h"
#include "settings/import_settings.h"
#include "velmora/build_info.h"

// Resources of a static library must be registered by hand, from the global namespace.
static void registerResources() { Q_INIT_RESOURCE(velmora); }

namespace velmora::app {
namespace {

QFont panelFont() {
    // Where 宋体 is not installed, Qt substitutes a CJK font; the request stays the same.
    QFont font(QStringLiteral("宋体"), 9, QFont::Bold);
    font.setStyleHint(QFont::Serif);
    return font;
}

template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(fromSource(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, QRect rect, const char* caption = "") {
    auto* widget = new QLabel(fromSource(caption), parent);
    widget->setWordWrap(true);
    return place(widget, name, rect.x(), rect.y(), rect.width(), rect.height());
}

void tuneEdit(QLineEdit* edit) {
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaxLength(std::numeric_limits<int>::max());
}

QLineEdit* edit(QWidget* parent, const char* name, QRect rect) {
    auto* widget = new QLineEdit(parent);
    tuneEdit(widget);
    return place(widget, name, rect.x(), rect.y(), rect.width(), rect.height());
}

UpDownEdit* upDown(QWidget* parent, const char* name, QRect rect, int minimum, int maximum) {
    auto* widget = new UpDownEdit(minimum, maximum, parent);
    return place(widget, name, rect.x(), rect.y(), rect.width(), rect.height());
}

QGroupBox* group(QWidget* parent, const char* name, QRect rect, const char* caption) {
    auto* widget = new QGroupBox(fromSource(caption), parent);
    return place(widget, name, rect.x(), rect.y(), rect.width(), rect.height());
}

using settings::SettingId;

// Where a setting's box and its label stand.
struct SettingBox {
    SettingId id;
    const char* labelName;
    QRect labelRect;
    const char* caption;
    const char* boxName;
    QRect boxRect;
};

// clang-format off
constexpr SettingBox kSettingBoxes[] = {
    {SettingId::RegisterSheet, "标签1", {20, 528, 80, 32}, "导入工作表名", "编辑框1", {110, 528, 96, 24}},
    {SettingId::RegisterColumns, "标签2", {20, 568, 80, 24}, "导入的列(编码,姓名)", "编辑框2", {110, 568, 96, 24}},
    {SettingId::RegisterStartRow, "标签3", {20, 608, 56, 24}, "起始行", "编辑框3", {110, 608, 96, 24}},
    {SettingId::FillCount, "标签10", {256, 552, 80, 24}, "表1后面空几列", "编辑框7", {344, 552, 32, 24}},
    {SettingId::SourceSheet, "标签7", {420, 528, 80, 32}, "导入工作表名", "编辑框4", {545, 528, 96, 24}},
    {SettingId::SourceColumns, "标签6", {420, 568, 120, 24}, "导入的列(编码,姓名,其他欲导入表1的列)", "编辑框5", {545, 568, 96, 24}},
    {SettingId::SourceStartRow, "标签8", {420, 608, 56, 24}, "起始行", "编辑框6", {545, 608, 96, 24}},
};
// clang-format on

const SettingBox& settingBoxOf(SettingId id) {
    return *std::find_if(std::begin(kSettingBoxes), std::end(kSettingBoxes),
                         [id](const SettingBox& box) { return box.id == id; });
}

// A setting's box by its kind: numbers get up-down arrows over the range the clerk sensibly uses (typed
// text is never held to it), texts a plain box.
QLineEdit* settingEdit(QWidget* parent, settings::SettingKind kind, const char* name, QRect rect) {
    switch (kind) {
        case settings::SettingKind::StartRow:
            return upDown(parent, name, rect, 1, 100)->editor();
        case settings::SettingKind::Count:
            return upDown(parent, name, rect, 0, 10)->editor();
        case settings::SettingKind::SheetName:
        case settings::SettingKind::Columns:
            break;
    }
    return edit(parent, name, rect);
}

QPlainTextEdit* holderBox(QWidget* parent, const char* name, QRect rect) {
    auto* widget = new QPlainTextEdit(parent);
    widget->setLineWrapMode(QPlainTextEdit::NoWrap);
    widget->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    widget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Out of sight, so out of the tab chain too: the user cannot type into a list unseen.
    widget->setFocusPolicy(Qt::NoFocus);
    return place(widget, name, rect.x(), rect.y(), rect.width(), rect.height());
}

}  // namespace

MainWindow::MainWindow(const WindowOptions& options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_places(options.places ? *options.places
                              : paths::portablePlaces(toNativePath(options.programDirectory))),
      m_prompter(options.prompter),
      m_fileDialog(*options.prompter) {
    registerResources();
    setWindowTitle(QStringLiteral("VelmoraV") + fromSource(build::kVersion));
    setWindowIcon(QIcon(QStringLiteral(":/velmora/window.png")));
    move(50, 50);
    setFixedSize(kWidth, kFullHeight);

    // The commands exist before their buttons; they reach the other controls only when run.
    m_commands = new Commands(*this);
    m_toolbar = buildToolbar(this, *m_commands);
    buildGrids();
    buildStatusRow();
    buildSettingsPanel();
    buildHolders();
    fitLayout(options.workArea
                  ? *options.workArea
                  : (screen() != nullptr ? screen()->availableGeometry() : QRect(0, 0, 1920, 1080)));

    m_progress = std::make_unique<WindowProgress>(*m_progressBar, *m_statusLabel,
                                                  std::vector<GridModel*>{m_registerModel, m_sourceModel});
    m_gridMenu = new GridMenu(m_busy, this);
    m_gridMenu->attach(*m_registerView);
    m_gridMenu->attach(*m_sourceView);
    // Queued, so the desktop's drag has ended before the import starts.
    for (auto [view, kind] : {std::pair{m_registerView, import::TableKind::Register},
                              std::pair{m_sourceView, import::TableKind::Source}}) {
        connect(
            view, &GridView::fileDropped, this,
            [this, kind](const QString& path) { m_commands->importDropped(kind, path); },
            Qt::QueuedConnection);
    }

    // The settings come in once every control exists.
    loadSettings(true);
}

MainWindow::~MainWindow() {
    // The views read the grids until they are gone, and the grids are members: views go first.
    delete m_registerView;
    delete m_sourceView;
}

void MainWindow::buildGrids() {
    label(this, "标签4", {16, 64, 184, 16}, "表1↓ (如：导出的一卡通空清册）");
    label(this, "标签5", {424, 56, 224, 24}, "表2↓  （如：已有的金额发放明细表)");
    m_registerModel = new GridModel(m_registerGrid, this);
    m_sourceModel = new GridModel(m_sourceGrid, this);
    m_registerView = place(new GridView(*m_registerModel, this), "超级列表框1", 8, 88, 384, 352);
    m_sourceView = place(new GridView(*m_sourceModel, this), "超级列表框2", 400, 88, 384, 352);
}

void MainWindow::buildStatusRow() {
    m_statusLabel = label(this, "标签11", {8, 448, 136, 24});
    m_statusLabel->setFont(panelFont());
    m_summaryLabel = label(this, "标签15", {168, 448, 432, 24});
    label(this, "标签16", {624, 448, 160, 24}, "注:姓名不符的已填入表1");
    m_progressBar = place(new QProgressBar(this), "进度条1", 8, 480, 784, 8);
    m_progressBar->setTextVisible(false);
}

void MainWindow::buildSettingsPanel() {
    group(this, "分组框3", {0, 496, 792, 160}, "");
    group(this, "分组框1", {16, 512, 232, 136}, "导入配置1")->setFont(panelFont());
    group(this, "分组框2", {408, 512, 256, 136}, "导入配置2")->setFont(panelFont());

    const text::FilePath path = m_places.settingsFile;
    m_settings = new SettingsPanel(path, this);
    // Made in file order, which is also the order Tab walks them.
    for (const settings::SettingKey& key : settings::kSettingKeys) {
        const SettingBox& where = settingBoxOf(key.id);
        label(this, where.labelName, where.labelRect, where.caption);
        m_settings->bind(key.id, settingEdit(this, key.kind, where.boxName, where.boxRect));
    }

    auto* saveButton = place(new QPushButton(QStringLiteral("保存配置"), this), "按钮6", 680, 536, 96, 24);
    auto* loadButton = place(new QPushButton(QStringLiteral("读入配置"), this), "按钮7", 680, 592, 96, 24);

    connect(saveButton, &QPushButton::clicked, this, [this, path] {
        // A clerk who saved must not believe it worked when the folder would not take the file.
        if (const failure::Failure why = m_settings->save(); why.failed()) {
            m_prompter->message(QStringLiteral("信息："),
                                QStringLiteral("配置未能保存到文件: ") + fromNativePath(path) +
                                    QStringLiteral("（") + fromGbk(why.describe()) + QStringLiteral("）"),
                                MessageIcon::Warning);
        }
    });
    connect(loadButton, &QPushButton::clicked, this, [this] { loadSettings(false); });
}

void MainWindow::loadSettings(bool quietWhenMissing) {
    const failure::Failure why = m_settings->load();
    if (why.ok() || (quietWhenMissing && fileio::isMissingFile(why))) return;
    m_prompter->message(QStringLiteral("信息："),
                        QStringLiteral("无法读取配置文件: ") + fromNativePath(m_settings->path()) +
                            QStringLiteral("（") + fromGbk(why.describe()) + QStringLiteral("）"),
                        MessageIcon::Warning);
}

void MainWindow::buildHolders() {
    // Right of x = 800: never in sight at either height, they only carry texts between commands.
    m_unitLabel = label(this, "标签9", {816, 152, 152, 24});
    m_mismatchBox = holderBox(this, "编辑框16", {800, 200, 104, 112});
    m_notFoundBox = holderBox(this, "编辑框11", {808, 328, 96, 120});
}

void MainWindow::fitLayout(const QRect& workArea) {
    constexpr int kToolbarHeight = 55, kGridTop = 88, kGridHeight = 352, kBelowGrids = 440;
    constexpr int kLeastGridHeight = 120;  // a few rows stay in sight however small the screen
    const int extra = std::max(0, m_toolbar->height() - kToolbarHeight);
    m_screenLoss = std::clamp(kFullHeight - workArea.height(), 0, kGridHeight - extra - kLeastGridHeight);
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget == m_toolbar || widget->isWindow()) continue;
        QRect place = widget->geometry();
        if (place.x() >= kWidth) continue;  // the holders, out of sight either way
        if (widget == m_registerView || widget == m_sourceView) {
            place.setTop(kGridTop + extra);
            place.setHeight(kGridHeight - extra - m_screenLoss);
        } else if (place.y() < kGridTop) {
            place.translate(0, extra);
        } else if (place.y() >= kBelowGrids) {
            place.translate(0, -m_screenLoss);
        }
        widget->setGeometry(place);
    }
    m_outerHeight = fullHeight();
    setFixedSize(kWidth, fullHeight());
    // The design's place, moved in as far as needed for the whole frame to be on the work area.
    const int left =
        std::clamp(50, workArea.left(), std::max(workArea.left(), workArea.right() + 1 - kWidth));
    const int top =
        std::clamp(50, workArea.top(), std::max(workArea.top(), workArea.bottom() + 1 - fullHeight()));
    move(left, top);
}

void MainWindow::setUnitText(text::Text unitText) {
    m_results.unitText = std::move(unitText);
    m_unitLabel->setText(fromGbk(m_results.unitText));
}

void MainWindow::setComparison(text::Text summary, text::Text notFoundList, text::Text mismatchList) {
    m_results.summary = std::move(summary);
    m_results.notFoundList = std::move(notFoundList);
    m_results.mismatchList = std::move(mismatchList);
    m_summaryLabel->setText(fromGbk(m_results.summary));
    m_notFoundBox->setPlainText(fromGbk(m_results.notFoundList));
    m_mismatchBox->setPlainText(fromGbk(m_results.mismatchList));
}

QMargins MainWindow::frameMargins() const {
    return windowHandle() != nullptr ? systemFrameMargins(*windowHandle()) : QMargins();
}

int MainWindow::windowHeight() const { return height() + frameMargins().top() + frameMargins().bottom(); }

void MainWindow::setWindowHeight(int height) {
    m_outerHeight = height;
    fitFrame();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitFrame();
}

// A window manager adds its frame after the window is shown, and may change it later (a new theme);
// either way the window is moved or resized, and the client area is fitted again.
void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    fitFrame();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFrame();
}

bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    // An X11 window manager that draws a new frame (another theme) only changes a property of the
    // window, and the margins Qt reports follow once this event is through: fit again after it. Every
    // X11 event starts with its type byte; the top bit marks events sent by another client.
    constexpr unsigned char kPropertyNotify = 28;
    if (eventType == "xcb_generic_event_t" &&
        (*static_cast<const unsigned char*>(message) & 0x7f) == kPropertyNotify) {
        QTimer::singleShot(0, this, &MainWindow::fitFrame);
    }
    return QWidget::nativeEvent(eventType, message, result);
}

void MainWindow::fitFrame() {
    // The outer size is fixed; the client area is what the frame leaves of it. The window's own margins
    // are asked for, as they follow a new frame before the widget's cached ones do.
    const QMargins margins = frameMargins();
    const int frameHeight = margins.top() + margins.bottom();
    int clientHeight = m_outerHeight - frameHeight;
    if (m_outerHeight < fullHeight()) clientHeight = std::min(clientHeight, kPanelTop - m_screenLoss);
    const QSize client(kWidth - margins.left() - margins.right(), clientHeight);
    if (client != size() || minimumSize() != maximumSize()) setFixedSize(client);

    QWindow* window = windowHandle();
    if (window == nullptr) return;
    // A new frame is drawn around the client where it stands, which moves the frame: it goes back to
    // where the old one stood. Without a change the frame stays wherever the user put it.
    if (margins != m_fittedMargins && !m_outerTopLeft.isNull() && window->framePosition() != m_outerTopLeft) {
        window->setFramePosition(m_outerTopLeft);
    }
    m_fittedMargins = margins;
    m_outerTopLeft = window->framePosition();
}

}  // namespace velmora::app
