#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace plugin_test {

std::wstring DllPath() {
  wchar_t path[MAX_PATH * 4] = {};
  std::wstring folder(path, GetModuleFileNameW(nullptr, path, ARRAYSIZE(path)));
  return folder.erase(folder.find_last_of(L'\\') + 1) + L"Duvisto.dll";
}

int RunRegsvr32(const std::wstring& switches) {
  wchar_t systemFolder[MAX_PATH] = {};
  GetSystemDirectoryW(systemFolder, MAX_PATH);
  const std::wstring program = std::wstring(systemFolder) + L"\\regsvr32.exe";
  std::wstring commandLine = L"regsvr32 " + switches + L" \"" + DllPath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  DWORD exitCode = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &exitCode);
  TerminateProcess(process.hProcess, 1);  // no-op unless it hung
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

std::wstring ClassesString(const std::wstring& path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
  wchar_t data[2048] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  const LSTATUS status = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, data, &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? data : L"<missing>";
}

HRESULT CreateByProgId(ComPtr<_Browse>& browse) {
  CLSID clsid{};
  const HRESULT hr = CLSIDFromProgID(L"Duvisto.Browse", &clsid);
  return FAILED(hr) ? hr : CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&browse));
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

const std::wstring kStatusAnswer =
    L"I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is \x02";

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
