#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/settings/TaskbarTheme.h"
#include "rx/Disposable.h"

namespace Velmora {

// Hosts a view laid out after the bar's layout setting: hands the content the current layout's
// values at once and again whenever the setting changes to another layout. Main thread only.
class TaskbarThemeComponent : public QWidget {
    Q_OBJECT
public:
    // Applies a layout's values to the content, which it updates in place.
    using Content = std::function<void(const TaskbarThemeSettings&)>;

    // `content` becomes the component's only child, filling it; `apply` is called before this
    // returns.
    TaskbarThemeComponent(QWidget* content, Content apply,
                          std::shared_ptr<SettingsManager> settings = SettingsManager::shared(),
                          QWidget* parent = nullptr);

    TaskbarTheme theme() const { return theme_; }
    TaskbarThemeSettings themeSettings() const { return theme_.settings(); }
    QWidget* content() const { return content_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setTheme(TaskbarTheme theme);

    QWidget* content_;
    const Content apply_;
    const std::shared_ptr<SettingsManager> settings_;
    TaskbarTheme theme_;
    rx::DisposeBag disposeBag_;
    bool following_ = false;
};

}  // namespace Velmora
