// The notification-area icon on QSystemTrayIcon, reporting the mouse over it as the mouse messages
// a notification area sends its window (513 left press, 514 left release, 515 left double-click,
// and so on for the right and middle buttons).
//
// Qt's own report, QSystemTrayIcon::activated, comes at the press on an XEmbed tray, where the
// icon is a window of this program; that window sees presses and releases alike, so there the
// messages are read from its mouse events. On a StatusNotifierItem (D-Bus) tray the host sees
// the mouse and calls the icon's Activate, SecondaryActivate or ContextMenu once a click is
// complete; each stands for a released button.
#include "platform/notify_icon.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSystemTrayIcon>

#include "platform/linux/main_window.h"
#include "platform/linux/window_handles.h"
#include "platform/message_box.h"
#include "window/tray_icon.h"

namespace platform {
namespace {

constexpr Long kNifMessage = 1;
constexpr Long kNifIcon = 2;
constexpr Long kNifTip = 4;

// Each button's down, up and double-click messages follow one another, three apart per button.
constexpr Long kLeftButtonDown = 513;
constexpr Long kRightButtonUp = 517;
constexpr Long kRightButtonOffset = 3;
constexpr Long kMiddleButtonOffset = 6;

// The tip up to its NUL; the blanks that pad the fixed-width field after it are not text.
QString TipText(const TrayIconRecord& record) {
    QByteArray tip;
    for (std::size_t i = 0; i < record.szTip.size() && record.szTip[i] != 0; ++i) {
        tip.append(record.szTip[i]);
    }
    return QString::fromLatin1(tip);
}

// Where the icon's mouse messages go: the window's callback message, or nowhere when the record
// asks for none.
struct Callback {
    QPointer<linux_::MainWindow> window;
    Long message = 0;

    void operator()(Long mouseMessage) const {
        if (window && message != 0) window->PostCallbackMessage(message, mouseMessage);
    }
};

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
    IconWindowMouse(QObject& owner, Callback callback) : QObject(&owner), callback_(callback) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (const Long message = MouseMessage(*event); message != 0) callback_(message);
        return QObject::eventFilter(watched, event);
    }

  private:
    Callback callback_;
};

// The host's calls, each made once a click is complete: Activate (the primary button) and
// SecondaryActivate (the middle one) count as a left-button release, ContextMenu (the secondary
// button) as a right-button release; each brings the window back.
Long HostCallMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::MiddleClick:
            return linux_::kLeftButtonUp;
        case QSystemTrayIcon::Context:
            return kRightButtonUp;
        case QSystemTrayIcon::DoubleClick:
        case QSystemTrayIcon::Unknown:
            break;
    }
    return 0;
}

// Shows `icon` and reports its mouse activity to `callback` from then on.
void ShowReportingClicks(QSystemTrayIcon& icon, Callback callback) {
    // On an XEmbed tray, showing the icon creates its window: the one new top-level widget.
    const QWidgetList before = QApplication::topLevelWidgets();
    icon.show();
    QWidget* iconWindow = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!before.contains(widget)) iconWindow = widget;
    }
    if (iconWindow != nullptr) {
        iconWindow->installEventFilter(new IconWindowMouse(icon, callback));
        return;
    }
    QObject::connect(&icon, &QSystemTrayIcon::activated, &icon,
                     [callback](QSystemTrayIcon::ActivationReason reason) {
                         if (const Long message = HostCallMessage(reason); message != 0) {
                             callback(message);
                         }
                     });
}

// The icon `uID` of `window` while it is shown: a child of the window named after its id.
QSystemTrayIcon* ShownIcon(const linux_::MainWindow* window, Long uID) {
    if (window == nullptr) return nullptr;
    return window->findChild<QSystemTrayIcon*>(QString::number(uID), Qt::FindDirectChildrenOnly);
}

void TellOnceThatThereIsNoTray() {
    static bool told = false;
    if (told) return;
    told = true;
    MsgBox(
        "This desktop has no notification area, so Clavitap cannot hide there. The window stays "
        "open so that you can still reach it; minimize it instead.");
}

bool Add(const TrayIconRecord& record) {
    linux_::MainWindow* window = linux_::WindowFromHandle(record.hWnd);
    if (window == nullptr) return false;
    if (ShownIcon(window, record.uID) != nullptr) return false;  // that icon is already shown
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        TellOnceThatThereIsNoTray();
        return false;
    }

    auto* icon = new QSystemTrayIcon(window);
    icon->setObjectName(QString::number(record.uID));
    if ((record.uFlags & kNifIcon) != 0) icon->setIcon(linux_::IconFromHandle(record.hIcon));
    if ((record.uFlags & kNifTip) != 0) icon->setToolTip(TipText(record));
    const Long message = (record.uFlags & kNifMessage) != 0 ? record.uCallbackMessage : 0;
    ShowReportingClicks(*icon, Callback{window, message});
    return true;
}

bool Delete(const TrayIconRecord& record) {
    QSystemTrayIcon* icon = ShownIcon(linux_::WindowFromHandle(record.hWnd), record.uID);
    if (icon == nullptr) return false;
    icon->setObjectName(QString());  // no longer shown
    icon->hide();
    // Deleted from the event loop: the removal may run while the icon is still reporting a click.
    icon->deleteLater();
    return true;
}

}  // namespace

bool Shell_NotifyIconA(Long message, const NotifyIconRecord& bytes) {
    const TrayIconRecord record = FromAnsiBytes(bytes);
    if (message == NIM_ADD) return Add(record);
    if (message == NIM_DELETE) return Delete(record);
    return false;
}

}  // namespace platform
