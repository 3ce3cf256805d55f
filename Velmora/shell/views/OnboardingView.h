#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "Brindle/widgets/AnimationComponent.h"
#include "Velmora/shell/OnboardingPage2ViewModel.h"
#include "Velmora/shell/OnboardingPageViewModel.h"
#include "Velmora/shell/views/NeumorphicButton.h"
#include "rx/BehaviorRelay.h"
#include "rx/Disposable.h"
#include "rx/Published.h"

class QLabel;
class QVBoxLayout;

namespace Velmora {

class OnboardingPage2;

// The onboarding's welcome page: the logo in a circle and two lines of welcome. Main thread only.
class OnboardingPage1 : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* welcomeTitle = "Welcome to Velmora";
    static constexpr const char* welcomeText = "This small setup will help you get started.";
    static constexpr const char* logoAsset = "Logo";
    static constexpr int logoSide = 200;
    static constexpr int logoPadding = 42;
    static constexpr double logoAppearTime = 1.0;
    static constexpr int textSpacing = 8;

    explicit OnboardingPage1(std::shared_ptr<OnboardingPage1ViewModel> viewModel, QWidget* parent = nullptr);

    const std::shared_ptr<OnboardingPage1ViewModel>& viewModel() const { return viewModel_; }
    Brindle::AnimationComponent* logoAnimation() const { return logoAnimation_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* textLabel() const { return text_; }

private:
    const std::shared_ptr<OnboardingPage1ViewModel> viewModel_;
    Brindle::AnimationComponent* logoAnimation_;
    QLabel* title_;
    QLabel* text_;
};

// The onboarding window's content: the welcome page, then the permission page, over a faint
// backdrop picture, with one button below that follows the current page's model ("Next", then
// "Done!" once the permission has been granted). "Done!" marks the onboarding complete and closes
// the window through `onClose` on the next turn of the main queue. Main thread only.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    using OnClose = std::function<void()>;

    static constexpr int pageWidth = 500;
    static constexpr int pageHeight = 450;
    static constexpr int padding = 32;
    static constexpr const char* backdropAsset = "Test";
    static constexpr double backdropOpacity = 0.15;
    static constexpr double buttonPlateOpacity = 0.15;
    static constexpr double backdropFadeTime = 1.0;
    static constexpr double backdropMoveTime = 2.0;
    static constexpr double nextButtonAppearTime = 0.2;

    // The permission page's model uses `services` (the shared objects by default); its permission
    // watch starts with the view.
    explicit OnboardingView(OnClose onClose, OnboardingPage2ViewModel::Services services = {},
                            QWidget* parent = nullptr);
    ~OnboardingView() override;

    // 0 the welcome page, 1 the permission page, 2 or more done (no page).
    int page() const { return page_; }
    const std::shared_ptr<OnboardingPage1ViewModel>& viewModel1() const { return viewModel1_; }
    const std::shared_ptr<OnboardingPage2ViewModel>& viewModel2() const { return viewModel2_; }
    const std::shared_ptr<OnboardingPageViewModel>& currentViewModel() const { return currentViewModel_; }

    OnClose onClose;
    // Set once "Done!" has been pressed; never set back.
    const rx::BehaviorRelay<bool> onboardingCompleted{false};

    // The next button's action.
    void showNextPage();

    OnboardingPage1* page1() const { return page1_; }
    OnboardingPage2* page2() const { return page2_; }
    QWidget* backdrop() const { return backdrop_; }
    // None while the current page's model hides it.
    NeumorphicButton* nextButton() const { return nextButton_; }
    Brindle::AnimationComponent* nextButtonAnimation() const { return nextButtonAnimation_; }

    // The pages' area with the button row and the padding.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setCurrentViewModel(std::shared_ptr<OnboardingPageViewModel> viewModel);
    void showNextButton(bool show);
    void showPage();

    int page_ = 0;
    const std::shared_ptr<OnboardingPage1ViewModel> viewModel1_;
    const std::shared_ptr<OnboardingPage2ViewModel> viewModel2_;
    std::shared_ptr<OnboardingPageViewModel> currentViewModel_;
    std::string nextButtonTitle_;

    QWidget* backdrop_ = nullptr;
    QWidget* content_ = nullptr;
    OnboardingPage1* page1_ = nullptr;
    OnboardingPage2* page2_ = nullptr;
    QWidget* nextRow_ = nullptr;
    QVBoxLayout* nextRowLayout_ = nullptr;
    QPointer<Brindle::AnimationComponent> nextButtonAnimation_;
    QPointer<NeumorphicButton> nextButton_;
    rx::DisposeBag currentBag_;
};

}  // namespace Velmora
