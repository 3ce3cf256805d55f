#pragma once

#include <QColor>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "Velmora/taskbar/TaskbarButtonViewModel.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "rx/Disposable.h"

class QAction;
class QMenu;
class QVBoxLayout;

namespace Brindle {
class TouchableComponent;
}

namespace Velmora {

class AppIconVisualiser;

// One button on a bar: the application's face, a mark behind it for an active or running
// application, and its actions: a click brings the application forward or launches it, two or
// more visible windows make the face a drop-down of those windows, and a secondary click offers
// pinning and quitting. It follows its model's relays while shown, fading in and widening when it
// first appears and fading out and collapsing when the model closes. Built once, updated in place.
// Main thread only.
class TaskbarButton : public QWidget {
    Q_OBJECT
public:
    TaskbarButton(std::shared_ptr<TaskbarViewModel> taskbarViewModel,
                  std::shared_ptr<TaskbarButtonViewModel> viewModel, bool showTitles,
                  QWidget* parent = nullptr);
    ~TaskbarButton() override;

    const std::shared_ptr<TaskbarButtonViewModel>& viewModel() const { return viewModel_; }
    std::shared_ptr<TaskbarViewModel> taskbarViewModel() const { return taskbarViewModel_.lock(); }
    bool showTitles() const { return showTitles_; }
    void setShowTitles(bool showTitles);

    // The model's relays as last followed.
    std::optional<double> maxWidthLimit() const { return maxWidth_; }
    double alpha() const { return alpha_; }
    bool isActive() const { return isActive_; }
    bool isRunning() const { return isRunning_; }
    bool isPinned() const { return isPinned_; }
    const std::optional<std::string>& badge() const { return badge_; }
    // The application manager's last click was on this task's process.
    bool isLastClicked() const { return lastClicked_; }

    // What is drawn: the mark's colour and the opacity and width limit now reached.
    QColor markColor() const { return markColor_; }
    double shownOpacity() const { return shownOpacity_; }
    std::optional<double> shownMaxWidth() const;

    AppIconVisualiser* iconView() const { return iconView_; }
    Brindle::TouchableComponent* touchable() const { return touchable_; }
    // Absent unless the latest task record has two or more visible windows.
    QWidget* windowMenuButton() const { return windowMenuButton_; }
    QMenu* windowMenu() const { return windowMenu_; }
    // Built once; its items follow the pinned and running states.
    QMenu* contextMenu() const { return contextMenu_; }

    static constexpr double cornerRadius = 4.0;
    static constexpr double verticalPadding = 4.0;
    static constexpr double windowMenuSidePadding = 4.0;
    static constexpr double runningMarkOpacity = 0.5;
    // Nearly invisible, but still drawn.
    static constexpr double faintOpacity = 0.00001;
    static constexpr const char* unpinTitle = "Unpinn";
    static constexpr const char* pinTitle = "Pinn application";
    static constexpr const char* forceQuitTitle = "Force quit";
    static constexpr const char* quitTitle = "Quit";

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void bind(const std::shared_ptr<TaskbarButtonViewModel>& model);
    // The face: the icon alone, or the icon opening the list of windows.
    void buildFace(bool listsWindows);
    void setListsWindows(bool value);
    // The hover follows the pointer once the menu has gone.
    void followPointerAfter(QMenu* menu);
    void setMaxWidth(std::optional<double> value);
    void setAlpha(double value);
    void setActive(bool value);
    void setRunning(bool value);
    void setPinned(bool value);
    void setBadge(const std::optional<std::string>& value);
    void setLastClicked(bool value);
    void applyMaxWidth(double limit);
    void placeContent();
    void applyOpacity(double opacity);
    void updateMark();
    void updateContextMenu();
    QColor targetMarkColor() const;

    const std::weak_ptr<TaskbarViewModel> taskbarViewModel_;
    const std::shared_ptr<TaskbarButtonViewModel> viewModel_;
    bool showTitles_;

    std::optional<double> maxWidth_ = 0.0;
    double alpha_ = 0.0;
    bool isActive_ = false;
    bool isRunning_ = false;
    std::optional<std::string> badge_;
    bool isPinned_ = false;
    bool lastClicked_ = false;

    QColor markColor_;
    double shownOpacity_ = 0.0;
    double shownWidthLimit_ = 0.0;

    QWidget* component_ = nullptr;
    std::unique_ptr<QVBoxLayout> inside_;
    // The inside's width while a width animation runs; 0: the button's own.
    double contentWidth_ = 0;
    QWidget* face_ = nullptr;
    Brindle::TouchableComponent* touchable_ = nullptr;
    AppIconVisualiser* iconView_ = nullptr;
    QWidget* windowMenuButton_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* unpinAction_ = nullptr;
    QAction* pinAction_ = nullptr;
    QAction* forceQuitAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    rx::DisposeBag disposeBag_;
};

}  // namespace Velmora
