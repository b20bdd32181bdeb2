// The Browse object through its vtable and through IDispatch, created by ProgID as the host does.
#include <gtest/gtest.h>

#include "plugin_test_support.h"

using namespace plugin_test;

namespace {

constexpr VARIANT_BOOL kUnset = 7;  // neither True nor False: shows whether a result was written

class BrowseObject : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse)); }

  // The status answer to a "check", which shows the remote-browsing status without any window.
  std::wstring StatusAnswer() {
    Bstr answer(L"untouched");
    VARIANT_BOOL handled = kUnset;
    EXPECT_HRESULT_SUCCEEDED(browse->ReceiveNotify(Bstr(L"check").get(), Bstr(L"").get(), Bstr(L"B").get(),
                                                   nullptr, answer.put(), &handled));
    EXPECT_EQ(handled, VARIANT_TRUE);
    return answer.str();
  }

  ComPtr<_Browse> browse;
};

TEST_F(BrowseObject, StatusHasNoValueUntilInitializeAndIsDisabledAfterIt) {
  const std::wstring prefix = L"I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). "
                              L"My remote browsing status is \x02";
  EXPECT_EQ(StatusAnswer(), prefix + L".");
  VARIANT_BOOL ready = kUnset;
  ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, Bstr(L"a@example.com").get(), nullptr, &ready));
  EXPECT_EQ(ready, VARIANT_TRUE);
  EXPECT_EQ(StatusAnswer(), prefix + L"disabled.");

  Variant nothing;
  ASSERT_HRESULT_SUCCEEDED(browse->Uninitialize(nothing.get()));
  EXPECT_EQ((*nothing).vt, VT_EMPTY);
  EXPECT_EQ(StatusAnswer(), prefix + L"disabled.") << "Uninitialize changes nothing";
}

TEST_F(BrowseObject, PublishesItsNameAndSevenCommandsOverwritingWhateverWasPassed) {
  Bstr name(L"old");
  LONG commands = -5, tags = 99;
  VARIANT_BOOL ok = kUnset;
  ASSERT_HRESULT_SUCCEEDED(browse->GetPublishInfo(name.put(), &commands, &tags, &ok));
  EXPECT_EQ(name.str(), L"Duvisto by morvane12");
  EXPECT_EQ(commands, 7);
  EXPECT_EQ(tags, 0);
  EXPECT_EQ(ok, VARIANT_TRUE);

  const struct {
    LONG index;
    const wchar_t *name, *value, *help;
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
    Variant result;
    ASSERT_HRESULT_SUCCEEDED(
        browse->GetPublishCommandInfo(row.index, rowName.put(), rowValue.put(), rowHelp.put(), result.get()));
    EXPECT_EQ(rowName.str(), row.name) << row.index;
    EXPECT_EQ(rowValue.str(), row.value) << row.index;
    EXPECT_EQ(rowHelp.str(), row.help) << row.index;
    if (std::wstring(row.help) == L"kept") {
      EXPECT_EQ(rowHelp.get(), passedHelp) << "the very same string comes back";
    }
    EXPECT_EQ((*result).vt, VT_EMPTY);
  }
}

