#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <memory>

#include "Velmora/shell/OnboardingPage2ViewModel.h"
#include "rx/Disposable.h"

class QLabel;

namespace Brindle {
class AnimationComponent;
}

namespace Velmora {

class NeumorphicButton;

// The onboarding's permission page: its model's title and message and, while the permission is
// missing, the explanatory picture and the "Request permission" button, which asks the system to
// prompt for the permission. Main thread only.
class OnboardingPage2 : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* requestTitle = "Request permission";
    static constexpr const char* pictureAsset = "OnboardingPermission";
    static constexpr double pictureOpacity = 0.5;
    static constexpr int textSpacing = 8;
    static constexpr double textAppearTime = 0.2;

    // `backgroundColor` is the request button's plate colour, asked at every painting.
    OnboardingPage2(std::shared_ptr<OnboardingPage2ViewModel> viewModel,
                    std::function<QColor()> backgroundColor, QWidget* parent = nullptr);
    ~OnboardingPage2() override;

    const std::shared_ptr<OnboardingPage2ViewModel>& viewModel() const { return viewModel_; }
    Brindle::AnimationComponent* textAnimation() const { return textAnimation_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* messageLabel() const { return message_; }
    QWidget* picture() const { return picture_; }
    NeumorphicButton* requestButton() const { return requestButton_; }

private:
    void showPermissionButton(bool show);

    const std::shared_ptr<OnboardingPage2ViewModel> viewModel_;
    Brindle::AnimationComponent* textAnimation_ = nullptr;
    QWidget* grantedSpacer_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    QWidget* picture_ = nullptr;
    QWidget* pictureSpacer_ = nullptr;
    NeumorphicButton* requestButton_ = nullptr;
    rx::DisposeBag disposeBag_;
};

}  // namespace Velmora
