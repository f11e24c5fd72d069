#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "app_icon.h"
#include "main_window.h"

namespace platform {
namespace {

// The shown main window owns the box, so that it opens centred over it as its dialog; while the
// window hides in the notification area the box stands on its own.
QWidget* OwnerWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && dynamic_cast<ui::MainWindow*>(widget) != nullptr) return widget;
    }
    return nullptr;
}

}  // namespace

void MsgBox(const std::string& text) {
    // Without a widget application there is nowhere to show a box.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;

    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Clavitap"), QString::fromStdString(text),
                    QMessageBox::Ok, OwnerWindow());
    box.setWindowIcon(ui::AppIcon());
    box.exec();
}

}  // namespace platform
