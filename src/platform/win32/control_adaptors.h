// The shared window's abstract controls over Win32 child windows.
#pragma once

#include <windows.h>

#include "platform/controls.h"

namespace win32 {

// A CBS_DROPDOWNLIST combo box. Selections made here send no CBN_SELCHANGE, so setting ListIndex
// from code raises no Click.
class ComboList final : public platform::ListControl {
  public:
    explicit ComboList(HWND combo) : combo_(combo) {}
    void Clear() override;
    void AddItem(const std::string& text) override;
    Integer NewIndex() const override { return newIndex_; }
    Integer ListCount() const override;
    std::string List(Integer index) const override;
    Long ItemData(Integer index) const override;
    void SetItemData(Integer index, Long value) override;
    Integer ListIndex() const override;
    void SetListIndex(Integer index) override;

  private:
    void CheckEntry(Integer index) const;
    HWND combo_;
    Integer newIndex_ = -1;
};

// A horizontal SBS_HORZ scroll bar; the window moves its thumb on WM_HSCROLL.
class ScrollBar final : public platform::ScrollBarControl {
  public:
    ScrollBar(HWND bar, int minimum, int maximum) : bar_(bar), min_(minimum), max_(maximum) {}
    Integer Value() const override;
    void SetValue(Integer value) override;

  private:
    HWND bar_;
    int min_;
    int max_;
};

// A static control's place and size in twips within its parent's client area.
class Label final : public platform::LabelControl {
  public:
    explicit Label(HWND label) : label_(label) {}
    float Left() const override;
    float Top() const override;
    float Width() const override;
    float Height() const override;

  private:
    RECT ClientRect() const;
    HWND label_;
};

}  // namespace win32
