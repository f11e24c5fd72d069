// One Clavitap per user session (on an X desktop, per X display). The first start claims the
// session and answers later starts; a later start hands over to it: the running program brings its
// window back and the later start ends without reading or writing the settings or opening a MIDI
// device. Windows: a named mutex in the session's namespace; the request is a registered window
// message
//          sent to the running program's window.
// Linux:   a local socket in the kernel's abstract namespace, which serves the request too.
// Either claim goes with the process that holds it, so a program that was killed blocks no start.
#pragma once

#include "core/basic_types.h"

namespace platform {

enum class SessionClaim {
    First,       // this start is the session's program: it goes on and answers later starts
    HandedOver,  // another program runs and has brought its window back: end with status 0
    NoAnswer,    // another program holds the session but did not answer; a box has told the user
};

// Decides the role of this start. Waits at most about two seconds for a program that is still
// starting or just ending.
SessionClaim ClaimSession();

// From now on, each later start's request brings back the window `hWnd` (the form's handle) as a
// left-button release over its tray icon would, restores it if it is minimised and raises it.
// Called once, after ClaimSession answered First and the window exists.
void AnswerLaterStarts(Long hWnd);

}  // namespace platform