TEST_F(BrowseObject, NullOutputsGiveEPointerAndWriteNothing) {
  Bstr text(L"kept");
  LONG number = 42;
  VARIANT_BOOL flag = kUnset;
  Variant variant;
  EXPECT_EQ(browse->Initialize(0, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(browse->Uninitialize(nullptr), E_POINTER);
  EXPECT_EQ(browse->GetPublishInfo(nullptr, &number, &number, &flag), E_POINTER);
  EXPECT_EQ(browse->GetPublishInfo(text.put(), &number, nullptr, &flag), E_POINTER);
  EXPECT_EQ(browse->GetPublishInfo(text.put(), &number, &number, nullptr), E_POINTER);
  EXPECT_EQ(browse->GetPublishCommandInfo(2, text.put(), nullptr, text.put(), variant.get()), E_POINTER);
  EXPECT_EQ(browse->GetPublishCommandInfo(2, text.put(), text.put(), text.put(), nullptr), E_POINTER);
  EXPECT_EQ(browse->ParseCommand(Bstr(L"/xbchkcontact").get(), nullptr, nullptr, nullptr, &flag), E_POINTER);
  EXPECT_EQ(browse->ParseCommand(Bstr(L"/xbchkcontact").get(), nullptr, nullptr, text.put(), nullptr), E_POINTER);
  EXPECT_EQ(browse->ReceiveNotify(Bstr(L"check").get(), nullptr, nullptr, nullptr, nullptr, &flag), E_POINTER);
  EXPECT_EQ(browse->ReceiveNotify(Bstr(L"check").get(), nullptr, nullptr, nullptr, text.put(), nullptr), E_POINTER);
  EXPECT_EQ(text.str(), L"kept");
  EXPECT_EQ(number, 42);
  EXPECT_EQ(flag, kUnset);
}

TEST_F(BrowseObject, CommandsWithoutWindowsThroughTheVtable) {
  Bstr result(L"kept");
  VARIANT_BOOL handled = kUnset;
  // NULL texts are the empty text; an unknown command is left to the host.
  ASSERT_HRESULT_SUCCEEDED(browse->ParseCommand(nullptr, nullptr, nullptr, result.put(), &handled));
  EXPECT_EQ(handled, VARIANT_FALSE);
  ASSERT_HRESULT_SUCCEEDED(browse->ParseCommand(Bstr(L"/xbchkcontact\0x", 14).get(), nullptr, nullptr,
                                                result.put(), &handled));
  EXPECT_EQ(handled, VARIANT_FALSE) << "an embedded NUL makes it another word";
  EXPECT_EQ(result.str(), L"kept");

  ASSERT_HRESULT_SUCCEEDED(
      browse->ParseCommand(Bstr(L"/XBChkContact").get(), Bstr(L"ignored").get(), nullptr, result.put(), &handled));
  EXPECT_EQ(handled, VARIANT_TRUE);
  EXPECT_EQ(result.str(), L"\tcheckI would like to check your status of remote browsing. This will only work if "
                          L"you have Messenger Plus! and the plug-in Duvisto by morvane12.");

  Bstr toSend(L"kept");
  ASSERT_HRESULT_SUCCEEDED(browse->ReceiveNotify(Bstr(L"check ").get(), nullptr, nullptr, nullptr, toSend.put(),
                                                 &handled));
  EXPECT_EQ(handled, VARIANT_FALSE);
  ASSERT_HRESULT_SUCCEEDED(browse->Initialize(1, nullptr, nullptr, &handled));
  ASSERT_HRESULT_SUCCEEDED(browse->ReceiveNotify(Bstr(L"BROWS").get(), Bstr(L"http://example.com").get(), nullptr,
                                                 nullptr, toSend.put(), &handled));
  EXPECT_EQ(handled, VARIANT_TRUE) << "a push to a disabled user is consumed";
  EXPECT_EQ(toSend.str(), L"kept");
}

TEST_F(BrowseObject, DispatchResolvesNamesInAnyCaseAndWritesByReferenceArgumentsBack) {
  ComPtr<IDispatch> dispatch;
  ASSERT_HRESULT_SUCCEEDED(browse.As(&dispatch));
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"gEtPuBlIsHiNfO")};
  DISPID dispid = 0;
  ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid));
  EXPECT_EQ(dispid, 0x60030002);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Navigate")};
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, unknown, 1, 0, &dispid), DISP_E_UNKNOWNNAME);

  // As compiled clients pass them: VT_BYREF|VT_BSTR and VT_BYREF|VT_I4.
  Bstr name(L"old");
  LONG commands = 0, tags = 5;
  VARIANTARG typed[3];
  typed[2].vt = VT_BYREF | VT_BSTR, typed[2].pbstrVal = name.put();
  typed[1].vt = VT_BYREF | VT_I4, typed[1].plVal = &commands;
  typed[0].vt = VT_BYREF | VT_I4, typed[0].plVal = &tags;
  DISPPARAMS params{typed, nullptr, 3, 0};
  Variant result;
  ASSERT_HRESULT_SUCCEEDED(
      dispatch->Invoke(0x60030002, IID_NULL, 0, DISPATCH_METHOD, &params, result.get(), nullptr, nullptr));
  EXPECT_EQ(name.str(), L"Duvisto by morvane12");
  EXPECT_EQ(commands, 7);
  EXPECT_EQ(tags, 0);
  EXPECT_EQ((*result).vt, VT_BOOL);
  EXPECT_EQ((*result).boolVal, VARIANT_TRUE);

  // As script engines pass them: VT_BYREF|VT_VARIANT around whatever the variable holds.
  Variant index, nameVar, valueVar, helpVar, rowResult;
  (*index.get()).vt = VT_I4, (*index.get()).lVal = 2;
  (*helpVar.get()).vt = VT_I4, (*helpVar.get()).lVal = 12;
  VARIANTARG byVariant[4];
  byVariant[3] = *index.get();
  byVariant[2].vt = VT_BYREF | VT_VARIANT, byVariant[2].pvarVal = nameVar.get();
  byVariant[1].vt = VT_BYREF | VT_VARIANT, byVariant[1].pvarVal = valueVar.get();
  byVariant[0].vt = VT_BYREF | VT_VARIANT, byVariant[0].pvarVal = helpVar.get();
  DISPPARAMS scriptParams{byVariant, nullptr, 4, 0};
  ASSERT_HRESULT_SUCCEEDED(
      dispatch->Invoke(0x60030003, IID_NULL, 0, DISPATCH_METHOD, &scriptParams, rowResult.get(), nullptr, nullptr));
  ASSERT_EQ((*nameVar).vt, VT_BSTR);
  EXPECT_STREQ((*nameVar).bstrVal, L"Disable remote browsing");
  EXPECT_STREQ((*valueVar).bstrVal, L"xbdisable");
  EXPECT_STREQ((*helpVar).bstrVal, L"you will still be able to browse locally");

  DISPPARAMS tooFew{byVariant + 3, nullptr, 1, 0};
  EXPECT_EQ(dispatch->Invoke(0x60030003, IID_NULL, 0, DISPATCH_METHOD, &tooFew, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
}

TEST(ServerExports, FactoryRefusesAggregationAndOtherClassesAndUnloadFollowsObjectsAndLocks) {
  HMODULE dll = LoadLibraryW(DllPath().c_str());
  ASSERT_NE(dll, nullptr);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto canUnloadNow = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  auto getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  ASSERT_TRUE(canUnloadNow && getClassObject);
  ASSERT_NE(GetProcAddress(dll, "DllRegisterServer"), nullptr);
  ASSERT_NE(GetProcAddress(dll, "DllUnregisterServer"), nullptr);

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(IID__Browse, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);

  ComPtr<IClassFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(getClassObject(CLSID_Browse, IID_PPV_ARGS(&factory)));
  ComPtr<IUnknown> object;
  ComPtr<IUnknown> outer;
  ASSERT_HRESULT_SUCCEEDED(factory.As(&outer));
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(canUnloadNow(), S_OK) << "the factory's own references do not hold the DLL";

  ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, &object));
  ComPtr<IDispatch> dispatch;
  EXPECT_HRESULT_SUCCEEDED(object.As(&dispatch));
  ComPtr<IPersist> notOffered;
  EXPECT_EQ(object.As(&notOffered), E_NOINTERFACE);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  object.Reset();
  dispatch.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);

  ASSERT_HRESULT_SUCCEEDED(factory->LockServer(TRUE));
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ASSERT_HRESULT_SUCCEEDED(factory->LockServer(FALSE));
  EXPECT_EQ(canUnloadNow(), S_OK);
  factory.Reset();
  FreeLibrary(dll);
}

}  // namespace
