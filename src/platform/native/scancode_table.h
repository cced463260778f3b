// The one fixed table from SDL scancodes (physical key positions) to the game's key codes.
#pragma once

namespace plat {

// The game's key code (see plat::key) for an SDL_Scancode value, or -1 when the key has no code.
int ScancodeToKey(int sdlScancode);

}  // namespace plat
