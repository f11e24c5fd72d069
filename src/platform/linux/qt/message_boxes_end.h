// When the program ends on a termination signal (a logout, `kill`), nobody may be left to close a
// message box, and a box must not hold the end.
#pragma once

namespace linux_ {

// Closes the open boxes as OK would; from now on a box's text goes to standard error as one line
// instead of a box.
void EndMessageBoxes();

}  // namespace linux_
