#include "Velmora/taskbar/views/TaskbarButton.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "Brindle/RxHelpers.h"
#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/taskbar/views/AppIconVisualiser.h"
#include "Velmora/taskbar/views/Theme.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/Menu.h"
#include "platform/qt/QtAnimation.h"
#include "ui-toolkit/core/widgets/ReactiveComponent.h"

namespace Velmora {
namespace {

// The mark's grey behind a running application, by appearance.
const QColor darkRunningGrey = QColor::fromRgbF(0.26274511f, 0.26274508f, 0.26274508f);
const QColor lightRunningGrey = QColor::fromRgbF(0.85490197f, 0.85490197f, 0.85490197f);

constexpr const char* pinSymbol = "pin";
constexpr const char* unpinnedSymbol = "pin.slash";
constexpr const char* quitSymbol = "pip.exit";

const QString maxWidthKey = QStringLiteral("maxWidth");
const QString alphaKey = QStringLiteral("alpha");
const QString markKey = QStringLiteral("mark");

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

// The mark drawn into a picture of its own, or none when the scale is not a whole number.
QImage drawnMark(QSize size, const QColor& color, double opacity, qreal ratio) {
    QImage mark(size * static_cast<int>(ratio), QImage::Format_ARGB32_Premultiplied);
    mark.setDevicePixelRatio(ratio);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), TaskbarButton::cornerRadius,
                            TaskbarButton::cornerRadius);
    return mark;
}

// The last few marks drawn, shared by all buttons: the buttons of a bar mostly look alike, and
// filling an antialiased rounded rectangle for each of them on every frame of an animation cost
// more than the rest of their painting. Copying the pixels gives the same picture.
const QImage& cachedMark(QSize size, const QColor& color, double opacity, qreal ratio) {
    struct Entry {
        QSize size;
        QRgba64 color;
        double opacity;
        qreal ratio;
        QImage mark;
    };
    static std::vector<Entry> recent;
    constexpr std::size_t kept = 8;
    auto rgba = color.rgba64();
    auto found = std::find_if(recent.begin(), recent.end(), [&](const Entry& entry) {
        return entry.size == size && entry.color == rgba && entry.opacity == opacity && entry.ratio == ratio;
    });
    if (found == recent.end()) {
        if (recent.size() == kept) recent.pop_back();
        recent.insert(recent.begin(), {size, rgba, opacity, ratio, drawnMark(size, color, opacity, ratio)});
    } else if (found != recent.begin()) {
        std::rotate(recent.begin(), found, found + 1);
    }
    return recent.front().mark;
}

// The mark behind the face, a rounded rectangle in the button's mark colour.
class ButtonFace : public QWidget {
public:
    explicit ButtonFace(const TaskbarButton* button) : button_(button) {}

protected:
    void paintEvent(QPaintEvent*) override {
        auto opacity = Brindle::paintedOpacity(this);
        auto color = button_->markColor();
        // The faint mark rounds to no colour at all.
        if (opacity * color.alphaF() * 255 < 0.5 || size().isEmpty()) return;
        QPainter painter(this);
        qreal ratio = devicePixelRatioF();
        if (ratio == std::floor(ratio)) {
            // Buttons differ in width: a wider mark is its two rounded ends and copies of a piece
            // of its inside, all cut from one picture as wide as the ends and that piece.
            constexpr int end = static_cast<int>(TaskbarButton::cornerRadius + 0.999);
            constexpr int inside = 64;
            int templateWidth = 2 * end + inside;
            if (width() <= templateWidth) {
                painter.drawImage(QPointF(0, 0), cachedMark(size(), color, opacity, ratio));
                return;
            }
            const QImage& mark = cachedMark(QSize(templateWidth, height()), color, opacity, ratio);
            auto scale = static_cast<int>(ratio);
            auto copy = [&](int x, int columns, int from) {
                painter.drawImage(QPointF(x, 0), mark,
                                  QRect(from * scale, 0, columns * scale, height() * scale));
            };
            copy(0, end, 0);
            for (int x = end; x < width() - end; x += inside)
                copy(x, std::min(inside, width() - end - x), end);
            copy(width() - end, end, end + inside);
            return;
        }
        painter.setOpacity(opacity);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(rect()), TaskbarButton::cornerRadius, TaskbarButton::cornerRadius);
    }

