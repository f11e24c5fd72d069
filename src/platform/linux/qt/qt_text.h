// Conversions between the layout's texts and Qt's strings.
#pragma once

#include <QString>
#include <string_view>

namespace linux_ {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace linux_
