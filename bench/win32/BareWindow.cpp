// The baseline for the Windows start-up benchmark: the least a Win32 program
// does to show a window with the main window's client size.
#include <windows.h>

int main() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = [](HWND window, UINT message, WPARAM wparam,
                                LPARAM lparam) -> LRESULT {
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wparam, lparam);
  };
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"BareWindow";
  ::RegisterClassExW(&window_class);
  RECT size{0, 0, 264, 113};
  ::AdjustWindowRectEx(&size, WS_OVERLAPPEDWINDOW, FALSE, 0);
  const HWND window = ::CreateWindowExW(
      0, L"BareWindow", L"Bare Win32 window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
      size.right - size.left, size.bottom - size.top, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(window, SW_SHOWDEFAULT);
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}
