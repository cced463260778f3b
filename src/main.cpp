// Program entry: opens the native window and services, then runs the game.
#include <cstdio>
#include <memory>
#include <string>

#include "app/entry.h"
#include "platform/native/native_services.h"

int main() {
  std::string error;
  std::unique_ptr<plat::Services> services = plat::CreateNativeServices(plat::NativeConfig{}, &error);
  if (!services) {
    std::fprintf(stderr, "Ridov Korvessa Ravizod: %s\n", error.c_str());
    return 1;
  }
  return RunGame(*services);
}
