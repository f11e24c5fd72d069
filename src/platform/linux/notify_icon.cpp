#include "platform/notify_icon.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <map>
#include <utility>

#include "platform/linux/main_window.h"
#include "platform/linux/qt/tray_clicks.h"
#include "platform/linux/window_handles.h"
#include "platform/message_box.h"
#include "window/tray_icon.h"

namespace platform {
namespace {

constexpr Long kNifMessage = 1;
constexpr Long kNifIcon = 2;
constexpr Long kNifTip = 4;
// The tip up to its NUL; the blanks that pad the fixed-width field after it are not text.
QString TipText(const TrayIconRecord& record) {
    QByteArray tip;
    for (std::size_t i = 0; i < record.szTip.size() && record.szTip[i] != 0; ++i) {
        tip.append(record.szTip[i]);
    }
    return QString::fromLatin1(tip);
}

// Icons shown, by window and icon id, as the platform identifies them.
std::map<std::pair<Long, Long>, QPointer<QSystemTrayIcon>>& ShownIcons() {
    static std::map<std::pair<Long, Long>, QPointer<QSystemTrayIcon>> icons;
    return icons;
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
    auto& icons = ShownIcons();
    const auto key = std::pair{record.hWnd, record.uID};
    if (const auto found = icons.find(key); found != icons.end() && !found->second.isNull()) {
        return false;  // that icon is already shown
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        TellOnceThatThereIsNoTray();
        return false;
    }

    auto* icon = new QSystemTrayIcon(window);
    if ((record.uFlags & kNifIcon) != 0) icon->setIcon(linux_::IconFromHandle(record.hIcon));
    if ((record.uFlags & kNifTip) != 0) icon->setToolTip(TipText(record));
    linux_::MouseMessageSink sink = [](Long) {};
    if ((record.uFlags & kNifMessage) != 0) {
        sink = [window = QPointer<linux_::MainWindow>(window),
                message = record.uCallbackMessage](Long mouseMessage) {
            if (window) window->PostCallbackMessage(message, mouseMessage);
        };
    }
    linux_::ShowReportingClicks(*icon, std::move(sink));
    icons[key] = icon;
    return true;
}

bool Delete(const TrayIconRecord& record) {
    auto& icons = ShownIcons();
    const auto found = icons.find(std::pair{record.hWnd, record.uID});
    if (found == icons.end()) return false;
    QPointer<QSystemTrayIcon> icon = found->second;
    icons.erase(found);
    if (icon.isNull()) return false;
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
