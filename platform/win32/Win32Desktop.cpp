// Message boxes, the clipboard, the address opener and the desktop that
// holds them with the window toolkit.
#include "platform/win32/Win32Desktop.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <stdexcept>

#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {
namespace {

[[noreturn]] void FailClipboard(const char* operation) {
  throw std::runtime_error(std::string("Cannot ") + operation +
                           " the clipboard: " + SystemErrorText(::GetLastError()));
}

// The clipboard, open while the object lives. Another program may hold it
// for a moment, so opening is tried a few times.
class OpenClipboardSession {
 public:
  explicit OpenClipboardSession(HWND owner) {
    for (int attempt = 0; ::OpenClipboard(owner) == 0; ++attempt) {
      if (attempt == 50) FailClipboard("open");
      ::Sleep(10);
    }
  }
  ~OpenClipboardSession() { ::CloseClipboard(); }
  OpenClipboardSession(const OpenClipboardSession&) = delete;
  OpenClipboardSession& operator=(const OpenClipboardSession&) = delete;
};

}  // namespace

MessageAnswer Win32MessageBoxes::Show(const Message& message) {
  UINT type = message.buttons == MessageButtons::kYesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK;
  if (message.icon == MessageIcon::kInformation) type |= MB_ICONINFORMATION;
  // A box asked before the window shows (the update question at the start)
  // or while it is hidden would have no taskbar button and could sit behind
  // other windows: it goes without an owner, to the front.
  HWND owner = main_.handle;
  if (owner != nullptr && ::IsWindowVisible(owner) != 0) {
    type |= MB_APPLMODAL;
  } else {
    owner = nullptr;
    type |= MB_TASKMODAL | MB_SETFOREGROUND;
  }
  const int answer =
      ::MessageBoxW(owner, Widen(message.prompt).c_str(), Widen(message.title).c_str(), type);
  if (answer == 0) {
    throw std::runtime_error("Cannot show a message box: " + SystemErrorText(::GetLastError()));
  }
  if (message.buttons == MessageButtons::kOk) return MessageAnswer::kOk;
  return answer == IDYES ? MessageAnswer::kYes : MessageAnswer::kNo;
}

Win32Clipboard::Win32Clipboard()
    : owner_(::CreateWindowExW(0, L"STATIC", L"Tickerloom clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr)) {
  if (owner_ == nullptr) FailClipboard("take hold of");
}

void Win32Clipboard::Clear() {
  const OpenClipboardSession session(owner_.get());
  if (::EmptyClipboard() == 0) FailClipboard("empty");
}

void Win32Clipboard::SetText(const std::string& text) {
  const std::wstring wide = Widen(text);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) FailClipboard("fill");
  void* locked = ::GlobalLock(memory);
  std::copy_n(wide.c_str(), wide.size() + 1, static_cast<wchar_t*>(locked));
  ::GlobalUnlock(memory);

  const OpenClipboardSession session(owner_.get());
  // Emptying makes this program the clipboard's owner, which may then set it.
  if (::EmptyClipboard() == 0 || ::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
    const DWORD error = ::GetLastError();
    ::GlobalFree(memory);
    ::SetLastError(error);
    FailClipboard("fill");
  }
}

std::string Win32Clipboard::Text() {
  const OpenClipboardSession session(owner_.get());
  const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return {};
  const auto* text = static_cast<const wchar_t*>(::GlobalLock(data));
  if (text == nullptr) return {};
  // The block may be larger than the text; the text ends at its first NUL.
  const std::size_t limit = ::GlobalSize(data) / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < limit && text[length] != L'\0') ++length;
  std::string utf8 = Narrow(std::wstring_view(text, length));
  ::GlobalUnlock(data);
  return utf8;
}

bool Win32DesktopOpen::Open(NativeWindowHandle owner, const std::string& address) {
  const HINSTANCE result = ::ShellExecuteW(reinterpret_cast<HWND>(owner), nullptr,
                                           Widen(address).c_str(), nullptr, L"C:\\", SW_SHOWNORMAL);
  // Values above 32 mean success.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

Win32Desktop::Win32Desktop()
    : com_initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&controls);
}

Win32Desktop::~Win32Desktop() {
  if (com_initialised_) ::CoUninitialize();
}

}  // namespace tickerloom::platform::win32

namespace tickerloom::platform {

std::unique_ptr<Desktop> ConnectDesktop(int& /*argc*/, char** /*argv*/) {
  return std::make_unique<win32::Win32Desktop>();
}

}  // namespace tickerloom::platform
