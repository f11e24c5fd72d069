#include "platform/linux/qt/link_cursor.h"

#include <QImageReader>
#include <QPixmap>

namespace linux_ {

QCursor LinkCursor() {
    constexpr int kHotSpotX = 12;
    constexpr int kHotSpotY = 1;
    // Read as PNG only, as the icons are: no probing of every image plugin.
    QImageReader reader(QStringLiteral(":/clavitap/link.png"), "PNG");
    reader.setAutoDetectImageFormat(false);
    return QCursor(QPixmap::fromImage(reader.read()), kHotSpotX, kHotSpotY);
}

}  // namespace linux_
