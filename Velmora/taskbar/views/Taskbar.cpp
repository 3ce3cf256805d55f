#include "Velmora/taskbar/views/Taskbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QShowEvent>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <utility>

#include "Brindle/MainQueue.h"
#include "Brindle/RxHelpers.h"
#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/taskbar/views/ClockView.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "Velmora/taskbar/views/TaskbarParts.h"
#include "Velmora/taskbar/views/TaskbarThemeComponent.h"
#include "Velmora/taskbar/views/Theme.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/Symbols.h"
#include "ui-toolkit/core/widgets/ReactiveComponent.h"

namespace Velmora {
namespace {

const QString offsetKey = QStringLiteral("offset");

// Hidden, the body goes wholly below the window's bottom edge, its bottom padding included: a strip
// of it left in the window would show over a full-screen window.
double hiddenOffset(const TaskbarThemeSettings& s) { return s.defaultHeight + s.padding.bottom; }

}  // namespace

using taskbar_parts::Body;
using taskbar_parts::DropMarker;
using taskbar_parts::isDark;
using taskbar_parts::MenuImage;
using taskbar_parts::placeAlone;
using taskbar_parts::Root;
using taskbar_parts::row;
using taskbar_parts::Separator;

// One button in the frame the bar gives it. It reports that frame to the bar's model whenever it
// changes while shown, and regroups the bar when its model's pinning changes. It places its button
// itself, as a layout holding only the button would, but asks the bar to lay out again only when
// its own size hints change: a button widening inside a slot of fixed width, each frame of its
// animation, then moves nothing else.
class Taskbar::Slot : public QWidget {
public:
    Slot(Taskbar* bar, std::shared_ptr<TaskbarButtonViewModel> model)
        : bar_(bar),
          model_(std::move(model)),
          button_(new TaskbarButton(bar->viewModel_, model_, false, this)) {
        marker_ = new DropMarker(this);
        pinned_ = model_->isPinned.value();
        Brindle::subscribeNext(model_->isPinned.asObservable(), false, [this](bool pinned) {
            if (pinned == std::exchange(pinned_, pinned)) return;
            bar_->regroup();
        }).disposed(bag_);
    }

    const std::shared_ptr<TaskbarButtonViewModel>& model() const { return model_; }
    TaskbarButton* button() const { return button_; }
    bool pinned() const { return model_->isPinned.value(); }

    void setMarked(bool marked) {
        if (marked == marker_->isVisibleTo(this)) return;
        marker_->setVisible(marked);
        if (marked) marker_->place();
    }

    // Titled, or untitled `width` points wide.
    void setShowTitles(bool titled, int width) {
        width_ = width;
        if (titled) {
            setMinimumWidth(0);
            setMaximumWidth(static_cast<int>(titledButtonMaximumWidth));
            setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        } else {
            setFixedWidth(width);
        }
        titled_ = titled;
        if (button_->showTitles() != titled) button_->setShowTitles(titled);
        askForLayout();
    }

    // Lets the row lay out again with the hints as they are now.
    void askForLayout() {
        reportedHints_ = {sizeHint(), minimumSizeHint()};
        updateGeometry();
    }

    QSize sizeHint() const override {
        auto width = titled_ ? static_cast<int>(titledButtonMaximumWidth) : width_;
        return {width, QWidgetItem(button_).sizeHint().height()};
    }
    QSize minimumSizeHint() const override {
        auto least = QWidgetItem(button_).minimumSize();
        // A slot of fixed width is never narrower, however narrow its button gets.
        if (!titled_) least.setWidth(width_);
        return least;
    }

protected:
    bool event(QEvent* event) override {
        // The button asks for another size.
        if (event->type() == QEvent::LayoutRequest) {
            placeAlone(button_, rect());
            if (std::pair(sizeHint(), minimumSizeHint()) != reportedHints_) askForLayout();
        }
        return QWidget::event(event);
    }
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        placeAlone(button_, rect());
        report();
    }
    void moveEvent(QMoveEvent*) override { report(); }
    void resizeEvent(QResizeEvent*) override {
        placeAlone(button_, rect());
        marker_->place();
        report();
    }

private:
    void report() {
        if (!isVisible()) return;
        auto origin = mapToGlobal(QPoint(0, 0));
        bar_->viewModel_->setTaskBounds(platform::Rect::make(origin.x(), origin.y(), width(), height()),
                                        model_->task);
    }

    Taskbar* bar_;
    const std::shared_ptr<TaskbarButtonViewModel> model_;
    TaskbarButton* button_;
    DropMarker* marker_ = nullptr;
    bool titled_ = false;
    int width_ = static_cast<int>(buttonWidth);
    bool pinned_ = false;
    std::pair<QSize, QSize> reportedHints_;
    rx::DisposeBag bag_;
};

