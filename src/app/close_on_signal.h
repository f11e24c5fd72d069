// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C in the terminal that started the program,
// `kill`) into an ordinary close of the main window, so the four choices are saved and the MIDI
// port is closed as when the user closes the window. Open message boxes are closed, and any box
// that would follow goes to standard error instead, so the program ends within moments.
#pragma once

#include <QWidget>

namespace app {

// Installs the handlers; `window` is closed on the Qt thread when one of the signals arrives.
void CloseOnTerminationSignals(QWidget& window);

}  // namespace app
