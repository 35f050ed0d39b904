#pragma once

namespace morvane {

// Keys are told apart by their virtual key code and a modifier mask (Shift 1, Ctrl 2, Alt 4, added); "Ctrl
// only" means a mask of exactly 2. The window translates its key events into these once.
namespace vk {
inline constexpr int kBackspace = 8;
inline constexpr int kEnter = 13;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kDelete = 46;
inline constexpr int kA = 65;
inline constexpr int kZ = 90;
inline constexpr int kKeypadPlus = 107;
inline constexpr int kF1 = 112;
inline constexpr int kMainPlus = 187; // the key carrying "=" and "+" on the main keyboard
} // namespace vk

inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

struct KeyStroke {
    int code = 0;
    int mask = 0;
};

} // namespace morvane
