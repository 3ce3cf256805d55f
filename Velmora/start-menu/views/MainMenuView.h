#pragma once

#include <QSize>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/start-menu/views/MainMenuItem.h"
#include "rx/Disposable.h"

class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace brindle_ui {
class TamberScrollView;
}

namespace Velmora {

class DoubleClickGuard;
class MainMenuAppSection;
class MainMenuBackground;

// The start menu's content: a sidebar of folder, option, terminal, system-settings and power
// rows on the left (scrolling when the menu is shorter than they are), and on the right a
// scrolling column with the search field, the search result, the recommended and the installed
// applications. Built once; the model's changes update it in place. Each appearance rescans the
// installed applications. Main thread only.
class MainMenuView : public QWidget {
    Q_OBJECT
public:
    static constexpr int frameWidth = 800;
    static constexpr int frameHeight = 640;

    explicit MainMenuView(std::shared_ptr<MainMenuViewModel> model, QWidget* parent = nullptr);
    ~MainMenuView() override;

    const std::shared_ptr<MainMenuViewModel>& model() const { return model_; }

    // The sidebar rows that are not hidden, top to bottom.
    std::vector<MainMenuItem*> rows() const;
    // The row with that title, hidden or not; none when there is no such row.
    MainMenuItem* row(const std::string& title) const;
    QLineEdit* searchField() const { return searchField_; }
    MainMenuAppSection* searchSection() const { return searchSection_; }
    MainMenuAppSection* recommendedSection() const { return recommendedSection_; }
    MainMenuAppSection* installedSection() const { return installedSection_; }
    brindle_ui::TamberScrollView* scrollView() const { return scrollView_; }
    QScrollArea* sidebarScrollView() const { return sidebarScroll_; }

    QSize sizeHint() const override { return {frameWidth, frameHeight}; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* makeSidebar();
    QWidget* makeAppLists();
    MainMenuItem* addRow(QVBoxLayout* layout, MainMenuItem::Spec spec);
    QWidget* rowAt(QPoint global) const;
    // Rows that depend on what is installed.
    void updateApplicationRows();
    void sectionToggled(QWidget* lastRow, bool shown);
    void bind();
    void drawSearchIcon();

    std::shared_ptr<MainMenuViewModel> model_;
    rx::DisposeBag disposeBag_;
    std::vector<MainMenuItem*> rows_;
    std::vector<MainMenuItem*> tamberOptionRows_;
    std::vector<MainMenuItem*> powerOptionRows_;
    MainMenuItem* tamberRow_ = nullptr;
    MainMenuItem* powerRow_ = nullptr;
    MainMenuItem* terminalRow_ = nullptr;
    MainMenuItem* systemSettingsRow_ = nullptr;
    std::shared_ptr<Task> terminal_;
    std::shared_ptr<Task> systemSettings_;
    DoubleClickGuard* doubleClickGuard_ = nullptr;
    QScrollArea* sidebarScroll_ = nullptr;
    MainMenuBackground* background_ = nullptr;
    brindle_ui::TamberScrollView* scrollView_ = nullptr;
    QLabel* searchIcon_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    MainMenuAppSection* searchSection_ = nullptr;
    MainMenuAppSection* recommendedSection_ = nullptr;
    MainMenuAppSection* installedSection_ = nullptr;
};

}  // namespace Velmora
