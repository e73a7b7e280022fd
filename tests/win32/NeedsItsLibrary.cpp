// A windowed program that imports its one function from win32_its_library.dll
// and ends at once, with status 0. The tests also start copies of it without
// the library beside them: the loader then ends them before they run (status
// 0xC0000135), as Windows does with a program whose DLL the player's system
// lacks or a scanner has taken away.
extern "C" __declspec(dllimport) int TickerloomTestsLibraryAnswer();

int main() {
  return TickerloomTestsLibraryAnswer() == 42 ? 0 : 1;
}
