#include "frm_browser.h"

#include <iterator>
#include <new>
#include <string>

#include "browser_layout.h"
#include "frm_browser_controls.h"
#include "unique_any.h"
#include "hosted_control.h"
#include "module.h"
#include "navigate.h"
#include "twips.h"

namespace duvisto {
namespace {

namespace layout = browser_layout;

// {8856F961-340A-11D0-A96B-00C04FD705A2}: the shell's web-browser control.
constexpr CLSID kWebBrowserClsid = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

constexpr wchar_t kWindowClass[] = L"DuvistoFrmBrowser";
// A fixed border, a title bar with the close box, no minimise or maximise box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;

constexpr int kAddressId = 101;
constexpr int kGoId = 102;
constexpr int kLabelId = 103;

constexpr COLORREF kWarningColour = RGB(255, 0, 0);

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The window's text into `text`; false when there is no memory for it. These run inside the
// window procedure, which no exception may leave.
bool ReadText(HWND window, std::wstring& text) noexcept {
  try {
    text.assign(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Whether the window's text is exactly `expected`, read without allocating.
bool TextIs(HWND window, std::wstring_view expected) {
  wchar_t text[64];
  if (expected.size() >= std::size(text)) return false;
  const int length = GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return std::wstring_view(text, static_cast<size_t>(length)) == expected &&
         GetWindowTextLengthW(window) == static_cast<int>(expected.size());
}

RECT PixelBox(const layout::Box& box) { return TwipsBoxToPixels(box.left, box.top, box.width, box.height); }

HRESULT RegisterWindowClass(WNDPROC windowProc) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(ModuleHandle(), kWindowClass, &existing)) return S_OK;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = ModuleHandle();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) ? S_OK : LastErrorResult();
}

// A class outlives the DLL that registered it: it goes with the window, so a DLL loaded again
// later does not meet a class whose window procedure points into the old one.
void UnregisterWindowClass() { UnregisterClassW(kWindowClass, ModuleHandle()); }

// The plug-in's own active window, if it has one: the thread's active window when it was
// made by this module. The host's windows are not the plug-in's and own nothing of it.
HWND PluginActiveWindow(HWND self) {
  HWND active = GetActiveWindow();
  if (active == nullptr || active == self) return nullptr;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(active, GWLP_HINSTANCE));
  return instance == ModuleHandle() ? active : nullptr;
}

HWND CreateChild(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                 const layout::Box& box, int id) {
  const RECT pixels = PixelBox(box);
  return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, pixels.left, pixels.top,
                         pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleHandle(), nullptr);
}

UniqueFont CreateAddressFont() {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(layout::kAddressFontPoints, ScreenDpi(LOGPIXELSY), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = ANSI_CHARSET;
  lstrcpynW(font.lfFaceName, layout::kAddressFontFace, LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&font));
}

// Tab or Shift+Tab, the dialog keys' own (not with Ctrl or Alt, which are the page's).
bool IsTabKey(const MSG& message) {
  return message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
         GetKeyState(VK_MENU) >= 0;
}

}  // namespace

// Open operations that may wait in the window's loop at once. Each one nests a modal loop on
// the host's thread: the dispatch of the host's message, its call into the plug-in, the open
// operation and the loop take about 2.4 KB of stack a level (make bench measures it), plus
// whatever the host's own handler keeps. Eight levels are under 20 KB, 2% of the 1 MB a host's
// UI thread usually has; even a host three times as heavy stays near 6%. The rest is left to
// the page's script and drawing, which run on the same stack from the innermost loop and need
// far more. Eight still covers every ordinary case: a push while a box and the window are up.
const int FrmBrowser::kMaxModalDepth = 8;

FrmBrowser::FrmBrowser() = default;

bool FrmBrowser::HasControls() const {
  return IsLoaded() && controls_ && controls_->browser && controls_->label1 != nullptr;
}

bool FrmBrowser::StillHasControls(unsigned loadedGeneration) const {
  return HasControls() && generation_ == loadedGeneration;
}

FrmBrowser::~FrmBrowser() = default;

FrmBrowser& FrmBrowser::OfThisThread() {
  // A plain pointer, deliberately never deleted: a thread-local object with a destructor would
  // run it at thread exit, possibly after the DLL is gone. Unloaded, the instance owns nothing.
  thread_local FrmBrowser* instance = nullptr;
  if (instance == nullptr) instance = new FrmBrowser();
  return *instance;
}

HRESULT FrmBrowser::Load() {
  if (IsLoaded()) return S_OK;
  HRESULT hr = RegisterWindowClass(&FrmBrowser::WindowProc);
  if (FAILED(hr)) return hr;

  RECT outer{0, 0, TwipsToPixelsX(layout::kClientWidth), TwipsToPixelsY(layout::kClientHeight)};
  if (!AdjustWindowRectEx(&outer, kWindowStyle, FALSE, kWindowExStyle)) return LastErrorResult();
  hr = ModuleKeepMapped();
  if (FAILED(hr)) return hr;
  controls_ = std::make_unique<Controls>();
  hr = controls_->ole.Start();
  if (FAILED(hr)) {
    controls_.reset();
    return hr;
  }
  // WM_NCCREATE ties the window to this instance and sets window_.
  CreateWindowExW(kWindowExStyle, kWindowClass, layout::kCaptionLocalAndRemote, kWindowStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                  ModuleHandle(), this);
  if (!IsLoaded()) {
    hr = LastErrorResult();
    controls_.reset();
    UnregisterWindowClass();
    return hr;
  }
  ++generation_;
  hr = CreateControls();
  if (FAILED(hr)) {
    // A window without its controls is no window at all: it is not left loaded.
    DestroyWindow(window_);
    UnregisterWindowClass();
  }
  return hr;
}