private:
    const TaskbarButton* button_;
};

// The face of an application with several windows: a press opens the list of its windows.
class WindowMenuButton : public QWidget {
public:
    WindowMenuButton(QWidget* label, QMenu* menu) : menu_(menu) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(label);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
        platform::qt::popUpMenu(menu_, mapToGlobal(QPoint(0, height())));
    }

private:
    QMenu* menu_;
};

}  // namespace

TaskbarButton::TaskbarButton(std::shared_ptr<TaskbarViewModel> taskbarViewModel,
                             std::shared_ptr<TaskbarButtonViewModel> viewModel, bool showTitles,
                             QWidget* parent)
    : QWidget(parent),
      taskbarViewModel_(taskbarViewModel),
      viewModel_(std::move(viewModel)),
      showTitles_(showTitles) {
    markColor_ = targetMarkColor();

    face_ = new ButtonFace(this);
    auto* faceLayout = new QHBoxLayout(face_);
    faceLayout->setSpacing(0);
    buildFace(viewModel_->listsWindows.value());

    Brindle::TouchableComponent::Options options;
    options.style = Brindle::TouchableComponent::Style::vibrant;
    options.pressStyle = Brindle::TouchableComponent::PressStyle::fade;
    options.inScrollView = true;
    options.padding = Brindle::TouchableComponent::Padding::none();
    options.highlight = true;
    options.alpha = 1.0;
    options.cornerRadius = cornerRadius;
    options.onTap = [this] { viewModel_->click(); };
    touchable_ = new Brindle::TouchableComponent(options, face_, this);
    // The touchable is the button's own child, padded above and below by a layout that no widget
    // holds, and the component that follows the model while the button is shown takes no space: a
    // frame then walks two widgets fewer per button.
    inside_ = std::make_unique<QVBoxLayout>();
    inside_->setContentsMargins(0, static_cast<int>(verticalPadding), 0, static_cast<int>(verticalPadding));
    inside_->addWidget(touchable_);
    component_ = new brindle_core::ReactiveComponent<TaskbarButtonViewModel>(
        viewModel_, [this](const std::shared_ptr<TaskbarButtonViewModel>& model) { bind(model); }, nullptr,
        this);
    component_->setGeometry(0, 0, 0, 0);

    contextMenu_ = platform::qt::makeMenu(
        {
            {.title = unpinTitle, .symbolName = pinSymbol, .action = [this] { viewModel_->unpin(); }},
            {.title = pinTitle, .symbolName = unpinnedSymbol, .action = [this] { viewModel_->pin(); }},
            platform::qt::MenuItem::divider(),
            {.title = forceQuitTitle,
             .symbolName = quitSymbol,
             .action = [this] { viewModel_->forceQuit(); },
             .role = platform::qt::MenuItem::Role::destructive},
            {.title = quitTitle,
             .symbolName = quitSymbol,
             .action = [this] { viewModel_->quit(); },
             .role = platform::qt::MenuItem::Role::destructive},
        },
        this);
    followPointerAfter(contextMenu_);
    auto actions = contextMenu_->actions();
    unpinAction_ = actions.at(0);
    pinAction_ = actions.at(1);
    forceQuitAction_ = actions.at(3);
    quitAction_ = actions.at(4);
    updateContextMenu();

    applyOpacity(alpha_);
    applyMaxWidth(*maxWidth_);

    auto manager = taskbarViewModel ? taskbarViewModel->applicationManager() : ApplicationManager::shared();
    Brindle::subscribeNext(manager->lastClicked.asObservable(), false,
                           [guard = QPointer<TaskbarButton>(this)](const std::shared_ptr<Task>& task) {
                               if (!guard) return;
                               // Told before the manager stores it: the value given is the new one.
                               guard->setLastClicked(task && task->processIdentifier ==
                                                                 guard->viewModel_->task->processIdentifier);
                           })
        .disposed(disposeBag_);
    connect(Theme::shared(), &Theme::colorSchemeChanged, this, &TaskbarButton::updateMark);
    connect(platform::qt::Appearance::shared(), &platform::qt::Appearance::changed, this,
            &TaskbarButton::updateMark);
}

