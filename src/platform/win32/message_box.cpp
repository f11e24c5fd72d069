// The error box: MessageBoxA with one OK button and the program's title, owned by the active
// window of this thread (if any) so that the window waits while the box is open.
//
// There is deliberately no test switch in here: tests close boxes from the outside (a CBT hook in
// an in-process test, a watcher that presses OK on the child's boxes in a whole-program test).
#include "platform/message_box.h"

#include <windows.h>

#include "platform/key_state.h"
#include "window/layout.h"

namespace platform {

namespace {

int openBoxes = 0;

}  // namespace

void MsgBox(const std::string& text) {
    const std::string title(layout::kCaption);
    ++openBoxes;
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK);
    --openBoxes;
    // The keys typed while the box was open, the one that closed it among them, were its own.
    ForgetKeyPresses();
}

bool MsgBoxOpen() {
    return openBoxes > 0;
}

}  // namespace platform
