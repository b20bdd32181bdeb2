// Speed and memory figures for Duvisto.dll as the host meets it under Wine: registered by the
// system's regsvr32, created by ProgID on an apartment thread, called through its vtable and
// through IDispatch, its browser window opened and closed by the UI robot. Figures, not
// assertions: a step that fails ends the program with a message and exit code 1.
#include <windows.h>

#include <oleauto.h>
#include <psapi.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Duvisto_h.h"
#include "com_owners.h"
#include "ui_robot.h"

namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

constexpr wchar_t kLocalCaption[] = L"Internet browser (local)";
constexpr int kWarmCreations = 200;
constexpr int kPublishRounds = 201;
constexpr int kCallBatches = 51;
constexpr int kCallsPerBatch = 100;
constexpr int kWarmWindowOpens = 10;
constexpr int kLeakCreations = 1000;
constexpr int kLeakWindows = 50;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    char text[256];
    std::snprintf(text, sizeof(text), "%s failed: 0x%08lX", what, static_cast<unsigned long>(hr));
    throw Failure(text);
  }
}

// --- Time ----------------------------------------------------------------------------------

LONGLONG Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double Microseconds(LONGLONG ticks) {
  static const double ticksPerMicrosecond = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e6;
  }();
  return static_cast<double>(ticks) / ticksPerMicrosecond;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The median duration of `work` over `samples` runs, in microseconds.
double MedianMicroseconds(int samples, const std::function<void()>& work) {
  std::vector<double> durations;
  for (int i = 0; i < samples; ++i) {
    const LONGLONG start = Now();
    work();
    durations.push_back(Microseconds(Now() - start));
  }
  return Median(durations);
}

// --- Owners of what the host hands the plug-in ----------------------------------------------

using Bstr = duvisto::UniqueBstr;
using Variant = duvisto::UniqueVariant;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

class Apartment {
 public:
  Apartment() { Check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx"); }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() { CoUninitialize(); }
};

// --- The plug-in ----------------------------------------------------------------------------

std::wstring DllPath() {  // bin/Duvisto.dll, beside this program
  wchar_t path[MAX_PATH * 4] = {};
  std::wstring folder(path, GetModuleFileNameW(nullptr, path, ARRAYSIZE(path)));
  return folder.erase(folder.find_last_of(L'\\') + 1) + L"Duvisto.dll";
}

void RegisterDll() {
  wchar_t systemFolder[MAX_PATH] = {};
  GetSystemDirectoryW(systemFolder, MAX_PATH);
  const std::wstring program = std::wstring(systemFolder) + L"\\regsvr32.exe";
  std::wstring commandLine = L"regsvr32 /s \"" + DllPath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started))
    Check(HRESULT_FROM_WIN32(GetLastError()), "starting regsvr32");
  const UniqueHandle process(started.hProcess), thread(started.hThread);
  DWORD exitCode = 1;
  if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    throw Failure("regsvr32 did not finish within 30 s");
  }
  GetExitCodeProcess(process.get(), &exitCode);
  if (exitCode != 0) throw Failure("regsvr32 could not register " + std::string(DllPath().begin(), DllPath().end()));
}

ComPtr<_Browse> CreateAndInitialize() {
  CLSID clsid{};
  Check(CLSIDFromProgID(L"Duvisto.Browse", &clsid), "CLSIDFromProgID");
  ComPtr<_Browse> browse;
  Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&browse)), "CoCreateInstance");
  VARIANT_BOOL ready = VARIANT_FALSE;
  Check(browse->Initialize(2053, nullptr, nullptr, &ready), "Initialize");
  return browse;
}

std::wstring Parse(_Browse* browse, const wchar_t* command, const wchar_t* argument = L"") {
  Bstr result(L"");
  VARIANT_BOOL handled = VARIANT_FALSE;
  Check(browse->ParseCommand(Bstr(command).get(), Bstr(argument).get(), nullptr, result.inout(), &handled),
        "ParseCommand");
  return result.str();
}

std::wstring Notify(_Browse* browse, const wchar_t* code, const wchar_t* text = L"") {
  Bstr toSend(L"");
  VARIANT_BOOL handled = VARIANT_FALSE;
  Check(browse->ReceiveNotify(Bstr(code).get(), Bstr(text).get(), Bstr(L"B").get(), nullptr, toSend.inout(), &handled),
        "ReceiveNotify");
  return toSend.str();
}

