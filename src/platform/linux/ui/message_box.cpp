#include "platform/message_box.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

#include "app_icon.h"
#include "main_window.h"

namespace platform {
namespace {

// Test hook: when CLAVITAP_TEST_MESSAGE_LOG names a file, every box appends its text and a line
// break to that file, and closes itself as if OK were clicked shortly after it has been shown.
// Unattended tests of the whole program set it so that a modal box never blocks them; the box
// itself is still shown for real.
constexpr char kTestLogVariable[] = "CLAVITAP_TEST_MESSAGE_LOG";
constexpr int kTestCloseDelayMs = 50;

bool LogForTests(const std::string& text) {
    const QString path = qEnvironmentVariable(kTestLogVariable);
    if (path.isEmpty()) return false;
    QFile log(path);
    if (log.open(QIODevice::Append)) log.write(QByteArray::fromStdString(text + "\n"));
    return true;
}

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
    if (LogForTests(text)) QTimer::singleShot(kTestCloseDelayMs, &box, &QMessageBox::accept);
    box.exec();
}

}  // namespace platform
