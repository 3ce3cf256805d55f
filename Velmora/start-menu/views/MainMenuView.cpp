#include "Velmora/start-menu/views/MainMenuView.h"

#include <QCursor>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

#include "Brindle/RxHelpers.h"
#include "Brindle/widgets/AnimationComponent.h"
#include "Brindle/widgets/LayoutBlocks.h"
#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/start-menu/views/DoubleClickGuard.h"
#include "Velmora/start-menu/views/MainMenuAppSection.h"
#include "Velmora/start-menu/views/MainMenuItem.h"
#include "platform/base/Animation.h"
#include "platform/base/MainQueue.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/Symbols.h"
#include "ui-toolkit/ui/widgets/TamberScrollView.h"

namespace Velmora {
namespace {

constexpr int defaultPadding = 16;
constexpr int defaultSpacing = 8;
constexpr int sidebarSpacing = 16;
constexpr double appearTime = 0.2;
constexpr int searchFieldCornerRadius = 12;
constexpr int searchFieldPadding = 4;
constexpr int searchIconSize = 20;
constexpr int searchTextWidth = 200;

// The label colour inverted: white on a light appearance, black on a dark one.
QColor invertedPrimary() {
    return platform::qt::Appearance::shared()->colorScheme() == platform::qt::ColorScheme::dark
               ? QColor(Qt::black)
               : QColor(Qt::white);
}

// Shows or hides a row; one that appears inside an animation transaction fades in.
void setRowShown(QWidget* row, bool shown) {
    if (row->isHidden() != shown) return;
    row->setVisible(shown);
    if (!shown || !platform::isInAnimationTransaction()) return;
    auto* effect = new QGraphicsOpacityEffect(row);
    effect->setOpacity(0.0);
    row->setGraphicsEffect(effect);
    platform::qt::animateChange(
        row, QStringLiteral("opacity"), 0.0, 1.0,
        [row, effect = QPointer<QGraphicsOpacityEffect>(effect)](const QVariant& value) {
            if (!effect) return;
            effect->setOpacity(value.toDouble());
            // Drawing through an effect costs a pass; drop it once done.
            if (value.toDouble() >= 1.0) row->setGraphicsEffect(nullptr);
        });
}

// The rounded field behind the search text, in the inverted label colour.
class SearchFieldBackground : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), searchFieldCornerRadius, searchFieldCornerRadius);
        painter.fillPath(path, invertedPrimary());
    }
};

}  // namespace

// The window's material with the inverted label colour over it at the layout's extra opacity.
class MainMenuBackground : public Brindle::VisualEffect {
public:
    explicit MainMenuBackground(QWidget* parent = nullptr)
        : Brindle::VisualEffect(Material::fullScreenUI, parent) {}

    void setExtraAlpha(double alpha) {
        if (alpha == extraAlpha_) return;
        extraAlpha_ = alpha;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        Brindle::VisualEffect::paintEvent(event);
        if (extraAlpha_ <= 0) return;
        QPainter painter(this);
        auto color = invertedPrimary();
        color.setAlphaF(static_cast<float>(extraAlpha_));
        painter.fillRect(rect(), color);
    }

private:
    double extraAlpha_ = 0;
};

MainMenuView::MainMenuView(std::shared_ptr<MainMenuViewModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    auto* stack = new QWidget();
    auto* layers = new QGridLayout(stack);
    layers->setContentsMargins(0, 0, 0, 0);
    background_ = new MainMenuBackground();
    layers->addWidget(background_, 0, 0);

    auto* content = new QWidget();
    auto* columns = new QHBoxLayout(content);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(defaultSpacing);
    columns->addWidget(makeSidebar());
    columns->addWidget(makeAppLists(), 1);
    layers->addWidget(content, 0, 0);

    auto* animation =
        new Brindle::AnimationComponent(Brindle::AnimationStyle::moveInFromBottom, appearTime, false, stack);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(animation);

    connect(platform::qt::Appearance::shared(), &platform::qt::Appearance::changed, this,
            qOverload<>(&QWidget::update));
    bind();
}

MainMenuView::~MainMenuView() = default;

MainMenuItem* MainMenuView::addRow(QVBoxLayout* layout, MainMenuItem::Spec spec) {
    spec.action = [guard = QPointer<DoubleClickGuard>(doubleClickGuard_), action = std::move(spec.action)] {
        if (guard && guard->dropsLatestPress()) return;
        if (action) action();
    };
    auto* row = new MainMenuItem(std::move(spec));
    layout->addWidget(row, 0, Qt::AlignHCenter);
    rows_.push_back(row);
    return row;
}