// What the host does to list the commands: GetPublishInfo, then the seven rows.
constexpr int kPublishCalls = 8;

void PublishThroughVtable(_Browse* browse, Bstr& name, Bstr& value, Bstr& help) {
  long commandCount = 0, tagCount = 0;
  VARIANT_BOOL ready = VARIANT_FALSE;
  Check(browse->GetPublishInfo(name.inout(), &commandCount, &tagCount, &ready), "GetPublishInfo");
  Variant result;
  for (long index = 1; index <= 7; ++index)
    Check(browse->GetPublishCommandInfo(index, name.inout(), value.inout(), help.inout(), result.reset()),
          "GetPublishCommandInfo");
}

VARIANTARG ByRef(BSTR* text) {
  VARIANTARG arg;
  VariantInit(&arg);
  arg.vt = VT_BYREF | VT_BSTR;
  arg.pbstrVal = text;
  return arg;
}

VARIANTARG ByRef(long* number) {
  VARIANTARG arg;
  VariantInit(&arg);
  arg.vt = VT_BYREF | VT_I4;
  arg.plVal = number;
  return arg;
}

HRESULT InvokeMethod(IDispatch* dispatch, DISPID id, std::vector<VARIANTARG>& lastArgumentFirst, VARIANT* result) {
  DISPPARAMS params{lastArgumentFirst.data(), nullptr, static_cast<UINT>(lastArgumentFirst.size()), 0};
  return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

DISPID DispatchId(IDispatch* dispatch, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  auto* names = const_cast<LPOLESTR>(name);
  Check(dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
  return id;
}

// A late-binding host resolves the names once and then calls Invoke.
class LateBoundPublisher {
 public:
  explicit LateBoundPublisher(_Browse* browse) {
    Check(browse->QueryInterface(IID_PPV_ARGS(&dispatch_)), "QueryInterface(IDispatch)");
    publishInfo_ = DispatchId(dispatch_.Get(), L"GetPublishInfo");
    commandInfo_ = DispatchId(dispatch_.Get(), L"GetPublishCommandInfo");
  }

  void Publish(Bstr& name, Bstr& value, Bstr& help) {
    long commandCount = 0, tagCount = 0;
    Variant result;
    std::vector<VARIANTARG> info = {ByRef(&tagCount), ByRef(&commandCount), ByRef(name.inout())};
    Check(InvokeMethod(dispatch_.Get(), publishInfo_, info, result.reset()), "Invoke(GetPublishInfo)");
    for (long index = 1; index <= 7; ++index) {
      VARIANTARG row;
      VariantInit(&row);
      row.vt = VT_I4;
      row.lVal = index;
      std::vector<VARIANTARG> args = {ByRef(help.inout()), ByRef(value.inout()), ByRef(name.inout()), row};
      Check(InvokeMethod(dispatch_.Get(), commandInfo_, args, result.reset()), "Invoke(GetPublishCommandInfo)");
    }
  }

 private:
  ComPtr<IDispatch> dispatch_;
  DISPID publishInfo_ = DISPID_UNKNOWN;
  DISPID commandInfo_ = DISPID_UNKNOWN;
};

// --- Modal UI driven by the robot ------------------------------------------------------------

HWND FindTopLevel(DWORD uiThread, const wchar_t* className, const wchar_t* caption) {
  for (HWND window : robot::TopLevelWindows(robot::Owner::Thread(uiThread), className))
    if (!caption || robot::WindowText(window) == caption) return window;
  return nullptr;
}

// "/xbenable" shows one box; the robot closes it, and the status is then "enabled".
void EnableRemoteBrowsing(_Browse* browse) {
  const auto driven = robot::RunDriven(
      [&] { Parse(browse, L"/xbenable"); },
      [](DWORD uiThread) {
        HWND box = nullptr;
        if (robot::WaitUntil([&] { return (box = FindTopLevel(uiThread, L"#32770", nullptr)) != nullptr; }))
          robot::CloseAndWait(box);
      },
      15s);
  if (!driven.callReturnedInTime) throw Failure("the /xbenable box was not closed in time");
  const std::wstring answer = Notify(browse, L"check");
  if (answer.size() < 8 || answer.compare(answer.size() - 8, 8, L"enabled.") != 0)
    throw Failure("remote browsing did not become enabled");
}

// The moment a top-level window of this thread became visible, seen from inside its own thread
// (WM_WINDOWPOSCHANGED with SWP_SHOWWINDOW), so the robot's polling interval is not measured.
LONGLONG shownAt = 0;

LRESULT CALLBACK RecordFirstShow(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && shownAt == 0 && call->message == WM_WINDOWPOSCHANGED &&
      (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_SHOWWINDOW) &&
      GetAncestor(call->hwnd, GA_PARENT) == GetDesktopWindow())
    shownAt = Now();
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct HookRemover {
  void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
using UniqueHook = std::unique_ptr<std::remove_pointer_t<HHOOK>, HookRemover>;

struct WindowTimes {
  double openToShownUs = 0;   // ParseCommand called .. window visible
  double closeToReturnUs = 0;  // WM_CLOSE posted .. ParseCommand returned
};

// "/xbrowser about:blank": the window opens modally; the robot finds it and closes it.
WindowTimes OpenAndCloseBrowser(_Browse* browse) {
  const UniqueHook hook(SetWindowsHookExW(WH_CALLWNDPROCRET, RecordFirstShow, nullptr, GetCurrentThreadId()));
  if (!hook) Check(HRESULT_FROM_WIN32(GetLastError()), "SetWindowsHookExW");
  shownAt = 0;
  LONGLONG calledAt = 0, returnedAt = 0;
  std::atomic<LONGLONG> closeRequestedAt{0};
  bool closed = false;
  const auto driven = robot::RunDriven(
      [&] {
        calledAt = Now();
        Parse(browse, L"/xbrowser", L"about:blank");
        returnedAt = Now();
      },
      [&](DWORD uiThread) {
        HWND window = nullptr;
        if (!robot::WaitUntil([&] { return (window = FindTopLevel(uiThread, nullptr, kLocalCaption)) != nullptr; }))
          return;
        closeRequestedAt = Now();
        closed = robot::CloseAndWait(window);
      },
      15s);
  if (!driven.callReturnedInTime || !closed) throw Failure("the browser window did not open and close in time");
  if (shownAt == 0) throw Failure("the browser window was never shown");
  return {Microseconds(shownAt - calledAt), Microseconds(returnedAt - closeRequestedAt)};
}

// --- Memory --------------------------------------------------------------------------------

// What the process holds. Wine leaves PrivateUsage at 0, so the busy blocks of every heap, found
// by walking them, are counted as well: a leak shows there to the block.
struct Memory {
  double privateKiB = 0;
  double workingSetKiB = 0;
  double heapKiB = 0;
  double heapBlocks = 0;
};

void AddHeapsInUse(Memory& memory) {
  std::vector<HANDLE> heaps(64);
  heaps.resize(std::min<size_t>(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()), heaps.size()));
  for (HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)) continue;
      memory.heapKiB += entry.cbData / 1024.0;
      ++memory.heapBlocks;
    }
    HeapUnlock(heap);
  }
}

