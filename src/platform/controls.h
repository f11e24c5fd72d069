// The small abstract controls that the window's handlers work with. Each target's window
// implements them over its own toolkit; the unit tests implement them over plain memory.
//
// Sizes and positions are in twips (1440 per inch, 15 per pixel at 96 dpi) as single-precision
// floats, measured from the top-left corner of the window's client area.
#pragma once

#include <string>

#include "core/basic_types.h"

namespace platform {

// A drop-down list with per-entry ItemData. Setting ListIndex from code does not raise Click;
// a selection by the user does.
class ListControl {
  public:
    virtual ~ListControl() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const std::string& text) = 0;
    // Index of the entry added last; -1 before any AddItem.
    virtual Integer NewIndex() const = 0;
    virtual Integer ListCount() const = 0;
    virtual std::string List(Integer index) const = 0;
    // ItemData of an entry; raises InvalidPropertyValue for an index outside 0..ListCount-1.
    virtual Long ItemData(Integer index) const = 0;
    virtual void SetItemData(Integer index, Long value) = 0;
    // -1 when nothing is selected.
    virtual Integer ListIndex() const = 0;
    // Raises InvalidPropertyValue outside -1..ListCount-1 and leaves the selection unchanged.
    virtual void SetListIndex(Integer index) = 0;
};

// The horizontal volume bar, Min 0 to Max 100.
class ScrollBarControl {
  public:
    virtual ~ScrollBarControl() = default;
    virtual Integer Value() const = 0;
    // Raises InvalidPropertyValue outside Min..Max and leaves the value unchanged.
    virtual void SetValue(Integer value) = 0;
};

// A label's run-time place and size (AutoSize labels measure their caption).
class LabelControl {
  public:
    virtual ~LabelControl() = default;
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
};

// The main window itself.
class FormControl {
  public:
    virtual ~FormControl() = default;
    // Window and icon handles as the notification area knows them.
    virtual Long hWnd() const = 0;
    virtual Long IconHandle() const = 0;
    virtual void Hide() = 0;
    virtual void Show() = 0;
    // Outer size and client size in twips.
    virtual float Height() const = 0;
    virtual float Width() const = 0;
    virtual float ScaleHeight() const = 0;
    virtual float ScaleWidth() const = 0;
    // Raise InvalidPropertyValue while the window is minimised or maximised.
    virtual void SetHeight(float twips) = 0;
    virtual void SetWidth(float twips) = 0;
    virtual float TwipsPerPixelX() const = 0;
};

}  // namespace platform
