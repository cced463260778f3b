// Per-frame picture of the keyboard: pressed, released and held flags, hold times, typed characters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {
class Clock;
class Keyboards;
class KeyboardDevice;
}  // namespace plat

class Input {
 public:
  static constexpr int kMaxControllers = 5;
  static constexpr int kNoChar = -1;

  Input(plat::Keyboards& keyboards, plat::Clock& clock);
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  // Opens the keyboard; false when it cannot be opened or is open already.
  bool InitKeyboard();
  // Reads the keyboard once; called once per frame.
  void Update();
  void Release();

  bool KeyPressed(int key) const { return Valid(key) && pressed[key]; }
  bool KeyReleased(int key) const { return Valid(key) && released[key]; }
  bool KeyHeld(int key) const { return Valid(key) && held[key]; }
  int KeyHoldTime(int key) const { return Valid(key) ? holdMs[key] : 0; }

  // The highest key code pressed this frame, or -1.
  int GetLastPressedKey() const;
  // The character typed this frame, or kNoChar; of keys pressed together, the first in a fixed order.
  int GetTypedChar() const;
  // Every character typed this frame, in the order its key went down.
  const std::string& TypedChars() const { return typed; }

  const std::vector<std::string>& ControllerNames() const { return controllerNames; }

 private:
  static bool Valid(int key) { return key >= 0 && key < 256; }
  // Either Shift key is held.
  bool Shift() const;

  bool ready = false;
  bool keyboardReady = false;
  plat::Keyboards& keyboards;
  plat::Clock& clock;
  std::unique_ptr<plat::KeyboardDevice> keyboard;
  bool pressed[256] = {};
  bool released[256] = {};
  bool held[256] = {};
  uint32_t downTick[256] = {};
  int holdMs[256] = {};
  std::vector<std::string> controllerNames;
  std::string typed;
};
