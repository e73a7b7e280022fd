// The library win32_needs_its_library imports (NeedsItsLibrary.cpp).
extern "C" __declspec(dllexport) int TickerloomTestsLibraryAnswer() {
  return 42;
}
