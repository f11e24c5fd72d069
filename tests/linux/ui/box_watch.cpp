#include "tests/linux/ui/box_watch.h"

#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <utility>

namespace uitest {

BoxWatch::BoxWatch(std::function<void(const QString&)> seen, int closeAfterMs)
    : seen_(std::move(seen)), closeAfterMs_(closeAfterMs) {}

bool BoxWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            seen_(box->text());
            if (closeAfterMs_ >= 0) {
                QPointer<QMessageBox> shown(box);
                QTimer::singleShot(closeAfterMs_, [shown] {
                    if (shown != nullptr) shown->accept();
                });
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace uitest
