// Keyboard input over the platform's keyboard snapshot.
#include "app/input.h"

#include <utility>

#include "platform/clock.h"
#include "platform/keyboard.h"

namespace {

struct CharKey {
  int key;
  char c;
  char shifted;  // with either Shift key held
};

// In the order that picks the one character of keys pressed together: letters alphabetically, the digits 1
// to 8, 9 and 0 (which Shift turns into brackets), then punctuation.
constexpr CharKey kCharKeys[] = {
    {plat::key::A, 'a', 'a'},      {plat::key::B, 'b', 'b'},     {plat::key::C, 'c', 'c'},
    {plat::key::D, 'd', 'd'},      {plat::key::E, 'e', 'e'},     {plat::key::F, 'f', 'f'},
    {plat::key::G, 'g', 'g'},      {plat::key::H, 'h', 'h'},     {plat::key::I, 'i', 'i'},
    {plat::key::J, 'j', 'j'},      {plat::key::K, 'k', 'k'},     {plat::key::L, 'l', 'l'},
    {plat::key::M, 'm', 'm'},      {plat::key::N, 'n', 'n'},     {plat::key::O, 'o', 'o'},
    {plat::key::P, 'p', 'p'},      {plat::key::Q, 'q', 'q'},     {plat::key::R, 'r', 'r'},
    {plat::key::S, 's', 's'},      {plat::key::T, 't', 't'},     {plat::key::U, 'u', 'u'},
    {plat::key::V, 'v', 'v'},      {plat::key::W, 'w', 'w'},     {plat::key::X, 'x', 'x'},
    {plat::key::Y, 'y', 'y'},      {plat::key::Z, 'z', 'z'},     {plat::key::K1, '1', '1'},
    {plat::key::K2, '2', '2'},     {plat::key::K3, '3', '3'},    {plat::key::K4, '4', '4'},
    {plat::key::K5, '5', '5'},     {plat::key::K6, '6', '6'},    {plat::key::K7, '7', '7'},
    {plat::key::K8, '8', '8'},     {plat::key::K9, '9', '('},    {plat::key::K0, '0', ')'},
    {plat::key::Equals, '=', '='}, {plat::key::Space, ' ', ' '}, {plat::key::Period, '.', '.'},
    {plat::key::Comma, ',', ','},  {plat::key::Minus, '-', '-'},
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
  // Each key that went down types its character, in the order the keys went down.
  typed.clear();
  for (int k : keyboard->Presses()) {
    if (!Valid(k) || !pressed[k]) continue;
    for (const CharKey& ck : kCharKeys) {
      if (ck.key == k) typed += Shift() ? ck.shifted : ck.c;
    }
  }
}

int Input::GetLastPressedKey() const {
  for (int k = 255; k >= 0; --k) {
    if (pressed[k]) return k;
  }
  return -1;
}

bool Input::Shift() const {
  return held[plat::key::LShift] || held[plat::key::RShift];
}

int Input::GetTypedChar() const {
  for (const CharKey& ck : kCharKeys) {
    if (pressed[ck.key]) return Shift() ? ck.shifted : ck.c;
  }
  return kNoChar;
}
