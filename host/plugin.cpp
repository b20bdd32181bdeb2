#include "plugin.h"

#include "com_owners.h"

namespace host {

HRESULT Plugin::Create(const RegisteredPlugin& registration, Plugin& plugin, const wchar_t*& failedStep) {
  plugin.registration_ = registration;
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(registration.progId.c_str(), &clsid);
  if (FAILED(hr)) {
    failedStep = L"CLSIDFromProgID";
    return hr;
  }
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Browse,
                        reinterpret_cast<void**>(plugin.object_.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) failedStep = L"CoCreateInstance";
  return hr;
}

HRESULT Plugin::Initialize(long hostVersion, std::wstring_view userName, IDispatch* messenger, bool& ready) {
  duvisto::UniqueBstr user(userName);
  VARIANT_BOOL result = VARIANT_FALSE;
  HRESULT hr = object_->Initialize(hostVersion, user.get(), messenger, &result);
  ready = result != VARIANT_FALSE;
  return hr;
}

HRESULT Plugin::Publish(Publication& publication) {
  duvisto::UniqueBstr name(L"");
  long commandCount = 0;
  long tagCount = 0;
  VARIANT_BOOL result = VARIANT_FALSE;
  HRESULT hr = object_->GetPublishInfo(name.inout(), &commandCount, &tagCount, &result);
  if (FAILED(hr)) return hr;
  publication.pluginName = name.str();
  publication.tagCount = tagCount;
  publication.commands.clear();
  for (long index = 1; index <= commandCount; ++index) {
    duvisto::UniqueBstr commandName(L"");
    duvisto::UniqueBstr value(L"");
    duvisto::UniqueBstr help(L"");
    duvisto::UniqueVariant ignored;
    hr = object_->GetPublishCommandInfo(index, commandName.inout(), value.inout(), help.inout(), ignored.put());
    if (FAILED(hr)) return hr;
    publication.commands.push_back({commandName.str(), value.str(), help.str()});
  }
  return S_OK;
}

HRESULT Plugin::ParseCommand(std::wstring_view command, std::wstring_view argument, IDispatch* conversation,
                             Answer& answer) {
  duvisto::UniqueBstr word(command);
  duvisto::UniqueBstr rest(argument);
  duvisto::UniqueBstr result(L"");
  VARIANT_BOOL handled = VARIANT_FALSE;
  HRESULT hr = object_->ParseCommand(word.get(), rest.get(), conversation, result.inout(), &handled);
  answer.handled = SUCCEEDED(hr) && handled != VARIANT_FALSE;
  answer.text = result.str();
  return hr;
}

HRESULT Plugin::ReceiveNotify(std::wstring_view code, std::wstring_view text, std::wstring_view contactName,
                              IDispatch* conversation, Answer& answer) {
  duvisto::UniqueBstr notifyCode(code);
  duvisto::UniqueBstr payload(text);
  duvisto::UniqueBstr contact(contactName);
  duvisto::UniqueBstr textToSend(L"");
  VARIANT_BOOL handled = VARIANT_FALSE;
  HRESULT hr = object_->ReceiveNotify(notifyCode.get(), payload.get(), contact.get(), conversation,
                                      textToSend.inout(), &handled);
  answer.handled = SUCCEEDED(hr) && handled != VARIANT_FALSE;
  answer.text = textToSend.str();
  return hr;
}

HRESULT Plugin::Uninitialize() {
  duvisto::UniqueVariant ignored;
  return object_->Uninitialize(ignored.put());
}

}  // namespace host