QColor Taskbar::accentBlue() { return QColor::fromRgbF(0.0f, 0.57255346f, 0.8509759f, 1.0f); }

Taskbar::Taskbar(std::shared_ptr<ApplicationManager> manager, std::shared_ptr<SettingsManager> settings,
                 std::shared_ptr<TimeManager> time, Theme* theme, std::shared_ptr<TaskbarViewModel> viewModel,
                 std::shared_ptr<UpdateManager> updates, QWidget* parent)
    : QWidget(parent),
      manager_(std::move(manager)),
      settings_(std::move(settings)),
      time_(std::move(time)),
      theme_(theme ? theme : Theme::shared()),
      viewModel_(std::move(viewModel)),
      updates_(std::move(updates)) {
    root_ = new Root([this] { placeBody(); });
    body_ = new Body(theme_, [this] { return themeSettings_; });
    body_->setParent(root_);

    contentLayout_ = new QHBoxLayout(body_);
    contentLayout_->setContentsMargins(static_cast<int>(contentLeadingPadding), 0,
                                       static_cast<int>(contentTrailingPadding), 0);
    leadingSpacer_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    clockSpacer_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);

    buttonRow_ = new Root([this] { buttonRowResized(); });
    // As wide as its buttons and never wider: the layout's spacers take the rest of the bar.
    buttonRow_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto* buttons = new QHBoxLayout(buttonRow_);
    buttons->setContentsMargins(0, 0, 0, 0);

    menuImage_ = new MenuImage(this);
    Brindle::TouchableComponent::Options options;
    options.style = Brindle::TouchableComponent::Style::none;
    options.pressStyle = Brindle::TouchableComponent::PressStyle::none;
    options.padding = Brindle::TouchableComponent::Padding::none();
    options.highlight = true;
    options.alpha = 1.0;
    options.cornerRadius = 0;
    options.inScrollView = false;
    options.onTap = [this] { viewModel_->toggleMainMenu(); };
    menuButton_ = new Brindle::TouchableComponent(
        options, menuImage_,
        [this](const Brindle::MouseInfo& info) { setMouseInfo(info.pressed, info.highlighted); });
    menuButton_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    menuHolder_ = new QWidget();
    auto* menuLayout = new QHBoxLayout(menuHolder_);
    menuLayout->setContentsMargins(static_cast<int>(menuButtonLeadingPadding), 0, 0, 0);
    menuLayout->addWidget(menuButton_);

    separator1_ = new Separator(theme_);
    separator2_ = new Separator(theme_);
    pinnedRow_ = row(buttonRow_);
    otherRow_ = row(buttonRow_);
    fullSpacing_ = otherRow_->layout()->spacing();
    fit_ = {static_cast<int>(buttonWidth), fullSpacing_};
    buttons->addWidget(menuHolder_, 0, Qt::AlignVCenter);
    buttons->addWidget(separator1_);
    buttons->addWidget(pinnedRow_);
    buttons->addWidget(separator2_);
    buttons->addWidget(otherRow_);

    clock_ = new ClockView(time_);
    clock_->installEventFilter(this);
    contentLayout_->addSpacerItem(leadingSpacer_);
    contentLayout_->addWidget(buttonRow_, 0, Qt::AlignVCenter);
    contentLayout_->addSpacerItem(clockSpacer_);
    contentLayout_->addWidget(clock_, 0, Qt::AlignVCenter);

    themeComponent_ = new TaskbarThemeComponent(
        root_, [this](const TaskbarThemeSettings& s) { apply(s); }, settings_);
    auto* component = new brindle_core::ReactiveComponent<TaskbarViewModel>(
        viewModel_, [this](const std::shared_ptr<TaskbarViewModel>& model) { bind(model); }, themeComponent_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(component);

    QPointer<Taskbar> guard(this);
    Brindle::subscribeNext(viewModel_->tasks.asObservable(), false, [guard](const TaskbarButtons& tasks) {
        if (guard) guard->setTasks(tasks);
    }).disposed(disposeBag_);
    Brindle::subscribeNext(viewModel_->draggingTargetIndex.asObservable(), false,
                           [guard](const std::optional<std::int64_t>& index) {
                               if (!guard) return;
                               guard->dropIndex_ = index;
                               guard->regroup();
                           })
        .disposed(disposeBag_);
    Brindle::subscribeNext(viewModel_->show.asObservable(), false, [guard](bool show) {
        if (guard) guard->setShow(show);
    }).disposed(disposeBag_);
    Brindle::subscribeNext(settings_->showTitlePublisher(), false, [guard](bool) {
        // Told before the setting stores the value.
        if (guard)
            Brindle::runOnMainQueue([guard] {
                if (guard) guard->regroup();
            });
    }).disposed(disposeBag_);
    Brindle::subscribeNext(viewModel_->availableWidth.asObservable(), false, [guard](const auto&) {
        if (guard) guard->regroup();
    }).disposed(disposeBag_);
    auto repaint = [this] {
        update();
        body_->update();
        separator1_->update();
        separator2_->update();
        menuImage_->update();
    };
    connect(theme_, &Theme::colorSchemeChanged, this, repaint);
    regroup();
}