HRESULT FrmBrowser::CreateControls() {
  // Created in tab order, which is also the order the dialog keys walk them in.
  HRESULT hr = HostedControl::Create(kWebBrowserClsid, window_, PixelBox(layout::kBrowser), this,
                                     &controls_->browser);
  if (FAILED(hr)) return hr;
  // Before any page: no script error box or download prompt of the control's own, in either mode.
  hr = SetSilentLateBound(controls_->browser->Object());
  if (FAILED(hr)) return hr;

  controls_->txtAddress = CreateChild(window_, WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                                      layout::kAddress, kAddressId);
  if (controls_->txtAddress == nullptr) return LastErrorResult();
  controls_->addressFont = CreateAddressFont();
  if (!controls_->addressFont) return LastErrorResult();
  SendMessageW(controls_->txtAddress, WM_SETFONT, reinterpret_cast<WPARAM>(controls_->addressFont.get()), FALSE);

  const auto windowFont = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  controls_->cmdGo =
      CreateChild(window_, 0, L"BUTTON", layout::kGoCaption, WS_TABSTOP | BS_DEFPUSHBUTTON, layout::kGo, kGoId);
  if (controls_->cmdGo == nullptr) return LastErrorResult();
  SendMessageW(controls_->cmdGo, WM_SETFONT, windowFont, FALSE);

  controls_->label1 = CreateChild(window_, 0, L"STATIC", layout::kWarningText, SS_LEFT, layout::kLabel, kLabelId);
  if (controls_->label1 == nullptr) return LastErrorResult();
  SendMessageW(controls_->label1, WM_SETFONT, windowFont, FALSE);
  return S_OK;
}

HRESULT FrmBrowser::SetCaption(const wchar_t* caption) {
  if (!IsLoaded()) return E_UNEXPECTED;
  return SetWindowTextW(window_, caption) ? S_OK : LastErrorResult();
}

HRESULT FrmBrowser::Navigate(std::wstring_view address) {
  if (!IsLoaded()) return E_UNEXPECTED;
  return NavigateOwn(address);
}

// The control may announce the navigation inside the call or later from the loop: the mark
// stays until its top-level navigation takes it, and a later own navigation only renews it.
HRESULT FrmBrowser::NavigateOwn(std::wstring_view address) {
  controls_->ownNavigationPending = true;
  const HRESULT hr = NavigateLateBound(controls_->browser->Object(), address);
  if (FAILED(hr) && controls_) controls_->ownNavigationPending = false;
  return hr;
}

// The modal show. A show that comes while the window is already shown (re-entry from its own
// loop) leaves the window as it is on screen and runs a loop of its own until the window is
// closed, so every open operation returns only once the window is gone, and there is never a
// second window. Closing ends the innermost loop first; each outer one then finds the window
// gone and returns in turn.
//
// The layout is set here as well as on activation: a window shown while the host is in the
// background is refused activation by the system, and must show its mode all the same.
HRESULT FrmBrowser::ShowModal() {
  if (!IsLoaded()) return E_UNEXPECTED;
  LayOut();
  // A flood of open requests (a partner's pushes) must not nest loops until the stack runs out:
  // past the bound the request has acted on the shown window, and is done.
  if (modalDepth_ >= kMaxModalDepth) return S_OK;
  const unsigned shownGeneration = generation_;
  if (modalDepth_ == 0) {
    owner_ = PluginActiveWindow(window_);
    if (owner_ != nullptr) {
      SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_));
      EnableWindow(owner_, FALSE);
    }
  }
  ShowWindow(window_, SW_SHOWNORMAL);
  ++modalDepth_;
  const HRESULT hr = RunModalLoop(shownGeneration);
  --modalDepth_;
  if (!IsLoaded() && modalDepth_ == 0) UnregisterWindowClass();
  return hr;
}

