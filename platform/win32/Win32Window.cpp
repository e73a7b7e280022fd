// The window toolkit: one top-level window per layout, its controls as
// child windows, events sent to WindowEvents from the window procedure.
#include "platform/win32/Win32Desktop.h"

#include <initguid.h>  // the oleacc GUIDs, defined once here

#include <commctrl.h>
#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"TickerloomWindow";
constexpr int kProgramIconId = 1;  // app/Quorvane.rc.in
// Control and timer identifiers stay clear of IDOK and IDCANCEL, which the
// dialog manager sends for Enter and Escape.
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kFirstTimerId = 1;

// Functions of Windows 10 and later, looked up so that the program still
// starts on Windows 7 and 8.
template <typename Function>
Function User32Function(const char* name) {
  const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

unsigned SystemDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<unsigned>(dpi) : 96;
}

unsigned WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  const UINT dpi = get_dpi != nullptr ? get_dpi(window) : 0;
  return dpi != 0 ? dpi : SystemDpi();
}

// The outer size of a window whose client area is width x height.
SIZE WindowSizeFor(int width, int height, DWORD style, unsigned dpi) {
  using AdjustFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = User32Function<AdjustFunction>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, width, height};
  if (adjust == nullptr || adjust(&rect, style, FALSE, 0, dpi) == 0) {
    ::AdjustWindowRectEx(&rect, style, FALSE, 0);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The font of message boxes and dialogs, the usual font of a Windows window.
LOGFONTW MessageFont(unsigned dpi) {
  using ParametersFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto for_dpi = User32Function<ParametersFunction>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (for_dpi != nullptr &&
      for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) != 0) {
    return metrics.lfMessageFont;
  }
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(SystemDpi()));
  return metrics.lfMessageFont;
}

HFONT MakeFont(const FontChoice& choice, unsigned dpi) {
  LOGFONTW font{};
  font.lfHeight = -static_cast<LONG>(std::lround(choice.points * dpi / 72.0));
  font.lfWeight = choice.weight;
  font.lfItalic = choice.italic;
  font.lfUnderline = choice.underline;
  font.lfStrikeOut = choice.strike_out;
  font.lfCharSet = static_cast<BYTE>(choice.character_set);
  const std::wstring family = Widen(choice.family);
  family.copy(font.lfFaceName, LF_FACESIZE - 1);
  return ::CreateFontIndirectW(&font);
}

// Buttons and frames take '&' as the mark of an access key; captions here
// are shown as they are.
std::wstring LiteralCaption(std::string_view text) {
  std::wstring caption;
  for (wchar_t c : Widen(text)) {
    caption += c;
    if (c == L'&') caption += L'&';
  }
  return caption;
}

bool HasAccessKeyMarks(ControlKind kind) {
  return kind == ControlKind::kCommandButton || kind == ControlKind::kFrame;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

[[noreturn]] void FailWindow(const char* what) {
  throw std::runtime_error(std::string("Cannot create ") + what + ": " +
                           SystemErrorText(::GetLastError()));
}

// A frame passes its controls' notifications and colour requests on to the
// window, which handles those of every control alike.
LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wparam, LPARAM lparam,
                                UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return ::SendMessageW(::GetParent(frame), message, wparam, lparam);
    default:
      return ::DefSubclassProc(frame, message, wparam, lparam);
  }
}

// No button is ever the default one: the dialog manager makes a button it
// tabs to the default (Enter would then click it); this keeps it a plain one.
LRESULT CALLBACK ButtonProcedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                 UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  if (message == BM_SETSTYLE && (wparam & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
    wparam = (wparam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_PUSHBUTTON;
  }
  return ::DefSubclassProc(button, message, wparam, lparam);
}

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&window_class) != 0;
  }();
  if (!registered) FailWindow("the window class");
}

}  // namespace

int TwipsToPixels(int twips, unsigned dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), 1440);
}

Win32ToolkitWindow::Win32ToolkitWindow(const WindowLayout& layout, WindowEvents& events,
                                       ModalState& modal)
    : events_(events), modal_(modal) {
  try {
    Build(layout);
  } catch (...) {
    Dismantle();
    throw;
  }
}

