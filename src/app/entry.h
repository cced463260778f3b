// The program's entry: creates the engine and drives it from the event loop.
#pragma once

namespace plat {
class Services;
struct Event;
}  // namespace plat
class Engine;

// The engine the event handling reaches; null until the engine is constructed and after it is deleted.
extern Engine* g_mainEngine;

// Runs the game until the quit event; the result is the program's exit code.
int RunGame(plat::Services& services);

// Acts on one window event (focus lost or gained); quit is handled by the loop.
void HandleWindowEvent(const plat::Event& event);
