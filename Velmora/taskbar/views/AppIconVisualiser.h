#pragma once

#include <QPixmap>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "Velmora/tracking/Task.h"

class QHBoxLayout;

namespace Velmora {

// An application icon fitted into its frame, keeping its proportions.
class AppIconView : public QWidget {
    Q_OBJECT
public:
    AppIconView(std::optional<platform::Image> image, double maximumWidth, QWidget* parent = nullptr);

    const std::optional<platform::Image>& image() const { return image_; }
    QSize sizeHint() const override;
    // Where the picture is drawn, in this view's coordinates.
    QRect pictureRect() const;
    // What was last drawn: decoded once at the icon's full size for each screen scale (smaller frames
    // draw it scaled down), held by this view alone
    // and gone with it, so that the icons of applications that are gone leave no copies behind.
    const QPixmap& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const std::optional<platform::Image> image_;
    const double maximumWidth_;
    QPixmap picture_;
    QSize pictureSize_;
    qreal pictureScale_ = 0;
};

// One line of text cut with an ellipsis at the end when it does not fit.
class AppTitleLabel : public QWidget {
    Q_OBJECT
public:
    explicit AppTitleLabel(QString text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    // The text as it is drawn at the current width.
    QString displayedText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QString text_;
};

// A badge text on red: a disc of fixed size, or the text's own padded frame clipped to a circle
// (fewer than three characters) or to a capsule.
class AppBadgeView : public QWidget {
    Q_OBJECT
public:
    enum class Shape { circle, capsule };

    // A disc of `diameter` points; none for a frame that follows the text.
    explicit AppBadgeView(std::optional<double> diameter, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    Shape shape() const;
    // Where the red is drawn, in this view's coordinates.
    QRectF shapeRect() const;
    QSize sizeHint() const override;

    static constexpr int circleCharacterLimit = 3;
    static constexpr double circlePadding = 4.0;
    static constexpr double capsulePadding = 2.0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double padding() const;

    const std::optional<double> diameter_;
    QString text_;
};

// The face of a bar button: the application's icon, with its title beside it when the bar shows
// titles and the application is not pinned, and the Dock's badge. Built once for its task and
// updated in place. Main thread only.
class AppIconVisualiser : public QWidget {
    Q_OBJECT
public:
    enum class Form { titledRow, icon };

    // `padding` insets the titled row on every side but the trailing one.
    AppIconVisualiser(std::shared_ptr<Task> task, bool padding, bool pinned, bool showTitles,
                      std::optional<std::string> badge, QWidget* parent = nullptr);
    ~AppIconVisualiser() override;

    const std::shared_ptr<Task>& task() const { return task_; }
    bool padding() const { return padding_; }
    bool pinned() const { return pinned_; }
    bool showTitles() const { return showTitles_; }
    const std::optional<std::string>& badge() const { return badge_; }
    void setPinned(bool pinned);
    void setShowTitles(bool showTitles);
    void setBadge(const std::optional<std::string>& badge);

    Form form() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The parts of the form on show; the icon form has no title.
    AppIconView* iconView() const;
    AppTitleLabel* titleLabel() const { return form() == Form::titledRow ? title_ : nullptr; }
    AppBadgeView* badgeView() const;

    static constexpr double iconMaximumWidth = 40.0;
    static constexpr double rowSpacing = 4.0;
    static constexpr double rowPadding = 4.0;
    static constexpr double rowBadgeDiameter = 21.0;
    static constexpr double rowBadgeTrailingGap = 4.0;
    // How far the icon's badge stands out of the icon's top-trailing corner, right and up.
    static constexpr double circleBadgeOffsetX = 4.0;
    static constexpr double capsuleBadgeOffsetX = 14.0;
    static constexpr double badgeOffsetUp = 4.0;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();
    // Lays out the parts of the form on show over the whole view.
    void place();
    void placeIconBadge();

    const std::shared_ptr<Task> task_;
    const bool padding_;
    bool pinned_;
    bool showTitles_;
    std::optional<std::string> badge_;

    // Both forms' parts are this view's own children, each form laid out by a layout that no widget
    // holds: a bar frame then walks no row widgets. The view is as large as the larger form needs,
    // as a stack of the two would be.
    std::unique_ptr<QHBoxLayout> titledRow_;
    std::unique_ptr<QHBoxLayout> iconRow_;
    AppIconView* rowIcon_;
    AppTitleLabel* title_;
    AppBadgeView* rowBadge_;
    QWidget* rowBadgeGap_;
    AppIconView* icon_;
    AppBadgeView* iconBadge_;
};

}  // namespace Velmora
