#include "Velmora/shell/views/OnboardingView.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>

#include "Brindle/Object.h"
#include "Brindle/widgets/AnimationComponent.h"
#include "Velmora/shell/views/NeumorphicButton.h"
#include "Velmora/shell/views/OnboardingPage2.h"
#include "Velmora/shell/views/ShellStyle.h"
#include "platform/base/Animation.h"
#include "platform/base/MainQueue.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/Symbols.h"

namespace Velmora {
namespace {

using TextStyle = ShellStyle::TextStyle;

// The logo on a primary-coloured disc.
class LogoView : public QWidget {
public:
    explicit LogoView(QWidget* parent = nullptr) : QWidget(parent) {
        setFixedSize(OnboardingPage1::logoSide, OnboardingPage1::logoSide);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath circle;
        circle.addEllipse(QRectF(rect()));
        painter.setClipPath(circle);
        painter.fillRect(rect(), ShellStyle::primaryColor());
        QRect inner = rect().adjusted(OnboardingPage1::logoPadding, OnboardingPage1::logoPadding,
                                      -OnboardingPage1::logoPadding, -OnboardingPage1::logoPadding);
        QPixmap logo =
            platform::qt::Assets::pixmap(OnboardingPage1::logoAsset, inner.size(), devicePixelRatioF());
        if (logo.isNull()) return;
        QSizeF drawn = logo.deviceIndependentSize();
        painter.drawPixmap(QPointF(inner.x() + (inner.width() - drawn.width()) / 2,
                                   inner.y() + (inner.height() - drawn.height()) / 2),
                           logo);
    }
};

// An asset drawn as a template in a faint primary colour, scaled to fill the widget.
class BackdropPicture : public QWidget {
public:
    explicit BackdropPicture(QWidget* parent = nullptr) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        auto image = platform::qt::Assets::image(OnboardingView::backdropAsset);
        if (!image || image->size().width <= 0 || image->size().height <= 0) return;
        double scale = std::max(width() / image->size().width, height() / image->size().height);
        QSize filled(static_cast<int>(std::ceil(image->size().width * scale)),
                     static_cast<int>(std::ceil(image->size().height * scale)));
        QPixmap pixmap =
            platform::qt::Assets::pixmap(OnboardingView::backdropAsset, filled, devicePixelRatioF(),
                                         ShellStyle::primaryColor(OnboardingView::backdropOpacity));
        if (pixmap.isNull()) return;
        QSizeF drawn = pixmap.deviceIndependentSize();
        QPainter painter(this);
        painter.drawPixmap(QPointF((width() - drawn.width()) / 2, (height() - drawn.height()) / 2), pixmap);
    }
};

QColor buttonPlate() { return ShellStyle::primaryColor(OnboardingView::buttonPlateOpacity); }

}  // namespace

OnboardingPage1::OnboardingPage1(std::shared_ptr<OnboardingPage1ViewModel> viewModel, QWidget* parent)
    : QWidget(parent),
      viewModel_(std::move(viewModel)),
      logoAnimation_(new Brindle::AnimationComponent(Brindle::AnimationStyle::moveInFromTop, logoAppearTime,
                                                     true, new LogoView(), this)),
      title_(ShellStyle::makeText(welcomeTitle, TextStyle::title, this, true)),
      text_(ShellStyle::makeText(welcomeText, TextStyle::headline, this, true)) {
    logoAnimation_->setFixedSize(logoSide, logoSide);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(ShellStyle::makeSpacer(this));
    column->addWidget(logoAnimation_, 0, Qt::AlignHCenter);
    column->addWidget(ShellStyle::makeSpacer(this));
    auto* texts = new QVBoxLayout();
    texts->setSpacing(textSpacing);
    texts->addWidget(title_);
    texts->addWidget(text_);
    column->addLayout(texts);
    column->addWidget(ShellStyle::makeSpacer(this));
}

