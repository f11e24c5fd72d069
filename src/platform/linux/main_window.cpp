#include "platform/linux/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/dispatch.h"
#include "core/errors.h"
#include "platform/linux/qt/layout_widgets.h"
#include "platform/linux/qt/window_font.h"
#include "platform/linux/twips.h"
#include "window/layout.h"

namespace linux_ {
namespace {

// The child widget of the control called `name` in the layout.
template <typename Widget = QWidget>
Widget& Control(const QWidget& window, std::string_view name) {
    return *static_cast<Widget*>(
        window.findChild<QWidget*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly));
}

// Window and icon handles as the notification-area record carries them (window_handles.h). They
// start well above 0, which never names a window or icon.
Long NewHandle() {
    static Long next = 0x100;
    return next++;
}

}  // namespace

QIcon AppIcon() {
    // Decoded once: after start-up the application holds it.
    if (!QGuiApplication::windowIcon().isNull()) return QGuiApplication::windowIcon();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        // Read as PNG only: left to detect the format, Qt probes the file with every image plugin
        // installed and keeps them all loaded for the life of the program.
        QImageReader reader(QStringLiteral(":/clavitap/clavitap-%1.png").arg(size), "PNG");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

// A title bar with the system menu, minimise and close, and no maximise: the window fits itself.
MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      timer1_(new QTimer(this)) {
    setObjectName(QStringLiteral("frmPubMain"));
    setWindowTitle(QString::fromUtf8(layout::kCaption));
    setFont(WindowFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowIcon(AppIcon());
    resize(PixelsFromTwips(layout::kClientWidth), PixelsFromTwips(layout::kClientHeight));

    handle_ = NewHandle();
    iconHandle_ = NewHandle();

    BuildControls();
    handlers_.emplace(frmPubMain::Controls{*this, *comDevies_, *comSounds_, *diao_, *vol_,
                                           *lblHide_, *lblFeedback_});
    ConnectHandlers();
    SetTabOrderAndAccessKeys();

    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(layout::kTimerIntervalMs);
    connect(timer1_, &QTimer::timeout, this, [this] { Raise(&frmPubMain::Timer1_Timer); });
    timer1_->start();
}

MainWindow::~MainWindow() {
    timer1_->stop();
}

void MainWindow::BuildControls() {
    // Timer1 is no widget: it is the window's own QTimer.
    for (const layout::Control& control : layout::kControls) MakeWidget(control, *this);

    auto& instruments = Control<QComboBox>(*this, "ComSounds");
    for (std::string_view entry : layout::kInstruments) {
        instruments.addItem(QString::fromUtf8(entry), 0);
    }
    auto& tones = Control<QComboBox>(*this, "diao");
    for (std::string_view entry : layout::kTones) tones.addItem(QString::fromUtf8(entry), 0);
    for (QComboBox* list : {&instruments, &tones}) list->setCurrentIndex(-1);

    comDevies_.emplace(Control<QComboBox>(*this, "ComDevies"));
    comSounds_.emplace(instruments);
    diao_.emplace(tones);
    vol_.emplace(Control<QScrollBar>(*this, "Vol"));
    lblHide_.emplace(Control<QLabel>(*this, "lblHide"));
    lblFeedback_.emplace(Control<QLabel>(*this, "lblFeedback"));
}

void MainWindow::ConnectHandlers() {
    // Only the user's picks raise Click: QComboBox::activated is not emitted for selections
    // made from code.
    const std::pair<std::string_view, void (frmPubMain::*)()> lists[] = {
        {"ComDevies", &frmPubMain::ComDevies_Click},
        {"ComSounds", &frmPubMain::ComSounds_Click},
    };
    for (const auto& [name, handler] : lists) {
        connect(&Control<QComboBox>(*this, name), &QComboBox::activated, this,
                [this, handler = handler] { Raise(handler); });
    }
    const std::pair<std::string_view, void (frmPubMain::*)()> links[] = {
        {"lblHide", &frmPubMain::lblHide_Click},
        {"lblDonate", &frmPubMain::lblDonate_Click},
        {"lblHomepage", &frmPubMain::lblHomepage_Click},
        {"lblFeedback", &frmPubMain::lblFeedback_Click},
    };
    for (const auto& [name, handler] : links) {
        Control<ClickLabel>(*this, name).SetOnClick([this, handler = handler] { Raise(handler); });
    }
}

void MainWindow::SetTabOrderAndAccessKeys() {
    std::vector<const layout::Control*> byTabIndex;
    for (const layout::Control& control : layout::kControls) {
        if (control.tabIndex != layout::kNoTabIndex) byTabIndex.push_back(&control);
    }
    std::sort(byTabIndex.begin(), byTabIndex.end(),
              [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });

    QWidget* previous = nullptr;
    for (const layout::Control* control : byTabIndex) {
        QWidget* widget = &Control(*this, control->name);
        if (widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous != nullptr) setTabOrder(previous, widget);
        previous = widget;
    }

    // A caption's access key focuses the next control in tab order that can take the focus.
    for (auto at = byTabIndex.begin(); at != byTabIndex.end(); ++at) {
        if ((*at)->kind != layout::Kind::Label || (*at)->text.find('&') == std::string_view::npos) {
            continue;
        }
        const auto buddy = std::find_if(at + 1, byTabIndex.end(), [this](const auto* next) {
            return (Control(*this, next->name).focusPolicy() & Qt::TabFocus) != 0;
        });
        if (buddy != byTabIndex.end()) {
            Control<QLabel>(*this, (*at)->name).setBuddy(&Control(*this, (*buddy)->name));
        }
    }

    // AutoSize labels take their size from the caption as drawn (after the buddy is set, the
    // access-key ampersand no longer counts), keeping their Left and Top.
    for (const layout::Control& control : layout::kControls) {
        if (control.autoSize) FitToCaption(Control<QLabel>(*this, control.name));
    }
    // The links keep their left edges and the gaps between them whatever the face's widths.
    for (const layout::Control& control : layout::kControls) {
        if (control.kind != layout::Kind::LinkLabel) continue;
        if (const layout::Control* next = layout::NextLink(control)) {
            FitToRoom(Control<QLabel>(*this, control.name), PixelsFromTwips(next->left) -
                                                                PixelsFromTwips(control.left) -
                                                                PixelsFromTwips(layout::kLinkGap));
        }
    }
}

void MainWindow::Raise(void (frmPubMain::*handler)()) {
    if (unloaded_ || !handlers_) return;
    Dispatch([&] { ((*handlers_).*handler)(); });
}

void MainWindow::PostCallbackMessage(Long message, Long mouseMessage) {
    QTimer::singleShot(0, this, [this, message, mouseMessage] {
        if (unloaded_ || message != kMouseMove) return;
        const float x = static_cast<float>(mouseMessage) * TwipsPerPixelX();
        Dispatch([&] { handlers_->Form_MouseMove(0, 0, x, 0.0f); });
    });
}

void MainWindow::Hide() {
    hide();
}

void MainWindow::Show() {
    show();
    raise();
    activateWindow();
}

float MainWindow::Height() const {
    return TwipsFromPixels(frameGeometry().height());
}
float MainWindow::Width() const {
    return TwipsFromPixels(frameGeometry().width());
}
float MainWindow::ScaleHeight() const {
    return TwipsFromPixels(height());
}
float MainWindow::ScaleWidth() const {
    return TwipsFromPixels(width());
}

void MainWindow::RequireNormalState() const {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        throw InvalidPropertyValue();
    }
}

void MainWindow::SetHeight(float twips) {
    RequireNormalState();
    const int client = PixelsFromTwips(twips) - (frameGeometry().height() - height());
    if (client < 1) throw InvalidPropertyValue();
    resize(width(), client);
}

void MainWindow::SetWidth(float twips) {
    RequireNormalState();
    const int client = PixelsFromTwips(twips) - (frameGeometry().width() - width());
    if (client < 1) throw InvalidPropertyValue();
    resize(client, height());
}

float MainWindow::TwipsPerPixelX() const {
    return TwipsPerPixel();
}

void MainWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // The separators cross the whole window and are clipped at its edges. Each is one layout
    // pixel thick, drawn on whole device pixels so that all three are equally thick at every
    // scale (a line 1.5 device pixels thick would cover one or two, by where it falls).
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    const int thickness = std::max(1, static_cast<int>(ratio));
    const auto device = [ratio](int pixels) {
        return static_cast<int>(std::lround(pixels * ratio));
    };
    const QRect client(0, 0, device(width()), device(height()));
    for (const layout::Line& line : layout::kLines) {
        const int left = device(PixelsFromTwips(line.x1));
        const int right = device(PixelsFromTwips(line.x2));
        const QRect drawn(left, device(PixelsFromTwips(line.y1)), right - left, thickness);
        painter.fillRect(drawn & client, palette().color(QPalette::WindowText));
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Raise(&frmPubMain::Form_Resize);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    Raise(&frmPubMain::Form_Resize);
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimising, maximising and restoring change the window's size as the handler sees it.
    if (event->type() == QEvent::WindowStateChange) Raise(&frmPubMain::Form_Resize);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // A close asked for while the unload's own box is open (a termination signal) is this one.
    if (unloaded_ || unloading_) return;
    unloading_ = true;
    timer1_->stop();
    Raise(&frmPubMain::Form_Unload);
    unloaded_ = true;
    if (onUnloaded_) onUnloaded_();
}

}  // namespace linux_