QWidget* MainMenuView::makeSidebar() {
    auto* sidebar = new QWidget();
    auto* column = new QVBoxLayout(sidebar);
    column->setSpacing(sidebarSpacing);
    column->setContentsMargins(defaultPadding, defaultPadding, defaultPadding, defaultPadding);
    doubleClickGuard_ = new DoubleClickGuard(sidebar, [this](QPoint global) { return rowAt(global); });
    // The model is held by every action, so that an action that closes the menu (and so deletes
    // this view) can finish.
    auto model = model_;

    auto* folders = new QVBoxLayout();
    folders->setSpacing(sidebarSpacing);
    for (const auto& link : MainMenuViewModel::folderLinks()) {
        addRow(folders, {.title = link.title,
                         .systemImage = link.systemImage,
                         .action = [model, directory = link.directory] { model->openFolder(*directory); }});
    }
    column->addLayout(folders);
    column->addStretch();

    tamberRow_ =
        addRow(column, {.expandable = true, .title = "Velmora", .image = "MainMenu", .action = [model] {
                            model->toggleTamberOptions();
                        }});
    tamberOptionRows_ = {
        addRow(column, {.indented = true,
                        .title = "Settings",
                        .systemImage = "gearshape",
                        .action = [model] { model->showSettings(); }}),
        addRow(column, {.indented = true,
                        .title = "Hide",
                        .systemImage = "arrow.down.to.line",
                        .action = [model] { model->hide(); }}),
        addRow(column, {.indented = true,
                        .title = "Quit",
                        .systemImage = "arrow.down.right.and.arrow.up.left",
                        .action = [model] { model->quit(); }}),
    };
    terminalRow_ =
        addRow(column, {.title = "New Terminal Window", .systemImage = "terminal", .action = [this, model] {
                            model->openTerminal(terminal_);
                        }});
    systemSettingsRow_ =
        addRow(column, {.title = "System settings", .systemImage = "gearshape", .action = [this, model] {
                            if (auto settings = systemSettings_) model->openAppAndClose(settings);
                        }});
    powerRow_ = addRow(
        column, {.expandable = true, .title = "Power options", .systemImage = "power", .action = [model] {
                     model->togglePowerOptions();
                 }});
    powerOptionRows_ = {
        addRow(column, {.indented = true,
                        .title = "Sleep",
                        .systemImage = "sleep",
                        .action = [model] { model->sleepNow(); }}),
        addRow(column, {.indented = true,
                        .title = "Restart",
                        .systemImage = "arrow.uturn.down.square",
                        .action = [model] { model->restart(); }}),
        addRow(column, {.indented = true,
                        .title = "Shut down",
                        .systemImage = "power",
                        .action = [model] { model->shutDown(); }}),
    };
    for (auto* row : tamberOptionRows_) row->setVisible(false);
    for (auto* row : powerOptionRows_) row->setVisible(false);
    terminalRow_->setVisible(false);
    systemSettingsRow_->setVisible(false);

    // A menu shortened to fit a small screen scrolls its rows too.
    sidebarScroll_ = new QScrollArea();
    sidebarScroll_->setFrameShape(QFrame::NoFrame);
    // A click on a row leaves the keyboard in the search field.
    sidebarScroll_->setFocusPolicy(Qt::NoFocus);
    sidebarScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sidebarScroll_->setWidgetResizable(true);
    sidebarScroll_->setWidget(sidebar);
    sidebarScroll_->setAutoFillBackground(false);
    sidebarScroll_->viewport()->setAutoFillBackground(false);
    sidebar->setAutoFillBackground(false);
    // Wider by the scroll bar only while it shows, so that it never covers a row.
    auto fitWidth = [area = sidebarScroll_, sidebar] {
        auto* bar = area->verticalScrollBar();
        area->setFixedWidth(sidebar->sizeHint().width() + (bar->maximum() > 0 ? bar->sizeHint().width() : 0));
    };
    connect(sidebarScroll_->verticalScrollBar(), &QScrollBar::rangeChanged, sidebarScroll_, fitWidth);
    fitWidth();
    return sidebarScroll_;
}

