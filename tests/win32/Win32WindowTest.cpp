// The window `Tickerloom` on the Win32 toolkit (under Wine in CI), what only
// the toolkit shows: every control's place in pixels at 96 dpi, texts,
// tool-tips, fonts, colours and settings, the tab order, Enter and Escape,
// the length limits, change events, timers and the ticks during modal loops,
// the focus after a message box, the real boxes and the clipboard. The
// window's own logic is tested once, on the in-memory toolkit.
#include "platform/win32/Win32Desktop.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Text.h"
#include "tests/support/ExpectedLayout.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowFakes.h"
#include "window/Layout.h"
#include "window/Tickerloom.h"

namespace tickerloom::platform::win32 {
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 60s;  // for what a busy machine may take its time over

struct WindowSearch {
  std::wstring_view window_class, title;
  HWND found = nullptr;
};

// A function of its own rather than a lambda: the 32-bit build calls it
// stdcall (CALLBACK), which a lambda's function pointer is not.
BOOL CALLBACK NoteWantedWindow(HWND window, LPARAM data) {
  auto* wanted = reinterpret_cast<WindowSearch*>(data);
  wchar_t name[64] = {}, text[64] = {};
  ::GetClassNameW(window, name, 64);
  if (!::IsWindowVisible(window) || name != wanted->window_class) return TRUE;
  if (!wanted->title.empty() && (::GetWindowTextW(window, text, 64), text != wanted->title)) {
    return TRUE;
  }
  wanted->found = window;
  return FALSE;
}

// The first visible top-level window of `thread` of that class, and with that
// title when one is given: then the window is asked for it.
HWND ThreadWindow(DWORD thread, std::wstring_view window_class, std::wstring_view title = {}) {
  WindowSearch search{window_class, title};
  ::EnumThreadWindows(thread, NoteWantedWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A message box as another thread saw it while it was open.
struct SeenBox {
  std::wstring title;
  std::wstring text;
  std::vector<int> buttons;
  bool icon = false;
  HWND owner = nullptr;
};

// Waits on a thread of its own for the next message box of `thread`, notes
// what it shows, runs `while_open` and presses `answer` (a button, or kEnter).
class BoxAnswerer {
 public:
  static constexpr int kEnter = 0;
  BoxAnswerer(DWORD thread, int answer, std::function<void(HWND box)> while_open = {})
      : worker_([this, thread, answer, while_open] { Answer(thread, answer, while_open); }) {}
  ~BoxAnswerer() {
    if (worker_.joinable()) worker_.join();
  }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  const SeenBox& Seen() {
    worker_.join();
    return seen_;
  }

 private:
  void Answer(DWORD thread, int answer, const std::function<void(HWND)>& while_open) {
    HWND box = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while ((box = ThreadWindow(thread, L"#32770")) == nullptr &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    if (box == nullptr) return;
    seen_.title = WindowTextOf(box);
    seen_.owner = ::GetWindow(box, GW_OWNER);
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = {};
      ::GetClassNameW(child, name, 16);
      const LONG style = ::GetWindowLongW(child, GWL_STYLE);
      if (std::wstring_view(name) == L"Button" && ::IsWindowVisible(child)) {
        seen_.buttons.push_back(::GetDlgCtrlID(child));
      } else if (std::wstring_view(name) == L"Static") {
        if ((style & SS_TYPEMASK) == SS_ICON) {
          seen_.icon = seen_.icon ||
                       (::IsWindowVisible(child) && ::SendMessageW(child, STM_GETICON, 0, 0) != 0);
        } else if (WindowTextOf(child).size() > seen_.text.size()) {
          seen_.text = WindowTextOf(child);
        }
      }
    }
    if (while_open) while_open(box);
    if (answer == kEnter) {
      GUITHREADINFO input{};
      input.cbSize = sizeof input;
      ::GetGUIThreadInfo(thread, &input);
      ::PostMessageW(input.hwndFocus, WM_KEYDOWN, VK_RETURN, 1);
      ::PostMessageW(input.hwndFocus, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
      return;
    }
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
  }

  static std::wstring WindowTextOf(HWND window) {
    wchar_t text[4096] = {};
    ::GetWindowTextW(window, text, 4096);
    return text;
  }

  SeenBox seen_;
  std::thread worker_;
};

using testing::kExpectedLayout;

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kTextBox:
      return L"Edit";
    case ControlKind::kLabel:
      return L"Static";
    default:
      return L"Button";
  }
}

const char* ToolTipOf(std::string_view name) {
  for (const testing::ExpectedControl& row : kExpectedLayout) {
    if (row.name == name) return row.tool_tip;
  }
  return "<no such control>";
}

bool WaitCursorShown() {
  return ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void TearDown() override {
    window_.reset();
    Pump();
  }

  void Open(MessageBoxes* boxes = nullptr) {
    window_.reset();
    window_ = std::make_unique<window::Tickerloom>(
        window::Services{desktop_.Toolkit(), files_, boxes != nullptr ? *boxes : boxes_,
                         desktop_.Clipboard(), opener_, process_, code_page_, &hook_});
    window_->Open();
    ::SetForegroundWindow(Main());
    Pump();
  }

  Win32ToolkitWindow& Native() { return static_cast<Win32ToolkitWindow&>(window_->Window()); }
  HWND Main() { return Native().Window(); }
  HWND Control(const char* name) { return Native().Control(name); }
  std::string Text(const char* name) { return window_->Window().Text(name); }
  std::string FocusName() {
    for (const testing::ExpectedControl& row : kExpectedLayout) {
      if (Control(row.name) == ::GetFocus()) return row.name;
    }
    return "<none>";
  }

  // Runs the pending messages, through the toolkit as its loop does.
  void Pump() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message != WM_QUIT) desktop_.Toolkit().Dispatch(message);
    }
  }
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
      Pump();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }
  // Windows activates a box's owner again as the box goes. Without a window
  // manager, Wine's X11 driver sometimes sees the X focus fall back to the
  // root just after and hands the activation to the desktop (about one close
  // in ten on a loaded machine); the player's click back on the window then
  // activates it, and the remembered control must have the focus all the same.
  bool FocusComesBackTo(std::string_view name) {
    return PumpUntil([&] {
      if (::GetForegroundWindow() == ::GetDesktopWindow()) ::SetForegroundWindow(Main());
      return FocusName() == name;
    });
  }
  // A message for the focused control, as the message loop hands it on.
  void Send(UINT kind, WPARAM wparam, LPARAM lparam) {
    MSG message{::GetFocus(), kind, wparam, lparam, 0, {}};
    desktop_.Toolkit().Dispatch(message);
  }
  // A key pressed in the focused control.
  void Key(WPARAM key, bool shift = false) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(state);
    Send(WM_KEYDOWN, key, 1);
    Send(WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    state[VK_SHIFT] = 0;
    ::SetKeyboardState(state);
    Pump();
  }
  // Characters typed into the focused control.
  void TypeMore(const std::wstring& characters) {
    for (wchar_t character : characters) Send(WM_CHAR, character, 1);
    Pump();
  }
  // Types into a field as the user would: into it, select all, type.
  void Type(const char* name, const std::wstring& text) {
    ::SetFocus(Control(name));
    ::SendMessageW(Control(name), EM_SETSEL, 0, -1);
    TypeMore(text.empty() ? std::wstring(1, L'\b') : text);
  }
  void Click(const char* name) {
    ::SendMessageW(Control(name), BM_CLICK, 0, 0);
    Pump();
  }
  void ClickLabel(const char* name) {
    ::SendMessageW(Control(name), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(Control(name), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    Pump();
  }
  std::string FolderEntries() { return testing::ListFolder("."); }

  testing::TempFolder folder_;
  Win32Desktop desktop_;
  Win32FileSystem files_;
  testing::RecordingBoxes boxes_;
  testing::RecordingOpener opener_;
  testing::FixedProcess process_;
  testing::FixedCodePage code_page_;
  testing::CountingHook hook_;
  std::unique_ptr<window::Tickerloom> window_;
};

TEST(Win32Toolkit, TwipsBecomePixelsOfTheMonitorsDpi) {
  const struct {
    int twips;
    unsigned dpi;
    int pixels;
  } cases[] = {
      {3960, 96, 264},  {1695, 96, 113},  {15, 96, 1},    {285, 120, 24},
      {3960, 144, 396}, {1695, 192, 226}, {255, 144, 26}, {0, 240, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips;
}

TEST_F(Win32Window, InitialStateAndFocus) {
  wchar_t caption[64] = {};
  ::GetWindowTextW(Main(), caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Zeltrin's Tickerloom");
  RECT client{};
  ::GetClientRect(Main(), &client);
  EXPECT_EQ(client.right, 264);
  EXPECT_EQ(client.bottom, 113);
  const LONG style = ::GetWindowLongW(Main(), GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);  // resizable, both buttons
  EXPECT_TRUE(::IsWindowVisible(Main()));
  EXPECT_EQ(::GetMenu(Main()), nullptr);
  EXPECT_EQ(FocusName(), "ScriptText");
  // The program's icon, 32 x 32.
  const auto icon = reinterpret_cast<HICON>(::SendMessageW(Main(), WM_GETICON, ICON_BIG, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_NE(::GetIconInfo(icon, &info), 0);
  BITMAP bitmap{};
  ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 32);
  EXPECT_EQ(bitmap.bmHeight, 32);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  EXPECT_NE(::SendMessageW(Main(), WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(Win32Window, EveryControlAtItsPlaceWithItsTextsAndToolTip) {
  ASSERT_EQ(Native().Dpi(), 96u);
  const HWND tips = Native().ToolTips();
  int with_tips = 0;
  for (const testing::ExpectedControl& row : kExpectedLayout) {
    SCOPED_TRACE(row.name);
    const HWND control = Control(row.name);
    wchar_t window_class[32] = {};
    ::GetClassNameW(control, window_class, 32);
    EXPECT_EQ(std::wstring(window_class), ClassOf(row.kind));
    RECT place{};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, row.left);
    EXPECT_EQ(place.top, row.top);
    EXPECT_EQ(place.right - place.left, row.width);
    EXPECT_EQ(place.bottom - place.top, row.height);
    EXPECT_EQ(Text(row.name), row.caption);
    EXPECT_TRUE(::IsWindowVisible(control));

    wchar_t tip[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = ::GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = tip;
    ::SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Narrow(tip), row.tool_tip);
    if (*row.tool_tip != '\0') ++with_tips;
  }
  EXPECT_EQ(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), with_tips);
  EXPECT_EQ(::GetParent(Control("ScriptTotalFileLbl")), Control("ScriptTotalFile"));
  EXPECT_EQ(::GetParent(Control("Label2")), Main());
}

TEST_F(Win32Window, ControlSettingsFontsAndColours) {
  const auto style = [&](const char* name) { return ::GetWindowLongW(Control(name), GWL_STYLE); };
  // The key box: one character, centred, in the scroll-bar colour.
  EXPECT_EQ(::SendMessageW(Control("ScriptBind"), EM_GETLIMITTEXT, 0, 0), 1);
  EXPECT_NE(style("ScriptBind") & ES_CENTER, 0);
  const auto background = [&](const char* name) {
    const HDC dc = ::GetDC(Control(name));
    const LRESULT brush = ::SendMessageW(Main(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(Control(name)));
    ::ReleaseDC(Control(name), dc);
    return reinterpret_cast<HBRUSH>(brush);
  };
  EXPECT_EQ(background("ScriptBind"), ::GetSysColorBrush(COLOR_SCROLLBAR));
  EXPECT_NE(background("ScriptText"), ::GetSysColorBrush(COLOR_SCROLLBAR));
  // The other text boxes hold any length and scroll.
  for (const char* name : {"ScriptText", "ScriptLine", "ScriptName"}) {
    EXPECT_GE(::SendMessageW(Control(name), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE) << name;
    EXPECT_NE(style(name) & ES_AUTOHSCROLL, 0) << name;
  }
  // No default button.
  for (const char* name : {"ScriptMake", "ScriptAbout", "HlpScriptLine", "Command1"}) {
    EXPECT_EQ(style(name) & BS_TYPEMASK, BS_PUSHBUTTON) << name;
  }
  EXPECT_EQ(style("ScriptTotalFile") & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(style("Label2") & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(style("ScriptTotalFileLbl") & SS_TYPEMASK, SS_CENTER);
  EXPECT_NE(style("Label2") & SS_NOTIFY, 0);

  const auto font = [&](const char* name) {
    LOGFONTW logical{};
    const auto handle = reinterpret_cast<HFONT>(::SendMessageW(Control(name), WM_GETFONT, 0, 0));
    ::GetObjectW(handle, sizeof logical, &logical);
    return logical;
  };
  const LOGFONTW label2 = font("Label2");
  EXPECT_EQ(std::wstring(label2.lfFaceName), L"Tahoma");
  EXPECT_EQ(label2.lfHeight, -13);  // 9.75 points at 96 dpi
  EXPECT_EQ(label2.lfWeight, 700);
  EXPECT_EQ(label2.lfCharSet, 0);
  EXPECT_FALSE(label2.lfItalic || label2.lfUnderline || label2.lfStrikeOut);
  // Every other control has the system's message font.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  for (const testing::ExpectedControl& row : kExpectedLayout) {
    if (std::string_view(row.name) == "Label2") continue;
    const LOGFONTW other = font(row.name);
    EXPECT_EQ(std::wstring(other.lfFaceName), metrics.lfMessageFont.lfFaceName) << row.name;
    EXPECT_EQ(other.lfHeight, metrics.lfMessageFont.lfHeight) << row.name;
  }

  // The cross-hair over the website label only.
  const auto cursor_over = [&](const char* name) {
    ::SendMessageW(Main(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Control(name)),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  };
  EXPECT_EQ(cursor_over("Label2"), ::LoadCursorW(nullptr, IDC_CROSS));
  EXPECT_NE(cursor_over("ScriptLength"), ::LoadCursorW(nullptr, IDC_CROSS));
}

// Stands in for the system's annotation service (oleacc) in this process and
// notes what the window asks of it: Wine's service answers "not implemented",
// so the annotations themselves cannot be read back here.
class RecordingAccessibility final : public IAccPropServices, public IClassFactory {
 public:
  RecordingAccessibility() {
    ::CoRegisterClassObject(CLSID_AccPropServices, static_cast<IClassFactory*>(this),
                            CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  }
  ~RecordingAccessibility() { ::CoRevokeClassObject(cookie_); }
  RecordingAccessibility(const RecordingAccessibility&) = delete;
  RecordingAccessibility& operator=(const RecordingAccessibility&) = delete;

  // "name" or "description" of a window's client object, as set.
  std::map<std::pair<HWND, std::string>, std::wstring> properties;
  std::vector<HWND> cleared;

  HRESULT WINAPI QueryInterface(REFIID id, void** object) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IAccPropServices)) {
      *object = static_cast<IAccPropServices*>(this);
    } else if (IsEqualIID(id, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID id, void** object) override {
    return outer != nullptr ? CLASS_E_NOAGGREGATION : QueryInterface(id, object);
  }
  HRESULT WINAPI LockServer(BOOL) override { return S_OK; }

  HRESULT WINAPI SetHwndPropStr(HWND window, DWORD object, DWORD child, MSAAPROPID property,
                                LPCWSTR text) override {
    if (object != static_cast<DWORD>(OBJID_CLIENT) || child != CHILDID_SELF) return E_INVALIDARG;
    if (IsEqualGUID(property, PROPID_ACC_NAME)) properties[{window, "name"}] = text;
    if (IsEqualGUID(property, PROPID_ACC_DESCRIPTION)) properties[{window, "description"}] = text;
    return S_OK;
  }
  HRESULT WINAPI ClearHwndProps(HWND window, DWORD, DWORD, const MSAAPROPID*, int) override {
    cleared.push_back(window);
    return S_OK;
  }
  // Not used by the window.
  HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                               AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                   AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                    AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_NOTIMPL;
  }

 private:
  DWORD cookie_ = 0;
};

// Screen readers name the caption-less text boxes by their tool-tips; the
// counters keep their value as name and are described by their tool-tips.
TEST_F(Win32Window, TextBoxesAreNamedForScreenReaders) {
  RecordingAccessibility service;
  Open();
  std::map<std::pair<HWND, std::string>, std::wstring> expected;
  for (const char* name : {"ScriptText", "ScriptLine", "ScriptName", "ScriptBind"}) {
    expected[{Control(name), "name"}] = Widen(ToolTipOf(name));
  }
  for (const char* name : {"ScriptLength", "ScriptTotalFileLbl"}) {
    expected[{Control(name), "description"}] = Widen(ToolTipOf(name));
  }
  EXPECT_EQ(service.properties, expected);
  const HWND text_box = Control("ScriptText");
  window_.reset();
  EXPECT_NE(std::find(service.cleared.begin(), service.cleared.end(), text_box),
            service.cleared.end());
}

TEST_F(Win32Window, TabAndShiftTabFollowTheTabOrder) {
  const std::vector<std::string> order(std::begin(testing::kTabOrder),
                                       std::end(testing::kTabOrder));
  ASSERT_EQ(FocusName(), order.front());
  for (std::size_t step = 1; step < order.size(); ++step) {
    Key(VK_TAB);
    EXPECT_EQ(FocusName(), order[step]) << step;
  }
  Key(VK_TAB, true);
  EXPECT_EQ(FocusName(), "Command1");
  Key(VK_TAB, true);
  EXPECT_EQ(FocusName(), "HlpScriptLine");
}

TEST_F(Win32Window, EnterAndEscapeClickNothing) {
  // With inputs that Make would accept, any click on Make would write files.
  Type("ScriptText", L"Hello");
  Type("ScriptName", L"quiet");
  for (const char* name : {"ScriptText", "ScriptLine", "ScriptName", "ScriptBind"}) {
    ::SetFocus(Control(name));
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    EXPECT_EQ(FocusName(), name);
  }
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(FolderEntries(), "");
  EXPECT_EQ(Text("ScriptTotalFileLbl"), "");
  EXPECT_TRUE(::IsWindowVisible(Main()));
  // Tab makes a focused button the default one in a dialog; not here.
  ::SetFocus(Control("ScriptText"));
  Key(VK_TAB);
  ASSERT_EQ(FocusName(), "ScriptMake");
  Key(VK_RETURN);
  Key(VK_TAB);
  ASSERT_EQ(FocusName(), "ScriptLine");
  Key(VK_RETURN);
  EXPECT_EQ(FolderEntries(), "");
  EXPECT_EQ(::GetWindowLongW(Control("ScriptMake"), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  // Space clicks the focused button.
  Key(VK_TAB, true);
  Key(VK_SPACE);
  EXPECT_EQ(Text("ScriptTotalFileLbl"), "5");
}

TEST_F(Win32Window, TheKeyBoxHoldsOneCharacterAndTheTextAnyNumber) {
  ::SetFocus(Control("ScriptBind"));
  ::SendMessageW(Control("ScriptBind"), EM_SETSEL, 1, 1);
  TypeMore(L"5");
  EXPECT_EQ(Text("ScriptBind"), "2");
  ::SendMessageW(Control("ScriptBind"), EM_SETSEL, 0, -1);
  TypeMore(L"7");
  EXPECT_EQ(Text("ScriptBind"), "7");

  // A pasted text far beyond the edit control's usual 30,000 characters.
  const std::string long_text(100000, 'x');
  desktop_.Clipboard().SetText(long_text);
  ::SetFocus(Control("ScriptText"));
  ::SendMessageW(Control("ScriptText"), WM_PASTE, 0, 0);
  Pump();
  EXPECT_EQ(Text("ScriptText").size(), 100000u);
  EXPECT_EQ(Text("ScriptLength"), "100000");
}

// Typing, deleting and pasting each report the change; a character beyond
// the BMP reaches the window whole.
TEST_F(Win32Window, TheLengthCounterFollowsEveryChange) {
  Type("ScriptText", L"abc");
  EXPECT_EQ(Text("ScriptLength"), "3");
  TypeMore(L"\b");
  EXPECT_EQ(Text("ScriptLength"), "2");
  desktop_.Clipboard().SetText("xyz");
  ::SendMessageW(Control("ScriptText"), WM_PASTE, 0, 0);
  Pump();
  EXPECT_EQ(Text("ScriptText"), "abxyz");
  EXPECT_EQ(Text("ScriptLength"), "5");
  TypeMore(L"\u00E9");  // one character, two bytes of UTF-8
  EXPECT_EQ(Text("ScriptLength"), "6");
  // Set by the program: a character outside the BMP is one, in two UTF-16 units.
  window_->Window().SetText(window::kScriptText, "a\xF0\x9F\x98\x80");
  EXPECT_EQ(Text("ScriptLength"), "2");
}

TEST_F(Win32Window, TheClipboardHoldsWhatItIsGiven) {
  desktop_.Clipboard().SetText("a\u00E9z\r\nline two");
  EXPECT_EQ(desktop_.Clipboard().Text(), "a\u00E9z\r\nline two");
  desktop_.Clipboard().Clear();
  EXPECT_EQ(desktop_.Clipboard().Text(), "");
}

TEST_F(Win32Window, TheWebsiteLabelOpensTheAddressForTheWindow) {
  ClickLabel("Label2");
  ASSERT_EQ(opener_.addresses, std::vector<std::string>{"https://www.zeltrin.example.com/"});
  EXPECT_EQ(opener_.owners.front(), reinterpret_cast<NativeWindowHandle>(Main()));
  // Nothing on this desktop opens a missing file: reported as not opened.
  EXPECT_FALSE(desktop_.Opener().Open(reinterpret_cast<NativeWindowHandle>(Main()),
                                      "C:\\no-such-folder\\no-such-file.txt"));
}

// Moved to a monitor of 144 dpi, the window lays itself out again: places,
// sizes and fonts in that monitor's pixels, the window where the system says.
TEST_F(Win32Window, AnotherMonitorsDpiScalesTheLayout) {
  RECT suggested{10, 20, 10 + 420, 20 + 210};
  ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(Native().Dpi(), 144u);
  RECT place{};
  ::GetWindowRect(Control("ScriptText"), &place);
  ::MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(place.left, 60);                 // 600 twips
  EXPECT_EQ(place.top, 12);                  // 120 twips
  EXPECT_EQ(place.right - place.left, 206);  // 2055 twips
  EXPECT_EQ(place.bottom - place.top, 29);   // 285 twips
  ::GetWindowRect(Control("ScriptTotalFileLbl"), &place);
  ::MapWindowPoints(nullptr, Control("ScriptTotalFile"), reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(place.left, 12);
  EXPECT_EQ(place.top, 24);
  LOGFONTW label2{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Control("Label2"), WM_GETFONT, 0, 0)),
               sizeof label2, &label2);
  EXPECT_EQ(label2.lfHeight, -20);  // 9.75 points at 144 dpi
  RECT window{};
  ::GetWindowRect(Main(), &window);
  EXPECT_TRUE(::EqualRect(&window, &suggested));
}

TEST_F(Win32Window, ResizingMovesNothing) {
  std::vector<RECT> before;
  for (const testing::ExpectedControl& row : kExpectedLayout) {
    RECT place{};
    ::GetWindowRect(Control(row.name), &place);
    ::MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&place), 2);
    before.push_back(place);
  }
  const auto unmoved = [&] {
    for (std::size_t i = 0; i < before.size(); ++i) {
      RECT place{};
      ::GetWindowRect(Control(kExpectedLayout[i].name), &place);
      ::MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&place), 2);
      if (!::EqualRect(&place, &before[i])) return false;
    }
    return true;
  };
  ::SetWindowPos(Main(), nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  EXPECT_TRUE(unmoved());
  ::SetWindowPos(Main(), nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  EXPECT_TRUE(unmoved());
  ::ShowWindow(Main(), SW_MAXIMIZE);
  Pump();
  EXPECT_TRUE(unmoved());
}

TEST_F(Win32Window, TimersTickAndSwitch) {
  EXPECT_TRUE(window_->Timer1Enabled());
  EXPECT_TRUE(window_->Timer2Enabled());
  ASSERT_TRUE(PumpUntil([&] { return hook_.timer1 >= 2 && hook_.timer2 >= 1; }));
  window_->SwitchTimer2Off();
  EXPECT_FALSE(window_->Timer2Enabled());
  const int timer2_ticks = hook_.timer2;
  window_->SwitchTimer1On();  // already on: stays on
  EXPECT_TRUE(window_->Timer1Enabled());
  const int timer1_ticks = hook_.timer1;
  ASSERT_TRUE(PumpUntil([&] { return hook_.timer1 > timer1_ticks + 2; }));
  EXPECT_EQ(hook_.timer2, timer2_ticks);
}

// A real box: title, text, buttons, icon, owner; the focus is back on its
// control afterwards.
TEST_F(Win32Window, ARealMessageBoxGivesTheFocusBack) {
  Open(&desktop_.Boxes());
  // Into the Make button by keyboard; Space clicks it: with no text, a box.
  Key(VK_TAB);
  ASSERT_EQ(FocusName(), "ScriptMake");
  BoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
  Key(VK_SPACE);
  const SeenBox& seen = answerer.Seen();
  EXPECT_EQ(seen.title, L"Tickerloom");
  EXPECT_EQ(seen.text, L"Enter Some Text");
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(seen.icon);
  EXPECT_EQ(seen.owner, Main());
  EXPECT_TRUE(FocusComesBackTo("ScriptMake")) << FocusName();

  // A box opened while the focus is in a text box gives it back there too.
  ::SetFocus(Control("ScriptName"));
  BoxAnswerer help(::GetCurrentThreadId(), IDOK);
  ::SendMessageW(Main(), WM_COMMAND,
                 MAKEWPARAM(::GetDlgCtrlID(Control("HlpScriptLine")), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control("HlpScriptLine")));
  EXPECT_EQ(Narrow(help.Seen().text).substr(0, 10), "Example:\r\n");
  EXPECT_TRUE(FocusComesBackTo("ScriptName")) << FocusName();
}

// The toolkit delivers the ticks while a modal box runs its loop: a message
// box, and a progress box while it is updated. Each posted timer message
// waits in the queue until the box's loop hands it on.
TEST(Win32Toolkit, TicksArriveWhileABoxIsOpen) {
  Win32Desktop desktop;
  testing::RecordingEvents events;
  const auto window = desktop.Toolkit().OpenWindow(testing::OneTimerLayout(60000), events);
  auto& native = static_cast<Win32ToolkitWindow&>(*window);
  const auto post_tick = [&] {
    ::PostMessageW(native.Window(), WM_TIMER, native.TimerId("Timer"), 0);
  };
  BoxAnswerer answerer(::GetCurrentThreadId(), IDOK, [&](HWND) {
    post_tick();
    post_tick();
  });
  desktop.Boxes().Show(Message{"ticks meanwhile"});
  const SeenBox& seen = answerer.Seen();
  EXPECT_EQ(seen.text, L"ticks meanwhile");
  EXPECT_EQ(events.ticks, 2);
  // The window is not shown: neither box hides behind it, owned by it.
  EXPECT_EQ(seen.owner, nullptr);
  auto box = desktop.Toolkit().OpenProgressBox("Update", "Downloading The New Version");
  const HWND progress = ThreadWindow(::GetCurrentThreadId(), L"TickerloomProgressBox");
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(::GetWindow(progress, GW_OWNER), nullptr);
  EXPECT_NE(::GetWindowLongW(progress, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  post_tick();
  EXPECT_TRUE(box->Update(0, std::nullopt));
  EXPECT_EQ(events.ticks, 3);
}

TEST_F(Win32Window, TheUpdateQuestionHasYesAsDefaultAndTheInformationIcon) {
  Message message;
  message.prompt = "A Newer Version Is Available\r\nDo You Want To Download It Now?";
  message.title = "Update";
  message.buttons = MessageButtons::kYesNo;
  message.icon = MessageIcon::kInformation;
  // Enter answers Yes, the default button.
  for (const auto& [press, answer] :
       {std::pair{IDNO, MessageAnswer::kNo}, std::pair{BoxAnswerer::kEnter, MessageAnswer::kYes}}) {
    BoxAnswerer answerer(::GetCurrentThreadId(), press);
    EXPECT_EQ(desktop_.Boxes().Show(message), answer);
    const SeenBox& seen = answerer.Seen();
    EXPECT_EQ(seen.title, L"Update");
    EXPECT_EQ(seen.text, L"A Newer Version Is Available\r\nDo You Want To Download It Now?");
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(seen.icon);
    EXPECT_EQ(seen.owner, Main());
  }
}

// The download's progress box: its figures and bar; Cancel by the button, by
// Escape and by closing the box; while it is open the window takes no input
// and the wait cursor shows; a quit that arrives meanwhile cancels and is
// passed on; afterwards all is as before.
TEST_F(Win32Window, TheProgressBoxShowsTheDownloadAndCancels) {
  wchar_t separator[8] = L",";
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
  const std::wstring comma = separator;
  const struct {
    const char* name;
    std::function<void(HWND box, HWND cancel)> cancel;
  } ways[] = {
      {"Cancel", [](HWND, HWND cancel) { ::SendMessageW(cancel, BM_CLICK, 0, 0); }},
      {"Escape",
       [](HWND, HWND) {
         ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
         ::PostMessageW(::GetFocus(), WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001));
       }},
      {"closing the box", [](HWND box, HWND) { ::PostMessageW(box, WM_CLOSE, 0, 0); }},
      {"a quit", [](HWND, HWND) { ::PostQuitMessage(7); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    auto box = window_->Progress().OpenProgressBox("Update", "Downloading The New Version");
    const HWND window = ThreadWindow(::GetCurrentThreadId(), L"TickerloomProgressBox", L"Update");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(::GetWindow(window, GW_OWNER), Main());
    EXPECT_FALSE(::IsWindowEnabled(Main()));
    EXPECT_TRUE(WaitCursorShown());
    std::map<std::wstring, std::vector<HWND>> children;  // by class
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[32] = {};
      ::GetClassNameW(child, name, 32);
      children[name].push_back(child);
    }
    ASSERT_EQ(children[L"Static"].size(), 2u);
    ASSERT_EQ(children[L"msctls_progress32"].size(), 1u);
    ASSERT_EQ(children[L"Button"].size(), 1u);
    const HWND prompt = children[L"Static"][0];
    const HWND bytes = children[L"Static"][1];
    const HWND bar = children[L"msctls_progress32"][0];
    const HWND cancel = children[L"Button"][0];
    const auto text = [](HWND control) {
      wchar_t buffer[128] = {};
      ::GetWindowTextW(control, buffer, 128);
      return std::wstring(buffer);
    };
    const auto moves_to_and_fro = [&] {
      return (::GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) != 0;
    };
    EXPECT_EQ(text(prompt), L"Downloading The New Version");
    EXPECT_EQ(text(cancel), L"Cancel");
    EXPECT_EQ(text(bytes), L"0 bytes");
    EXPECT_TRUE(moves_to_and_fro());
    EXPECT_EQ(::GetFocus(), cancel);

    EXPECT_TRUE(box->Update(1234567, 5000000));
    EXPECT_EQ(text(bytes), L"1" + comma + L"234" + comma + L"567 of 5" + comma + L"000" + comma +
                               L"000 bytes (24%)");
    EXPECT_FALSE(moves_to_and_fro());
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 246);
    EXPECT_TRUE(box->Update(999, std::nullopt));
    EXPECT_EQ(text(bytes), L"999 bytes");
    EXPECT_TRUE(moves_to_and_fro());
    EXPECT_TRUE(box->Update(7000, 7000));
    EXPECT_EQ(text(bytes), L"7" + comma + L"000 of 7" + comma + L"000 bytes (100%)");

    // The wait cursor over the box, the arrow over Cancel.
    ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(bytes),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(WaitCursorShown());
    ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(cancel),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));

    way.cancel(window, cancel);
    EXPECT_FALSE(box->Update(7000, 7000));
    EXPECT_FALSE(box->Update(7000, 7000)) << "stays cancelled";
    box.reset();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_TRUE(::IsWindowEnabled(Main()));
    EXPECT_FALSE(WaitCursorShown());
    MSG quit{};
    const bool quit_waits = ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    EXPECT_EQ(quit_waits, std::string(way.name) == "a quit");
    if (quit_waits) {
      EXPECT_EQ(quit.wParam, 7u);
    }
  }
}

}  // namespace
}  // namespace tickerloom::platform::win32
