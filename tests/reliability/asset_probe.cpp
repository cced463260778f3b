// Starts the game on the headless backend from a given game folder and plays into the first zone with the
// autopilot for a number of frames: the asset sweep runs it once per removed file or folder.
// Exit 0 after the frames (or the game's own quit), 1 when the game refused to start; what the game showed
// in its message boxes goes to the standard error either way.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "app/engine.h"
#include "app/entry.h"
#include "harness/autopilot.h"
#include "platform/headless/headless_services.h"
#include "platform/keyboard.h"

namespace {

void PrintMessages(const plat::HeadlessServices& services) {
  for (const std::string& box : services.MessageBoxes()) std::fprintf(stderr, "message: %s\n", box.c_str());
}

// One turn of the event loop at 20 ms a frame, as the program's entry runs it; false after the quit event.
bool Step(Engine& engine, plat::HeadlessServices& services) {
  services.AdvanceTicks(20);
  engine.Frame();
  plat::Event event;
  if (!services.PollEvent(event)) return true;
  if (event.kind == plat::EventKind::Quit) return false;
  HandleWindowEvent(event);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <game folder> [frames]\n", argv[0]);
    return 2;
  }
  const int frames = argc > 2 ? std::atoi(argv[2]) : 1500;
  plat::HeadlessServices services(argv[1]);
  services.SetTick(1000);
  std::unique_ptr<Engine> engine;
  try {
    engine = std::make_unique<Engine>(services);
  } catch (const std::exception& e) {
    // The program's entry refuses to start the same way: the messages, then exit code 1.
    PrintMessages(services);
    std::fprintf(stderr, "refused to start: %s\n", e.what());
    return 1;
  }
  g_mainEngine = engine.get();
  // Enter through both splashes, then Start on the menu; then the autopilot flies and fires.
  bool running = true;
  for (int i = 0; running && i < 3; ++i) {
    services.SetKey(plat::key::Enter, true);
    running = Step(*engine, services);
    services.SetKey(plat::key::Enter, false);
    running = running && Step(*engine, services);
  }
  for (int frame = 0; running && frame < frames; ++frame) {
    autopilot::SetKeys(*engine, services, frame);
    running = Step(*engine, services);
  }
  PrintMessages(services);
  std::printf("state %d after %d frames%s\n", engine->state, frames, running ? "" : " (quit)");
  g_mainEngine = nullptr;
  engine.reset();
  return 0;
}
