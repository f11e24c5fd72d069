#include "platform/linux/control_adaptors.h"

#include <limits>

#include "core/errors.h"
#include "platform/linux/twips.h"

namespace linux_ {

void ComboList::Clear() {
    box_.clear();
    newIndex_ = -1;
}

void ComboList::AddItem(const std::string& text) {
    // A full list cannot grow: its count must stay an Integer.
    if (box_.count() >= std::numeric_limits<Integer>::max()) throw InvalidPropertyValue();
    // Qt selects the first entry added to an empty list; the list keeps "no selection" instead.
    const bool noSelection = box_.currentIndex() == -1;
    box_.addItem(QString::fromStdString(text), QVariant(Long{0}));
    if (noSelection) box_.setCurrentIndex(-1);
    newIndex_ = static_cast<Integer>(box_.count() - 1);
}

Integer ComboList::ListCount() const {
    return static_cast<Integer>(box_.count());
}

std::string ComboList::List(Integer index) const {
    // Like the classic list property: an index without an entry reads as empty text.
    if (index < 0 || index >= box_.count()) return {};
    return box_.itemText(index).toStdString();
}

void ComboList::CheckEntry(Integer index) const {
    if (index < 0 || index >= box_.count()) throw InvalidPropertyValue();
}

Long ComboList::ItemData(Integer index) const {
    CheckEntry(index);
    return box_.itemData(index).value<Long>();
}

void ComboList::SetItemData(Integer index, Long value) {
    CheckEntry(index);
    box_.setItemData(index, QVariant(value));
}

Integer ComboList::ListIndex() const {
    return static_cast<Integer>(box_.currentIndex());
}

void ComboList::SetListIndex(Integer index) {
    if (index < -1 || index >= box_.count()) throw InvalidPropertyValue();
    box_.setCurrentIndex(index);
}

Integer ScrollBar::Value() const {
    return static_cast<Integer>(bar_.value());
}

void ScrollBar::SetValue(Integer value) {
    if (value < bar_.minimum() || value > bar_.maximum()) throw InvalidPropertyValue();
    bar_.setValue(value);
}

float Label::Left() const {
    return TwipsFromPixels(label_.x());
}
float Label::Top() const {
    return TwipsFromPixels(label_.y());
}
float Label::Width() const {
    return TwipsFromPixels(label_.width());
}
float Label::Height() const {
    return TwipsFromPixels(label_.height());
}

}  // namespace linux_
