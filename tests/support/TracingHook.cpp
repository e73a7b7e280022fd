#include "tests/support/TracingHook.h"

#include <cstdlib>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tickerloom::testing {
namespace {

unsigned long ProcessId() {
#ifdef _WIN32
  return ::GetCurrentProcessId();
#else
  return static_cast<unsigned long>(::getpid());
#endif
}

}  // namespace

TracingHook::TracingHook(window::UpdateHook* hook, std::string running_name)
    : hook_(hook), prefix_(std::to_string(ProcessId()) + " " + running_name + " ") {
  const char* trace = std::getenv("TICKERLOOM_TEST_TRACE");
  if (trace != nullptr) trace_ = trace;
}

void TracingHook::OnLoad(window::WindowHost& window) {
  if (hook_ != nullptr) hook_->OnLoad(window);
}

void TracingHook::OnTimer1(window::WindowHost& window) {
  if (hook_ != nullptr) hook_->OnTimer1(window);
  Note("Timer1");
}

void TracingHook::OnTimer2(window::WindowHost& window) {
  if (hook_ != nullptr) hook_->OnTimer2(window);
  Note("Timer2");
}

void TracingHook::Note(const char* event) const {
  if (trace_.empty()) return;
  // Opened for each line and appended to, so that several programs share
  // one trace and a killed one loses nothing it has written.
  std::ofstream(trace_, std::ios::app | std::ios::binary) << prefix_ << event << '\n';
}

}  // namespace tickerloom::testing
