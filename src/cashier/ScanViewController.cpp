#include "cashier/ScanViewController.h"

#include "platform/capture/CaptureDevice.h"
#include "platform/capture/CaptureDeviceInput.h"
#include "platform/capture/CaptureMetadataOutput.h"
#include "platform/capture/CaptureSession.h"
#include "platform/capture/CaptureVideoPreviewLayer.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Timer.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/Layer.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Screen.h"
#include "platform/kit/View.h"
#include "ui/ColorUtil.h"
#include "ui/ScanViewControllerDelegate.h"

namespace {

using capture::MetadataObjectType;

// The kinds the camera looks for, in the order it is asked for them.
const std::vector<MetadataObjectType>& wantedTypes()
{
    static const std::vector<MetadataObjectType> types {
        MetadataObjectType::QRCode,
        MetadataObjectType::Code39,
        MetadataObjectType::Code128,
        MetadataObjectType::EAN8,
        MetadataObjectType::UPCE,
        MetadataObjectType::PDF417,
        MetadataObjectType::AztecCode,
        MetadataObjectType::Code93,
        MetadataObjectType::EAN13,
        MetadataObjectType::Code39Mod43,
    };
    return types;
}

// The framing square in the preview's bounds: four fifths of its width,
// centred a little above the middle.
graphics::Rect viewfinder(const graphics::Rect& preview)
{
    double w = preview.width();
    double h = preview.height();
    double side = 0.8 * w;
    return { (w - side) / 2, (h - side) / 2 - 20, side, side };
}

bool isCodeCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A 300-point square 110 points from the top and 20 from the left of the
// view, normalised on the camera's landscape picture and corrected for the
// aspect-fill crop of a 16:9 picture on this screen's shape.
graphics::Rect regionOfInterest(const graphics::Rect& bounds, const graphics::Rect& frame)
{
    double w = bounds.width();
    double h = bounds.height();
    if (w <= 0 || h <= 0)
        return { 0, 0, 1, 1 };
    if (h / w < 1.7777778) {
        double fullHeight = frame.width() * 1920 / 1080;
        double padding = (fullHeight - h) / 2;
        return { (110 + padding) / fullHeight, 20 / w, 300 / fullHeight, 300 / w };
    }
    double fullWidth = frame.height() * 1080 / 1920;
    double padding = (fullWidth - w) / 2;
    return { 110 / h, (padding + 20) / fullWidth, 300 / h, 300 / fullWidth };
}

} // namespace

ScanViewController::~ScanViewController()
{
    if (m_scanLineTimer)
        m_scanLineTimer->invalidate();
}

void ScanViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(graphics::Color::black());
    m_viewPreview = std::make_shared<kit::View>(graphics::Rect { 0, 0, bounds.width(), bounds.height() });
    m_viewPreview->setName("viewPreview");
    m_viewPreview->setBackgroundColor(graphics::Color::black());
    root->addSubview(m_viewPreview);
    // Under the viewfinder, over the picture, whether or not a camera shows.
    auto square = viewfinder(m_viewPreview->bounds());
    m_labelTypedCode
        = std::make_shared<kit::Label>(graphics::Rect { 20, square.maxY() + 16, bounds.width() - 40, 36 });
    m_labelTypedCode->setName("labelTypedCode");
    m_labelTypedCode->setTextColor(graphics::Color::white());
    m_labelTypedCode->setBackgroundColor(graphics::Color::black().withAlpha(0.6));
    m_labelTypedCode->layer().setCornerRadius(4);
    m_labelTypedCode->setFont(graphics::Font::systemFont(typedCodeFont));
    m_labelTypedCode->setAdjustsFontSizeToFitWidth(true);
    m_labelTypedCode->setMinimumScaleFactor(typedCodeSmallestFont / typedCodeFont);
    m_labelTypedCode->setTextAlignment(graphics::TextAlignment::Center);
    m_labelTypedCode->setHidden(true);
    root->addSubview(m_labelTypedCode);
    auto line = m_labelTypedCode->frame();
    m_labelTypedCodeLimit
        = std::make_shared<kit::Label>(graphics::Rect { line.x(), line.maxY() + 4, line.width(), 18 });
    m_labelTypedCodeLimit->setName("labelTypedCodeLimit");
    m_labelTypedCodeLimit->setText(typedCodeLimitText());
    m_labelTypedCodeLimit->setFont(graphics::Font::systemFont(13));
    m_labelTypedCodeLimit->setTextAlignment(graphics::TextAlignment::Center);
    m_labelTypedCodeLimit->setHidden(true);
    root->addSubview(m_labelTypedCodeLimit);
    setView(root);
}

