// The window font: Tahoma 8.25 pt, or where Tahoma is missing an installed face that keeps the
// layout; captions use its bold form.
#pragma once

#include <QFont>

#include "window/layout.h"

namespace ui {

QFont WindowFont();
QFont ControlFont(layout::Font kind);

}  // namespace ui
