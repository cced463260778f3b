// Keyboard input over the platform's keyboard snapshot.
#include "app/input.h"

#include <utility>

#include "platform/clock.h"
#include "platform/keyboard.h"

namespace {

struct CharKey {
  int key;
  char c;
};

// Letters first, in alphabetical order, then the digits 1 to 8: the first pressed one wins.
constexpr CharKey kLettersAndDigits[] = {
    {plat::key::A, 'a'},  {plat::key::B, 'b'},  {plat::key::C, 'c'},  {plat::key::D, 'd'},
    {plat::key::E, 'e'},  {plat::key::F, 'f'},  {plat::key::G, 'g'},  {plat::key::H, 'h'},
    {plat::key::I, 'i'},  {plat::key::J, 'j'},  {plat::key::K, 'k'},  {plat::key::L, 'l'},
    {plat::key::M, 'm'},  {plat::key::N, 'n'},  {plat::key::O, 'o'},  {plat::key::P, 'p'},
    {plat::key::Q, 'q'},  {plat::key::R, 'r'},  {plat::key::S, 's'},  {plat::key::T, 't'},
    {plat::key::U, 'u'},  {plat::key::V, 'v'},  {plat::key::W, 'w'},  {plat::key::X, 'x'},
    {plat::key::Y, 'y'},  {plat::key::Z, 'z'},  {plat::key::K1, '1'}, {plat::key::K2, '2'},
    {plat::key::K3, '3'}, {plat::key::K4, '4'}, {plat::key::K5, '5'}, {plat::key::K6, '6'},
    {plat::key::K7, '7'}, {plat::key::K8, '8'},
};

constexpr CharKey kPunctuation[] = {
    {plat::key::Equals, '='}, {plat::key::Space, ' '}, {plat::key::Period, '.'},
    {plat::key::Comma, ','},  {plat::key::Minus, '-'},
};

}  // namespace

Input::Input(plat::Keyboards& k, plat::Clock& c) : keyboards(k), clock(c) {
  if (!keyboards.Available()) return;
  ready = true;
  controllerNames = keyboards.ControllerNames(kMaxControllers);
}

Input::~Input() {
  Release();
}

bool Input::InitKeyboard() {
  if (!ready || keyboardReady) return false;
  keyboard = keyboards.OpenKeyboard();
  if (!keyboard) return false;
  keyboard->Acquire();
  keyboardReady = true;
  return true;
}

void Input::Release() {
  keyboard.reset();
  keyboardReady = false;
}

void Input::Update() {
  if (!keyboard) return;
  plat::KeyState state{};
  // A failed read counts as every key up.
  if (!keyboard->GetState(state)) state.fill(0);
  for (int k = 0; k < 256; ++k) {
    pressed[k] = false;
    released[k] = false;
    const bool down = (state[k] & 0x80) != 0;
    if (down) {
      if (!held[k]) {
        pressed[k] = true;
        downTick[k] = clock.TickCountMs();
        holdMs[k] = 0;
      }
      holdMs[k] = static_cast<int>(clock.TickCountMs() - downTick[k]);
      held[k] = true;
    } else if (held[k]) {
      released[k] = true;
      held[k] = false;
      holdMs[k] = 0;
    }
  }
}

int Input::GetLastPressedKey() const {
  for (int k = 255; k >= 0; --k) {
    if (pressed[k]) return k;
  }
  return -1;
}

int Input::GetTypedChar() const {
  for (const CharKey& ck : kLettersAndDigits) {
    if (pressed[ck.key]) return ck.c;
  }
  const bool shift = held[plat::key::LShift] || held[plat::key::RShift];
  if (pressed[plat::key::K9]) return shift ? '(' : '9';
  if (pressed[plat::key::K0]) return shift ? ')' : '0';
  for (const CharKey& ck : kPunctuation) {
    if (pressed[ck.key]) return ck.c;
  }
  return kNoChar;
}
