#include "platform/linux/qt/app_icon.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>

namespace linux_ {

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

}  // namespace linux_
