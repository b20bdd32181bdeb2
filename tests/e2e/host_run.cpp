#include "host_run.h"

#include <memory>
#include <type_traits>

namespace e2e {

namespace {

constexpr DWORD kHostTimeoutMs = 120000;
constexpr DWORD kRegsvr32TimeoutMs = 60000;

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

// Runs `commandLine` and waits; the exit code, or -1 when it did not end in time (then stopped).
int RunProcess(std::wstring commandLine, HANDLE output, DWORD timeoutMs) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -2;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return static_cast<int>(code);
}

std::string ReadWhole(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (file.get() == INVALID_HANDLE_VALUE) return bytes;
  char buffer[8192];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::string HostRun::Text() const {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::wstring BesideTestProgram(const wchar_t* fileName) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return Folder(self) + L"\\" + fileName;
}

std::wstring Scenario(const wchar_t* fileName) {
  // The source folder, seen through Wine's drive Z: (the Unix root).
  std::wstring folder = L"Z:" + std::wstring(E2E_SCENARIO_FOLDER);
  for (wchar_t& c : folder) {
    if (c == L'/') c = L'\\';
  }
  return folder + L"\\" + fileName;
}

HostRun RunHost(const std::vector<std::wstring>& arguments) {
  wchar_t tempFolder[MAX_PATH];
  wchar_t outputPath[MAX_PATH];
  GetTempPathW(MAX_PATH, tempFolder);
  GetTempFileNameW(tempFolder, L"e2e", 0, outputPath);

  HostRun run;
  {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    UniqueHandle output(CreateFileW(outputPath, GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    std::wstring commandLine = L"\"" + BesideTestProgram(L"host.exe") + L"\"";
    for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
    run.exitCode = RunProcess(commandLine, output.get(), kHostTimeoutMs);
  }
  run.lines = SplitLines(ReadWhole(outputPath));
  DeleteFileW(outputPath);
  return run;
}

HostRun RunScenario(const wchar_t* fileName) { return RunHost({L"--pause", L"100", Scenario(fileName)}); }

size_t FindLine(const HostRun& run, std::string_view text, size_t from) {
  for (size_t i = from; i < run.lines.size(); ++i) {
    if (run.lines[i].find(text) != std::string::npos) return i;
  }
  return run.lines.size();
}

int CountLines(const HostRun& run, std::string_view text) {
  int count = 0;
  for (const std::string& line : run.lines) count += line.find(text) != std::string::npos ? 1 : 0;
  return count;
}

::testing::AssertionResult InOrder(const HostRun& run, std::initializer_list<std::string_view> texts) {
  size_t from = 0;
  for (std::string_view text : texts) {
    size_t found = FindLine(run, text, from);
    if (found == run.lines.size()) {
      return ::testing::AssertionFailure() << "missing after line " << from << ": " << text << "\n--- transcript:\n"
                                           << run.Text();
    }
    from = found + 1;
  }
  return ::testing::AssertionSuccess();
}

int RunRegsvr32(const std::wstring& arguments) {
  return RunProcess(L"regsvr32.exe " + arguments, nullptr, kRegsvr32TimeoutMs);
}

RegistryValues::RegistryValues(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return;
  UniqueKey key(raw);
  existed_ = true;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    wchar_t data[1024];
    DWORD nameLength = 256;
    DWORD dataBytes = sizeof(data);
    DWORD type = 0;
    LONG status = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                &dataBytes);
    if (status != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    std::wstring value(data, dataBytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    saved_.emplace_back(std::wstring(name, nameLength), value);
  }
}

RegistryValues::~RegistryValues() {
  if (existed_) {
    Set(saved_);
  } else {
    RegDeleteTreeW(root_, path_.c_str());
    RegDeleteKeyW(root_, path_.c_str());
  }
}

bool RegistryValues::Set(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  UniqueKey key(raw);
  // Remove every value first, so only the given ones remain.
  for (;;) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumValueW(key.get(), 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (RegDeleteValueW(key.get(), name) != ERROR_SUCCESS) return false;
  }
  for (const auto& [name, data] : values) {
    if (RegSetValueExW(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
      return false;
    }
  }
  return true;
}

}  // namespace e2e
