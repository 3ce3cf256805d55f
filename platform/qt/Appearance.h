#pragma once

#include <QColor>
#include <QObject>
#include <memory>
#include <optional>

namespace platform::xdg {
class DesktopColorScheme;
}

namespace platform::qt {

enum class ColorScheme { light, dark };

// The system's accent colour and light or dark appearance. The appearance is the desktop's
// preference when the program follows one, else the application palette's (Qt 6.4 has no
// colour-scheme query). Tests override both. Main thread only.
class Appearance final : public QObject {
    Q_OBJECT
public:
    static Appearance* shared();

    ColorScheme colorScheme() const;
    QColor accentColor() const;

    // Absent values return to the palette's.
    void setColorSchemeOverride(std::optional<ColorScheme> scheme);
    void setAccentColorOverride(std::optional<QColor> color);
    // Follows the desktop's light or dark preference where it states one; null returns to the
    // palette alone.
    void followDesktop(std::shared_ptr<xdg::DesktopColorScheme> desktop);

signals:
    // The palette, the desktop's preference or an override changed.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Appearance();
    std::optional<ColorScheme> schemeOverride_;
    std::optional<QColor> accentOverride_;
    std::shared_ptr<xdg::DesktopColorScheme> desktop_;
};

}  // namespace platform::qt
