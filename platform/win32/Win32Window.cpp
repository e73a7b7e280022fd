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

// Whether the user has a high-contrast theme on.
bool HighContrast() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != 0 &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

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
SIZE WindowSizeFor(int width, int height, DWORD style, unsigned dpi, DWORD extended_style = 0) {
  using AdjustFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = User32Function<AdjustFunction>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, width, height};
  if (adjust == nullptr || adjust(&rect, style, FALSE, extended_style, dpi) == 0) {
    ::AdjustWindowRectEx(&rect, style, FALSE, extended_style);
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

// Registers a class of the program's windows; false when the system refuses.
bool RegisterClassOf(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  return ::RegisterClassExW(&window_class) != 0;
}

}  // namespace

int TwipsToPixels(int twips, unsigned dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), 1440);
}

Win32ToolkitWindow::Win32ToolkitWindow(const WindowLayout& layout, WindowEvents& events,
                                       MainWindow& main)
    : events_(events), main_(main) {
  try {
    Build(layout);
  } catch (...) {
    Dismantle();
    throw;
  }
}

void Win32ToolkitWindow::Build(const WindowLayout& layout) {
  static const bool registered = RegisterClassOf(kWindowClass, &::DefWindowProcW);
  if (!registered) FailWindow("the window class");
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
  main_.handle = window_;
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
  if (main_.handle == window_) main_.handle = nullptr;
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
  // The first time as the program was started (normal, minimized, ...) with
  // the focus in the first control; later as it was.
  if (shown_before_) {
    ::ShowWindow(window_, SW_SHOW);
    if (focus_ != nullptr) ::SetFocus(focus_);
    return;
  }
  shown_before_ = true;
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

void Win32ToolkitWindow::Hide() {
  ::ShowWindow(window_, SW_HIDE);
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
      for (const TimerEntry& timer : timers_) {
        if (timer.id == wparam && timer.enabled) events_.Tick(timer.name);
      }
      return 0;
    case WM_CTLCOLOREDIT: {
      const ControlEntry* entry = EntryOf(reinterpret_cast<HWND>(lparam));
      // The key box's own background, with the text colour that goes with
      // it; a high-contrast theme keeps its own colours for both.
      if (entry != nullptr && entry->layout.background == Background::kScrollBar &&
          !HighContrast()) {
        ::SetBkColor(reinterpret_cast<HDC>(wparam), ::GetSysColor(COLOR_SCROLLBAR));
        ::SetTextColor(reinterpret_cast<HDC>(wparam), ::GetSysColor(COLOR_WINDOWTEXT));
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
  return std::make_unique<Win32ToolkitWindow>(layout, events, main_);
}

void Win32WindowToolkit::Dispatch(MSG& message) {
  const HWND window = main_.handle;
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

std::unique_ptr<ProgressBox> Win32WindowToolkit::OpenProgressBox(const std::string& title,
                                                                 const std::string& prompt) {
  return std::make_unique<Win32ProgressBox>(title, prompt, main_.handle);
}

namespace {

constexpr wchar_t kProgressClass[] = L"TickerloomProgressBox";
// The bar's range when the length is known: tenths of a percent.
constexpr int kBarSteps = 1000;

// A whole number with the user's thousands separator every three digits.
std::wstring Grouped(std::uint64_t number) {
  wchar_t separator[8] = L",";
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
  const std::wstring digits = std::to_wstring(number);
  std::wstring grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

// The place for a box of that size: centred over the owner when it is shown,
// else on its monitor's work area.
POINT CentredPlace(HWND owner, SIZE size) {
  RECT area{};
  if (owner != nullptr && ::IsWindowVisible(owner) != 0) {
    ::GetWindowRect(owner, &area);
  } else {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
    area = monitor.rcWork;
  }
  return {area.left + (area.right - area.left - size.cx) / 2,
          area.top + (area.bottom - area.top - size.cy) / 2};
}

}  // namespace

Win32ProgressBox::Win32ProgressBox(const std::string& title, const std::string& prompt, HWND owner)
    : owner_(owner) {
  try {
    Build(title, prompt);
  } catch (...) {
    Dismantle();
    throw;
  }
}

void Win32ProgressBox::Build(const std::string& title, const std::string& prompt) {
  static const bool registered = RegisterClassOf(kProgressClass, &Procedure);
  if (!registered) FailWindow("the progress box's window class");
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  // Owned by the window when it shows; before it shows, a box of its own on
  // the taskbar, as the update question.
  const bool owned = owner_ != nullptr && ::IsWindowVisible(owner_) != 0;
  const DWORD extended_style = WS_EX_DLGMODALFRAME | (owned ? 0 : WS_EX_APPWINDOW);
  box_ = ::CreateWindowExW(extended_style, kProgressClass, Widen(title).c_str(), style, 0, 0, 0, 0,
                           owned ? owner_ : nullptr, nullptr, instance, this);
  if (box_ == nullptr) FailWindow("the progress box");

  const unsigned dpi = WindowDpi(owner_ != nullptr ? owner_ : box_);
  const auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, static_cast<int>(dpi), 96); };
  const LOGFONTW message_font = MessageFont(dpi);
  font_ = ::CreateFontIndirectW(&message_font);
  int line = scaled(15);
  if (const HDC context = ::GetDC(box_); context != nullptr) {
    const HGDIOBJ old_font = ::SelectObject(context, font_);
    TEXTMETRICW metrics{};
    if (::GetTextMetricsW(context, &metrics) != 0) line = metrics.tmHeight;
    ::SelectObject(context, old_font);
    ::ReleaseDC(box_, context);
  }

  const std::wstring prompt_text = Widen(prompt);
  int prompt_lines = 1;
  for (std::size_t at = prompt_text.find(L'\n'); at != std::wstring::npos;
       at = prompt_text.find(L'\n', at + 1)) {
    ++prompt_lines;
  }
  const int margin = scaled(11);
  const int width = scaled(320);
  const int inner = width - 2 * margin;
  const int bar_top = margin + prompt_lines * line + scaled(8);
  const int bar_height = scaled(16);
  const int bytes_top = bar_top + bar_height + scaled(6);
  const int button_width = scaled(75);
  const int button_height = scaled(23);
  const int button_top = bytes_top + line + scaled(11);
  const int height = button_top + button_height + margin;

  const auto child = [&](const wchar_t* window_class, const std::wstring& text, DWORD child_style,
                         int left, int top, int child_width, int child_height, int id) {
    const HWND handle = ::CreateWindowExW(
        0, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | child_style, left, top, child_width,
        child_height, box_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (handle == nullptr) FailWindow("the progress box");
    ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return handle;
  };
  child(L"STATIC", prompt_text, SS_LEFT | SS_NOPREFIX, margin, margin, inner, prompt_lines * line,
        -1);
  bar_ = child(PROGRESS_CLASSW, L"", 0, margin, bar_top, inner, bar_height, -1);
  ::SendMessageW(bar_, PBM_SETRANGE32, 0, kBarSteps);
  bytes_ = child(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, margin, bytes_top, inner, line, -1);
  cancel_ = child(L"BUTTON", L"Cancel", WS_TABSTOP | BS_DEFPUSHBUTTON,
                  width - margin - button_width, button_top, button_width, button_height, IDCANCEL);
  ShowFigures(0, std::nullopt);

  const SIZE outer = WindowSizeFor(width, height, style, dpi, extended_style);
  const POINT place = CentredPlace(owner_, outer);
  ::SetWindowPos(box_, nullptr, place.x, place.y, outer.cx, outer.cy, SWP_NOZORDER);
  // Application-modal: the owner takes no input until the box has gone.
  if (owner_ != nullptr) owner_enabled_ = ::EnableWindow(owner_, FALSE) == 0;
  ::ShowWindow(box_, SW_SHOWNORMAL);
  ::SetForegroundWindow(box_);
  ::SetFocus(cancel_);
  ::UpdateWindow(box_);
  Pump();
}

Win32ProgressBox::~Win32ProgressBox() {
  Dismantle();
}

void Win32ProgressBox::Dismantle() {
  // The owner is enabled first, so that it gets the activation back.
  if (owner_enabled_) ::EnableWindow(owner_, TRUE);
  if (box_ != nullptr) {
    ::SetWindowLongPtrW(box_, GWLP_USERDATA, 0);
    ::DestroyWindow(box_);
    box_ = nullptr;
  }
  if (font_ != nullptr) ::DeleteObject(font_);
  font_ = nullptr;
  if (quit_code_) ::PostQuitMessage(*quit_code_);
}

bool Win32ProgressBox::Update(std::uint64_t received, std::optional<std::uint64_t> total) {
  ShowFigures(received, total);
  Pump();
  return !cancelled_;
}

void Win32ProgressBox::ShowFigures(std::uint64_t received, std::optional<std::uint64_t> total) {
  std::wstring text = Grouped(received);
  const bool known = total && *total > 0;
  if (known) {
    const std::uint64_t part = std::min(received, *total);
    const auto steps =
        static_cast<int>(static_cast<double>(part) / static_cast<double>(*total) * kBarSteps);
    text += L" of " + Grouped(*total) + L" bytes (" + std::to_wstring(steps / 10) + L"%)";
    if (moving_to_and_fro_) {
      ::SendMessageW(bar_, PBM_SETMARQUEE, FALSE, 0);
      ::SetWindowLongPtrW(bar_, GWL_STYLE, ::GetWindowLongPtrW(bar_, GWL_STYLE) & ~PBS_MARQUEE);
      moving_to_and_fro_ = false;
    }
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(steps), 0);
  } else {
    text += L" bytes";
    if (!moving_to_and_fro_) {
      ::SetWindowLongPtrW(bar_, GWL_STYLE, ::GetWindowLongPtrW(bar_, GWL_STYLE) | PBS_MARQUEE);
      ::SendMessageW(bar_, PBM_SETMARQUEE, TRUE, 0);
      moving_to_and_fro_ = true;
    }
  }
  if (WindowText(bytes_) != text) ::SetWindowTextW(bytes_, text.c_str());
}

void Win32ProgressBox::Pump() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
    if (message.message == WM_QUIT) {
      quit_code_ = static_cast<int>(message.wParam);
      cancelled_ = true;
      continue;
    }
    // Escape, Enter and Space on Cancel, Tab: as in a dialog.
    if (::IsDialogMessageW(box_, &message) != 0) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

LRESULT CALLBACK Win32ProgressBox::Procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* creator = static_cast<Win32ProgressBox*>(
        reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
    creator->box_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creator));
  }
  auto* self = reinterpret_cast<Win32ProgressBox*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return self->OnMessage(message, wparam, lparam);
}

LRESULT Win32ProgressBox::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDCANCEL) cancelled_ = true;
      return 0;
    case WM_CLOSE:
      cancelled_ = true;
      return 0;
    case WM_SETCURSOR:
      // The wait cursor over the box, but the arrow over Cancel, which may be clicked.
      if (LOWORD(lparam) == HTCLIENT) {
        const bool over_cancel = reinterpret_cast<HWND>(wparam) == cancel_;
        ::SetCursor(::LoadCursorW(nullptr, over_cancel ? IDC_ARROW : IDC_WAIT));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(box_, message, wparam, lparam);
}

}  // namespace tickerloom::platform::win32
