#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "platform/key_state.h"
#include "platform/linux/main_window.h"
#include "platform/linux/qt/message_boxes_end.h"

namespace platform {
namespace {

int openBoxes = 0;
bool boxesEnded = false;

// The shown main window owns the box, so that it opens centred over it as its dialog; while the
// window hides in the notification area the box stands on its own.
QWidget* OwnerWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && dynamic_cast<linux_::MainWindow*>(widget) != nullptr)
            return widget;
    }
    return nullptr;
}

}  // namespace

void MsgBox(const std::string& text) {
    // Without a widget application there is nowhere to show a box.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
    if (boxesEnded) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }

    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Clavitap"), QString::fromStdString(text),
                    QMessageBox::Ok, OwnerWindow());
    box.setWindowIcon(linux_::AppIcon());
    ++openBoxes;
    box.exec();
    --openBoxes;
    // The keys typed while the box was open, the one that closed it among them, were its own.
    ForgetKeyPresses();
}

bool MsgBoxOpen() {
    return openBoxes > 0;
}

}  // namespace platform

namespace linux_ {

void EndMessageBoxes(bool forLater) {
    if (forLater) platform::boxesEnded = true;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible()) box->done(QMessageBox::Ok);
    }
}

}  // namespace linux_
