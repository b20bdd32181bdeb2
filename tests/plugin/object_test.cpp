// The Browse object through its vtable and IDispatch, created by ProgID as the host does, and
// the server's exports. The catalogue's texts are pinned here, through the vtable; IDispatch
// is checked to hand over the same.
#include <gtest/gtest.h>

#include "plugin_test_support.h"
#include "unique_any.h"

using namespace plugin_test;

namespace {

class BrowseObject : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse)); }
  ComPtr<_Browse> browse;
};

TEST_F(BrowseObject, StatusHasNoValueUntilInitializeAndUninitializeChangesNothing) {
  EXPECT_EQ(Status(browse.Get()), L".");
  VARIANT_BOOL ready = kUnset;
  ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, Bstr(L"a@example.com").get(), nullptr, &ready));
  EXPECT_EQ(ready, VARIANT_TRUE);
  VARIANT nothing;
  ASSERT_HRESULT_SUCCEEDED(browse->Uninitialize(&nothing));
  EXPECT_EQ(nothing.vt, VT_EMPTY);
  EXPECT_EQ(Status(browse.Get()), L"disabled.");
}

TEST_F(BrowseObject, PublishesItsCatalogueAndLeavesUnwrittenOutputsExactlyAsPassed) {
  Bstr name(L"old");
  LONG commands = -5, tags = 99;
  VARIANT_BOOL ok = kUnset;
  ASSERT_HRESULT_SUCCEEDED(browse->GetPublishInfo(name.inout(), &commands, &tags, &ok));
  EXPECT_TRUE(name.str() == L"Duvisto by morvane12" && commands == 7 && tags == 0 && ok == VARIANT_TRUE);

  const struct {
    LONG index;
    const wchar_t *name, *value, *help;  // "kept": not written
  } rows[] = {
      {1, L"Enable remote browsing", L"xbenable", L"kept"},
      {2, L"Disable remote browsing", L"xbdisable", L"you will still be able to browse locally"},
      {3, L"Check my status", L"xbchkmy", L"check whether remote browsing is enabled"},
      {4, L"Check my contact's status", L"xbchkcontact", L"check whether your contact's remote browsing is enabled"},
      {5, L"Open browser (local)", L"xbrowser", L"URL (address)"},
      {6, L"Open browser/change URL (local and remote)", L"xnewurl", L"URL (address)"},
      {7, L"About...", L"xbabout", L"kept"},
      {0, L"kept", L"kept", L"kept"},
      {8, L"kept", L"kept", L"kept"},
      {-1, L"kept", L"kept", L"kept"},
  };
  for (const auto& row : rows) {
    Bstr rowName(L"kept"), rowValue(L"kept"), rowHelp(L"kept");
    const BSTR passedHelp = rowHelp.get();
    VARIANT result;
    ASSERT_HRESULT_SUCCEEDED(
        browse->GetPublishCommandInfo(row.index, rowName.inout(), rowValue.inout(), rowHelp.inout(), &result));
    EXPECT_EQ(rowName.str() + L"|" + rowValue.str() + L"|" + rowHelp.str(),
              std::wstring(row.name) + L"|" + row.value + L"|" + row.help);
    EXPECT_TRUE(std::wstring(row.help) != L"kept" || rowHelp.get() == passedHelp) << "the very same string back";
    EXPECT_EQ(result.vt, VT_EMPTY);
  }
}

