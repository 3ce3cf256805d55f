#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Velmora/tracking/Task.h"
#include "platform/base/UUID.h"

class QGridLayout;
class QVBoxLayout;

namespace Brindle {
class TouchableComponent;
}

namespace Velmora {

// A label that shows its text on one line, cut short with an ellipsis when it does not fit.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    const QString& fullText() const { return fullText_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString fullText_;
};

// One application in a grid: its icon (a chevron when it has none) above its title; a tap
// launches it.
class MainMenuAppCell : public QWidget {
    Q_OBJECT
public:
    static constexpr int cellHeight = 100;
    static constexpr int iconSize = 48;

    MainMenuAppCell(std::shared_ptr<Task> task, std::function<void(const std::shared_ptr<Task>&)> onTap,
                    QWidget* parent = nullptr);

    const std::shared_ptr<Task>& task() const { return task_; }
    // Shows another task of the same identity.
    void setTask(std::shared_ptr<Task> task);
    Brindle::TouchableComponent* touchable() const { return touchable_; }
    QString title() const { return title_->fullText(); }
    // Whether the icon shown is the chevron standing in for a missing one.
    bool showsPlaceholderIcon() const { return !task_->icon; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void draw();

    std::shared_ptr<Task> task_;
    Brindle::TouchableComponent* touchable_ = nullptr;
    QLabel* icon_ = nullptr;
    ElidedLabel* title_ = nullptr;
};

// A titled or untitled run of application grids: one header and a four-column grid per group,
// each followed by a gap. Cells are kept by task identity from one list to the next.
class MainMenuAppSection : public QWidget {
    Q_OBJECT
public:
    static constexpr int columns = 4;
    static constexpr int minimumColumnWidth = 10;
    static constexpr int groupGap = 32;

    MainMenuAppSection(std::optional<std::string> title,
                       std::function<void(const std::shared_ptr<Task>&)> onTap, QWidget* parent = nullptr);

    void setTasks(const TaskList& tasks);

    // The header texts, in order.
    std::vector<std::string> keys() const;
    // The cells under one header, in order.
    std::vector<MainMenuAppCell*> cells(const std::string& key) const;
    // Every cell, in order.
    std::vector<MainMenuAppCell*> cells() const;

private:
    struct Group {
        QWidget* widget = nullptr;
        QLabel* header = nullptr;
        QGridLayout* grid = nullptr;
        std::vector<MainMenuAppCell*> cells;
    };

    Group& group(const std::string& key);

    std::optional<std::string> title_;
    std::function<void(const std::shared_ptr<Task>&)> onTap_;
    QVBoxLayout* layout_ = nullptr;
    std::vector<std::string> order_;
    std::map<std::string, Group> groups_;
    std::map<platform::UUID, MainMenuAppCell*> cells_;
};

}  // namespace Velmora
