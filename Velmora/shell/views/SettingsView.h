#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/settings/TaskbarTheme.h"
#include "rx/Disposable.h"

class QLabel;
class QMenu;
class QPushButton;

namespace Velmora {

class Bundle;

// A toggle drawn as a check square, blue when on and gray when off, followed by its label. One
// click on the square or on the label flips it. Main thread only.
class CheckboxStyle : public QWidget {
    Q_OBJECT
public:
    static constexpr int symbolSide = 24;

    // `onFlip` receives the new value after a click.
    CheckboxStyle(const QString& label, bool isOn, std::function<void(bool)> onFlip,
                  QWidget* parent = nullptr);

    bool isOn() const { return isOn_; }
    // Shows the value without calling `onFlip`.
    void setOn(bool on);
    // "checkmark.square" or "square".
    std::string symbolName() const;
    QColor symbolColor() const;
    QLabel* symbolView() const { return symbol_; }
    QLabel* label() const { return label_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showSymbol();

    bool isOn_;
    bool pressed_ = false;
    std::function<void(bool)> onFlip_;
    QLabel* symbol_;
    QLabel* label_;
};

// The settings window's content, 400 by 400: the product name and version, the bar's layout, the
// titles checkbox and the main-menu shortcut. Every choice goes straight into the settings. Main
// thread only.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int side = 400;
    static constexpr int padding = 16;

    // The shared settings unless given.
    explicit SettingsView(std::shared_ptr<SettingsManager> settings = nullptr, QWidget* parent = nullptr);
    ~SettingsView() override;

    // "Version 1.4 [27]"; a missing value reads "?".
    static std::string versionText(const Bundle& bundle);
    static std::string text(TaskbarTheme theme);
    static std::string symbolName(TaskbarTheme theme);
    // By the keyboard's names: Linux ones on a Linux desktop session.
    static std::string text(MainMenuActivationKeys key);
    static std::string symbolName(MainMenuActivationKeys key);

    QSize sizeHint() const override { return {side, side}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

    const std::shared_ptr<SettingsManager>& settings() const { return settings_; }
    // The view's own states, taken from the settings when the view was made.
    bool showTitlesChecked() const { return showTitlesChecked_; }
    bool showOnRunningMonitorOnly() const { return showOnRunningMonitorOnly_; }

    QLabel* versionLabel() const { return versionLabel_; }
    QPushButton* layoutButton() const { return layoutButton_; }
    QMenu* layoutMenu() const { return layoutMenu_; }
    CheckboxStyle* titlesCheckbox() const { return titlesCheckbox_; }
    QPushButton* shortcutButton() const { return shortcutButton_; }
    QMenu* shortcutMenu() const { return shortcutMenu_; }

private:
    // Brings the view's states into the settings where they differ.
    void pushStates();
    void showLayout(TaskbarTheme theme);
    void showShortcut(MainMenuActivationKeys key);

    const std::shared_ptr<SettingsManager> settings_;
    bool showTitlesChecked_;
    bool showOnRunningMonitorOnly_;

    QLabel* versionLabel_ = nullptr;
    QPushButton* layoutButton_ = nullptr;
    QMenu* layoutMenu_ = nullptr;
    CheckboxStyle* titlesCheckbox_ = nullptr;
    QPushButton* shortcutButton_ = nullptr;
    QMenu* shortcutMenu_ = nullptr;
    rx::DisposeBag disposeBag_;
};

}  // namespace Velmora
