// Creates the SDL2 services: one window, its events and message boxes, the clock, the keyboard, the files.
#pragma once

#include <memory>
#include <string>

#include "platform/services.h"

struct SDL_Window;

namespace plat {

struct NativeConfig {
  bool fullscreen = false;  // a desktop-sized window instead of the 1024 by 768 one
};

// What other native-backend code needs beyond Services; reach it with dynamic_cast from Services&.
class NativeServices : public Services {
 public:
  virtual SDL_Window* SdlWindow() const = 0;
};

// Null, with *error filled, when SDL or the window cannot be set up. Only one may exist at a time.
// Keyboard devices it opened must be destroyed before it.
std::unique_ptr<Services> CreateNativeServices(const NativeConfig& config, std::string* error);

}  // namespace plat
