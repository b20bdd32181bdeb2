// Duvisto.dll loaded as a plug-in host may load it, by LoadLibrary and its class factory, then
// let go of the object and of the library from a message the browser window's loop, or one of
// the plug-in's boxes, dispatches: the code must stay mapped until that loop has returned. And
// what the module keeps for its objects (its type information) lives once per load of it.
#include <gtest/gtest.h>

#include <atomic>

#include "plugin_test_support.h"
#include "process_memory.h"
#include "ui_robot.h"

namespace {

using plugin_test::ComPtr;

HMODULE g_library = nullptr;
_Browse* g_object = nullptr;  // the host's own reference, let go inside the loop
std::atomic<bool> g_letGo{false};

void CALLBACK LetGoOfEverything(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_object->Release();
  FreeLibrary(g_library);
  g_letGo = true;
}

void CALLBACK ReleaseAndFreeUnused(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_object->Release();
  CoFreeUnusedLibrariesEx(0, 0);
  g_letGo = true;
}

// The robot's side of both tests: once the host has let go from inside the window's loop, the
// DLL must still be there for the loop to return to; then the window is closed.
void CloseOnceLetGo(DWORD ui) {
  const auto window = robot::WaitForWindowCaptioned(robot::Owner::Thread(ui), L"Internet browser (local)");
  ASSERT_TRUE(window);
  EXPECT_TRUE(robot::WaitUntil([] { return g_letGo.load(); }));
  EXPECT_NE(GetModuleHandleW(L"Duvisto.dll"), nullptr) << "mapped while the window exists";
  EXPECT_TRUE(robot::CloseAndWait(*window));
}

// The robot's side when the loop is a box's: the same check, then the box is answered.
void AnswerOnceLetGo(DWORD ui) {
  const auto box = robot::WaitForMessageBox(robot::Owner::Thread(ui));
  ASSERT_TRUE(box);
  EXPECT_TRUE(robot::WaitUntil([] { return g_letGo.load(); }));
  EXPECT_NE(GetModuleHandleW(L"Duvisto.dll"), nullptr) << "mapped while the box is shown";
  EXPECT_TRUE(robot::PressButton(box->hwnd, IDOK));
}

struct Case {
  const wchar_t* command;
  const wchar_t* argument;
  void (*robot)(DWORD ui);
};

class PluginLibrary : public testing::TestWithParam<Case> {};

TEST_P(PluginLibrary, StaysMappedWhileItsLoopRunsWhateverTheHostFreesFromIt) {
  g_letGo = false;
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  g_library = LoadLibraryW(plugin_test::DllPath().c_str());
  ASSERT_NE(g_library, nullptr);
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(WINAPI*)();
  const auto getClassObject = reinterpret_cast<GetClassObject>(GetProcAddress(g_library, "DllGetClassObject"));
  ASSERT_NE(getClassObject, nullptr);
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_Browse, IID_PPV_ARGS(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__Browse, reinterpret_cast<void**>(&g_object)), S_OK);
  }

  ASSERT_NE(SetTimer(nullptr, 0, 100, LetGoOfEverything), 0u);
  plugin_test::Outcome outcome;
  const auto call = [&] { outcome = plugin_test::Parse(g_object, GetParam().command, GetParam().argument); };
  EXPECT_TRUE(robot::RunDriven(call, GetParam().robot).callReturnedInTime);
  EXPECT_EQ(outcome.hr, S_OK) << "the call came back through the loop";
  EXPECT_EQ(outcome.handled, VARIANT_TRUE);

  // A host that keeps COM's rules holds the library while it asks, and then it can go.
  const HMODULE again = LoadLibraryW(plugin_test::DllPath().c_str());
  ASSERT_EQ(again, g_library) << "still the same mapping";
  const auto canUnloadNow = reinterpret_cast<CanUnloadNow>(GetProcAddress(again, "DllCanUnloadNow"));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);
  FreeLibrary(again);
  EXPECT_EQ(GetModuleHandleW(L"Duvisto.dll"), nullptr) << "nothing kept it once it was idle";
  CoUninitialize();
}

INSTANTIATE_TEST_SUITE_P(WindowAndBox, PluginLibrary,
                         testing::Values(Case{L"/xbrowser", L"about:blank", CloseOnceLetGo},
                                         Case{L"/xbabout", L"", AnswerOnceLetGo}));

