#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/settings/TaskbarTheme.h"
#include "Velmora/settings/UpdateManager.h"
#include "Velmora/taskbar/ButtonRowFit.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/qt/Spring.h"
#include "rx/Disposable.h"

class QHBoxLayout;
class QSpacerItem;

namespace Brindle {
class TouchableComponent;
}

namespace Velmora {

class ClockView;
class TaskbarButton;
class TaskbarThemeComponent;
class Theme;

// The content of one bar window: the main-menu button, the pinned and the other applications'
// buttons between separators, and the clock, laid out after the bar's layout setting. It slides
// below the window while its model hides the bar, and every time it appears it starts the scan of
// installed applications and the update check. Built once, updated in place. Main thread only.
class Taskbar : public QWidget {
    Q_OBJECT
public:
    Taskbar(std::shared_ptr<ApplicationManager> manager, std::shared_ptr<SettingsManager> settings,
            std::shared_ptr<TimeManager> time, Theme* theme, std::shared_ptr<TaskbarViewModel> viewModel,
            std::shared_ptr<UpdateManager> updates = UpdateManager::shared(), QWidget* parent = nullptr);
    ~Taskbar() override;

    static constexpr double menuButtonSize = 32.0;
    static constexpr double menuButtonLeadingPadding = 8.0;
    static constexpr double pressedOpacity = 0.5;
    static constexpr double idleTintOpacity = 0.5;
    static constexpr double contentLeadingPadding = 8.0;
    static constexpr double contentTrailingPadding = 16.0;
    static constexpr double buttonWidth = 48.0;
    static constexpr double titledButtonMaximumWidth = 180.0;
    static constexpr double separatorWidth = 2.0;
    static constexpr double separatorFrameWidth = 4.0;
    static constexpr double separatorPadding = 6.0;
    static constexpr double separatorOpacity = 0.2;
    // The spring the bar slides in and out with: quick, with a slight overshoot.
    static constexpr platform::qt::Spring slideSpring{0.15, 0.85};
    static QColor accentBlue();

    const std::shared_ptr<TaskbarViewModel>& viewModel() const { return viewModel_; }
    bool showingMainMenu() const { return showingMainMenu_; }
    // What the body is drawn with now.
    TaskbarThemeSettings themeSettings() const { return themeSettings_; }
    // How far the body is moved down now.
    double shownOffset() const { return offset_; }

    QWidget* body() const { return body_; }
    Brindle::TouchableComponent* menuButton() const { return menuButton_; }
    QColor menuTint() const;
    double menuImageOpacity() const;
    QWidget* firstSeparator() const { return separator1_; }
    QWidget* secondSeparator() const { return separator2_; }
    QWidget* buttonRow() const { return buttonRow_; }
    ClockView* clock() const { return clock_; }
    std::vector<TaskbarButton*> pinnedButtons() const;
    std::vector<TaskbarButton*> otherButtons() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Slot;

    void bind(const std::shared_ptr<TaskbarViewModel>& model);
    void apply(const TaskbarThemeSettings& settings);
    void setTasks(const TaskbarButtons& tasks);
    void regroup();
    // The room the bar leaves its buttons, with or without each group.
    int spaceForButtons(bool anyPinned, bool anyOthers) const;
    // The sizes that fit these groups' buttons into that room.
    ButtonRowFit fit(std::size_t pinned, std::size_t others) const;
    // Lays the buttons out again when the room for them has changed their sizes.
    void refit();
    void settleLayout();
    void setShow(bool show);
    void placeBody();
    void buttonRowResized();
    void setMouseInfo(bool pressed, bool highlighted);
    std::vector<TaskbarButton*> buttonsIn(QWidget* row) const;

    const std::shared_ptr<ApplicationManager> manager_;
    const std::shared_ptr<SettingsManager> settings_;
    const std::shared_ptr<TimeManager> time_;
    Theme* const theme_;
    const std::shared_ptr<TaskbarViewModel> viewModel_;
    const std::shared_ptr<UpdateManager> updates_;

    bool showingMainMenu_ = false;
    bool menuPressed_ = false;
    bool menuHighlighted_ = false;
    TaskbarThemeSettings themeSettings_;
    double offset_ = 0.0;
    TaskbarButtons tasks_;
    // Where a dragged button would go, within each group.
    std::optional<std::int64_t> dropIndex_;
    QSize reportedRowSize_;
    int fullSpacing_ = 0;
    ButtonRowFit fit_;

    TaskbarThemeComponent* themeComponent_ = nullptr;
    QWidget* root_ = nullptr;
    QWidget* body_ = nullptr;
    QHBoxLayout* contentLayout_ = nullptr;
    QSpacerItem* leadingSpacer_ = nullptr;
    QSpacerItem* clockSpacer_ = nullptr;
    QWidget* buttonRow_ = nullptr;
    QWidget* menuHolder_ = nullptr;
    Brindle::TouchableComponent* menuButton_ = nullptr;
    QWidget* menuImage_ = nullptr;
    QWidget* separator1_ = nullptr;
    QWidget* separator2_ = nullptr;
    QWidget* pinnedRow_ = nullptr;
    QWidget* otherRow_ = nullptr;
    ClockView* clock_ = nullptr;
    // By button model: two models of one application each get their own button.
    std::map<const TaskbarButtonViewModel*, Slot*> slots_;
    rx::DisposeBag disposeBag_;
};

}  // namespace Velmora
