// The Linux program: creates the window (its timer already running), opens the desktop-wide key
// source, restores the saved choices, shows the window and runs until the window is closed.
#include <malloc.h>
#include <QApplication>
#include <QTimer>
#include <string>

#include "app_icon.h"
#include "close_on_signal.h"
#include "dispatch.h"
#include "main_window.h"
#include "platform/key_state.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"

namespace {

QtMessageHandler qtStandardHandler = nullptr;

// Qt's debug notes and warnings (a missing runtime folder, a font it had to substitute) are for
// developers; the user's terminal stays quiet. Critical and fatal messages still get through.
void KeepQtNotesOffTheTerminal(QtMsgType type, const QMessageLogContext& context,
                               const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
    if (qtStandardHandler != nullptr) qtStandardHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
    qtStandardHandler = qInstallMessageHandler(KeepQtNotesOffTheTerminal);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Clavitap"));
    QApplication::setDesktopFileName(QStringLiteral("clavitap"));
    QApplication::setWindowIcon(ui::AppIcon());
    // Only closing the main window ends the program: a message box closed while the window hides
    // in the notification area must not.
    QApplication::setQuitOnLastWindowClosed(false);
    // A second start only brings the running program's window back.
    if (const auto claim = platform::ClaimSession(); claim != platform::SessionClaim::First) {
        return claim == platform::SessionClaim::HandedOver ? 0 : 1;
    }

    int result = 0;
    {
        ui::MainWindow window;
        window.SetOnUnloaded([] { QCoreApplication::quit(); });
        app::CloseOnTerminationSignals(window);
        const std::string keySourceProblem = platform::OpenKeySource();
        ui::Dispatch([&] { window.Handlers().Form_Load(); });
        window.show();
        platform::AnswerLaterStarts(window.hWnd());
        if (!keySourceProblem.empty()) {
            // Told once, over the shown window.
            QTimer::singleShot(0, &window,
                               [keySourceProblem] { platform::MsgBox(keySourceProblem); });
        }
        // Loading the SoundFont and building the window leave megabytes of freed scratch memory
        // on the heap; hand it back to the system once the window is up.
        QTimer::singleShot(0, [] { malloc_trim(0); });
        result = QApplication::exec();
    }
    platform::CloseKeySource();
    return result;
}
