// The window font: Tahoma 8.25 pt, or where Tahoma is missing an installed face that keeps the
// layout; captions use its bold form.
#pragma once

#include <QFont>

#include "window/layout.h"

namespace linux_ {

QFont WindowFont();
QFont ControlFont(layout::Font kind);

// Has the font system read its configuration and font caches (tens of files, which it otherwise
// reads when the window first asks for a font) on another thread, while the toolkit starts.
void ReadFontConfigurationAhead();

}  // namespace linux_
