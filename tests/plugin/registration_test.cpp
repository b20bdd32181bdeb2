// Registration through the real regsvr32, and the type library as the system reads it back.
#include <gtest/gtest.h>

#include <vector>

#include "plugin_test_support.h"
#include "unique_any.h"

using namespace plugin_test;

namespace {

const std::wstring kClass = L"CLSID\\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}";
const std::wstring kInterface = L"Interface\\{CB3C4CA7-8668-4DC1-BDC3-0A14EFA54F4C}";
const std::wstring kLibrary = L"TypeLib\\{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}";

// How many keys stand under CLSID, Interface and TypeLib, and whether any of ours is among them.
std::vector<DWORD> ClassesCensus() {
  std::vector<DWORD> census;
  for (const wchar_t* path : {L"CLSID", L"Interface", L"TypeLib"}) {
    duvisto::UniqueRegistryKey key;
    DWORD count = 0;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, key.addressof()) == ERROR_SUCCESS)
      RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
    census.push_back(count);
  }
  for (const auto& ours : {kClass, std::wstring(L"Duvisto.Browse"), kLibrary, kInterface})
    census.push_back(ClassesString(ours) != L"<no key>");
  return census;
}

TEST(Registration, WritesClassProgIdLibraryAndInterfaceAndTakesBackExactlyThat) {
  ASSERT_EQ(Unregister(), 0);
  const std::vector<DWORD> before = ClassesCensus();
  EXPECT_EQ(std::vector<DWORD>(before.end() - 4, before.end()), std::vector<DWORD>(4, 0));

  ASSERT_EQ(Register(), 0);
  EXPECT_EQ(ClassesString(kClass + L"\\InprocServer32"), DllPath());
  EXPECT_EQ(ClassesString(kClass + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ClassesString(kClass + L"\\ProgID"), L"Duvisto.Browse");
  EXPECT_EQ(ClassesString(kClass + L"\\TypeLib"), L"{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}") << "the library's id";
  EXPECT_EQ(ClassesString(L"Duvisto.Browse\\CLSID"), L"{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}");
  EXPECT_EQ(ClassesString(kLibrary + L"\\1.0\\0\\win32"), DllPath());
  EXPECT_EQ(ClassesString(kInterface + L"\\ProxyStubClsid32"), L"{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(ClassesString(kInterface + L"\\TypeLib"), L"{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}");

  // Other tools add keys of their own under a class, several levels deep (component categories).
  duvisto::UniqueRegistryKey planted;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT,
                            (kClass + L"\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}").c_str(), 0,
                            nullptr, 0, KEY_WRITE, nullptr, planted.addressof(), nullptr),
            ERROR_SUCCESS);
  planted.reset();

  ASSERT_EQ(Unregister(), 0);
  EXPECT_EQ(ClassesCensus(), before) << "unregistering must remove our entries and nothing else";
  EXPECT_EQ(Unregister(), 0) << "unregistering what is not registered is no failure";
  ASSERT_EQ(Register(), 0);
}

// A registration that fails half-way, here at the ProgID's CLSID key, which cannot be made under
// a volatile key, takes back everything it wrote and reports the failure.
TEST(Registration, ThatFailsHalfWayLeavesNothingBehind) {
  ASSERT_EQ(Unregister(), 0);
  const std::vector<DWORD> before = ClassesCensus();
  duvisto::UniqueRegistryKey volatileProgId;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Duvisto.Browse", 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr,
                            volatileProgId.addressof(), nullptr),
            ERROR_SUCCESS);
  volatileProgId.reset();
  EXPECT_NE(Register(), 0) << "the failure is reported";
  EXPECT_EQ(ClassesCensus(), before) << "what was written is taken back";
  ASSERT_EQ(Register(), 0);
}

VARTYPE Describe(const TYPEDESC& type) {  // VT_PTR | x stands for "pointer to x"
  return type.vt == VT_PTR && type.lptdesc ? static_cast<VARTYPE>(VT_PTR | type.lptdesc->vt) : type.vt;
}

