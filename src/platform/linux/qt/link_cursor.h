// The cursor the four link labels show: the 32 x 32 pointing hand the Windows build carries in
// link.cur, from the same artwork (assets/make_assets.py), with its hot spot at the fingertip.
#pragma once

#include <QCursor>

namespace linux_ {

QCursor LinkCursor();

}  // namespace linux_
