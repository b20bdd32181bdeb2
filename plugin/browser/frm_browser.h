// frmBrowser: the browser window, its controls and its two events, Go and activation.
// One instance per thread; the window and its controls exist only while it is loaded.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

namespace duvisto {

class FrmBrowser {
 public:
  // The thread's one instance, created the first time the thread asks for it.
  static FrmBrowser& OfThisThread();

  bool IsLoaded() const { return window_ != nullptr; }
  // Creates the window, hidden, and its controls with the creation layout (nothing if loaded).
  HRESULT Load();
  HRESULT SetCaption(const wchar_t* caption);
  // Has the embedded browser go to `address`.
  HRESULT Navigate(std::wstring_view address);
  // Shows the window modally, laid out for its mode; returns once the user has closed it.
  // Past kMaxModalDepth waiting calls it lays out the shown window and returns at once.
  HRESULT ShowModal();

  // How many open operations may wait in the window's loop at once (see the definition).
  static const int kMaxModalDepth;

 private:
  struct Controls;

  FrmBrowser();
  ~FrmBrowser();

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Loaded with every control in place (not so while loading or being destroyed).
  bool HasControls() const;
  HRESULT CreateControls();
  void LayOut();
  void OnGo();
  void RememberFocus();
  void RestoreFocus();
  void MoveFocus(HWND from, bool backwards);
  void FocusControl(HWND target);
  void ReleaseOwner();
  HRESULT RunModalLoop(unsigned shownGeneration);
  bool PreTranslate(MSG* message);

  HWND window_ = nullptr;
  std::unique_ptr<Controls> controls_;
  unsigned generation_ = 0;  // counts loads: a modal loop ends with the window it was shown for
  int modalDepth_ = 0;
  HWND owner_ = nullptr;  // disabled while the window is shown over it
};

}  // namespace duvisto
