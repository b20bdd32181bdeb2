// Registration through the real regsvr32, and the type library as the system reads it back.
#include <gtest/gtest.h>

#include <vector>

#include "plugin_test_support.h"

using namespace plugin_test;

namespace {

const std::wstring kClass = L"CLSID\\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}";
const std::wstring kInterface = L"Interface\\{CB3C4CA7-8668-4DC1-BDC3-0A14EFA54F4C}";
const std::wstring kLibrary = L"TypeLib\\{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}";

DWORD SubkeyCount(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return count;
}

TEST(Registration, WritesClassProgIdLibraryAndInterfaceAndTakesThemAllBack) {
  ASSERT_EQ(Unregister(), 0);
  for (const auto& path : {kClass, std::wstring(L"Duvisto.Browse"), kLibrary, kInterface})
    EXPECT_FALSE(ClassesKeyExists(path)) << "left behind: " << std::string(path.begin(), path.end());
  const DWORD classes = SubkeyCount(L"CLSID"), interfaces = SubkeyCount(L"Interface"),
              libraries = SubkeyCount(L"TypeLib");

  ASSERT_EQ(Register(), 0);
  EXPECT_EQ(ClassesString(kClass + L"\\InprocServer32"), DllPath());
  EXPECT_EQ(ClassesString(kClass + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ClassesString(kClass + L"\\ProgID"), L"Duvisto.Browse");
  EXPECT_EQ(ClassesString(L"Duvisto.Browse\\CLSID"), L"{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}");
  EXPECT_EQ(ClassesString(kLibrary + L"\\1.0\\0\\win32"), DllPath());
  EXPECT_EQ(ClassesString(kInterface + L"\\ProxyStubClsid32"), L"{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(ClassesString(kInterface + L"\\TypeLib"), L"{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}");

  ASSERT_EQ(Unregister(), 0);
  for (const auto& path : {kClass, std::wstring(L"Duvisto.Browse"), kLibrary, kInterface})
    EXPECT_FALSE(ClassesKeyExists(path)) << "left behind: " << std::string(path.begin(), path.end());
  // Nothing but our own entries went away.
  EXPECT_EQ(SubkeyCount(L"CLSID"), classes);
  EXPECT_EQ(SubkeyCount(L"Interface"), interfaces);
  EXPECT_EQ(SubkeyCount(L"TypeLib"), libraries);
  EXPECT_EQ(Unregister(), 0) << "unregistering twice is no failure";

  ASSERT_EQ(Register(), 0);
  ComPtr<_Browse> browse;
  EXPECT_HRESULT_SUCCEEDED(CreateByProgId(browse));
}

struct ExpectedMethod {
  const wchar_t* name;
  MEMBERID memid;
  std::vector<const wchar_t*> parameterNames;
  std::vector<VARTYPE> parameterTypes;  // VT_PTR | x stands for "pointer to x"
  VARTYPE resultType;
};

VARTYPE Describe(const TYPEDESC& type) {
  return type.vt == VT_PTR && type.lptdesc ? static_cast<VARTYPE>(VT_PTR | type.lptdesc->vt) : type.vt;
}

TEST(TypeLibrary, ReadsBackAsDeclared) {
  ComPtr<ITypeLib> library;
  ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_Duvisto, 1, 0, 0, &library));
  TLIBATTR* libraryAttributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&libraryAttributes));
  EXPECT_EQ(libraryAttributes->guid, LIBID_Duvisto);
  EXPECT_EQ(libraryAttributes->lcid, 0u);
  EXPECT_EQ(libraryAttributes->syskind, SYS_WIN32);
  EXPECT_EQ(libraryAttributes->wMajorVerNum, 1);
  EXPECT_EQ(libraryAttributes->wMinorVerNum, 0);
  EXPECT_EQ(libraryAttributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0);
  library->ReleaseTLibAttr(libraryAttributes);

  ComPtr<ITypeInfo> coclass;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(CLSID_Browse, &coclass));
  TYPEATTR* classAttributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetTypeAttr(&classAttributes));
  EXPECT_EQ(classAttributes->typekind, TKIND_COCLASS);
  EXPECT_TRUE(classAttributes->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_FALSE(classAttributes->wTypeFlags & TYPEFLAG_FAGGREGATABLE);
  EXPECT_EQ(classAttributes->cImplTypes, 1);
  coclass->ReleaseTypeAttr(classAttributes);
  INT implFlags = 0;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetImplTypeFlags(0, &implFlags));
  EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);

  ComPtr<ITypeInfo> dispatchSide;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(IID__Browse, &dispatchSide));
  TYPEATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attributes->wTypeFlags & (TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                      TYPEFLAG_FDISPATCHABLE),
            TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
  dispatchSide->ReleaseTypeAttr(attributes);

  HREFTYPE vtableReference = 0;
  ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableReference));
  ComPtr<ITypeInfo> vtableSide;
  ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeInfo(vtableReference, &vtableSide));
  ASSERT_HRESULT_SUCCEEDED(vtableSide->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  ASSERT_EQ(attributes->cFuncs, 6);
  vtableSide->ReleaseTypeAttr(attributes);

  const VARTYPE bstrRef = VT_PTR | VT_BSTR, longRef = VT_PTR | VT_I4;
  const ExpectedMethod expected[] = {
      {L"Initialize", 0x60030000, {L"nVersion", L"sUserEmail", L"oMessenger"}, {VT_I4, VT_BSTR, VT_DISPATCH},
       VT_BOOL},
      {L"Uninitialize", 0x60030001, {}, {}, VT_VARIANT},
      {L"GetPublishInfo", 0x60030002, {L"sPluginName", L"nCommandCount", L"nTagCount"},
       {bstrRef, longRef, longRef}, VT_BOOL},
      {L"GetPublishCommandInfo", 0x60030003, {L"nCommandIdx", L"sName", L"sValue", L"sHelp"},
       {VT_I4, bstrRef, bstrRef, bstrRef}, VT_VARIANT},
      {L"ParseCommand", 0x60030004, {L"sCommand", L"sCommandArg", L"oConversationWnd", L"sResult"},
       {VT_BSTR, VT_BSTR, VT_DISPATCH, bstrRef}, VT_BOOL},
      {L"ReceiveNotify", 0x60030005, {L"sNotifyCode", L"sText", L"sContactName", L"oConversationWnd", L"sTextToSend"},
       {VT_BSTR, VT_BSTR, VT_BSTR, VT_DISPATCH, bstrRef}, VT_BOOL},
  };
  for (UINT slot = 0; slot < 6; ++slot) {
    const ExpectedMethod& method = expected[slot];
    SCOPED_TRACE(std::string(method.name, method.name + wcslen(method.name)));
    FUNCDESC* function = nullptr;
    ASSERT_HRESULT_SUCCEEDED(vtableSide->GetFuncDesc(slot, &function));
    EXPECT_EQ(function->memid, method.memid);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + slot) * sizeof(void*)));
    // The last parameter is the unnamed result.
    ASSERT_EQ(function->cParams, static_cast<SHORT>(method.parameterTypes.size() + 1));
    for (size_t i = 0; i < method.parameterTypes.size(); ++i)
      EXPECT_EQ(Describe(function->lprgelemdescParam[i].tdesc), method.parameterTypes[i]) << "parameter " << i;
    EXPECT_EQ(Describe(function->lprgelemdescParam[function->cParams - 1].tdesc), VT_PTR | method.resultType);
    EXPECT_TRUE(function->lprgelemdescParam[function->cParams - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);

    BSTR names[8] = {};
    UINT nameCount = 0;
    ASSERT_HRESULT_SUCCEEDED(vtableSide->GetNames(function->memid, names, 8, &nameCount));
    ASSERT_GE(nameCount, method.parameterNames.size() + 1);
    EXPECT_STREQ(names[0], method.name);
    for (size_t i = 0; i < method.parameterNames.size(); ++i) EXPECT_STREQ(names[i + 1], method.parameterNames[i]);
    for (UINT i = 0; i < nameCount; ++i) SysFreeString(names[i]);
    vtableSide->ReleaseFuncDesc(function);
  }
}

}  // namespace
