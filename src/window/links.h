// The three addresses the link labels open. They are configuration: change them here only.
#pragma once

#include <string_view>

namespace links {

inline constexpr std::string_view kDonate =
    "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=CLAVITAP2026A";
inline constexpr std::string_view kFeedback = "mailto:feedback@clavitap.example.org";
inline constexpr std::string_view kHomepage = "http://www.clavitap.example.org/";

}  // namespace links