TaskbarButton::~TaskbarButton() = default;

void TaskbarButton::buildFace(bool listsWindows) {
    auto* layout = face_->layout();
    if (QWidget* old = windowMenuButton_ ? windowMenuButton_ : iconView_) {
        layout->removeWidget(old);
        old->hide();
        // The list's own item may be what led here.
        old->deleteLater();
    }
    windowMenuButton_ = nullptr;
    iconView_ = new AppIconVisualiser(viewModel_->task, !listsWindows, isPinned_, showTitles_, badge_);
    if (!listsWindows) {
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(iconView_);
        return;
    }
    if (!windowMenu_) {
        windowMenu_ = new QMenu(this);
        // The windows of the button's latest task record, whenever the list opens.
        auto fillWindowMenu = [this] {
            windowMenu_->clear();
            for (const auto& window : viewModel_->task->visibleWindows()) {
                platform::qt::addMenuItem(
                    windowMenu_, {.title = window->title, .symbolName = {}, .action = [this, window] {
                                      viewModel_->chooseWindow(window);
                                  }});
            }
        };
        fillWindowMenu();
        connect(windowMenu_, &QMenu::aboutToShow, this, fillWindowMenu);
        followPointerAfter(windowMenu_);
    }
    windowMenuButton_ = new WindowMenuButton(iconView_, windowMenu_);
    auto side = static_cast<int>(windowMenuSidePadding);
    layout->setContentsMargins(side, 0, side, 0);
    layout->addWidget(windowMenuButton_);
}

void TaskbarButton::followPointerAfter(QMenu* menu) {
    // While a pop-up holds the pointer the display tells the button of no leave, and the pointer
    // may be anywhere when it goes: the hover is taken from where the pointer is then, after Qt
    // has sent what it sends when the pop-up goes.
    connect(menu, &QMenu::aboutToHide, this, [this] {
        QMetaObject::invokeMethod(touchable_, &Brindle::TouchableComponent::followPointer,
                                  Qt::QueuedConnection);
    });
}

void TaskbarButton::setListsWindows(bool value) {
    if (value == (windowMenuButton_ != nullptr)) return;
    buildFace(value);
}

void TaskbarButton::setShowTitles(bool showTitles) {
    showTitles_ = showTitles;
    iconView_->setShowTitles(showTitles);
}

std::optional<double> TaskbarButton::shownMaxWidth() const {
    if (maximumWidth() == QWIDGETSIZE_MAX) return std::nullopt;
    return shownWidthLimit_;
}

void TaskbarButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The binding has run by now: children are shown first.
    if (!event->spontaneous()) viewModel_->onAppearedCalled.accept(true);
}

void TaskbarButton::contextMenuEvent(QContextMenuEvent* event) {
    platform::qt::popUpMenu(contextMenu_, event->globalPos());
}

void TaskbarButton::bind(const std::shared_ptr<TaskbarButtonViewModel>& model) {
    QPointer<TaskbarButton> guard(this);
    // Each into the model's bag that empties when the button leaves the screen.
    auto follow = [&](const auto& relay, auto set) {
        using Value = std::decay_t<decltype(relay.value())>;
        brindle_core::disposed(Brindle::subscribeNext(relay.distinctUntilChanged(), true,
                                                      [guard, set](const Value& value) {
                                                          if (guard) (guard.data()->*set)(value);
                                                      }),
                               *model, false);
    };
    follow(model->maxWidth, &TaskbarButton::setMaxWidth);
    follow(model->alpha, &TaskbarButton::setAlpha);
    follow(model->isActiveRelay, &TaskbarButton::setActive);
    follow(model->isRunning, &TaskbarButton::setRunning);
    follow(model->isPinned, &TaskbarButton::setPinned);
    follow(model->badge, &TaskbarButton::setBadge);
    follow(model->listsWindows, &TaskbarButton::setListsWindows);
}