Memory ProcessMemory() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof(counters)))
    Check(HRESULT_FROM_WIN32(GetLastError()), "GetProcessMemoryInfo");
  Memory memory;
  memory.privateKiB = counters.PrivateUsage / 1024.0;
  memory.workingSetKiB = counters.WorkingSetSize / 1024.0;
  AddHeapsInUse(memory);
  return memory;
}

// --- Report --------------------------------------------------------------------------------

void Row(const char* what, double value, const char* unit, const char* note = "") {
  std::printf("  %-50s %10.1f %-3s %s\n", what, value, unit, note);
}

void MemoryRows(const char* what, int cycles, const Memory& before, const Memory& after) {
  std::printf("  %-50s %10s %10s %8s %10s\n", what, "before", "after", "change", "per cycle");
  const auto line = [cycles](const char* name, double from, double to) {
    std::printf("    %-48s %10.0f %10.0f %+8.0f %+10.2f\n", name, from, to, to - from, (to - from) / cycles);
  };
  line("PrivateUsage (KiB)", before.privateKiB, after.privateKiB);
  line("WorkingSetSize (KiB)", before.workingSetKiB, after.workingSetKiB);
  line("heap blocks in use (KiB)", before.heapKiB, after.heapKiB);
  line("heap blocks in use (count)", before.heapBlocks, after.heapBlocks);
}