OnboardingView::OnboardingView(OnClose onClose, OnboardingPage2ViewModel::Services services, QWidget* parent)
    : QWidget(parent),
      onClose(std::move(onClose)),
      viewModel1_(Brindle::make<OnboardingPage1ViewModel>()),
      viewModel2_(Brindle::make<OnboardingPage2ViewModel>(std::move(services))) {
    auto* inner = new Brindle::AnimationComponent(Brindle::AnimationStyle::moveInFromBottom, backdropMoveTime,
                                                  true, new BackdropPicture());
    backdrop_ = new Brindle::AnimationComponent(Brindle::AnimationStyle::fadeIn, backdropFadeTime, false,
                                                inner, this);
    backdrop_->setAttribute(Qt::WA_TransparentForMouseEvents);

    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(padding, padding, padding, padding);
    column->addWidget(ShellStyle::makeSpacer(content_));

    auto* pageArea = new QWidget(content_);
    pageArea->setFixedSize(pageWidth, pageHeight);
    auto* pages = new QVBoxLayout(pageArea);
    pages->setContentsMargins(0, 0, 0, 0);
    page1_ = new OnboardingPage1(viewModel1_, pageArea);
    page2_ = new OnboardingPage2(viewModel2_, buttonPlate, pageArea);
    pages->addWidget(page1_);
    pages->addWidget(page2_);
    column->addWidget(pageArea, 0, Qt::AlignCenter);
    column->addWidget(ShellStyle::makeSpacer(content_));

    // The row keeps its height while the button is hidden, so the window does not change size.
    nextRow_ = new QWidget(content_);
    nextRow_->setFixedHeight(
        NeumorphicButton(QString::fromUtf8(OnboardingPage2ViewModel::doneTitle), buttonPlate)
            .sizeHint()
            .height());
    nextRowLayout_ = new QVBoxLayout(nextRow_);
    nextRowLayout_->setContentsMargins(0, 0, 0, 0);
    column->addWidget(nextRow_);

    connect(platform::qt::Appearance::shared(), &platform::qt::Appearance::changed, this, [this] {
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, ShellStyle::primaryColor());
        setPalette(palette);
        update();
    });
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, ShellStyle::primaryColor());
    setPalette(palette);

    setCurrentViewModel(viewModel1_);
    showPage();
    content_->raise();
}

OnboardingView::~OnboardingView() = default;

void OnboardingView::showNextPage() {
    platform::withAnimation([&] {
        ++page_;
        if (page_ == 1) {
            setCurrentViewModel(viewModel2_);
        } else if (page_ == 0) {
            setCurrentViewModel(viewModel1_);
        } else {
            onboardingCompleted.accept(true);
            platform::MainQueue::async([close = onClose] {
                if (close) close();
            });
        }
        showPage();
    });
}

void OnboardingView::showPage() {
    page1_->setVisible(page_ == 0);
    page2_->setVisible(page_ == 1);
}

void OnboardingView::setCurrentViewModel(std::shared_ptr<OnboardingPageViewModel> viewModel) {
    currentViewModel_ = std::move(viewModel);
    currentBag_ = rx::DisposeBag();
    currentBag_.insert(currentViewModel_->nextButtonTitle.observe([this](const std::string& title) {
        nextButtonTitle_ = title;
        if (nextButton_) {
            nextButton_->setText(QString::fromStdString(title));
            nextButton_->updateGeometry();
        }
    }));
    currentBag_.insert(
        currentViewModel_->showNextButton.observe([this](bool show) { showNextButton(show); }));
}

void OnboardingView::showNextButton(bool show) {
    if (show == static_cast<bool>(nextButtonAnimation_)) return;
    if (!show) {
        // The button may be the one whose click is being handled.
        nextButtonAnimation_->hide();
        nextButtonAnimation_->deleteLater();
        nextButtonAnimation_ = nullptr;
        nextButton_ = nullptr;
        return;
    }
    // A new component each time, so that the button moves in again whenever it reappears.
    auto* column = new QWidget();
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    nextButton_ = new NeumorphicButton(QString::fromStdString(nextButtonTitle_), buttonPlate, column);
    connect(nextButton_, &NeumorphicButton::clicked, this, &OnboardingView::showNextPage);
    layout->addWidget(nextButton_, 0, Qt::AlignHCenter);
    layout->addWidget(ShellStyle::makeSpacer(column));
    nextButtonAnimation_ = new Brindle::AnimationComponent(Brindle::AnimationStyle::moveInFromBottom,
                                                           nextButtonAppearTime, false, column, nextRow_);
    nextRowLayout_->addWidget(nextButtonAnimation_);
    nextButtonAnimation_->show();
}

QSize OnboardingView::sizeHint() const { return content_->sizeHint(); }

QSize OnboardingView::minimumSizeHint() const { return content_->minimumSizeHint(); }

void OnboardingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ShellStyle::invertedPrimaryColor());
}

void OnboardingView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backdrop_->setGeometry(rect());
    content_->setGeometry(rect());
}

}  // namespace Velmora