void ScanViewController::viewDidLoad()
{
    kit::ViewController::viewDidLoad();
    setTitle("扫一扫");
    initBackButton();
    m_captureSession.reset();
    m_reading = Reading::Waiting;
    startReading();
}

void ScanViewController::initBackButton()
{
    auto button = kit::Button::buttonWithType(kit::ButtonType::Custom);
    button->setName("btnBack");
    button->setTitle("返回", kit::ControlState::Normal);
    button->titleLabel()->setFont(graphics::Font::systemFont(16));
    button->setFrame({ 0, 0, 60, 44 });
    button->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    button->setTitleColor(ColorUtil::getUIColorByHex("DEDEDE"), kit::ControlState::Highlighted);
    button->setImage(graphics::Image::named("IconBack"), kit::ControlState::Normal);
    button->setImage(graphics::Image::named("IconBackOn"), kit::ControlState::Highlighted);
    button->setImageEdgeInsets({ 0, -8, 0, 0 });
    button->addTarget(selfScan(), &ScanViewController::back, kit::ControlEvent::TouchUpInside);
    navigationItem()->setLeftBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-10), std::make_shared<kit::BarButtonItem>(button) });
}

void ScanViewController::viewWillAppear(bool animated)
{
    kit::ViewController::viewWillAppear(animated);
    if (auto navigation = navigationController()) {
        auto bar = navigation->navigationBar();
        bar->setBackgroundImage(ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("3AAA24")));
        bar->setBarStyle(kit::BarStyle::Default);
    }
}

void ScanViewController::viewDidDisappear(bool animated)
{
    kit::ViewController::viewDidDisappear(animated);
    // Once the screen is off the stack nothing can show its picture again:
    // the camera and the line's timer would only keep running for nobody.
    auto navigation = navigationController();
    bool stillStacked = false;
    if (navigation) {
        for (const auto& controller : navigation->viewControllers())
            stillStacked = stillStacked || controller.get() == this;
    }
    if (!stillStacked) {
        endWaiting(Reading::Off);
        stopCamera();
    }
}

bool ScanViewController::endWaiting(Reading how)
{
    auto expected = Reading::Waiting;
    return m_reading.compare_exchange_strong(expected, how);
}

bool ScanViewController::isTopOfStack()
{
    // A popped screen keeps its navigation controller until the next turn,
    // so having one does not mean being shown.
    auto navigation = navigationController();
    return navigation && navigation->topViewController().get() == this;
}

void ScanViewController::back()
{
    // The screen only disappears a turn after the pop; a code read in that
    // turn must already find the wait over and the camera off, or it would
    // reach the delegate after the user chose to leave.
    endWaiting(Reading::Off);
    stopCamera();
    // A code handled earlier in this turn has closed the screen already;
    // popping again would close the caller's screen as well.
    if (isTopOfStack())
        navigationController()->popViewControllerAnimated(true);
}

bool ScanViewController::takeTypedCode(const std::string& code)
{
    if (code.empty() || !endWaiting(Reading::CodeTaken))
        return false;
    m_code = code;
    stopReading();
    return true;
}

bool ScanViewController::typeCode(std::string_view text)
{
    if (!isReading())
        return false;
    bool changed = false;
    bool refused = false;
    for (char c : text) {
        if (!isCodeCharacter(c))
            continue;
        if (m_typedCode.size() >= maximumTypedCode) {
            refused = true;
            continue;
        }
        m_typedCode += c;
        changed = true;
    }
    if (changed || refused)
        showTypedCode(refused);
    return changed;
}