HRESULT FrmBrowser::RunModalLoop(unsigned shownGeneration) {
  while (IsLoaded() && generation_ == shownGeneration) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return LastErrorResult();
    if (got == 0) {
      // The thread is quitting: the window goes, and the request stays for the thread's own loop.
      DestroyWindow(window_);
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!PreTranslate(&message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return S_OK;
}

// Keyboard messages go to the focus window. Inside the browser they are offered to the control
// first (its own shortcuts, and Tab between the page's elements); a Tab it declines, after the
// page's last element or before its first, goes on round the window. Elsewhere in the window
// they are its dialog keys: Tab round the controls and the page, Enter for the default button.
bool FrmBrowser::PreTranslate(MSG* message) {
  if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST || !HasControls()) return false;
  const bool inBrowser = controls_->browser->Contains(message->hwnd);
  if (!inBrowser && message->hwnd != window_ && !IsChild(window_, message->hwnd)) return false;
  const unsigned generation = generation_;
  if (inBrowser && controls_->browser->TranslateAccelerator(message)) return true;
  if (!StillHasControls(generation)) return true;  // closed while the page had the key: it is used up
  if (IsTabKey(*message)) {
    MoveFocus(message->hwnd, GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  return !inBrowser && IsDialogMessageW(window_, message);
}

LRESULT CALLBACK FrmBrowser::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<FrmBrowser*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->window_ = window;
  }
  auto* form = reinterpret_cast<FrmBrowser*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return form != nullptr ? form->OnMessage(window, message, wParam, lParam)
                         : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT FrmBrowser::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (!HasControls()) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
        controls_->browser->OnFrameWindowActivate(false);
      } else {
        LayOut();
        const unsigned generation = generation_;
        controls_->browser->OnFrameWindowActivate(true);
        if (StillHasControls(generation)) RestoreFocus();
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kGoId && HIWORD(wParam) == BN_CLICKED && HasControls()) {
        OnGo();
        return 0;
      }
      break;
    case kOpenInWindowMessage:
      OnOpenInWindow();
      return 0;
    case DM_GETDEFID:  // asked by the dialog keys: Enter presses Go while Go is enabled
      return MAKELRESULT(kGoId, DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
      if (controls_ && reinterpret_cast<HWND>(lParam) == controls_->label1) {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kWarningColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_CLOSE:
      ReleaseOwner();  // before the window goes, so the activation returns to the owner
      break;
    case WM_DESTROY:
      ReleaseOwner();
      if (controls_) controls_->browser.reset();  // closed while its window still exists
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      controls_.reset();
      window_ = nullptr;
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The caption decides the layout, on every activation and every show. Only the exact
// local-and-remote caption gives the tall window with the address box and Go disabled; anything
// else gives the short one and leaves them as they are.
void FrmBrowser::LayOut() {
  const bool localAndRemote = ShowsPartnersPage();
  RECT outer{};
  GetWindowRect(window_, &outer);
  const int height = TwipsToPixelsY(localAndRemote ? layout::kOuterHeightLocalAndRemote : layout::kOuterHeightLocal);
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (localAndRemote) {
    EnableWindow(controls_->txtAddress, FALSE);
    EnableWindow(controls_->cmdGo, FALSE);
  }
}

// The caption is the window's only record of its mode.
bool FrmBrowser::ShowsPartnersPage() const { return IsLoaded() && TextIs(window_, layout::kCaptionLocalAndRemote); }

// Go: the browser goes to whatever the address box holds. A failure is the control's to
// show; Go reports nothing, and without memory to read the box it does nothing.
void FrmBrowser::OnGo() {
  std::wstring address;
  if (ReadText(controls_->txtAddress, address)) (void)NavigateOwn(address);
}

void FrmBrowser::RememberFocus() {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(window_, focus)) controls_->focus = focus;
}

// Back to the control that last had the focus, or the first in tab order, the browser.
void FrmBrowser::RestoreFocus() {
  HWND target = controls_->focus;
  if (target == nullptr || !IsWindow(target) || !IsChild(window_, target) || !IsWindowEnabled(target)) {
    target = controls_->browser->Window();
  }
  if (target == nullptr) {
    SetFocus(window_);
    return;
  }
  FocusControl(target);
}

// Tab order: the browser, the address box, Go, and round again, past what is disabled.
void FrmBrowser::MoveFocus(HWND from, bool backwards) {
  const HWND order[] = {controls_->browser->Window(), controls_->txtAddress, controls_->cmdGo};
  constexpr int kCount = static_cast<int>(std::size(order));
  int at = 0;
  for (int i = 0; i < kCount; ++i) {
    if (from == order[i]) at = i;
  }
  for (int step = 1; step <= kCount; ++step) {
    const HWND target = order[(at + (backwards ? kCount - step : step)) % kCount];
    if (target != nullptr && IsWindowEnabled(target) && IsWindowVisible(target)) {
      const bool address = target == controls_->txtAddress;
      FocusControl(target);
      if (address) SendMessageW(target, EM_SETSEL, 0, -1);
      return;
    }
  }
}

// The browser is UI-activated as it takes the focus, so its caret and its keys come back with
// it; it puts the focus into its page itself, or is given it here.
void FrmBrowser::FocusControl(HWND target) {
  const HWND browser = controls_->browser->Window();
  if (controls_->browser->Contains(target)) {
    const unsigned generation = generation_;
    (void)controls_->browser->UIActivate();  // a control that cannot is still given the focus
    if (!StillHasControls(generation)) return;
    if (target == browser && controls_->browser->Contains(GetFocus())) return;
  }
  SetFocus(target);
}

void FrmBrowser::ReleaseOwner() {
  if (owner_ == nullptr) return;
  EnableWindow(owner_, TRUE);
  owner_ = nullptr;
}

}  // namespace duvisto
