// (b) One method with fixed arguments at a time, called on the plug-in and on the floor the
// same way: through the vtable, or through IDispatch::Invoke with DISPIDs resolved once
// beforehand, as a late-binding host calls. Per call: a batch's time over its calls; the
// figure is the median over batches, plug-in and floor batches alternating. The floor hands
// back answers as long as the plug-in's, which is checked first; beside it, the Invoke figures
// against the empty floor, which answers nothing, show what those allocations cost.
#include "steady_calls.h"

#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "com_owners.h"
#include "failure.h"

namespace bench {
namespace {

using Microsoft::WRL::ComPtr;
using Bstr = duvisto::UniqueBstr;

constexpr int kBatches = 201;
constexpr int kCallsPerBatch = 200;
constexpr double kTargetInvokeRatio = 1.3;
constexpr double kTargetVtableRatio = 1.5;

// DISPPARAMS arguments, in the order the host writes them (reversed when stored).
VARIANTARG Text(BSTR text) {
  VARIANTARG argument{};
  argument.vt = VT_BSTR;
  argument.bstrVal = text;
  return argument;
}
VARIANTARG TextByRef(BSTR* text) {
  VARIANTARG argument{};
  argument.vt = VT_BYREF | VT_BSTR;
  argument.pbstrVal = text;
  return argument;
}
VARIANTARG Number(LONG number) {
  VARIANTARG argument{};
  argument.vt = VT_I4;
  argument.lVal = number;
  return argument;
}
VARIANTARG NoObject() {
  VARIANTARG argument{};
  argument.vt = VT_DISPATCH;
  argument.pdispVal = nullptr;
  return argument;
}

// One method and its arguments, callable on any _Browse either way.
class HostCall {
 public:
  HostCall(const wchar_t* method, std::string key, std::string label)
      : method_(method), key_(std::move(key)), label_(std::move(label)) {}
  virtual ~HostCall() = default;
  HostCall(const HostCall&) = delete;
  HostCall& operator=(const HostCall&) = delete;

  const wchar_t* method() const { return method_; }
  const std::string& key() const { return key_; }
  const std::string& label() const { return label_; }
  virtual HRESULT ThroughVtable(_Browse* browse) = 0;
  // The in-out texts' lengths, -1 for one the callee left unwritten since ForgetAnswers().
  virtual std::vector<long> AnswerLengths() const = 0;
  virtual void ForgetAnswers() = 0;
  HRESULT ThroughInvoke(IDispatch* dispatch, DISPID id) {
    DISPPARAMS params{lastFirst_.data(), nullptr, static_cast<UINT>(lastFirst_.size()), 0};
    return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result_.put(), nullptr,
                            nullptr);
  }

 protected:
  void SetArguments(std::vector<VARIANTARG> firstFirst) { lastFirst_.assign(firstFirst.rbegin(), firstFirst.rend()); }
  static long Length(const Bstr& text) { return text.get() ? static_cast<long>(SysStringLen(text.get())) : -1; }
  // A null string in place of the answer, in the same place: the arguments point at it.
  static void Forget(Bstr& text) { text = Bstr(); }
  duvisto::UniqueVariant result_;

 private:
  const wchar_t* method_;
  std::string key_, label_;
  std::vector<VARIANTARG> lastFirst_;  // pointing into the derived call's strings
};

class CommandRowCall final : public HostCall {
 public:
  explicit CommandRowCall(LONG index)
      : HostCall(L"GetPublishCommandInfo", "GetPublishCommandInfo_" + std::to_string(index),
                 "GetPublishCommandInfo(" + std::to_string(index) + "), by-ref BSTRs"),
        index_(index) {
    SetArguments({Number(index), TextByRef(name_.inout()), TextByRef(value_.inout()), TextByRef(help_.inout())});
  }
  HRESULT ThroughVtable(_Browse* browse) override {
    return browse->GetPublishCommandInfo(index_, name_.inout(), value_.inout(), help_.inout(), result_.put());
  }
  std::vector<long> AnswerLengths() const override { return {Length(name_), Length(value_), Length(help_)}; }
  void ForgetAnswers() override {
    Forget(name_);
    Forget(value_);
    Forget(help_);
  }

