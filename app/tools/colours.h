// The colours that mean the same throughout the program (Windows colour numbers, 0x00BBGGRR).
#pragma once

#include <cstdint>

namespace lw {

inline constexpr uint32_t kNormalColour = 0x000000;   // black: a neutral value
inline constexpr uint32_t kGoodColour = 0xFF0000;     // blue: a setting checked and found good
inline constexpr uint32_t kWarningColour = 0xFF00FF;  // magenta: needs attention; its fix is offered

}  // namespace lw
