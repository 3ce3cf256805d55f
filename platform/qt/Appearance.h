#pragma once

#include <QColor>
#include <QObject>
#include <optional>

namespace platform::qt {

enum class ColorScheme { light, dark };

// The system's accent colour and light or dark appearance, read from the application palette
// (Qt 6.4 has no colour-scheme query). Tests override both. Main thread only.
class Appearance final : public QObject {
    Q_OBJECT
public:
    static Appearance* shared();

    ColorScheme colorScheme() const;
    QColor accentColor() const;

    // Absent values return to the palette's.
    void setColorSchemeOverride(std::optional<ColorScheme> scheme);
    void setAccentColorOverride(std::optional<QColor> color);

signals:
    // The palette or an override changed.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Appearance();
    std::optional<ColorScheme> schemeOverride_;
    std::optional<QColor> accentOverride_;
};

}  // namespace platform::qt
