// A library loaded at run time with a thread-local variable, so each thread that touches it gets a dynamic
// TLS block, as Mesa's LLVM gives the threads that draw.
thread_local void* g_held = nullptr;

extern "C" void** HeldSlot() {
  return &g_held;
}
