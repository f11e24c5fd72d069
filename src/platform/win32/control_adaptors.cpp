#include "platform/win32/control_adaptors.h"

#include <limits>
#include <string>

#include "core/errors.h"
#include "platform/win32/twips.h"

namespace win32 {

// ---- ComboList

void ComboList::Clear() {
    SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
    newIndex_ = -1;
}

void ComboList::AddItem(const std::string& text) {
    const LRESULT index =
        SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0 || index > std::numeric_limits<Integer>::max()) throw OverflowError();
    newIndex_ = static_cast<Integer>(index);
}

Integer ComboList::ListCount() const {
    return static_cast<Integer>(SendMessageA(combo_, CB_GETCOUNT, 0, 0));
}

void ComboList::CheckEntry(Integer index) const {
    if (index < 0 || index >= ListCount()) throw InvalidPropertyValue();
}

std::string ComboList::List(Integer index) const {
    if (index < 0 || index >= ListCount()) return {};
    const LRESULT length = SendMessageA(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(combo_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

Long ComboList::ItemData(Integer index) const {
    CheckEntry(index);
    return static_cast<Long>(SendMessageA(combo_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void ComboList::SetItemData(Integer index, Long value) {
    CheckEntry(index);
    SendMessageA(combo_, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(value));
}

Integer ComboList::ListIndex() const {
    const LRESULT index = SendMessageA(combo_, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? Integer{-1} : static_cast<Integer>(index);
}

void ComboList::SetListIndex(Integer index) {
    if (index < -1 || index >= ListCount()) throw InvalidPropertyValue();
    SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// ---- ScrollBar

Integer ScrollBar::Value() const {
    return static_cast<Integer>(GetScrollPos(bar_, SB_CTL));
}

void ScrollBar::SetValue(Integer value) {
    if (value < min_ || value > max_) throw InvalidPropertyValue();
    SetScrollPos(bar_, SB_CTL, value, TRUE);
}

// ---- Label

RECT Label::ClientRect() const {
    RECT rect{};
    GetWindowRect(label_, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(label_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

float Label::Left() const {
    return TwipsFromPixels(ClientRect().left, WindowDpi(label_));
}
float Label::Top() const {
    return TwipsFromPixels(ClientRect().top, WindowDpi(label_));
}
float Label::Width() const {
    const RECT rect = ClientRect();
    return TwipsFromPixels(rect.right - rect.left, WindowDpi(label_));
}
float Label::Height() const {
    const RECT rect = ClientRect();
    return TwipsFromPixels(rect.bottom - rect.top, WindowDpi(label_));
}

}  // namespace win32