// The same through COM: the host lets go of its object and asks COM to free unused libraries
// from inside the loop; COM unloads the DLL only once the window is gone and nothing is left.
TEST(PluginLibraryThroughCom, FreesItOnlyOnceTheWindowIsGoneAndTheObjectReleased) {
  g_letGo = false;
  {
    ComPtr<_Browse> browse;
    ASSERT_EQ(plugin_test::CreateByProgId(browse), S_OK);
    g_object = browse.Detach();
  }
  ASSERT_NE(SetTimer(nullptr, 0, 100, ReleaseAndFreeUnused), 0u);
  plugin_test::Outcome outcome;
  const auto open = [&] { outcome = plugin_test::Parse(g_object, L"/xbrowser", L"about:blank"); };
  EXPECT_TRUE(robot::RunDriven(open, CloseOnceLetGo).callReturnedInTime);
  EXPECT_EQ(outcome.hr, S_OK);
  EXPECT_NE(GetModuleHandleW(L"Duvisto.dll"), nullptr) << "nobody asked COM again yet";
  CoFreeUnusedLibrariesEx(0, 0);
  EXPECT_EQ(GetModuleHandleW(L"Duvisto.dll"), nullptr) << "idle, it goes";
}

// The type information is read once for the module and shared by its objects; each caller of
// GetTypeInfo gets a reference of its own, and letting it go leaves the module's.
TEST(PluginLibraryTypeInfo, IsReadOncePerModuleAndEachCallerHoldsItsOwnReference) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  {
    ComPtr<_Browse> one, two;
    ASSERT_EQ(plugin_test::CreateByProgId(one), S_OK);
    ASSERT_EQ(plugin_test::CreateByProgId(two), S_OK);
    ITypeInfo* first = nullptr;
    ASSERT_EQ(one->GetTypeInfo(0, 0, &first), S_OK);
    const ULONG held = first->AddRef();
    first->Release();
    first->Release();
    ITypeInfo* second = nullptr;
    ASSERT_EQ(two->GetTypeInfo(0, 0, &second), S_OK);
    EXPECT_EQ(second, first) << "one for the module";
    EXPECT_EQ(second->AddRef(), held) << "the first caller's Release took only its own reference";
    second->Release();
    second->Release();
    LPOLESTR name = const_cast<LPOLESTR>(L"ParseCommand");
    DISPID id = 0;
    EXPECT_EQ(two->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << "still there for late-bound calls";
  }
  CoFreeUnusedLibrariesEx(0, 0);
  CoUninitialize();
}

// Each load of the DLL reads its type library for its late-bound calls, and lets it go when it is
// idle and unloaded: a host that loads and frees the plug-in again and again holds no more.
TEST(PluginLibraryTypeInfo, GoesWithEachUnloadOfTheDll) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  const auto loadCallUnload = [] {
    const HMODULE library = LoadLibraryW(plugin_test::DllPath().c_str());
    ASSERT_NE(library, nullptr);
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(WINAPI*)();
    const auto getClassObject = reinterpret_cast<GetClassObject>(GetProcAddress(library, "DllGetClassObject"));
    const auto canUnloadNow = reinterpret_cast<CanUnloadNow>(GetProcAddress(library, "DllCanUnloadNow"));
    {
      ComPtr<IClassFactory> factory;
      ComPtr<IDispatch> object;
      ASSERT_EQ(getClassObject(CLSID_Browse, IID_PPV_ARGS(&factory)), S_OK);
      ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);
      LPOLESTR name = const_cast<LPOLESTR>(L"ReceiveNotify");
      DISPID id = 0;
      ASSERT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    }
    EXPECT_EQ(canUnloadNow(), S_OK);
    FreeLibrary(library);
    ASSERT_EQ(GetModuleHandleW(L"Duvisto.dll"), nullptr);
  };
  loadCallUnload();  // the runtime's own first-time allocations
  const process_memory::Usage growth = process_memory::GrowthAcross([&] {
    for (int i = 0; i < 20; ++i) loadCallUnload();
  });
  EXPECT_EQ(growth.heapBlocks, 0) << "blocks held after 20 loads and unloads";
  EXPECT_EQ(growth.privateBytes, 0) << "bytes held after 20 loads and unloads";
  CoUninitialize();
}

}  // namespace