bool ScanViewController::deleteTypedBackward()
{
    if (!isReading() || m_typedCode.empty())
        return false;
    // Only single-byte characters are ever taken.
    m_typedCode.pop_back();
    showTypedCode();
    return true;
}

bool ScanViewController::clearTypedCode()
{
    if (!isReading() || m_typedCode.empty())
        return false;
    m_typedCode.clear();
    showTypedCode();
    return true;
}

bool ScanViewController::sendTypedCode()
{
    // Taken as shown: the line stays on screen as the scanner closes.
    return takeTypedCode(m_typedCode);
}

void ScanViewController::showTypedCode(bool refused)
{
    // The staff check the code before Return: a tail cut off, or a middle,
    // would hide what they typed. The head goes first, as little as will do;
    // the label itself shrinks the font as far as its floor before that.
    m_labelTypedCode->setText(m_typedCode);
    if (!m_labelTypedCode->showsWholeText()) {
        std::size_t fits = m_typedCode.size() - 1;
        std::size_t cut = 1;
        while (cut < fits) {
            auto const middle = cut + (fits - cut) / 2;
            m_labelTypedCode->setText("…" + m_typedCode.substr(middle));
            if (m_labelTypedCode->showsWholeText())
                fits = middle;
            else
                cut = middle + 1;
        }
        m_labelTypedCode->setText("…" + m_typedCode.substr(fits));
    }
    m_labelTypedCode->setHidden(m_typedCode.empty());
    // Keys past the longest code are not taken in silence.
    m_labelTypedCodeLimit->setHidden(m_typedCode.size() < maximumTypedCode);
    m_labelTypedCodeLimit->setTextColor(refused ? graphics::Color::redColor() : graphics::Color::fromWhite(0.75));
}

bool ScanViewController::startReading()
{
    std::optional<foundation::Error> error;
    auto device = capture::CaptureDevice::defaultDeviceWithMediaType(capture::MediaType::Video);
    auto input = capture::CaptureDeviceInput::deviceInputWithDevice(device, &error);
    if (!input) {
        showCameraTrouble(noCameraText);
        return false;
    }

    auto output = std::make_shared<capture::CaptureMetadataOutput>();
    m_captureSession = std::make_shared<capture::CaptureSession>();
    m_captureSession->addInput(input);
    m_captureSession->addOutput(output);
    output->setMetadataObjectsDelegate(
        std::static_pointer_cast<capture::CaptureMetadataOutputObjectsDelegate>(selfScan()),
        foundation::DispatchQueue::createSerial(callbackQueueLabel));
    output->setMetadataObjectTypes(wantedTypes());

    // A view's own layer has the view's geometry, not a frame of its own.
    auto preview = m_viewPreview->bounds();
    m_videoPreviewLayer = capture::CaptureVideoPreviewLayer::layerWithSession(m_captureSession);
    m_videoPreviewLayer->setVideoGravity(capture::LayerVideoGravity::ResizeAspectFill);
    m_videoPreviewLayer->setFrame({ 0, 0, preview.width(), preview.height() });
    m_viewPreview->layer().addSublayer(m_videoPreviewLayer);

    output->setRectOfInterest(regionOfInterest(view()->bounds(), view()->frame()));

    auto square = viewfinder(m_viewPreview->bounds());
    double side = square.width();
    m_boxView = std::make_shared<kit::View>(square);
    m_boxView->setName("boxView");
    m_boxView->layer().setBorderColor(graphics::Color::greenColor());
    m_boxView->layer().setBorderWidth(1);
    m_viewPreview->addSubview(m_boxView);

    m_scanLayer = std::make_shared<kit::Layer>();
    m_scanLayer->setFrame({ 0, 0, side, 1 });
    m_scanLayer->setBackgroundColor(graphics::Color::brown());
    m_boxView->layer().addSublayer(m_scanLayer);

    // Held weakly by its body, so a screen dropped without a code does not
    // live on through its own timer.
    m_scanLineTimer = foundation::Timer::scheduledWeak(scanLineInterval, true,
        std::weak_ptr<ScanViewController>(selfScan()),
        [](ScanViewController& scanner) { scanner.moveScanLayer(); });
    m_scanLineTimer->fire();
    m_captureSession->startRunning();
    if (!m_captureSession->isRunning())
        showCameraTrouble(cameraFailedText);
    return true;
}