TEST(TypeLibrary, ReadsBackAsDeclared) {
  ComPtr<ITypeLib> library;
  ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_Duvisto, 1, 0, 0, &library));
  TLIBATTR* lib = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&lib));
  EXPECT_TRUE(lib->guid == LIBID_Duvisto && lib->lcid == 0 && lib->syskind == SYS_WIN32 && lib->wMajorVerNum == 1 &&
              lib->wMinorVerNum == 0 && (lib->wLibFlags & ~LIBFLAG_FHASDISKIMAGE) == 0);
  library->ReleaseTLibAttr(lib);

  ComPtr<ITypeInfo> coclass, dispatchSide, vtableSide;
  TYPEATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(CLSID_Browse, &coclass));
  ASSERT_HRESULT_SUCCEEDED(coclass->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_EQ(attributes->wTypeFlags & (TYPEFLAG_FCANCREATE | TYPEFLAG_FAGGREGATABLE), TYPEFLAG_FCANCREATE);
  EXPECT_EQ(attributes->cImplTypes, 1);
  coclass->ReleaseTypeAttr(attributes);
  INT implFlags = 0;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetImplTypeFlags(0, &implFlags));
  EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);

  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(IID__Browse, &dispatchSide));
  ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  const WORD flags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
  EXPECT_EQ(attributes->wTypeFlags & flags, flags);
  dispatchSide->ReleaseTypeAttr(attributes);
  HREFTYPE vtableReference = 0;
  ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableReference));
  ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeInfo(vtableReference, &vtableSide));
  ASSERT_HRESULT_SUCCEEDED(vtableSide->GetTypeAttr(&attributes));
  EXPECT_TRUE(attributes->typekind == TKIND_INTERFACE && (attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION));
  ASSERT_EQ(attributes->cFuncs, 6);
  vtableSide->ReleaseTypeAttr(attributes);

  constexpr VARTYPE kBstrRef = VT_PTR | VT_BSTR, kLongRef = VT_PTR | VT_I4;
  const struct {
    std::vector<const wchar_t*> names;  // the method, then its parameters
    std::vector<VARTYPE> types;         // the parameters, then the unnamed result
  } expected[] = {
      {{L"Initialize", L"nVersion", L"sUserEmail", L"oMessenger"}, {VT_I4, VT_BSTR, VT_DISPATCH, VT_PTR | VT_BOOL}},
      {{L"Uninitialize"}, {VT_PTR | VT_VARIANT}},
      {{L"GetPublishInfo", L"sPluginName", L"nCommandCount", L"nTagCount"},
       {kBstrRef, kLongRef, kLongRef, VT_PTR | VT_BOOL}},
      {{L"GetPublishCommandInfo", L"nCommandIdx", L"sName", L"sValue", L"sHelp"},
       {VT_I4, kBstrRef, kBstrRef, kBstrRef, VT_PTR | VT_VARIANT}},
      {{L"ParseCommand", L"sCommand", L"sCommandArg", L"oConversationWnd", L"sResult"},
       {VT_BSTR, VT_BSTR, VT_DISPATCH, kBstrRef, VT_PTR | VT_BOOL}},
      {{L"ReceiveNotify", L"sNotifyCode", L"sText", L"sContactName", L"oConversationWnd", L"sTextToSend"},
       {VT_BSTR, VT_BSTR, VT_BSTR, VT_DISPATCH, kBstrRef, VT_PTR | VT_BOOL}},
  };
  for (UINT slot = 0; slot < 6; ++slot) {
    SCOPED_TRACE(slot);
    FUNCDESC* function = nullptr;
    ASSERT_HRESULT_SUCCEEDED(vtableSide->GetFuncDesc(slot, &function));
    EXPECT_EQ(function->memid, static_cast<MEMBERID>(0x60030000 + slot));
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + slot) * sizeof(void*)));
    ASSERT_EQ(function->cParams, static_cast<SHORT>(expected[slot].types.size()));
    for (SHORT i = 0; i < function->cParams; ++i)
      EXPECT_EQ(Describe(function->lprgelemdescParam[i].tdesc), expected[slot].types[i]) << "parameter " << i;
    EXPECT_TRUE(function->lprgelemdescParam[function->cParams - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
    BSTR names[8] = {};
    UINT nameCount = 0;
    ASSERT_HRESULT_SUCCEEDED(vtableSide->GetNames(function->memid, names, 8, &nameCount));
    ASSERT_GE(nameCount, expected[slot].names.size());
    for (size_t i = 0; i < expected[slot].names.size(); ++i) EXPECT_STREQ(names[i], expected[slot].names[i]);
    for (UINT i = 0; i < nameCount; ++i) SysFreeString(names[i]);
    vtableSide->ReleaseFuncDesc(function);
  }
}

}  // namespace
