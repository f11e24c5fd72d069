// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C in the terminal that started the program,
// `kill`) into an ordinary close of the main window, so the four choices are saved and the MIDI
// port is closed as when the user closes the window. Open message boxes are closed; a box that
// the close raises (choices that could not be saved) is shown as at any close, and a second signal
// closes it too and sends any later box's text to standard error, so the program ends at once.
#pragma once

#include <QWidget>

namespace linux_ {

// Installs the handlers; `window` is closed on the Qt thread when one of the signals arrives.
void CloseOnTerminationSignals(QWidget& window);

}  // namespace linux_
