// Memory over many calls: one object, created by ProgID as the host does and warmed up, takes a
// million window-free calls without growing the process past the bounds of the memory check,
// and once released leaves no object alive in the DLL.
#include <gtest/gtest.h>

#include "plugin_test_support.h"
#include "process_memory.h"

using namespace plugin_test;

namespace {

ComPtr<_Browse> CreateInitialized() {
  ComPtr<_Browse> browse;
  EXPECT_HRESULT_SUCCEEDED(CreateByProgId(browse));
  if (!browse) return nullptr;
  VARIANT_BOOL ready = VARIANT_FALSE;
  EXPECT_HRESULT_SUCCEEDED(browse->Initialize(2053, Bstr(L"a@example.com").get(), nullptr, &ready));
  return browse;
}

TEST(PluginMemory, AMillionWindowFreeCallsOnAWarmObjectStayWithinTheBounds) {
  const ComPtr<_Browse> browse = CreateInitialized();
  ASSERT_TRUE(browse);
  process_memory::WindowFreeCalls calls(browse);
  ASSERT_HRESULT_SUCCEEDED(calls.Run(process_memory::kWarmCalls));

  HRESULT hr = E_FAIL;
  const process_memory::Usage growth =
      process_memory::GrowthAcross([&] { hr = calls.Run(process_memory::kCheckedCalls); });
  ASSERT_HRESULT_SUCCEEDED(hr);
  EXPECT_LE(growth.privateBytes, process_memory::kCheckedCallBounds.privateBytes) << "private bytes grew";
  EXPECT_LE(growth.heapBlocks, process_memory::kCheckedCallBounds.heapBlocks) << "live heap blocks grew";
}

TEST(PluginMemory, NoObjectIsLeftAliveOnceTheLastIsReleased) {
  {
    ComPtr<_Browse> browse = CreateInitialized();
    ASSERT_TRUE(browse);
    process_memory::WindowFreeCalls calls(std::move(browse));
    ASSERT_HRESULT_SUCCEEDED(calls.Run(600));
  }
  const HMODULE dll = GetModuleHandleW(L"Duvisto.dll");
  ASSERT_NE(dll, nullptr) << "COM unloaded the DLL before it was asked";
  const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(dll, "DllCanUnloadNow"));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