QSize TaskbarButton::sizeHint() const { return inside_->sizeHint(); }

QSize TaskbarButton::minimumSizeHint() const { return inside_->minimumSize(); }

bool TaskbarButton::event(QEvent* event) {
    // The content asks for another size: so does the button.
    if (event->type() == QEvent::LayoutRequest) {
        inside_->invalidate();
        updateGeometry();
        placeContent();
    }
    return QWidget::event(event);
}

void TaskbarButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeContent();
}

void TaskbarButton::placeContent() {
    // Alone in a window the button grows to what its inside needs, as a window's layout would.
    if (isWindow()) {
        auto least = minimumSizeHint().boundedTo(maximumSize());
        if (width() < least.width() || height() < least.height()) return resize(size().expandedTo(least));
    }
    inside_->setGeometry(
        QRect(0, 0, std::max(width(), static_cast<int>(std::ceil(contentWidth_))), height()));
}

void TaskbarButton::setMaxWidth(std::optional<double> value) {
    maxWidth_ = value;
    // No limit: widen to the natural width, then let go.
    double target = value ? *value : std::max<double>(sizeHint().width(), width());
    double from = maximumWidth() == QWIDGETSIZE_MAX ? width() : shownWidthLimit_;
    // While the edge moves the inside keeps the widest width of the way: each frame then moves the
    // edge and what follows the button, without laying out the inside again.
    contentWidth_ = std::max({from, target, static_cast<double>(width())});
    placeContent();
    platform::qt::animateChange(this, maxWidthKey, from, target,
                                [this, target, unlimited = !value](const QVariant& step) {
                                    applyMaxWidth(step.toDouble());
                                    if (step.toDouble() != target) return;
                                    if (unlimited) setMaximumWidth(QWIDGETSIZE_MAX);
                                    contentWidth_ = 0;
                                    placeContent();
                                });
}

void TaskbarButton::setAlpha(double value) {
    alpha_ = value;
    platform::qt::animateChange(this, alphaKey, shownOpacity_, value,
                                [this](const QVariant& step) { applyOpacity(step.toDouble()); });
}

void TaskbarButton::setActive(bool value) {
    isActive_ = value;
    updateMark();
}

void TaskbarButton::setRunning(bool value) {
    isRunning_ = value;
    updateMark();
    updateContextMenu();
}

void TaskbarButton::setPinned(bool value) {
    isPinned_ = value;
    iconView_->setPinned(value);
    updateContextMenu();
}

void TaskbarButton::setBadge(const std::optional<std::string>& value) {
    badge_ = value;
    iconView_->setBadge(value);
}

void TaskbarButton::setLastClicked(bool value) {
    if (value == lastClicked_) return;
    lastClicked_ = value;
    updateMark();
}

void TaskbarButton::applyMaxWidth(double limit) {
    shownWidthLimit_ = limit;
    setMaximumWidth(static_cast<int>(std::lround(std::max(limit, 0.0))));
}

void TaskbarButton::applyOpacity(double opacity) {
    shownOpacity_ = opacity;
    // Each part draws itself faded: no offscreen render of the button per frame.
    Brindle::setPaintedOpacity(this, opacity);
}

QColor TaskbarButton::targetMarkColor() const {
    auto accent = platform::qt::Appearance::shared()->accentColor();
    if (isActive_ || lastClicked_) return accent;
    if (isRunning_) {
        bool dark = Theme::shared()->colorScheme() == platform::qt::ColorScheme::dark;
        return withOpacity(dark ? darkRunningGrey : lightRunningGrey, runningMarkOpacity);
    }
    return withOpacity(accent, faintOpacity);
}

void TaskbarButton::updateMark() {
    platform::qt::animateChange(this, markKey, markColor_, targetMarkColor(), [this](const QVariant& step) {
        markColor_ = step.value<QColor>();
        face_->update();
    });
}

void TaskbarButton::updateContextMenu() {
    unpinAction_->setVisible(isPinned_);
    pinAction_->setVisible(!isPinned_);
    forceQuitAction_->setVisible(isRunning_);
    quitAction_->setVisible(isRunning_);
}

}  // namespace Velmora
