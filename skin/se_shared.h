#pragma once
// The version of the skin library's shared unit.

namespace se {
inline constexpr const char* SharedVersion = "1.0.0";
}  // namespace se
