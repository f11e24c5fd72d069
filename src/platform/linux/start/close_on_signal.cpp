#include "platform/linux/start/close_on_signal.h"

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>

#include "platform/linux/qt/message_boxes_end.h"

namespace linux_ {

namespace {

// A signal handler may only do async-signal-safe work: it writes one byte into a pipe whose other
// end the Qt event loop watches.
int signalPipe[2] = {-1, -1};

extern "C" void NoteSignal(int) {
    const char byte = 1;
    const ssize_t ignored = write(signalPipe[1], &byte, 1);
    (void)ignored;
}

}  // namespace

void CloseOnTerminationSignals(QWidget& window) {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the default action stays
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char bytes[16];
        while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        // A box open now (a failed start-up step, say) must not hold the end. A box the close
        // raises is shown; a further signal ends that one too, and the program with it.
        static bool signalledBefore = false;
        EndMessageBoxes(signalledBefore);
        signalledBefore = true;
        window.close();
    });
    struct sigaction action = {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace linux_