TEST_F(BrowseObject, DispatchResolvesNamesInAnyCaseAndWritesByReferenceArgumentsBack) {
  ComPtr<IDispatch> dispatch;
  ASSERT_HRESULT_SUCCEEDED(browse.As(&dispatch));
  UINT typeInfos = 7;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&typeInfos), S_OK);
  EXPECT_EQ(typeInfos, 1u) << "it describes itself, as a script host asks first";
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"gEtPuBlIsHiNfO"), const_cast<LPOLESTR>(L"Navigate")};
  DISPID dispid = 0;
  ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid));
  EXPECT_EQ(dispid, kGetPublishInfo);
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names + 1, 1, 0, &dispid), DISP_E_UNKNOWNNAME);

  // As compiled clients pass them: VT_BYREF|VT_BSTR and VT_BYREF|VT_I4 (arguments last first).
  Bstr name(L"old");
  LONG commands = 0, tags = 5;
  VARIANTARG typed[3];
  typed[2].vt = VT_BYREF | VT_BSTR, typed[2].pbstrVal = name.inout();
  typed[1].vt = VT_BYREF | VT_I4, typed[1].plVal = &commands;
  typed[0].vt = VT_BYREF | VT_I4, typed[0].plVal = &tags;
  DISPPARAMS params{typed, nullptr, 3, 0};
  VARIANT result;
  ASSERT_HRESULT_SUCCEEDED(dispatch->Invoke(kGetPublishInfo, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr,
                                            nullptr));
  Bstr vtableName;
  LONG vtableCommands = 0, vtableTags = 5;
  VARIANT_BOOL ok = kUnset;
  ASSERT_HRESULT_SUCCEEDED(browse->GetPublishInfo(vtableName.inout(), &vtableCommands, &vtableTags, &ok));
  EXPECT_TRUE(name.str() == vtableName.str() && commands == vtableCommands && tags == vtableTags);
  EXPECT_TRUE(result.vt == VT_BOOL && result.boolVal == VARIANT_TRUE);

  // As script engines pass them: VT_BYREF|VT_VARIANT around whatever the variable holds.
  VARIANT row[4] = {};  // help (holding a number), value, name, index
  row[0].vt = VT_I4, row[0].lVal = 12;
  VARIANTARG byVariant[4];
  for (int i = 0; i < 3; ++i) byVariant[i].vt = VT_BYREF | VT_VARIANT, byVariant[i].pvarVal = &row[i];
  byVariant[3].vt = VT_I4, byVariant[3].lVal = 2;
  DISPPARAMS scriptParams{byVariant, nullptr, 4, 0};
  ASSERT_HRESULT_SUCCEEDED(dispatch->Invoke(kGetPublishCommandInfo, IID_NULL, 0, DISPATCH_METHOD, &scriptParams,
                                            &result, nullptr, nullptr));
  ASSERT_TRUE(row[0].vt == VT_BSTR && row[1].vt == VT_BSTR && row[2].vt == VT_BSTR);
  EXPECT_EQ(std::wstring(row[2].bstrVal) + L"|" + row[1].bstrVal + L"|" + row[0].bstrVal, Row(browse.Get(), 2));
  for (VARIANT& variable : row) VariantClear(&variable);

  DISPPARAMS tooFew{byVariant + 3, nullptr, 1, 0};
  EXPECT_EQ(dispatch->Invoke(kGetPublishCommandInfo, IID_NULL, 0, DISPATCH_METHOD, &tooFew, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
}

TEST(ServerExports, FactoryRefusesAggregationAndOtherClassesAndUnloadFollowsObjectsAndLocks) {
  const duvisto::UniqueModule dll(LoadLibraryW(DllPath().c_str()));
  ASSERT_TRUE(dll);
  auto export_ = [&dll](const char* name) { return reinterpret_cast<void*>(GetProcAddress(dll.get(), name)); };
  auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(export_("DllCanUnloadNow"));
  auto getClassObject =
      reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(export_("DllGetClassObject"));
  ASSERT_TRUE(canUnloadNow && getClassObject && export_("DllRegisterServer") && export_("DllUnregisterServer"));

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(IID__Browse, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
  ComPtr<IClassFactory> factory;
  ComPtr<IUnknown> object, outer;
  ASSERT_HRESULT_SUCCEEDED(getClassObject(CLSID_Browse, IID_PPV_ARGS(&factory)));
  ASSERT_HRESULT_SUCCEEDED(factory.As(&outer));
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(canUnloadNow(), S_OK) << "the factory's own references do not hold the DLL";

  ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, &object));
  ComPtr<IDispatch> dispatch;
  ComPtr<IPersist> notOffered;
  EXPECT_HRESULT_SUCCEEDED(object.As(&dispatch));
  EXPECT_EQ(object.As(&notOffered), E_NOINTERFACE);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  object.Reset();
  dispatch.Reset();
  ASSERT_HRESULT_SUCCEEDED(factory->LockServer(TRUE));
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ASSERT_HRESULT_SUCCEEDED(factory->LockServer(FALSE));
  EXPECT_EQ(canUnloadNow(), S_OK) << "neither the released objects nor the lock hold the DLL any longer";
}

}  // namespace
