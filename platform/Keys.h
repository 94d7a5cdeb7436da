// Virtual-key codes (the Windows numbering) of the keys that the viewer reads.
#pragma once

namespace Key {
constexpr int Tab = 9;
constexpr int Escape = 27;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Space = 32;
constexpr int KeypadMultiply = 106;
constexpr int KeypadPlus = 107;
constexpr int KeypadMinus = 109;
constexpr int F1 = 112;
constexpr int F12 = 123;
} // namespace Key
