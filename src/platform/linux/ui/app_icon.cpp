#include "app_icon.h"

namespace ui {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        icon.addFile(QStringLiteral(":/clavitap/clavitap-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace ui
