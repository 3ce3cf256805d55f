#include "Velmora/shell/views/SettingsView.h"

#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "Velmora/settings/Bundle.h"
#include "Velmora/shell/views/ShellStyle.h"
#include "platform/base/Animation.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/Menu.h"
#include "platform/qt/Symbols.h"
#include "platform/system/DesktopSession.h"

namespace Velmora {
namespace {

using TextStyle = ShellStyle::TextStyle;

constexpr const char* productName = "Velmora";
constexpr const char* looksTitle = "Looks";
constexpr const char* behaviorTitle = "Behavior";
constexpr const char* showTitlesLabel = "Show titles (if enough space is available)";
constexpr const char* shortcutTitle = "Main menu keyboard shortcut.";
constexpr const char* shortcutExplanation =
    "The main menu can be shown by pressing the button below quickly.";
constexpr int gapHeight = 8;
constexpr int behaviorSpacerHeight = 16;
constexpr int checkboxSymbolFontSize = 20;

QFrame* makeDivider(QWidget* parent) {
    auto* divider = new QFrame(parent);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    return divider;
}

// A button that pops up its menu below itself (never a nested menu loop).
QPushButton* makeMenuButton(QMenu* menu, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    QObject::connect(button, &QPushButton::clicked, button, [button, menu = QPointer<QMenu>(menu)] {
        if (menu) platform::qt::popUpMenu(menu, button->mapToGlobal(QPoint(0, button->height())));
    });
    return button;
}

void showChoice(QPushButton* button, const std::string& text, const std::string& symbol) {
    button->setText(QString::fromStdString(text));
    button->setIcon(platform::qt::Symbols::icon(symbol));
}

}  // namespace

CheckboxStyle::CheckboxStyle(const QString& label, bool isOn, std::function<void(bool)> onFlip,
                             QWidget* parent)
    : QWidget(parent),
      isOn_(isOn),
      onFlip_(std::move(onFlip)),
      symbol_(new QLabel(this)),
      label_(new QLabel(label, this)) {
    symbol_->setFixedSize(symbolSide, symbolSide);
    QFont symbolFont = symbol_->font();
    symbolFont.setPixelSize(checkboxSymbolFontSize);
    symbol_->setFont(symbolFont);
    label_->setTextFormat(Qt::PlainText);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(symbol_, 0, Qt::AlignVCenter);
    row->addWidget(label_, 0, Qt::AlignVCenter);
    row->addStretch();
    connect(platform::qt::Appearance::shared(), &platform::qt::Appearance::changed, this,
            &CheckboxStyle::showSymbol);
    showSymbol();
}

void CheckboxStyle::setOn(bool on) {
    if (isOn_ == on) return;
    isOn_ = on;
    showSymbol();
}

std::string CheckboxStyle::symbolName() const { return isOn_ ? "checkmark.square" : "square"; }

QColor CheckboxStyle::symbolColor() const {
    if (!isOn_) return QColor(0x8e, 0x8e, 0x93);
    bool dark = platform::qt::Appearance::shared()->colorScheme() == platform::qt::ColorScheme::dark;
    return dark ? QColor(0x0a, 0x84, 0xff) : QColor(0x00, 0x7a, 0xff);
}

void CheckboxStyle::showSymbol() {
    symbol_->setPixmap(platform::qt::Symbols::pixmap(symbolName(), QSize(symbolSide, symbolSide),
                                                     symbolColor(), devicePixelRatioF()));
}

void CheckboxStyle::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void CheckboxStyle::mouseReleaseEvent(QMouseEvent* event) {
    bool tapped =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (!tapped) return;
    setOn(!isOn_);
    if (onFlip_) onFlip_(isOn_);
}

std::string SettingsView::versionText(const Bundle& bundle) {
    auto version = bundle.releaseVersionNumber();
    auto build = bundle.buildVersionNumber();
    return "Version " + version.value_or("?") + " [" + (build ? std::to_string(*build) : "?") + "]";
}

std::string SettingsView::text(TaskbarTheme theme) {
    switch (theme.value) {
        case TaskbarTheme::fullscreenLeft:
            return "Fullscreen – show icons to the left";
        case TaskbarTheme::fullscreenCenter:
            return "Fullscreen – show icons in center";
        case TaskbarTheme::centered:
            return "Centered";
    }
    return {};
}

std::string SettingsView::symbolName(TaskbarTheme theme) {
    switch (theme.value) {
        case TaskbarTheme::fullscreenLeft:
            return "chevron.left";
        case TaskbarTheme::fullscreenCenter:
            return "arrow.right.and.line.vertical.and.arrow.left";
        case TaskbarTheme::centered:
            return "rectangle.center.inset.filled";
    }
    return {};
}

std::string SettingsView::text(MainMenuActivationKeys key) {
    // A Linux keyboard labels the same keys Super and Alt; the stored values stay.
    const bool linuxNames = platform::DesktopSession::shared() != nullptr;
    switch (key) {
        case MainMenuActivationKeys::none:
            return "Disable shortcut";
        case MainMenuActivationKeys::fn:
            return "Fn-key";
        case MainMenuActivationKeys::control:
            return "Control-key";
        case MainMenuActivationKeys::options:
            return linuxNames ? "Alt-key" : "Options-key";
        case MainMenuActivationKeys::command:
            return linuxNames ? "Super-key" : "Command-key";
    }
    return {};
}

std::string SettingsView::symbolName(MainMenuActivationKeys key) {
    switch (key) {
        case MainMenuActivationKeys::none:
            return "square.slash";
        case MainMenuActivationKeys::fn:
            return "fn";
        case MainMenuActivationKeys::control:
            return "control";
        case MainMenuActivationKeys::options:
            return "option";
        case MainMenuActivationKeys::command:
            return "command";
    }
    return {};
}

SettingsView::SettingsView(std::shared_ptr<SettingsManager> settings, QWidget* parent)
    : QWidget(parent),
      settings_(settings ? std::move(settings) : SettingsManager::shared()),
      showTitlesChecked_(settings_->showTitle()),
      showOnRunningMonitorOnly_(settings_->showOnRunningMonitorOnly()) {
    setFixedSize(side, side);

    std::vector<platform::qt::MenuItem> layouts;
    for (TaskbarTheme theme : TaskbarTheme::allCases()) {
        layouts.push_back({text(theme), symbolName(theme), [settings = settings_, theme] {
                               platform::withAnimation([&] { settings->taskbarTheme.accept(theme); });
                           }});
    }
    layoutMenu_ = platform::qt::makeMenu(layouts, this);

    std::vector<platform::qt::MenuItem> shortcuts;
    for (MainMenuActivationKeys key : allMainMenuActivationKeys()) {
        shortcuts.push_back({text(key), symbolName(key),
                             [settings = settings_, key] { settings->setMainMenuKeyboardShortcut(key); }});
    }
    shortcutMenu_ = platform::qt::makeMenu(shortcuts, this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(padding, padding, padding, padding);
    auto* content = new QVBoxLayout();
    outer->addLayout(content);
    outer->addStretch();

    content->addWidget(ShellStyle::makeText(productName, TextStyle::largeTitle, this));
    versionLabel_ = ShellStyle::makeText(versionText(*Bundle::main()), TextStyle::caption, this);
    content->addWidget(versionLabel_);
    content->addSpacing(gapHeight);

    content->addWidget(makeDivider(this));
    content->addWidget(ShellStyle::makeText(looksTitle, TextStyle::title, this));
    layoutButton_ = makeMenuButton(layoutMenu_, this);
    content->addWidget(layoutButton_, 0, Qt::AlignLeft);

    content->addWidget(makeDivider(this));
    content->addWidget(ShellStyle::makeText(behaviorTitle, TextStyle::title, this));
    titlesCheckbox_ = new CheckboxStyle(showTitlesLabel, showTitlesChecked_, [this](bool on) {
        showTitlesChecked_ = on;
        pushStates();
    });
    content->addWidget(titlesCheckbox_);
    content->addSpacing(behaviorSpacerHeight);
    content->addWidget(ShellStyle::makeText(shortcutTitle, TextStyle::title3, this));
    content->addWidget(ShellStyle::makeText(shortcutExplanation, TextStyle::caption, this));
    shortcutButton_ = makeMenuButton(shortcutMenu_, this);
    content->addWidget(shortcutButton_, 0, Qt::AlignLeft);

    // Published values announce themselves before they are stored: use the value handed over.
    // A change made elsewhere (another settings window) becomes this view's state too, or the
    // two windows would keep writing their own values back over each other's.
    disposeBag_.insert(settings_->showTitlePublisher().subscribe([this](bool value) {
        if (value == showTitlesChecked_) return;
        showTitlesChecked_ = value;
        titlesCheckbox_->setOn(value);
    }));
    disposeBag_.insert(settings_->showOnRunningMonitorOnlyPublisher().subscribe(
        [this](bool value) { showOnRunningMonitorOnly_ = value; }));
    disposeBag_.insert(settings_->mainMenuKeyboardShortcutPublisher().subscribe(
        [this](MainMenuActivationKeys key) { showShortcut(key); }));
    disposeBag_.insert(settings_->taskbarTheme.subscribe([this](TaskbarTheme theme) { showLayout(theme); }));
}

SettingsView::~SettingsView() = default;

void SettingsView::pushStates() {
    if (settings_->showTitle() != showTitlesChecked_) settings_->setShowTitle(showTitlesChecked_);
    if (settings_->showOnRunningMonitorOnly() != showOnRunningMonitorOnly_)
        settings_->setShowOnRunningMonitorOnly(showOnRunningMonitorOnly_);
}

void SettingsView::showLayout(TaskbarTheme theme) {
    showChoice(layoutButton_, text(theme), symbolName(theme));
}

void SettingsView::showShortcut(MainMenuActivationKeys key) {
    showChoice(shortcutButton_, text(key), symbolName(key));
}

}  // namespace Velmora
