// When the program ends on a termination signal (a logout, `kill`), the boxes open at that moment
// belong to a program that is ending, and a box must not hold the end for good.
#pragma once

namespace linux_ {

// Closes the open boxes as OK would. A box raised after this still shows: it tells what the end
// itself met (choices that could not be saved), and a box is what the user sees, standard error
// is not when the program was started from the desktop. With `forLater`, every later box's text
// goes to standard error as one line instead, so that nothing holds the end any more.
void EndMessageBoxes(bool forLater);

}  // namespace linux_