 private:
  LONG index_;
  Bstr name_{L""}, value_{L""}, help_{L""};
};

class ParseCommandCall final : public HostCall {
 public:
  ParseCommandCall(const wchar_t* command, std::string key)
      : HostCall(L"ParseCommand", std::move(key), "ParseCommand(\"" + Narrow(command) + "\")"), command_(command) {
    SetArguments({Text(command_.get()), Text(argument_.get()), NoObject(), TextByRef(resultText_.inout())});
  }
  HRESULT ThroughVtable(_Browse* browse) override {
    VARIANT_BOOL handled = VARIANT_FALSE;
    return browse->ParseCommand(command_.get(), argument_.get(), nullptr, resultText_.inout(), &handled);
  }
  std::vector<long> AnswerLengths() const override { return {Length(resultText_)}; }
  void ForgetAnswers() override { Forget(resultText_); }
  static std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

 private:
  Bstr command_, argument_{L""}, resultText_{L""};
};

class ReceiveNotifyCall final : public HostCall {
 public:
  ReceiveNotifyCall(const wchar_t* code, const wchar_t* text, std::string key, std::string label)
      : HostCall(L"ReceiveNotify", std::move(key), std::move(label)), code_(code), text_(text) {
    SetArguments({Text(code_.get()), Text(text_.get()), Text(contact_.get()), NoObject(), TextByRef(toSend_.inout())});
  }
  HRESULT ThroughVtable(_Browse* browse) override {
    VARIANT_BOOL handled = VARIANT_FALSE;
    return browse->ReceiveNotify(code_.get(), text_.get(), contact_.get(), nullptr, toSend_.inout(), &handled);
  }
  std::vector<long> AnswerLengths() const override { return {Length(toSend_)}; }
  void ForgetAnswers() override { Forget(toSend_); }

 private:
  Bstr code_, text_, contact_{L"B"}, toSend_{L""};
};

// Only for the check of the floor's answers: the start-up path reads it, the figures do not.
class PublishInfoCall final : public HostCall {
 public:
  PublishInfoCall() : HostCall(L"GetPublishInfo", "GetPublishInfo", "GetPublishInfo") {}
  HRESULT ThroughVtable(_Browse* browse) override {
    LONG commandCount = 0, tagCount = 0;
    VARIANT_BOOL ready = VARIANT_FALSE;
    return browse->GetPublishInfo(name_.inout(), &commandCount, &tagCount, &ready);
  }
  std::vector<long> AnswerLengths() const override { return {Length(name_)}; }
  void ForgetAnswers() override { Forget(name_); }

 private:
  Bstr name_;
};

// The floor is fair only while its answers are as long as the plug-in's: each call the bench
// makes, the start-up path's included, is made once on both and the lengths compared.
void ExpectAnswersAsLong(HostCall& call, _Browse* plugin, _Browse* floor) {
  call.ForgetAnswers();
  Check(call.ThroughVtable(plugin), "a call through the vtable");
  const std::vector<long> expected = call.AnswerLengths();
  call.ForgetAnswers();
  Check(call.ThroughVtable(floor), "a call through the vtable");
  const bool same = call.AnswerLengths() == expected;
  call.ForgetAnswers();
  if (!same)
    throw Failure("BrowseFloor.dll's answer to " + call.label() +
                  " is not as long as the plug-in's: bench/wine/floor/floor_browse.cpp must follow the plug-in");
}

// An object and its IDispatch, with the DISPID of the method being measured.
struct Callee {
  _Browse* browse;
  ComPtr<IDispatch> dispatch;
  DISPID id = DISPID_UNKNOWN;
};

Callee Resolve(_Browse* browse, const wchar_t* method) {
  Callee callee{browse, nullptr};
  Check(browse->QueryInterface(IID_PPV_ARGS(&callee.dispatch)), "QueryInterface(IDispatch)");
  auto* name = const_cast<LPOLESTR>(method);
  Check(callee.dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &callee.id), "GetIDsOfNames");
  return callee;
}

enum class Path { Vtable, Invoke };

double BatchNanosecondsPerCall(HostCall& call, Path path, const Callee& callee) {
  const LONGLONG start = Now();
  for (int i = 0; i < kCallsPerBatch; ++i) {
    const HRESULT hr =
        path == Path::Vtable ? call.ThroughVtable(callee.browse) : call.ThroughInvoke(callee.dispatch.Get(), callee.id);
    if (FAILED(hr)) Check(hr, path == Path::Vtable ? "a call through the vtable" : "a call through Invoke");
  }
  return Microseconds(Now() - start) * 1000 / kCallsPerBatch;
}

