#include "platform/linux/start/start_program.h"

#include <malloc.h>
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "platform/key_state.h"
#include "platform/linux/main_window.h"
#include "platform/linux/midi/soundfont_search.h"
#include "platform/linux/midi/synth_preload.h"
#include "platform/linux/qt/window_font.h"
#include "platform/linux/start/close_on_signal.h"
#include "platform/linux/start/qt_start_failure.h"
#include "platform/message_box.h"
#include "platform/midi_out.h"
#include "platform/single_instance.h"

namespace linux_ {

namespace {

QtMessageHandler qtStandardHandler = nullptr;
// What Qt said while it started its platform: kept, not printed, to name the cause if it fails.
std::vector<std::string> qtStartMessages;

// While the application is built: a platform that cannot start gives the user one line naming the
// cause, and the program ends with status 1 instead of an abort.
void NoteQtStartMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    qtStartMessages.push_back(text.toStdString());
    if (type != QtFatalMsg) return;
    std::fprintf(stderr, "%s\n", QtStartFailureLine(qtStartMessages).c_str());
    std::_Exit(1);
}

// Qt's debug notes and warnings (a missing runtime folder, a font it had to substitute) are for
// developers; the user's terminal stays quiet. Critical and fatal messages still get through.
void KeepQtNotesOffTheTerminal(QtMsgType type, const QMessageLogContext& context,
                               const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
    if (qtStandardHandler != nullptr) qtStandardHandler(type, context, text);
}

// The unload ends the program. When it ran inside a message box's loop (a termination signal
// arrived while a box was open), returning would run on the code that showed the box after the
// unload; the program ends at once instead, everything saved and closed.
void EndProgram() {
    if (!platform::MsgBoxOpen()) {
        QCoreApplication::quit();
        return;
    }
    platform::CloseKeySource();
    std::fflush(nullptr);
    std::_Exit(0);
}

// Creates the window (its timer already running), opens the desktop-wide key source, tells what
// start-up met, restores the saved choices, shows the window and runs until it is closed.
int RunMainWindow() {
    MainWindow window;
    window.SetOnUnloaded(EndProgram);
    CloseOnTerminationSignals(window);
    const std::string keySourceProblem = platform::OpenKeySource();
    // The native window is made now, unmapped, while the SoundFont may still be loading on its
    // thread; showing it after the start-up sequence is then only the mapping.
    window.winId();
    // Told before the device boxes that the missing font causes, so that they make sense.
    const std::string noSoundFont = MissingSoundFontNotice(platform::midiOutGetNumDevs() > 0);
    if (!noSoundFont.empty()) platform::MsgBox(noSoundFont);
    Dispatch([&] { window.Handlers().Form_Load(); });
    window.show();
    platform::AnswerLaterStarts(window.hWnd());
    if (!keySourceProblem.empty()) {
        // Told once, over the shown window.
        QTimer::singleShot(0, &window, [keySourceProblem] { platform::MsgBox(keySourceProblem); });
    }
    // Loading the SoundFont and building the window leave megabytes of freed scratch memory on the
    // heap; hand it back to the system once the window is up, with the preloaded synthesizer when
    // the device opened at start was another one.
    QTimer::singleShot(0, [] {
        DropPreloadedSynth();
        malloc_trim(0);
    });
    return QApplication::exec();
}

}  // namespace

int StartProgram(int argc, char** argv) {
    // The SoundFont loads while the toolkit and the window are built; opening the built-in
    // synthesizer at start takes it from there.
    PreloadBuiltinSynth();
    ReadFontConfigurationAhead();
    qtStandardHandler = qInstallMessageHandler(NoteQtStartMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(KeepQtNotesOffTheTerminal);
    QApplication::setApplicationName(QStringLiteral("Clavitap"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.clavitap"));
    QApplication::setWindowIcon(AppIcon());
    // Only closing the main window ends the program: a message box closed while the window hides
    // in the notification area must not.
    QApplication::setQuitOnLastWindowClosed(false);
    // A second start only brings the running program's window back.
    if (const auto claim = platform::ClaimSession(); claim != platform::SessionClaim::First) {
        return claim == platform::SessionClaim::HandedOver ? 0 : 1;
    }
    const int result = RunMainWindow();
    platform::CloseKeySource();
    return result;
}

}  // namespace linux_
