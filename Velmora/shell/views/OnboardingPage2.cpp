#include "Velmora/shell/views/OnboardingPage2.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "Brindle/Object.h"
#include "Brindle/widgets/AnimationComponent.h"
#include "Velmora/shell/views/NeumorphicButton.h"
#include "Velmora/shell/views/OnboardingView.h"
#include "Velmora/shell/views/ShellStyle.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/qt/Symbols.h"

namespace Velmora {
namespace {

// An asset fitted into the widget's space, keeping its proportions, at an opacity.
class PictureView : public QWidget {
public:
    PictureView(const char* asset, double opacity, QWidget* parent)
        : QWidget(parent), asset_(asset), opacity_(opacity) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPixmap pixmap = platform::qt::Assets::pixmap(asset_, size(), devicePixelRatioF());
        if (pixmap.isNull()) return;
        QSizeF drawn = pixmap.deviceIndependentSize();
        QPainter painter(this);
        painter.setOpacity(opacity_);
        painter.drawPixmap(QPointF((width() - drawn.width()) / 2, (height() - drawn.height()) / 2), pixmap);
    }

private:
    const char* asset_;
    double opacity_;
};

}  // namespace

OnboardingPage2::OnboardingPage2(std::shared_ptr<OnboardingPage2ViewModel> viewModel,
                                 std::function<QColor()> backgroundColor, QWidget* parent)
    : QWidget(parent), viewModel_(std::move(viewModel)) {
    auto* textBlock = new QWidget();
    auto* text = new QVBoxLayout(textBlock);
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(textSpacing);
    grantedSpacer_ = ShellStyle::makeSpacer(textBlock);
    title_ = ShellStyle::makeText({}, ShellStyle::TextStyle::title, textBlock, true);
    message_ = ShellStyle::makeText({}, ShellStyle::TextStyle::headline, textBlock, true);
    picture_ = new PictureView(pictureAsset, pictureOpacity, textBlock);
    pictureSpacer_ = ShellStyle::makeSpacer(textBlock);
    text->addWidget(grantedSpacer_);
    text->addWidget(title_);
    text->addWidget(message_);
    text->addWidget(ShellStyle::makeSpacer(textBlock));
    text->addWidget(picture_, 3);
    text->addWidget(pictureSpacer_);
    textAnimation_ = new Brindle::AnimationComponent(Brindle::AnimationStyle::moveInFromBottom,
                                                     textAppearTime, false, textBlock, this);

    requestButton_ = new NeumorphicButton(requestTitle, std::move(backgroundColor), this);
    connect(requestButton_, &NeumorphicButton::clicked, this,
            [] { Brindle::make<WindowSystemUtils>()->handlePermission(); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(ShellStyle::makeSpacer(this));
    column->addWidget(textAnimation_, 6);
    column->addWidget(ShellStyle::makeSpacer(this));
    column->addWidget(requestButton_, 0, Qt::AlignHCenter);
    column->addWidget(ShellStyle::makeSpacer(this));

    ShellStyle::followText(viewModel_->title, title_, disposeBag_);
    ShellStyle::followText(viewModel_->message, message_, disposeBag_);
    disposeBag_.insert(
        viewModel_->showPermissionButton.observe([this](bool show) { showPermissionButton(show); }));
}

OnboardingPage2::~OnboardingPage2() = default;

void OnboardingPage2::showPermissionButton(bool show) {
    grantedSpacer_->setVisible(!show);
    picture_->setVisible(show);
    pictureSpacer_->setVisible(show);
    requestButton_->setVisible(show);
}

}  // namespace Velmora