Taskbar::~Taskbar() = default;

void Taskbar::bind(const std::shared_ptr<TaskbarViewModel>& model) {
    QPointer<Taskbar> guard(this);
    brindle_core::disposed(Brindle::subscribeNext(model->showingMainMenu.asObservable(), false,
                                                  [guard](bool showing) {
                                                      if (!guard) return;
                                                      guard->showingMainMenu_ = showing;
                                                      guard->menuImage_->update();
                                                  }),
                           *model, false);
}

void Taskbar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    MainMenuViewModel::preloadApps(manager_);
    if (updates_) updates_->checkForUpdate();
}

void Taskbar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBody();
    refit();
}

bool Taskbar::eventFilter(QObject* watched, QEvent* event) {
    // The clock's text changes its width, and so the room the buttons have; after its layout.
    if (watched == clock_ && event->type() == QEvent::Resize)
        Brindle::runOnMainQueue([guard = QPointer<Taskbar>(this)] {
            if (guard) guard->refit();
        });
    return QWidget::eventFilter(watched, event);
}

int Taskbar::spaceForButtons(bool anyPinned, bool anyOthers) const {
    auto width = [](QWidget* widget) { return QWidgetItem(widget).sizeHint().width(); };
    // The body's parts beside the buttons as its layouts place them: each part on show, with a
    // spacing between neighbours on show.
    int rowParts = 2 + (anyPinned ? 2 : 0) + (anyOthers ? 1 : 0);
    auto margins = contentLayout_->contentsMargins();
    int taken = margins.left() + width(menuHolder_) + width(separator1_) +
                (anyPinned ? width(separator2_) : 0) + buttonRow_->layout()->spacing() * (rowParts - 1) +
                contentLayout_->spacing() + width(clock_) + margins.right();
    const auto& s = themeSettings_;
    return static_cast<int>(std::floor(root_->width() - s.padding.leading - s.padding.trailing)) - taken;
}

ButtonRowFit Taskbar::fit(std::size_t pinned, std::size_t others) const {
    auto gaps = [](std::size_t count) { return count ? static_cast<int>(count) - 1 : 0; };
    return fitButtonRow(spaceForButtons(pinned > 0, others > 0), static_cast<int>(pinned + others),
                        gaps(pinned) + gaps(others), {static_cast<int>(buttonWidth), fullSpacing_});
}

void Taskbar::refit() {
    if (fit(pinnedButtons().size(), otherButtons().size()) != fit_) regroup();
}

void Taskbar::apply(const TaskbarThemeSettings& s) {
    themeSettings_ = s;
    auto grow = [](bool on) { return on ? QSizePolicy::Expanding : QSizePolicy::Fixed; };
    leadingSpacer_->changeSize(0, 0, grow(s.fullscreen && s.centered), QSizePolicy::Minimum);
    clockSpacer_->changeSize(0, 0, grow(s.fullscreen), QSizePolicy::Minimum);
    contentLayout_->invalidate();
    if (!viewModel_->show.value()) offset_ = hiddenOffset(s);
    placeBody();
    body_->update();
    refit();
}

void Taskbar::placeBody() {
    if (!root_ || !body_) return;
    const auto& s = themeSettings_;
    double top = TaskbarTheme::maximumHeight() - (s.defaultHeight + s.padding.bottom);
    double available = std::max(0.0, root_->width() - s.padding.leading - s.padding.trailing);
    double width = s.fullscreen ? available : std::min<double>(body_->sizeHint().width(), available);
    double x = s.padding.leading + (s.fullscreen ? 0.0 : (available - width) / 2);
    body_->setGeometry(QRectF(x, top + offset_, width, s.defaultHeight).toRect());
}

void Taskbar::setShow(bool show) {
    double target = show ? 0.0 : hiddenOffset(themeSettings_);
    if (target == offset_ && !platform::qt::isAnimating(this, offsetKey)) return;
    platform::qt::animateValue(
        this, offsetKey, offset_, target,
        [this](const QVariant& value) {
            offset_ = value.toDouble();
            placeBody();
        },
        platform::qt::AnimationSpec::springing(slideSpring));
}