QWidget* MainMenuView::makeAppLists() {
    auto* lists = new QWidget();
    auto* column = new QVBoxLayout(lists);
    column->setContentsMargins(0, 0, 0, 0);

    auto* field = new SearchFieldBackground();
    auto* fieldRow = new QHBoxLayout(field);
    fieldRow->setContentsMargins(searchFieldPadding, searchFieldPadding, searchFieldPadding,
                                 searchFieldPadding);
    searchIcon_ = new QLabel();
    searchIcon_->setFixedSize(searchIconSize + 2 * searchFieldPadding,
                              searchIconSize + 2 * searchFieldPadding);
    searchIcon_->setAlignment(Qt::AlignCenter);
    fieldRow->addWidget(searchIcon_);
    drawSearchIcon();
    searchField_ = new QLineEdit();
    searchField_->setFrame(false);
    searchField_->setPlaceholderText(QString());
    searchField_->setFixedWidth(searchTextWidth);
    searchField_->setTextMargins(0, searchFieldPadding, 0, searchFieldPadding);
    // The rounded field behind it is the background.
    QPalette transparentBase;
    transparentBase.setColor(QPalette::Base, Qt::transparent);
    searchField_->setPalette(transparentBase);
    searchField_->setText(QString::fromStdString(model_->searchText.value()));
    fieldRow->addWidget(searchField_);
    field->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(searchField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_->updateSearch(text.toStdString()); });

    auto* searchRow = new QHBoxLayout();
    searchRow->setContentsMargins(defaultPadding, defaultPadding, defaultPadding, defaultPadding);
    searchRow->addWidget(field, 0, Qt::AlignHCenter);
    column->addLayout(searchRow);

    auto launch = [model = model_](const std::shared_ptr<Task>& task) { model->launchApp(task); };
    searchSection_ = new MainMenuAppSection(std::string("Search result"), launch);
    recommendedSection_ = new MainMenuAppSection(std::string("Recommended"), launch);
    installedSection_ = new MainMenuAppSection(std::nullopt, launch);
    column->addWidget(searchSection_);
    column->addWidget(recommendedSection_);
    column->addWidget(installedSection_);
    column->addStretch();

    scrollView_ = new brindle_ui::TamberScrollView(nullptr, false, nullptr, lists);
    scrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The menu's material shows through.
    scrollView_->setAutoFillBackground(false);
    scrollView_->viewport()->setAutoFillBackground(false);
    lists->setAutoFillBackground(false);
    return scrollView_;
}

void MainMenuView::bind() {
    model_->installedApps
        .observe([this](const TaskList& tasks) {
            installedSection_->setTasks(tasks);
            updateApplicationRows();
        })
        .disposed(disposeBag_);
    model_->recommendedApps.observe([this](const TaskList& tasks) { recommendedSection_->setTasks(tasks); })
        .disposed(disposeBag_);
    model_->searchResult
        .observe([this](const TaskList& tasks) {
            searchSection_->setTasks(tasks);
            searchSection_->setVisible(!tasks.empty());
        })
        .disposed(disposeBag_);
    model_->showTamberOptions
        .observe([this](bool shown) {
            tamberRow_->setExpanded(shown);
            for (auto* row : tamberOptionRows_) setRowShown(row, shown);
            sectionToggled(tamberOptionRows_.back(), shown);
        })
        .disposed(disposeBag_);
    model_->showPowerOptions
        .observe([this](bool shown) {
            powerRow_->setExpanded(shown);
            for (auto* row : powerOptionRows_) setRowShown(row, shown);
            sectionToggled(powerOptionRows_.back(), shown);
        })
        .disposed(disposeBag_);
    Brindle::subscribeNext(SettingsManager::shared()->taskbarTheme, false, [this](TaskbarTheme theme) {
        background_->setExtraAlpha(theme.settings().extraAlpha);
    }).disposed(disposeBag_);
}

void MainMenuView::sectionToggled(QWidget* lastRow, bool shown) {
    // Once the rows are laid out: in a menu shortened for a small screen the rows a section opens
    // may lie below the sidebar's end; and rows that moved under a pointer that stayed put get no
    // enter or leave of their own.
    platform::MainQueue::async(
        [self = QPointer<MainMenuView>(this), row = QPointer<QWidget>(lastRow), shown] {
            if (!self) return;
            if (shown && row && row->isVisible())
                self->sidebarScroll_->ensureWidgetVisible(row, 0, defaultPadding);
            // One look at the pointer: on X11 each is a round trip.
            const auto* under = self->rowAt(QCursor::pos());
            for (auto* each : self->rows_)
                if ((each == under) != each->touchable()->inside()) each->touchable()->followPointer();
        });
}

void MainMenuView::updateApplicationRows() {
    terminal_ = model_->terminalApplication();
    systemSettings_ = model_->systemSettingsApplication();
    terminalRow_->setVisible(terminal_ != nullptr || model_->opensSessionTerminal());
    systemSettingsRow_->setVisible(systemSettings_ != nullptr);
}

void MainMenuView::drawSearchIcon() {
    searchIcon_->setPixmap(
        platform::qt::Symbols::pixmap("magnifyingglass", QSize(searchIconSize, searchIconSize),
                                      palette().color(QPalette::WindowText), devicePixelRatioF()));
}

void MainMenuView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) drawSearchIcon();
}

void MainMenuView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    // A menu is opened to type into: the keyboard goes to the search field each time.
    searchField_->setFocus(Qt::OtherFocusReason);
    updateApplicationRows();
    model_->reloadApps();
}

std::vector<MainMenuItem*> MainMenuView::rows() const {
    std::vector<MainMenuItem*> shown;
    for (auto* row : rows_)
        if (!row->isHidden()) shown.push_back(row);
    return shown;
}

QWidget* MainMenuView::rowAt(QPoint global) const {
    for (auto* row : rows_)
        if (row->isVisible() && row->rect().contains(row->mapFromGlobal(global))) return row;
    return nullptr;
}

MainMenuItem* MainMenuView::row(const std::string& title) const {
    for (auto* row : rows_)
        if (row->spec().title == title) return row;
    return nullptr;
}

}  // namespace Velmora
