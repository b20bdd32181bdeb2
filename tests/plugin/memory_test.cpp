// Memory over many calls: one object, created by ProgID as the host does and warmed up, takes a
// million window-free calls without growing the process past the bounds of the memory check.
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

// Late-bound calls with a script's variables by reference, converted for the call: each
// converted copy is freed whether the method wrote it or not, and so is a written variable's
// old value. In turn: GetPublishInfo, which writes all three; row 1, which writes all but
// sHelp; row 0, which writes nothing; and "abc" for the index, which is refused.
class ScriptVariableCalls {
 public:
  explicit ScriptVariableCalls(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  HRESULT Run(int count) {
    for (int i = 0; i < count; ++i) {
      const HRESULT hr = Call(i % 4);
      if (hr != (i % 4 == 3 ? DISP_E_TYPEMISMATCH : S_OK)) return FAILED(hr) ? hr : E_UNEXPECTED;
    }
    return S_OK;
  }

 private:
  HRESULT Call(int which) {
    VARIANT* const first = first_.put();
    VARIANT* const second = second_.put();
    VARIANT* const third = third_.put();
    first->vt = VT_I4, first->lVal = 12;
    second->vt = VT_BSTR, second->bstrVal = SysAllocString(L"3");
    third->vt = VT_I4, third->lVal = 5;
    VARIANTARG rgvarg[4];
    rgvarg[0].vt = rgvarg[1].vt = rgvarg[2].vt = VT_BYREF | VT_VARIANT;
    rgvarg[0].pvarVal = third, rgvarg[1].pvarVal = second, rgvarg[2].pvarVal = first;
    rgvarg[3].vt = VT_I4, rgvarg[3].lVal = which == 1 ? 1 : 0;
    if (which == 3) rgvarg[3].vt = VT_BSTR, rgvarg[3].bstrVal = notANumber_.get();
    const DISPID method = which == 0 ? kGetPublishInfo : kGetPublishCommandInfo;
    DISPPARAMS params{rgvarg, nullptr, which == 0 ? 3u : 4u, 0};
    return dispatch_->Invoke(method, IID_NULL, 0, DISPATCH_METHOD, &params, result_.put(), nullptr, nullptr);
  }

  ComPtr<IDispatch> dispatch_;
  duvisto::UniqueVariant first_, second_, third_, result_;
  Bstr notANumber_{L"abc"};
};

TEST(PluginMemory, LateBoundCallsOnConvertedScriptVariablesStayWithinTheBounds) {
  const ComPtr<_Browse> browse = CreateInitialized();
  ComPtr<IDispatch> dispatch;
  ASSERT_TRUE(browse && SUCCEEDED(browse.As(&dispatch)));
  ScriptVariableCalls calls(dispatch);
  ASSERT_HRESULT_SUCCEEDED(calls.Run(10'000));

  HRESULT hr = E_FAIL;
  const process_memory::Usage growth = process_memory::GrowthAcross([&] { hr = calls.Run(200'000); });
  ASSERT_HRESULT_SUCCEEDED(hr);
  EXPECT_LE(growth.privateBytes, process_memory::kCheckedCallBounds.privateBytes) << "private bytes grew";
  EXPECT_LE(growth.heapBlocks, process_memory::kCheckedCallBounds.heapBlocks) << "live heap blocks grew";
}

}  // namespace
