#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <memory>
#include <optional>

namespace platform::xdg {
class DesktopColorScheme;
}

namespace platform::qt {

enum class ColorScheme { light, dark };

// The system's accent colour and light or dark appearance. The appearance is the desktop's
// preference when the program follows one (the application palette then takes that scheme's
// colours, so that texts stay readable), else the application palette's (Qt 6.4 has no
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
    void desktopChanged();
    // Sets a palette of the desktop's scheme where the program's own is of the other; true when
    // it changed the palette.
    bool applyDesktopPalette();
    void setPalette(const QPalette& palette);
    static bool isDark(const QPalette& palette);
    static QPalette schemePalette(bool dark, const QPalette& own);

    std::optional<ColorScheme> schemeOverride_;
    std::optional<QColor> accentOverride_;
    std::shared_ptr<xdg::DesktopColorScheme> desktop_;
    std::optional<QPalette> ownPalette_;
    bool desktopPaletteApplied_ = false;
    bool settingPalette_ = false;
};

}  // namespace platform::qt
