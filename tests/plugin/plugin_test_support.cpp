#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "ui_robot.h"
#include "unique_any.h"

namespace plugin_test {

std::wstring DllPath() {
  wchar_t path[MAX_PATH * 4] = {};
  std::wstring folder(path, GetModuleFileNameW(nullptr, path, ARRAYSIZE(path)));
  return folder.erase(folder.find_last_of(L'\\') + 1) + L"Duvisto.dll";
}

int RunRegsvr32(const std::wstring& switches) {
  wchar_t systemFolder[MAX_PATH] = {};
  GetSystemDirectoryW(systemFolder, MAX_PATH);
  const robot::StartedProgram regsvr32 = robot::StartProgram(L"\"" + std::wstring(systemFolder) + L"\\regsvr32.exe\" " +
                                                             switches + L" \"" + DllPath() + L"\"");
  if (!regsvr32) return -1;
  const auto exitCode = robot::WaitForExit(regsvr32.process.get(), std::chrono::seconds(30));
  return exitCode ? static_cast<int>(*exitCode) : -1;
}

std::wstring ClassesString(const std::wstring& path, const wchar_t* name) {
  duvisto::UniqueRegistryKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.addressof()) != ERROR_SUCCESS)
    return L"<no key>";
  wchar_t data[2048] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  const LSTATUS status = RegGetValueW(key.get(), nullptr, name, RRF_RT_REG_SZ, nullptr, data, &size);
  return status == ERROR_SUCCESS ? data : L"<missing>";
}

HRESULT CreateByProgId(ComPtr<_Browse>& browse) {
  CLSID clsid{};
  const HRESULT hr = CLSIDFromProgID(L"Duvisto.Browse", &clsid);
  return FAILED(hr) ? hr : CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&browse));
}

HRESULT CanUnloadNow() {
  const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      GetProcAddress(GetModuleHandleW(L"Duvisto.dll"), "DllCanUnloadNow"));
  return canUnloadNow ? canUnloadNow() : E_UNEXPECTED;
}

namespace {
constexpr UINT kRunPostedWork = WM_APP + 1;

LRESULT CALLBACK CallerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kRunPostedWork) return DefWindowProcW(window, message, wParam, lParam);
  std::unique_ptr<std::function<void()>>(reinterpret_cast<std::function<void()>*>(lParam))->operator()();
  return 0;
}
}  // namespace

UiThreadCaller::UiThreadCaller() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = CallerProcedure;
  windowClass.lpszClassName = L"DuvistoTestUiThreadCaller";
  RegisterClassW(&windowClass);  // a second registration fails harmlessly
  window_ = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

void UiThreadCaller::Post(std::function<void()> work) const {
  auto queued = std::make_unique<std::function<void()>>(std::move(work));
  if (PostMessageW(window_, kRunPostedWork, 0, reinterpret_cast<LPARAM>(queued.get()))) queued.release();
}

bool UiThreadCaller::Run(const std::function<void()>& work, const std::function<void()>& meanwhile) const {
  auto done = std::make_shared<std::atomic<bool>>(false);
  Post([work, done] { work(), *done = true; });
  if (meanwhile) meanwhile();
  return robot::WaitUntil([&] { return done->load(); });
}

const std::wstring kStatusAnswer =
    L"I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is \x02";
const std::wstring kStatusRequest =
    L"\tcheckI would like to check your status of remote browsing. This will only work if you have Messenger "
    L"Plus! and the plug-in Duvisto by morvane12.";

Outcome Parse(_Browse* object, const std::wstring& command, const std::wstring& argument) {
  Outcome outcome;
  Bstr result(L"kept");
  outcome.hr =
      object->ParseCommand(Bstr(command).get(), Bstr(argument).get(), nullptr, result.inout(), &outcome.handled);
  outcome.text = result.str();
  return outcome;
}