void Taskbar::setTasks(const TaskbarButtons& tasks) {
    // A model listed twice is one button, at its first place.
    tasks_.clear();
    std::set<const TaskbarButtonViewModel*> listed;
    for (const auto& model : tasks)
        if (model && listed.insert(model.get()).second) tasks_.push_back(model);
    for (auto it = slots_.begin(); it != slots_.end();) {
        if (listed.contains(it->first)) {
            ++it;
            continue;
        }
        delete it->second;
        it = slots_.erase(it);
    }
    for (const auto& model : tasks_)
        if (!slots_.contains(model.get())) slots_.emplace(model.get(), new Slot(this, model));
    regroup();
    // The model counts its buttons only once it has stored the list.
    QPointer<Taskbar> guard(this);
    Brindle::runOnMainQueue([guard] {
        if (guard) guard->regroup();
    });
}

namespace {

// Puts exactly `wanted` at the front of `row`, in order, moving each from wherever it is. Each
// position before the one being filled already holds its own button, so every insertion falls
// inside the row.
void arrange(QWidget* rowWidget, const std::vector<QWidget*>& wanted) {
    auto* layout = static_cast<QHBoxLayout*>(rowWidget->layout());
    for (int index = 0; index < static_cast<int>(wanted.size()); ++index) {
        auto* widget = wanted[static_cast<std::size_t>(index)];
        auto* item = layout->itemAt(index);
        if (item && item->widget() == widget) continue;
        if (auto* parent = widget->parentWidget(); parent && parent->layout())
            parent->layout()->removeWidget(widget);
        layout->insertWidget(std::min(index, layout->count()), widget);
        if (widget->parentWidget() != rowWidget) widget->setParent(rowWidget);
        widget->show();
    }
}

}  // namespace

void Taskbar::regroup() {
    bool titles = settings_->showTitle() && viewModel_->hasSpaceForTitles();
    std::vector<QWidget*> pinned;
    std::vector<QWidget*> others;
    for (const auto& model : tasks_) {
        auto found = slots_.find(model.get());
        if (found == slots_.end()) continue;
        auto* slot = found->second;
        (slot->pinned() ? pinned : others).push_back(slot);
    }
    fit_ = fit(pinned.size(), others.size());
    for (auto* rowWidget : {pinnedRow_, otherRow_}) rowWidget->layout()->setSpacing(fit_.spacing);
    // Pinned buttons are never titled.
    for (auto* slot : pinned) static_cast<Slot*>(slot)->setShowTitles(false, fit_.buttonWidth);
    for (auto* slot : others) static_cast<Slot*>(slot)->setShowTitles(titles, fit_.buttonWidth);
    arrange(pinnedRow_, pinned);
    arrange(otherRow_, others);
    // The same position in each group: a group with no button there shows none.
    for (const auto* group : {&pinned, &others})
        for (std::size_t index = 0; index < group->size(); ++index)
            static_cast<Slot*>((*group)[index])
                ->setMarked(dropIndex_ && *dropIndex_ == static_cast<std::int64_t>(index));
    separator2_->setVisible(!pinned.empty());
    pinnedRow_->setVisible(!pinned.empty());
    otherRow_->setVisible(!others.empty());
    settleLayout();
}

void Taskbar::settleLayout() {
    if (!isVisible()) return;
    // Left to Qt, each level of the layout would settle on its own turn of the event loop, and the
    // bar would be repainted after each: the rows, the bar's row, the body and its place now.
    for (auto* widget : {pinnedRow_, otherRow_, buttonRow_})
        if (widget->isVisibleTo(body_)) widget->layout()->activate();
    contentLayout_->activate();
    placeBody();
}

void Taskbar::buttonRowResized() {
    auto size = buttonRow_->size();
    if (size == reportedRowSize_) return;
    reportedRowSize_ = size;
    auto screenWidth = viewModel_->screen.frame.size.width;
    viewModel_->menuButtonFrame = platform::Rect::make((screenWidth - size.width()) * 0.5, 0, 0, 0);
}

void Taskbar::setMouseInfo(bool pressed, bool highlighted) {
    menuPressed_ = pressed;
    menuHighlighted_ = highlighted;
    if (menuImage_) menuImage_->update();
}

QColor Taskbar::menuTint() const {
    if (showingMainMenu_ || menuHighlighted_) return accentBlue();
    QColor color = isDark(theme_) ? Qt::white : Qt::black;
    color.setAlphaF(static_cast<float>(idleTintOpacity));
    return color;
}

double Taskbar::menuImageOpacity() const { return menuPressed_ ? pressedOpacity : 1.0; }

std::vector<TaskbarButton*> Taskbar::buttonsIn(QWidget* rowWidget) const {
    std::vector<TaskbarButton*> result;
    auto* layout = rowWidget->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (auto* slot = dynamic_cast<Slot*>(layout->itemAt(i)->widget())) result.push_back(slot->button());
    return result;
}

std::vector<TaskbarButton*> Taskbar::pinnedButtons() const { return buttonsIn(pinnedRow_); }
std::vector<TaskbarButton*> Taskbar::otherButtons() const { return buttonsIn(otherRow_); }

}  // namespace Velmora
