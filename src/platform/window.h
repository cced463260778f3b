// The game's window: focus and quit events, polled one at a time, and message boxes.
#pragma once

#include <string_view>

namespace plat {

enum class EventKind { Quit, FocusLost, FocusGained };

struct Event {
  EventKind kind = EventKind::Quit;
  int exitCode = 0;  // only for Quit
};

class Window {
 public:
  virtual ~Window() = default;
  // Takes at most one pending event and never waits. Closing the window yields Quit(0).
  // The window counts as focused from its creation: the first focus is never reported.
  virtual bool PollEvent(Event& out) = 0;
  // Queues a Quit event; the running frame is not interrupted.
  virtual void PostQuit(int exitCode) = 0;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal box with an OK button (natively) or a log entry (headless); always echoed to stderr natively.
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
};

}  // namespace plat
