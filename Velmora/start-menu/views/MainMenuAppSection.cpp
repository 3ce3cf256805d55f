#include "Velmora/start-menu/views/MainMenuAppSection.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <set>

#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "platform/qt/ImagePixmap.h"
#include "platform/qt/Symbols.h"

namespace Velmora {
namespace {
constexpr double cellCornerRadius = 4.0;
constexpr const char* missingIconSymbol = "chevron.down";
}  // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString& text) {
    fullText_ = text;
    setToolTip(text);
    elide();
}

QSize ElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide() { setText(fontMetrics().elidedText(fullText_, Qt::ElideRight, width())); }

MainMenuAppCell::MainMenuAppCell(std::shared_ptr<Task> task,
                                 std::function<void(const std::shared_ptr<Task>&)> onTap, QWidget* parent)
    : QWidget(parent), task_(std::move(task)) {
    auto* content = new QWidget();
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    icon_ = new QLabel();
    icon_->setFixedSize(iconSize, iconSize);
    icon_->setAlignment(Qt::AlignCenter);
    column->addWidget(icon_, 0, Qt::AlignHCenter);
    title_ = new ElidedLabel();
    title_->setAlignment(Qt::AlignCenter);
    column->addWidget(title_);

    Brindle::TouchableComponent::Options options;
    options.style = Brindle::TouchableComponent::Style::vibrant;
    options.pressStyle = Brindle::TouchableComponent::PressStyle::fade;
    options.inScrollView = true;
    options.padding = Brindle::TouchableComponent::Padding::standard();
    options.highlight = true;
    options.alpha = 1.0;
    options.cornerRadius = cellCornerRadius;
    // Through the cell, so that a cell showing a newer task of the same identity launches that.
    options.onTap = [this, onTap = std::move(onTap)] {
        // A copy: the tap may close the menu and so delete this cell.
        auto task = task_;
        if (onTap) onTap(task);
    };
    touchable_ = new Brindle::TouchableComponent(options, content);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(touchable_);
    setFixedHeight(cellHeight);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    draw();
}

void MainMenuAppCell::setTask(std::shared_ptr<Task> task) {
    if (task == task_) return;
    task_ = std::move(task);
    draw();
}

void MainMenuAppCell::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) draw();
}

void MainMenuAppCell::draw() {
    setObjectName(QString::fromStdString(task_->title));
    const auto ratio = devicePixelRatioF();
    if (task_->icon) {
        icon_->setPixmap(platform::qt::pixmap(*task_->icon, icon_->size(), ratio));
    } else {
        icon_->setPixmap(platform::qt::Symbols::pixmap(missingIconSymbol, icon_->size(),
                                                       palette().color(QPalette::WindowText), ratio));
    }
    title_->setFullText(QString::fromStdString(task_->title));
}

MainMenuAppSection::MainMenuAppSection(std::optional<std::string> title,
                                       std::function<void(const std::shared_ptr<Task>&)> onTap,
                                       QWidget* parent)
    : QWidget(parent), title_(std::move(title)), onTap_(std::move(onTap)) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
}

MainMenuAppSection::Group& MainMenuAppSection::group(const std::string& key) {
    auto [found, added] = groups_.try_emplace(key);
    auto& group = found->second;
    if (!added) return group;
    group.widget = new QWidget(this);
    auto* column = new QVBoxLayout(group.widget);
    column->setContentsMargins(0, 0, 0, 0);
    auto* headerRow = new QHBoxLayout();
    group.header = new QLabel(QString::fromStdString(key));
    auto font = group.header->font();
    font.setBold(true);
    group.header->setFont(font);
    headerRow->addWidget(group.header);
    headerRow->addStretch();
    column->addLayout(headerRow);
    group.grid = new QGridLayout();
    for (int index = 0; index < columns; ++index) {
        group.grid->setColumnStretch(index, 1);
        group.grid->setColumnMinimumWidth(index, minimumColumnWidth);
    }
    column->addLayout(group.grid);
    column->addSpacing(groupGap);
    return group;
}

void MainMenuAppSection::setTasks(const TaskList& tasks) {
    const auto groups = MainMenuViewModel::appSection(title_, tasks);

    std::map<platform::UUID, MainMenuAppCell*> kept;
    std::set<std::string> keys;
    order_.clear();
    for (const auto& [key, grouped] : groups) {
        auto& group = this->group(key);
        keys.insert(key);
        order_.push_back(key);
        while (auto* item = group.grid->takeAt(0)) delete item;
        group.cells.clear();
        int position = 0;
        for (const auto& task : grouped) {
            MainMenuAppCell* cell = nullptr;
            if (auto found = cells_.find(task->id); found != cells_.end()) {
                cell = found->second;
                cells_.erase(found);
                cell->setTask(task);
            } else {
                cell = new MainMenuAppCell(task, onTap_);
            }
            kept[task->id] = cell;
            group.grid->addWidget(cell, position / columns, position % columns);
            group.cells.push_back(cell);
            ++position;
        }
    }
    for (auto& [id, cell] : cells_) delete cell;
    cells_ = std::move(kept);

    for (auto it = groups_.begin(); it != groups_.end();) {
        if (keys.contains(it->first)) {
            ++it;
            continue;
        }
        delete it->second.widget;
        it = groups_.erase(it);
    }
    while (auto* item = layout_->takeAt(0)) delete item;
    for (const auto& key : order_) {
        auto& group = groups_.at(key);
        layout_->addWidget(group.widget);
        group.widget->show();
    }
}

std::vector<std::string> MainMenuAppSection::keys() const { return order_; }

std::vector<MainMenuAppCell*> MainMenuAppSection::cells(const std::string& key) const {
    auto found = groups_.find(key);
    return found == groups_.end() ? std::vector<MainMenuAppCell*>{} : found->second.cells;
}

std::vector<MainMenuAppCell*> MainMenuAppSection::cells() const {
    std::vector<MainMenuAppCell*> all;
    for (const auto& key : order_) {
        const auto& cells = groups_.at(key).cells;
        all.insert(all.end(), cells.begin(), cells.end());
    }
    return all;
}

}  // namespace Velmora