void Run() {
  LONGLONG start = Now();
  RegisterDll();
  const double registerUs = Microseconds(Now() - start);
  const Apartment apartment;

  std::printf("Duvisto.dll under Wine (QueryPerformanceCounter; medians of warm runs)\n");
  Row("regsvr32 /s Duvisto.dll (whole process)", registerUs / 1000, "ms");

  // Creation: the first one loads the DLL and its type library.
  start = Now();
  ComPtr<_Browse> browse = CreateAndInitialize();
  Row("create by ProgID + Initialize, first", Microseconds(Now() - start), "us");
  std::vector<double> creations;
  for (int i = 0; i < kWarmCreations; ++i) {
    start = Now();
    ComPtr<_Browse> warm = CreateAndInitialize();
    creations.push_back(Microseconds(Now() - start));  // the Release that follows is not timed
  }
  Row("create by ProgID + Initialize, warm", Median(creations), "us", "median of 200");

  Bstr name(L""), value(L""), help(L"");
  const double vtable =
      MedianMicroseconds(kPublishRounds, [&] { PublishThroughVtable(browse.Get(), name, value, help); });
  Row("GetPublishInfo + 7 GetPublishCommandInfo, vtable", vtable / kPublishCalls, "us", "per call");
  LateBoundPublisher lateBound(browse.Get());
  const double invoke = MedianMicroseconds(kPublishRounds, [&] { lateBound.Publish(name, value, help); });
  Row("GetPublishInfo + 7 GetPublishCommandInfo, Invoke", invoke / kPublishCalls, "us", "per call");

  auto perCall = [](const std::function<void()>& call) {
    return MedianMicroseconds(kCallBatches, [&] {
             for (int i = 0; i < kCallsPerBatch; ++i) call();
           }) /
           kCallsPerBatch;
  };
  Row("ParseCommand(\"/xbchkcontact\")", perCall([&] { Parse(browse.Get(), L"/xbchkcontact"); }), "us", "per call");
  Row("ReceiveNotify(\"check\")", perCall([&] { Notify(browse.Get(), L"check"); }), "us", "per call");
  EnableRemoteBrowsing(browse.Get());
  Row("ReceiveNotify(\"brows\", \"javascript:alert(1)\")",
      perCall([&] { Notify(browse.Get(), L"brows", L"javascript:alert(1)"); }), "us", "per call, enabled, refused");

  // The browser window: the first open loads the web-browser control.
  const WindowTimes first = OpenAndCloseBrowser(browse.Get());
  std::vector<double> opens, closes;
  for (int i = 0; i < kWarmWindowOpens; ++i) {
    const WindowTimes warm = OpenAndCloseBrowser(browse.Get());
    opens.push_back(warm.openToShownUs);
    closes.push_back(warm.closeToReturnUs);
  }
  Row("ParseCommand(\"/xbrowser\") to window visible, first", first.openToShownUs / 1000, "ms");
  Row("ParseCommand(\"/xbrowser\") to window visible, warm", Median(opens) / 1000, "ms", "median of 10");
  Row("WM_CLOSE to ParseCommand returning, warm", Median(closes) / 1000, "ms", "median of 10");

  // Memory: the DLL is loaded and warm, so growth over many cycles would be a leak.
  Memory before = ProcessMemory();
  for (int i = 0; i < kLeakCreations; ++i) CreateAndInitialize();
  MemoryRows("1000 x create/Initialize/Release", kLeakCreations, before, ProcessMemory());
  before = ProcessMemory();
  for (int i = 0; i < kLeakWindows; ++i) OpenAndCloseBrowser(browse.Get());
  MemoryRows("50 x browser window open/close", kLeakWindows, before, ProcessMemory());
}

}  // namespace

int main() {
  try {
    Run();
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "plugin_bench: %s\n", failure.what());
    return 1;
  }
}