void Win32ToolkitWindow::Build(const WindowLayout& layout) {
  RegisterWindowClass();
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  window_ = ::CreateWindowExW(0, kWindowClass, Widen(layout.caption).c_str(), WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, instance, nullptr);
  if (window_ == nullptr) FailWindow("the window");
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure));

  tool_tips_ =
      ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
  if (tool_tips_ == nullptr) FailWindow("the tool-tips");
  if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&accessibility_)))) {
    accessibility_ = nullptr;  // a desktop without the service: no names of our own
  }

  int id = kFirstControlId;
  for (const ControlLayout& control : layout.controls) {
    if (control.kind == ControlKind::kTimer) {
      TimerEntry timer{control.name, kFirstTimerId + timers_.size(),
                       static_cast<UINT>(control.interval_ms), false};
      timers_.push_back(timer);
      continue;
    }
    controls_.push_back(ControlEntry{control});
  }
  // Created in tab order: the dialog manager moves the focus in the order of
  // creation.
  std::stable_sort(controls_.begin(), controls_.end(), [](const auto& a, const auto& b) {
    return a.layout.tab_index < b.layout.tab_index;
  });
  for (std::size_t i = 0; i < controls_.size(); ++i) by_name_.emplace(controls_[i].layout.name, i);
  for (ControlEntry& entry : controls_) CreateControl(entry, id++);

  ApplyDpi(WindowDpi(window_));
  const SIZE size =
      WindowSizeFor(TwipsToPixels(layout.client_width, dpi_),
                    TwipsToPixels(layout.client_height, dpi_), WS_OVERLAPPEDWINDOW, dpi_);
  ::SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const ControlEntry& entry : controls_) {
    AddToolTip(entry);
    NameForAccessibility(entry);
  }
  if (layout.program_icon) {
    big_icon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId),
                                                IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                                ::GetSystemMetrics(SM_CYICON), 0));
    small_icon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId),
                                                  IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), 0));
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
  }
  for (const ControlLayout& control : layout.controls) {
    if (control.kind == ControlKind::kTimer && control.enabled) SetTimerEnabled(control.name, true);
  }
  modal_.main_window = window_;
  notify_ = true;
}

Win32ToolkitWindow::~Win32ToolkitWindow() {
  Dismantle();
}

void Win32ToolkitWindow::Dismantle() {
  destroying_ = true;
  if (accessibility_ != nullptr) {
    const MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION};
    for (const ControlEntry& entry : controls_) {
      accessibility_->ClearHwndProps(entry.handle, OBJID_CLIENT, CHILDID_SELF, properties, 2);
    }
    accessibility_->Release();
  }
  if (modal_.main_window == window_) modal_.main_window = nullptr;
  if (window_ != nullptr && ::IsWindow(window_)) ::DestroyWindow(window_);
  for (const ControlEntry& entry : controls_) {
    if (entry.own_font != nullptr) ::DeleteObject(entry.own_font);
  }
  if (message_font_ != nullptr) ::DeleteObject(message_font_);
  if (big_icon_ != nullptr) ::DestroyIcon(big_icon_);
  if (small_icon_ != nullptr) ::DestroyIcon(small_icon_);
}

