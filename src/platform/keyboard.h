// The keyboard as a 256-entry snapshot indexed by the game's key codes (bit 7 set = down).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// Key codes the game uses, in the keyboard scan-code numbering it was written for.
namespace key {
// One keyboard row a line.
// clang-format off
enum : int {
  Escape = 1, K1 = 2, K2, K3, K4, K5, K6, K7, K8, K9, K0, Minus = 12, Equals = 13, Backspace = 14,
  Tab = 15, Q = 16, W, E, R, T, Y, U, I, O, P, LBracket = 26, RBracket = 27, Enter = 28,
  LControl = 29, A = 30, S, D, F, G, H, J, K, L, Semicolon = 39, Apostrophe = 40, Grave = 41,
  LShift = 42, Backslash = 43, Z = 44, X, C, V, B, N, M, Comma = 51, Period = 52, Slash = 53,
  RShift = 54, NumpadMultiply = 55, LAlt = 56, Space = 57, CapsLock = 58,
  F1 = 59, F2, F3, F4, F5, F6, F7, F8, F9, F10, NumLock = 69, ScrollLock = 70,
  Numpad7 = 71, Numpad8, Numpad9, NumpadMinus = 74, Numpad4 = 75, Numpad5, Numpad6, NumpadPlus = 78,
  Numpad1 = 79, Numpad2, Numpad3, Numpad0 = 82, NumpadPeriod = 83, F11 = 87, F12 = 88,
  NumpadEnter = 156, RControl = 157, NumpadDivide = 181, RAlt = 184, Pause = 197, Home = 199,
  Up = 200, PageUp = 201, Left = 203, Right = 205, End = 207, Down = 208, PageDown = 209,
  Insert = 210, Delete = 211,
};
// clang-format on
}  // namespace key

using KeyState = std::array<uint8_t, 256>;

// An opened keyboard; destroying it releases it.
class KeyboardDevice {
 public:
  virtual ~KeyboardDevice() = default;
  virtual bool Acquire() = 0;
  // Fills the snapshot; false (and every key up) when it cannot be read.
  virtual bool GetState(KeyState& out) = 0;
  // The keys that went down in the latest GetState, in the order they went down.
  virtual const std::vector<int>& Presses() const = 0;
};

class Keyboards {
 public:
  virtual ~Keyboards() = default;
  virtual bool Available() const = 0;
  // Product names of attached game controllers, at most `max`; they are never opened.
  virtual std::vector<std::string> ControllerNames(size_t max) = 0;
  // Null when no keyboard can be opened.
  virtual std::unique_ptr<KeyboardDevice> OpenKeyboard() = 0;
};

}  // namespace plat
