// The event loop: one engine frame, then at most one window event, until quit.
#include "app/entry.h"

#include <exception>
#include <string>

#include "app/engine.h"
#include "platform/services.h"

Engine* g_mainEngine = nullptr;

void HandleWindowEvent(const plat::Event& event) {
  if (g_mainEngine == nullptr) return;
  switch (event.kind) {
    case plat::EventKind::FocusLost:
      g_mainEngine->Pause();
      g_mainEngine->ReleaseInput();
      break;
    case plat::EventKind::FocusGained:
      g_mainEngine->RestoreState();
      g_mainEngine->CreateInput();
      break;
    case plat::EventKind::Quit:
      break;
  }
}

int RunGame(plat::Services& services) {
  Engine* engine = nullptr;
  try {
    engine = new Engine(services);
  } catch (const std::exception& e) {
    services.dialogs().ShowMessage(e.what(), "Ridov Korvessa Ravizod");
    return 1;
  }
  g_mainEngine = engine;

  int exitCode = 0;
  for (;;) {
    engine->Frame();
    plat::Event event;
    if (services.window().PollEvent(event)) {
      if (event.kind == plat::EventKind::Quit) {
        exitCode = event.exitCode;
        break;
      }
      HandleWindowEvent(event);
    }
  }

  g_mainEngine = nullptr;
  delete engine;
  return exitCode;
}