void Win32ToolkitWindow::CreateControl(ControlEntry& entry, int id) {
  const ControlLayout& control = entry.layout;
  HWND parent = window_;
  if (!control.parent.empty()) parent = Control(control.parent);
  const bool centred = control.alignment == TextAlignment::kCenter;
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD extended_style = 0;
  const wchar_t* window_class = L"STATIC";
  switch (control.kind) {
    case ControlKind::kTextBox:
      window_class = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL | (centred ? ES_CENTER : ES_LEFT);
      extended_style = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kCommandButton:
      window_class = L"BUTTON";
      style |= WS_TABSTOP | BS_PUSHBUTTON;
      break;
    case ControlKind::kLabel:
      // SS_NOTIFY: clicks, and the mouse for the tool-tip and the pointer.
      style |= SS_NOTIFY | SS_NOPREFIX | (centred ? SS_CENTER : SS_LEFT);
      break;
    case ControlKind::kFrame:
      window_class = L"BUTTON";
      style |= BS_GROUPBOX;
      break;
    case ControlKind::kTimer:
      return;
  }
  const std::wstring caption =
      HasAccessKeyMarks(control.kind) ? LiteralCaption(control.caption) : Widen(control.caption);
  entry.handle = ::CreateWindowExW(extended_style, window_class, caption.c_str(), style, 0, 0, 0, 0,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
  if (entry.handle == nullptr) FailWindow(control.name.c_str());
  if (control.kind == ControlKind::kTextBox) {
    // 0 lifts the limit altogether; an edit otherwise stops at 30,000 characters.
    ::SendMessageW(entry.handle, EM_SETLIMITTEXT, static_cast<WPARAM>(control.max_length), 0);
  }
  if (control.kind == ControlKind::kFrame) {
    ::SetWindowSubclass(entry.handle, &FrameProcedure, 0, 0);
  }
  if (control.kind == ControlKind::kCommandButton) {
    ::SetWindowSubclass(entry.handle, &ButtonProcedure, 0, 0);
  }
}

void Win32ToolkitWindow::ApplyDpi(unsigned dpi) {
  dpi_ = dpi;
  const HFONT old_message_font = message_font_;
  const LOGFONTW message_font = MessageFont(dpi);
  message_font_ = ::CreateFontIndirectW(&message_font);
  for (ControlEntry& entry : controls_) {
    const ControlLayout& control = entry.layout;
    ::MoveWindow(entry.handle, TwipsToPixels(control.left, dpi), TwipsToPixels(control.top, dpi),
                 TwipsToPixels(control.width, dpi), TwipsToPixels(control.height, dpi), TRUE);
    const HFONT old_font = entry.own_font;
    if (control.font) entry.own_font = MakeFont(*control.font, dpi);
    ::SendMessageW(entry.handle, WM_SETFONT,
                   reinterpret_cast<WPARAM>(control.font ? entry.own_font : message_font_), TRUE);
    if (old_font != nullptr) ::DeleteObject(old_font);
  }
  if (old_message_font != nullptr) ::DeleteObject(old_message_font);
}

void Win32ToolkitWindow::AddToolTip(const ControlEntry& entry) {
  if (entry.layout.tool_tip.empty()) return;
  std::wstring text = Widen(entry.layout.tool_tip);
  TTTOOLINFOW tool{};
  // The size that comctl32 version 5 knows as well as version 6.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = ::GetParent(entry.handle);
  tool.uId = reinterpret_cast<UINT_PTR>(entry.handle);
  tool.lpszText = text.data();
  ::SendMessageW(tool_tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32ToolkitWindow::NameForAccessibility(const ControlEntry& entry) {
  if (accessibility_ == nullptr) return;
  const auto annotate = [&](const MSAAPROPID& property, const std::string& text) {
    if (text.empty()) return;
    // An annotation is help for screen readers; the window works without it.
    static_cast<void>(accessibility_->SetHwndPropStr(entry.handle, OBJID_CLIENT, CHILDID_SELF,
                                                     property, Widen(text).c_str()));
  };
  annotate(PROPID_ACC_NAME, entry.layout.accessible_name);
  annotate(PROPID_ACC_DESCRIPTION, entry.layout.accessible_description);
}

const Win32ToolkitWindow::ControlEntry& Win32ToolkitWindow::Entry(std::string_view name) const {
  const auto found = by_name_.find(name);
  if (found == by_name_.end()) throw std::out_of_range("No control named " + std::string(name));
  return controls_[found->second];
}

const Win32ToolkitWindow::ControlEntry* Win32ToolkitWindow::EntryOf(HWND handle) const {
  for (const ControlEntry& entry : controls_) {
    if (entry.handle == handle) return &entry;
  }
  return nullptr;
}

HWND Win32ToolkitWindow::Control(std::string_view name) const {
  return Entry(name).handle;
}

Win32ToolkitWindow::TimerEntry& Win32ToolkitWindow::Timer(std::string_view name) {
  for (TimerEntry& timer : timers_) {
    if (timer.name == name) return timer;
  }
  throw std::out_of_range("No timer named " + std::string(name));
}

const Win32ToolkitWindow::TimerEntry& Win32ToolkitWindow::Timer(std::string_view name) const {
  return const_cast<Win32ToolkitWindow*>(this)->Timer(name);
}

std::string Win32ToolkitWindow::Text(std::string_view control) const {
  const ControlEntry& entry = Entry(control);
  std::wstring text = WindowText(entry.handle);
  if (HasAccessKeyMarks(entry.layout.kind)) {
    for (std::size_t at = text.find(L"&&"); at != std::wstring::npos;
         at = text.find(L"&&", at + 1)) {
      text.erase(at, 1);
    }
  }
  return Narrow(text);
}

void Win32ToolkitWindow::SetText(std::string_view control, const std::string& text) {
  const ControlEntry& entry = Entry(control);
  const std::wstring caption =
      HasAccessKeyMarks(entry.layout.kind) ? LiteralCaption(text) : Widen(text);
  ::SetWindowTextW(entry.handle, caption.c_str());
}

void Win32ToolkitWindow::SetTimerEnabled(std::string_view name, bool enabled) {
  TimerEntry& timer = Timer(name);
  // Switching on a running timer leaves it running, its count undisturbed.
  if (enabled && !timer.enabled) {
    if (::SetTimer(window_, timer.id, timer.interval_ms, nullptr) == 0) FailWindow("a timer");
    timer.enabled = true;
  }
  if (!enabled && timer.enabled) {
    ::KillTimer(window_, timer.id);
    timer.enabled = false;
  }
}

bool Win32ToolkitWindow::TimerEnabled(std::string_view name) const {
  return Timer(name).enabled;
}

void Win32ToolkitWindow::Show() {
  for (const ControlEntry& entry : controls_) {
    const ControlKind kind = entry.layout.kind;
    if (kind == ControlKind::kTextBox || kind == ControlKind::kCommandButton) {
      focus_ = entry.handle;
      break;
    }
  }
  ::ShowWindow(window_, SW_SHOWDEFAULT);
  ::UpdateWindow(window_);
  if (focus_ != nullptr) ::SetFocus(focus_);
}

void Win32ToolkitWindow::SetBusy(bool busy) {
  busy_ += busy ? 1 : -1;
  ::SetCursor(::LoadCursorW(nullptr, busy_ > 0 ? IDC_WAIT : IDC_ARROW));
}

NativeWindowHandle Win32ToolkitWindow::Handle() const {
  return reinterpret_cast<NativeWindowHandle>(window_);
}

LRESULT CALLBACK Win32ToolkitWindow::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                     LPARAM lparam) {
  auto* self = reinterpret_cast<Win32ToolkitWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return self->OnMessage(message, wparam, lparam);
}

LRESULT Win32ToolkitWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      // By identifier only: Enter and Escape arrive as IDOK and IDCANCEL
      // (with the focused control's handle), which click nothing.
      const int id = LOWORD(wparam);
      if (id < kFirstControlId || id >= kFirstControlId + static_cast<int>(controls_.size())) {
        return 0;
      }
      const ControlEntry& entry = controls_[static_cast<std::size_t>(id - kFirstControlId)];
      const WORD code = HIWORD(wparam);
      switch (entry.layout.kind) {
        case ControlKind::kCommandButton:
          if (code == BN_CLICKED) events_.Click(entry.layout.name);
          break;
        case ControlKind::kLabel:
          if (code == STN_CLICKED || code == STN_DBLCLK) events_.Click(entry.layout.name);
          break;
        case ControlKind::kTextBox:
          if (code == EN_CHANGE && notify_) events_.Change(entry.layout.name);
          break;
        default:
          break;
      }
      return 0;
    }
    case WM_TIMER:
      // Never while a message box of the program waits for the user.
      if (modal_.open_boxes == 0) {
        for (const TimerEntry& timer : timers_) {
          if (timer.id == wparam && timer.enabled) events_.Tick(timer.name);
        }
      }
      return 0;
    case WM_CTLCOLOREDIT: {
      const ControlEntry* entry = EntryOf(reinterpret_cast<HWND>(lparam));
      if (entry != nullptr && entry->layout.background == Background::kScrollBar) {
        ::SetBkColor(reinterpret_cast<HDC>(wparam), ::GetSysColor(COLOR_SCROLLBAR));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_SCROLLBAR));
      }
      break;
    }
    case WM_SETCURSOR: {
      if (busy_ > 0) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      const ControlEntry* entry = EntryOf(reinterpret_cast<HWND>(wparam));
      if (entry != nullptr && entry->layout.cursor == MouseCursor::kCrossHair &&
          LOWORD(lparam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_CROSS));
        return TRUE;
      }
      break;
    }
    case WM_ACTIVATE:
      // Leaving the window (a message box, another program) remembers the
      // focused control; coming back puts the focus there again.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window_, focus)) focus_ = focus;
      } else if (focus_ != nullptr && ::IsWindow(focus_)) {
        ::SetFocus(focus_);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      ApplyDpi(HIWORD(wparam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DESTROY:
      // Closing the window ends the program; a window dropped by its owner does not.
      if (!destroying_) ::PostQuitMessage(0);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

std::unique_ptr<ToolkitWindow> Win32WindowToolkit::OpenWindow(const WindowLayout& layout,
                                                              WindowEvents& events) {
  return std::make_unique<Win32ToolkitWindow>(layout, events, modal_);
}

void Win32WindowToolkit::Dispatch(MSG& message) {
  const HWND window = modal_.main_window;
  if (window != nullptr && (message.hwnd == window || ::IsChild(window, message.hwnd)) &&
      ::IsDialogMessageW(window, &message)) {
    return;
  }
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

int Win32WindowToolkit::Run() {
  MSG message{};
  BOOL got = 0;
  while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) Dispatch(message);
  return got < 0 ? 1 : static_cast<int>(message.wParam);
}

std::unique_ptr<ProgressBox> Win32WindowToolkit::OpenProgressBox(const std::string& /*title*/,
                                                                 const std::string& /*prompt*/) {
  throw std::logic_error("This build of the program downloads nothing.");
}

}  // namespace tickerloom::platform::win32