void ScanViewController::showCameraTrouble(std::string_view text)
{
    // A black square with a moving line and no picture looks like a
    // camera pointed at nothing: say what is wrong instead.
    auto bounds = m_viewPreview->bounds();
    auto label = std::make_shared<kit::Label>(
        graphics::Rect { 20, bounds.height() / 2 - 30, bounds.width() - 40, 60 });
    label->setName("labelNoCamera");
    label->setText(std::string(text));
    label->setTextColor(graphics::Color::white());
    label->setFont(graphics::Font::systemFont(16));
    label->setTextAlignment(graphics::TextAlignment::Center);
    label->setNumberOfLines(0);
    m_viewPreview->addSubview(label);

    auto hint = std::make_shared<kit::Label>(
        graphics::Rect { 20, bounds.height() / 2 + 30, bounds.width() - 40, 40 });
    hint->setName("labelTypeCode");
    hint->setText(std::string(typeCodeText));
    hint->setTextColor(graphics::Color::fromWhite(0.75));
    hint->setFont(graphics::Font::systemFont(13));
    hint->setTextAlignment(graphics::TextAlignment::Center);
    hint->setNumberOfLines(0);
    m_viewPreview->addSubview(hint);
}

void ScanViewController::moveScanLayer()
{
    if (!m_boxView || !m_scanLayer)
        return;
    auto line = m_scanLayer->frame();
    if (m_boxView->frame().height() < line.y()) {
        // A jump: gliding back up would sweep the square the wrong way.
        line.origin.y = 0;
        m_scanLayer->setFrame(line);
        return;
    }
    line.origin.y += scanLineStep;
    // Half the timer's period, so the line glides and rests before the next step.
    kit::View::animate(scanLineStepDuration, [&] { m_scanLayer->setFrame(line); });
}

void ScanViewController::captureOutputDidOutputMetadataObjectsFromConnection(capture::CaptureMetadataOutput&,
    const std::vector<capture::MetadataMachineReadableCodeObject>& metadataObjects,
    const capture::CaptureConnection&)
{
    if (metadataObjects.empty())
        return;
    // The test and the reset are one step, so two deliveries, or a delivery
    // and the back button, can never both end the wait.
    if (!endWaiting(Reading::CodeTaken))
        return;
    m_code = metadataObjects.front().stringValue();
    std::weak_ptr<ScanViewController> weak = selfScan();
    foundation::DispatchQueue::main()->async([weak] {
        if (auto strong = weak.lock())
            strong->stopReading();
    });
}

void ScanViewController::stopCamera()
{
    if (m_scanLineTimer) {
        m_scanLineTimer->invalidate();
        m_scanLineTimer.reset();
    }
    if (m_captureSession) {
        m_captureSession->stopRunning();
        m_captureSession.reset();
    }
}

void ScanViewController::stopReading()
{
    stopCamera();
    if (m_scanLayer)
        m_scanLayer->removeFromSuperlayer();
    if (m_videoPreviewLayer)
        m_videoPreviewLayer->removeFromSuperlayer();
    // Back may have won the race on the main thread after the code was taken:
    // the user has left, and neither a second pop nor the delegate may follow.
    if (m_reading.load() != Reading::CodeTaken || !isTopOfStack())
        return;
    // Kept alive across the pop: the stack may hold the last reference.
    auto self = selfScan();
    navigationController()->popViewControllerAnimated(true);
    if (auto delegate = m_scanControllerDelegate.lock())
        delegate->scanCallback(m_code); // May delete the delegate's own screens, never this one.
}
