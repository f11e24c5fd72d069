// The error box: MessageBoxA with one OK button and the program's title, owned by the active
// window of this thread (if any) so that the window waits while the box is open.
//
// There is deliberately no test switch in here: tests close boxes from the outside (a CBT hook in
// an in-process test, a watcher that presses OK on the child's boxes in a whole-program test).
#include "platform/message_box.h"

#include <windows.h>

#include "window/layout.h"

namespace platform {

void MsgBox(const std::string& text) {
    const std::string title(layout::kCaption);
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK);
}

}  // namespace platform
