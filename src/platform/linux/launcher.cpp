#include "platform/launcher.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/message_box.h"

namespace platform {

void OpenLink(const std::string& target) {
    // The desktop's handler (xdg-open) is started detached; the program never waits for it.
    const QUrl url(QString::fromStdString(target), QUrl::TolerantMode);
    if (!QDesktopServices::openUrl(url)) {
        MsgBox("Clavitap could not open " + target +
               " because no program to open it was found on this desktop.");
    }
}

}  // namespace platform
