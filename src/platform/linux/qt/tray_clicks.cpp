#include "platform/linux/qt/tray_clicks.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace linux_ {
namespace {

// Each button's down, up and double-click messages follow one another, three apart per button.
constexpr Long kRightButtonOffset = 3;
constexpr Long kMiddleButtonOffset = 6;

Long MouseMessage(const QEvent& event) {
    Long first = 0;
    switch (event.type()) {
        case QEvent::MouseButtonPress:
            first = kLeftButtonDown;
            break;
        case QEvent::MouseButtonRelease:
            first = kLeftButtonDown + 1;
            break;
        case QEvent::MouseButtonDblClick:
            first = kLeftButtonDown + 2;
            break;
        default:
            return 0;
    }
    switch (static_cast<const QMouseEvent&>(event).button()) {
        case Qt::LeftButton:
            return first;
        case Qt::RightButton:
            return first + kRightButtonOffset;
        case Qt::MiddleButton:
            return first + kMiddleButtonOffset;
        default:
            return 0;
    }
}

// Watches the XEmbed icon's window; Qt's handling of the events goes on unchanged.
class IconWindowMouse final : public QObject {
  public:
    IconWindowMouse(QObject& owner, MouseMessageSink sink)
        : QObject(&owner), sink_(std::move(sink)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (const Long message = MouseMessage(*event); message != 0) sink_(message);
        return QObject::eventFilter(watched, event);
    }

  private:
    MouseMessageSink sink_;
};

// The host's calls, each made once a click is complete: Activate (the primary button) and
// SecondaryActivate (the middle one) count as a left-button release, ContextMenu (the secondary
// button) as a right-button release; each brings the window back.
Long HostCallMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::MiddleClick:
            return kLeftButtonUp;
        case QSystemTrayIcon::Context:
            return kRightButtonUp;
        case QSystemTrayIcon::DoubleClick:
        case QSystemTrayIcon::Unknown:
            break;
    }
    return 0;
}

}  // namespace

void ShowReportingClicks(QSystemTrayIcon& icon, MouseMessageSink sink) {
    // On an XEmbed tray, showing the icon creates its window: the one new top-level widget.
    const QWidgetList before = QApplication::topLevelWidgets();
    icon.show();
    QWidget* iconWindow = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!before.contains(widget)) iconWindow = widget;
    }
    if (iconWindow != nullptr) {
        iconWindow->installEventFilter(new IconWindowMouse(icon, std::move(sink)));
        return;
    }
    QObject::connect(&icon, &QSystemTrayIcon::activated, &icon,
                     [sink = std::move(sink)](QSystemTrayIcon::ActivationReason reason) {
                         if (const Long message = HostCallMessage(reason); message != 0) {
                             sink(message);
                         }
                     });
}

}  // namespace linux_