Figure MeasureBoth(HostCall& call, Path path, const Callee& plugin, const Callee& floor, bool emptyFloor = false) {
  BatchNanosecondsPerCall(call, path, plugin);  // warm-up, not counted
  BatchNanosecondsPerCall(call, path, floor);
  const PairedSamples times = Alternating(
      kBatches, [&] { return BatchNanosecondsPerCall(call, path, plugin); },
      [&] { return BatchNanosecondsPerCall(call, path, floor); });
  Figure figure;
  const bool invoke = path == Path::Invoke;
  figure.key = std::string(invoke ? "invoke_" : "vtable_") + call.key() + (emptyFloor ? "_empty_floor" : "");
  figure.label = emptyFloor ? "  Invoke, against the empty floor"
                            : std::string(invoke ? "Invoke  " : "vtable  ") + call.label();
  figure.unit = "ns";
  figure.plugin = SpreadOf(times.plugin);
  figure.floor = SpreadOf(times.floor);
  if (invoke && !emptyFloor) figure.targets = {{"ratio <= 1.3", figure.Ratio() <= kTargetInvokeRatio}};
  if (!invoke) figure.targets = {{"ratio <= 1.5", figure.Ratio() <= kTargetVtableRatio}};
  if (emptyFloor) figure.note = "BrowseFloorEmpty.dll, which answers nothing: the call alone, without allocating an answer";
  return figure;
}

// What IDispatch adds on each side: Invoke's median less the vtable's. The method bodies cancel
// out, so the floor's figure is the type library's own cost; the plug-in's adds its dispatch layer.
Figure DispatchLayer(const HostCall& call, const Figure& vtable, const Figure& invoke) {
  Figure figure;
  figure.key = "dispatch_layer_" + call.key();
  figure.label = "  IDispatch alone (Invoke - vtable)";
  figure.unit = "ns";
  figure.plugin = Single(invoke.plugin->median - vtable.plugin->median);
  figure.floor = Single(invoke.floor->median - vtable.floor->median);
  return figure;
}

std::vector<std::unique_ptr<HostCall>> TheCalls() {
  std::vector<std::unique_ptr<HostCall>> calls;
  calls.push_back(std::make_unique<CommandRowCall>(3));
  calls.push_back(std::make_unique<ParseCommandCall>(L"/xbchkcontact", "ParseCommand_xbchkcontact"));
  calls.push_back(std::make_unique<ParseCommandCall>(L"/nothing", "ParseCommand_unknown"));
  calls.push_back(
      std::make_unique<ReceiveNotifyCall>(L"check", L"", "ReceiveNotify_check", "ReceiveNotify(\"check\")"));
  calls.push_back(std::make_unique<ReceiveNotifyCall>(L"brows", L"www.example.com", "ReceiveNotify_brows_accepted",
                                                      "ReceiveNotify(\"brows\", \"www.example.com\")"));
  return calls;
}

}  // namespace

Section SteadyCallFigures(_Browse* plugin, _Browse* floor, _Browse* emptyFloor) {
  Section section{"(b) steady window-free calls, per call: " + std::to_string(kBatches) + " batches of " +
                      std::to_string(kCallsPerBatch) +
                      " calls; remote browsing enabled, so the \"brows\" address is accepted",
                  {}};
  PublishInfoCall publishInfo;
  ExpectAnswersAsLong(publishInfo, plugin, floor);
  for (LONG index = 1; index <= 7; ++index) {
    CommandRowCall row(index);
    ExpectAnswersAsLong(row, plugin, floor);
  }
  for (const auto& call : TheCalls()) {
    ExpectAnswersAsLong(*call, plugin, floor);
    const Callee onPlugin = Resolve(plugin, call->method()), onFloor = Resolve(floor, call->method()),
                 onEmptyFloor = Resolve(emptyFloor, call->method());
    Figure vtable = MeasureBoth(*call, Path::Vtable, onPlugin, onFloor);
    Figure invoke = MeasureBoth(*call, Path::Invoke, onPlugin, onFloor);
    Figure againstEmpty = MeasureBoth(*call, Path::Invoke, onPlugin, onEmptyFloor, true);
    Figure layer = DispatchLayer(*call, vtable, invoke);
    section.figures.push_back(std::move(vtable));
    section.figures.push_back(std::move(invoke));
    section.figures.push_back(std::move(againstEmpty));
    section.figures.push_back(std::move(layer));
  }
  return section;
}

}  // namespace bench
