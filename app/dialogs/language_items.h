// The items of both language choice boxes; an item's index is the LanguageIndex it selects.
#pragma once

#include <array>
#include <string_view>

namespace vyr {

inline constexpr std::array<std::string_view, 6> kLanguageItems = {
    "English", "中文", "Spanish", "Português", "Italiano", "繁體中文",
};

}  // namespace vyr