Outcome Notify(_Browse* object, const std::wstring& code, const std::wstring& text) {
  Outcome outcome;
  Bstr toSend(L"kept");
  outcome.hr = object->ReceiveNotify(Bstr(code).get(), Bstr(text).get(), Bstr(L"B").get(), nullptr, toSend.inout(),
                                     &outcome.handled);
  outcome.text = toSend.str();
  return outcome;
}

std::wstring Shown(const Outcome& outcome) {
  if (outcome.hr != S_OK) return L"failed " + std::to_wstring(outcome.hr);
  const VARIANT_BOOL flag = outcome.handled;
  return (flag == VARIANT_TRUE ? L"handled: " : flag == VARIANT_FALSE ? L"not handled: " : L"unset: ") + outcome.text;
}

std::wstring Status(_Browse* object) {
  const Outcome answer = Notify(object, L"check");
  const bool shaped = answer.hr == S_OK && answer.handled == VARIANT_TRUE &&
                      answer.text.compare(0, kStatusAnswer.size(), kStatusAnswer) == 0;
  return shaped ? answer.text.substr(kStatusAnswer.size()) : L"<no answer>";
}

std::wstring Row(_Browse* object, LONG index, const wchar_t* passed) {
  Bstr name = passed ? Bstr(passed) : Bstr(), value = passed ? Bstr(passed) : Bstr(),
       help = passed ? Bstr(passed) : Bstr();
  duvisto::UniqueVariant result;
  const HRESULT hr = object->GetPublishCommandInfo(index, name.inout(), value.inout(), help.inout(), result.put());
  return hr == S_OK ? name.str() + L"|" + value.str() + L"|" + help.str() : L"<failed>";
}

std::wstring Described(const robot::MessageBoxInfo& box) {
  return box.title + (box.icon == robot::Icon::Information ? L" (i)" : box.icon == robot::Icon::None ? L"" : L" (?)");
}

std::optional<robot::MessageBoxInfo> WithBox(
    const std::function<void()>& call,
    const std::function<void(DWORD uiThread, const robot::MessageBoxInfo& box)>& whileUp) {
  std::optional<robot::MessageBoxInfo> box;
  const auto driven = robot::RunDriven(call, [&](DWORD uiThread) {
    box = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
    if (!box) return;
    if (whileUp) whileUp(uiThread, *box);
    robot::PressButton(box->hwnd, IDOK);
  });
  if (!driven.callReturnedInTime) box.reset();
  return box;
}

bool Enable(_Browse* object) {
  Outcome outcome;
  return WithBox([&] { outcome = Parse(object, L"/xbenable"); }) && outcome.handled == VARIANT_TRUE &&
         Status(object) == L"enabled.";
}

Outcome Push(_Browse* object, const std::wstring& address, const std::function<void(DWORD)>& whileOpen,
             std::chrono::milliseconds wait) {
  Outcome outcome;
  std::atomic<bool> returned{false};
  bool windowShown = false, returnedWhileOpen = false;
  const auto driven = robot::RunDriven(
      [&] { outcome = Parse(object, L"/xnewurl", address), returned = true; },
      [&](DWORD uiThread) {
        const auto explanation = robot::WaitForMessageBox(robot::Owner::Thread(uiThread), wait);
        if (!explanation || !robot::PressButton(explanation->hwnd, IDOK)) return;
        const auto window = robot::WaitForWindowCaptioned(robot::Owner::Thread(uiThread), kRemoteCaption, wait);
        if (!(windowShown = window.has_value())) return;
        if (whileOpen) whileOpen(uiThread);
        returnedWhileOpen = returned;
        robot::CloseAndWait(*window);
      },
      wait);
  EXPECT_TRUE(driven.callReturnedInTime && windowShown) << "the explanation or the window";
  EXPECT_FALSE(returnedWhileOpen) << "the push returned before its window was closed";
  return outcome;
}

}  // namespace plugin_test

namespace {
// Every test program runs on an apartment thread, as the host does, with the DLL registered.
class PluginEnvironment : public ::testing::Environment {
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_EQ(plugin_test::Register(), 0) << "regsvr32 could not register Duvisto.dll";
  }
  void TearDown() override { CoUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);
}  // namespace
