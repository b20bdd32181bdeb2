#include "plugin_test_support.h"

namespace plugin_test {

std::wstring BesideTestProgram(const std::wstring& fileName) {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L'\\') + 1);
  return folder + fileName;
}

int RunRegsvr32(const std::wstring& arguments) {
  wchar_t systemFolder[MAX_PATH] = {};
  GetSystemDirectoryW(systemFolder, MAX_PATH);
  const std::wstring program = std::wstring(systemFolder) + L"\\regsvr32.exe";
  std::wstring commandLine = L"regsvr32 " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
  DWORD exitCode = static_cast<DWORD>(-1);
  if (waited == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &exitCode);
  else
    TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return waited == WAIT_OBJECT_0 ? static_cast<int>(exitCode) : -1;
}

bool ClassesKeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring ClassesString(const std::wstring& path, const wchar_t* name) {
  wchar_t data[2048] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return data;
}

HRESULT CreateByProgId(ComPtr<_Browse>& browse) {
  CLSID clsid{};
  const HRESULT hr = CLSIDFromProgID(L"Duvisto.Browse", &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Browse,
                          reinterpret_cast<void**>(browse.ReleaseAndGetAddressOf()));
}

}  // namespace plugin_test

#include <gtest/gtest.h>

namespace {

// Every test program runs on an apartment thread, as the host does, with the DLL registered
// through the system's regsvr32.
class PluginEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_EQ(plugin_test::Register(), 0) << "regsvr32 could not register Duvisto.dll";
  }
  void TearDown() override { CoUninitialize(); }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

}  // namespace
