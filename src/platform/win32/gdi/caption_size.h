// The size a caption takes on screen in a given font.
#pragma once

#include <windows.h>

#include <string_view>

namespace win32 {

// A caption as it is shown: "&" marks the access key and is not drawn; "&&" is one "&".
std::string ShownCaption(std::string_view caption);

// Width and height of `caption` as shown in `font`. The width is taken from where the system
// draws the glyphs: with a face that carries bitmaps for some sizes, Wine reports the outline's
// wider advances (GetTextExtentPoint32, GetCharWidth32, even the pen position after TextOut)
// while it draws the bitmap's narrower ones, and a label sized by the report leaves a gap of up
// to a tenth of its width after its text.
SIZE CaptionSize(HFONT font, std::string_view caption);

}  // namespace win32
