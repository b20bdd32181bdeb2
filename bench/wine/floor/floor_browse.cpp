// A _Browse served plainly from the type library: names by DispGetIDsOfNames, calls by
// ITypeInfo::Invoke on the vtable side of the dual interface. What remains of a call here is what
// COM, the automation runtime and the calling convention cost, the floor the plug-in is measured
// against. Built twice (CMakeLists.txt):
// - BrowseFloor.dll hands back strings as long as the plug-in's answers to the calls the bench
//   makes, allocated and replaced as the plug-in does it, so a ratio shows the plug-in's own work
//   (its checks and its logic), not the allocations any answer needs;
// - BrowseFloorEmpty.dll (BROWSE_FLOOR_EMPTY) checks nothing, writes nothing and returns S_OK.
#include "floor_browse.h"

#include <oleauto.h>

#include <cstring>
#include <string_view>

#include "Duvisto_h.h"
#include "com_object.h"
#include "type_info_cache.h"
#include "unique_any.h"

namespace browse_floor {
namespace {

using duvisto::ComObject;
using duvisto::Implements;
using duvisto::InterfaceEntry;

#ifdef BROWSE_FLOOR_EMPTY
constexpr bool kAnswers = false;
#else
constexpr bool kAnswers = true;
#endif

// The lengths of the plug-in's answers, not its texts: plugin_bench compares every answer it
// measures with the plug-in's on each run and stops when one differs.
constexpr UINT kPluginNameLength = 20;
struct RowLengths {
  UINT name, value, help;
  bool hasHelp;  // rows without help leave the caller's text as it was
};
constexpr RowLengths kRows[] = {{22, 8, 0, false},  {23, 9, 40, true}, {15, 7, 40, true}, {25, 12, 55, true},
                                {20, 8, 13, true},  {42, 7, 13, true}, {8, 7, 0, false}};
constexpr UINT kStatusRequestLength = 145;  // ParseCommand("/xbchkcontact")
constexpr UINT kStatusAnswerLength = 103;   // ReceiveNotify("check"), remote browsing enabled
constexpr UINT kLocalOpenPrefixLength = 11;  // ReceiveNotify("brows"): "/xsurfak47 " and the address

// What an answer is made of: only its length matters, but it is copied as the plug-in's text is.
constexpr UINT kFillerLength = 256;
constexpr wchar_t kFiller[kFillerLength] = {};

// core's BSTR owner, taking a string allocated here to be filled in place (UniqueBstr only copies).
using Bstr = duvisto::UniqueAny<duvisto::NullIsEmpty<BSTR, &SysFreeString>>;

std::wstring_view View(BSTR text) { return {text ? text : L"", SysStringLen(text)}; }

// An answer `length` long, ending in `tail`, in place of the caller's string (which is freed),
// as the plug-in replaces an in-out text; the caller's string stays when memory runs out.
HRESULT Answer(BSTR* target, UINT length, std::wstring_view tail = {}) {
  const UINT head = length - static_cast<UINT>(tail.size());
  if (head > kFillerLength) return E_INVALIDARG;
  Bstr answer(SysAllocStringLen(nullptr, length));
  if (!answer) return E_OUTOFMEMORY;
  std::memcpy(answer.get(), kFiller, head * sizeof(wchar_t));
  if (!tail.empty()) std::memcpy(answer.get() + head, tail.data(), tail.size() * sizeof(wchar_t));
  SysFreeString(*target);
  *target = answer.release();
  return S_OK;
}

class FloorBrowse : public _Browse {
 public:
  static const InterfaceEntry<FloorBrowse> kInterfaces[];

  // IDispatch, from the type library loaded on first use: a host that never binds late never pays for it.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {
    return duvisto::ModuleTypeInfoForCaller(IID__Browse, index, typeInfo);
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = duvisto::ModuleTypeInfo(IID__Browse, &typeInfo);
    return FAILED(hr) ? hr : DispGetIDsOfNames(typeInfo, names, count, dispids);
  }
  STDMETHODIMP Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = duvisto::ModuleTypeInfo(IID__Browse, &typeInfo);
    if (FAILED(hr)) return hr;
    return typeInfo->Invoke(static_cast<_Browse*>(this), dispid, flags, params, result, exception, argError);
  }

  // _Browse: in the empty floor nothing at all; in the other, the plug-in's answers' lengths.
  STDMETHODIMP Initialize(LONG, BSTR, IDispatch*, VARIANT_BOOL*) override { return S_OK; }
  STDMETHODIMP Uninitialize(VARIANT*) override { return S_OK; }
  STDMETHODIMP GetPublishInfo(BSTR* sPluginName, LONG* nCommandCount, LONG* nTagCount,
                              VARIANT_BOOL* result) override {
    if constexpr (!kAnswers) return S_OK;
    if (!sPluginName || !nCommandCount || !nTagCount || !result) return E_POINTER;
    *nCommandCount = static_cast<LONG>(ARRAYSIZE(kRows));
    *nTagCount = 0;
    *result = VARIANT_TRUE;
    return Answer(sPluginName, kPluginNameLength);
  }
  STDMETHODIMP GetPublishCommandInfo(LONG nCommandIdx, BSTR* sName, BSTR* sValue, BSTR* sHelp,
                                     VARIANT* result) override {
    if constexpr (!kAnswers) return S_OK;
    if (!sName || !sValue || !sHelp || !result) return E_POINTER;
    VariantInit(result);
    if (nCommandIdx < 1 || nCommandIdx > static_cast<LONG>(ARRAYSIZE(kRows))) return S_OK;
    const RowLengths& row = kRows[nCommandIdx - 1];
    HRESULT hr = Answer(sName, row.name);
    if (SUCCEEDED(hr)) hr = Answer(sValue, row.value);
    if (SUCCEEDED(hr) && row.hasHelp) hr = Answer(sHelp, row.help);
    return hr;
  }
  STDMETHODIMP ParseCommand(BSTR sCommand, BSTR, IDispatch*, BSTR* sResult, VARIANT_BOOL* result) override {
    if constexpr (!kAnswers) return S_OK;
    if (!sResult || !result) return E_POINTER;
    *result = VARIANT_FALSE;
    if (View(sCommand) != L"/xbchkcontact") return S_OK;
    *result = VARIANT_TRUE;
    return Answer(sResult, kStatusRequestLength);
  }
  STDMETHODIMP ReceiveNotify(BSTR sNotifyCode, BSTR sText, BSTR, IDispatch*, BSTR* sTextToSend,
                             VARIANT_BOOL* result) override {
    if constexpr (!kAnswers) return S_OK;
    if (!sTextToSend || !result) return E_POINTER;
    *result = VARIANT_FALSE;
    const std::wstring_view code = View(sNotifyCode), text = View(sText);
    if (code != L"check" && code != L"brows") return S_OK;
    *result = VARIANT_TRUE;
    return code == L"check" ? Answer(sTextToSend, kStatusAnswerLength)
                            : Answer(sTextToSend, kLocalOpenPrefixLength + static_cast<UINT>(text.size()), text);
  }

 private:
};

const InterfaceEntry<FloorBrowse> FloorBrowse::kInterfaces[] = {Implements<FloorBrowse, _Browse>(IID__Browse),
                                                               Implements<FloorBrowse, _Browse>(IID_IDispatch),
                                                               duvisto::kEndOfInterfaces};

}  // namespace

HRESULT CreateFloorBrowse(void*, REFIID riid, void** ppv) { return ComObject<FloorBrowse>::Create(riid, ppv); }

}  // namespace browse_floor
