// Hostile callers of Duvisto.Browse: malformed late-bound calls, NULL and huge strings, odd
// UTF-16, and calls that come back in from the plug-in's own modal loops. Every case has one
// answer, pinned exactly, and after each one the object still works and has kept its state.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin_test_support.h"
#include "ui_robot.h"

using namespace plugin_test;
using namespace std::chrono_literals;

namespace {

constexpr DISPID kInitialize = 0x60030000, kUninitialize = 0x60030001, kGetPublishInfo = 0x60030002,
                 kGetPublishCommandInfo = 0x60030003, kParseCommand = 0x60030004, kReceiveNotify = 0x60030005;
constexpr UINT kNotWritten = 0xDEAD;  // puArgErr as the caller passed it
constexpr size_t kSixteenMi = 16 * 1024 * 1024;
constexpr wchar_t kRemoteCaption[] = L"Internet browser (local & remote)";
const std::wstring kStatusRequest =
    L"\tcheckI would like to check your status of remote browsing. This will only work if you have Messenger "
    L"Plus! and the plug-in Duvisto by morvane12.";
const std::wstring kExplanationStart = L"If your contact has Duvisto and if it's enabled";
const std::wstring kRefusedPush =
    L"Your remote browsing is disabled. Enable remote browsing (/xbenable) and try again.";

// Taken as the plug-in's, and the text left as the host passed it.
bool IsKept(const Outcome& outcome) {
  return outcome.hr == S_OK && outcome.handled == VARIANT_TRUE && outcome.text == L"kept";
}

// Late-bound arguments, as a caller lays them out in rgvarg.
VARIANTARG Text(BSTR text) {
  VARIANTARG v;
  v.vt = VT_BSTR, v.bstrVal = text;
  return v;
}
VARIANTARG Number(LONG number) {
  VARIANTARG v;
  v.vt = VT_I4, v.lVal = number;
  return v;
}
VARIANTARG Object(IDispatch* object) {
  VARIANTARG v;
  v.vt = VT_DISPATCH, v.pdispVal = object;
  return v;
}
VARIANTARG Null() {
  VARIANTARG v;
  v.vt = VT_NULL;
  return v;
}
VARIANTARG TextRef(BSTR* text) {
  VARIANTARG v;
  v.vt = VT_BYREF | VT_BSTR, v.pbstrVal = text;
  return v;
}
VARIANTARG NumberRef(LONG* number) {
  VARIANTARG v;
  v.vt = VT_BYREF | VT_I4, v.plVal = number;
  return v;
}
VARIANTARG BooleanRef(VARIANT_BOOL* flag) {
  VARIANTARG v;
  v.vt = VT_BYREF | VT_BOOL, v.pboolVal = flag;
  return v;
}
VARIANTARG VariantRef(VARIANT* variable) {
  VARIANTARG v;
  v.vt = VT_BYREF | VT_VARIANT, v.pvarVal = variable;
  return v;
}

// A script variable as "type value": "Empty", "Long 12", "Double 0.5", "String text".
std::wstring Described(const VARIANT& variable) {
  switch (variable.vt) {
    case VT_EMPTY:
      return L"Empty";
    case VT_I4:
      return L"Long " + std::to_wstring(variable.lVal);
    case VT_R8:
      return L"Double " + std::to_wstring(variable.dblVal).erase(3);  // the tests use 0.5 only
    case VT_BSTR:
      return L"String " + std::wstring(variable.bstrVal, SysStringLen(variable.bstrVal));
    default:
      return L"type " + std::to_wstring(variable.vt);
  }
}

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse));
    ASSERT_HRESULT_SUCCEEDED(browse.As(&dispatch));
    VARIANT_BOOL ready = kUnset;
    ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, nullptr, nullptr, &ready));
  }

  // The status as the "check" answer shows it: "enabled." or "disabled.".
  std::wstring Status() {
    const Outcome answer = Notify(browse.Get(), L"check");
    const bool shaped = answer.hr == S_OK && answer.handled == VARIANT_TRUE &&
                        answer.text.compare(0, kStatusAnswer.size(), kStatusAnswer) == 0;
    return shaped ? answer.text.substr(kStatusAnswer.size()) : L"<no answer>";
  }

  // Still answers a windowless command, and still has `status`.
  void ExpectIntact(const std::wstring& status, const std::string& after) {
    EXPECT_EQ(Status(), status) << "after " << after;
    const Outcome request = Parse(browse.Get(), L"/xbchkcontact");
    EXPECT_TRUE(request.hr == S_OK && request.handled == VARIANT_TRUE && request.text == kStatusRequest)
        << "after " << after;
  }

  void Enable() {
    Outcome outcome;
    const auto driven = robot::RunDriven([&] { outcome = Parse(browse.Get(), L"/xbenable"); },
                                         [](DWORD uiThread) {
                                           if (auto box = robot::WaitForMessageBox(robot::Owner::Thread(uiThread)))
                                             robot::PressButton(box->hwnd, IDOK);
                                         });
    ASSERT_TRUE(driven.callReturnedInTime && outcome.handled == VARIANT_TRUE);
    ASSERT_EQ(Status(), L"enabled.");
  }

  // Runs `work` on the apartment thread from whatever modal loop it is in, and waits for it.
  bool OnUiThread(const std::function<void()>& work) const {
    auto done = std::make_shared<std::atomic<bool>>(false);
    caller.Post([work, done] { work(), *done = true; });
    return robot::WaitUntil([&] { return done->load(); });
  }

  // The same for work that shows one box (other than `already`): the box is read, OK pressed.
  std::optional<robot::MessageBoxInfo> OnUiThreadWithBox(DWORD uiThread, const std::function<void()>& work,
                                                         HWND already = nullptr) const {
    auto done = std::make_shared<std::atomic<bool>>(false);
    caller.Post([work, done] { work(), *done = true; });
    std::optional<robot::MessageBoxInfo> box;
    robot::WaitUntil([&] {
      for (HWND shown : robot::TopLevelWindows(robot::Owner::Thread(uiThread), L"#32770"))
        if (shown != already) box = robot::ReadMessageBox(shown);
      return box.has_value();
    });
    if (box) robot::PressButton(box->hwnd, IDOK);
    if (!robot::WaitUntil([&] { return done->load(); })) box.reset();
    return box;
  }

  // "/xnewurl" with remote browsing enabled: the robot acknowledges the explanation, runs
  // `whileOpen` while the browser window is up, then closes the window.
  Outcome Push(_Browse* object, const std::wstring& address,
               const std::function<void(DWORD uiThread, HWND window)>& whileOpen = nullptr,
               std::chrono::milliseconds windowWait = 10s) {
    Outcome outcome;
    bool explained = false, windowShown = false;
    const auto driven = robot::RunDriven(
        [&] { outcome = Parse(object, L"/xnewurl", address); },
        [&](DWORD uiThread) {
          const auto explanation = robot::WaitForMessageBox(robot::Owner::Thread(uiThread), windowWait);
          if (!explanation) return;
          explained = explanation->text.compare(0, kExplanationStart.size(), kExplanationStart) == 0;
          robot::PressButton(explanation->hwnd, IDOK);
          const auto window = robot::WaitForWindowCaptioned(robot::Owner::Thread(uiThread), kRemoteCaption, windowWait);
          if (!window) return;
          windowShown = true;
          if (whileOpen) whileOpen(uiThread, *window);
          robot::CloseAndWait(*window);
        },
        windowWait);
    EXPECT_TRUE(driven.callReturnedInTime) << "a box or the window was left open";
    EXPECT_TRUE(explained && windowShown);
    return outcome;
  }

  ComPtr<_Browse> browse;
  ComPtr<IDispatch> dispatch;
  UiThreadCaller caller;
};

TEST_F(Hostile, MalformedLateBoundCallsFailWithTheirOwnAnswerAndDoNothing) {
  ASSERT_NO_FATAL_FAILURE(Enable());
  // Every output a wrongly run call would write. Run, "/xbchkcontact" writes `text`, row 2 of
  // the catalogue writes name, value and help, and Initialize sets the status to "disabled".
  Bstr name(L"kept"), value(L"kept"), help(L"kept"), text(L"kept");
  Bstr command(L"/xbchkcontact"), notCommand(L"x"), abc(L"abc"), email(L"a@example.com"), check(L"check");
  const BSTR passed[] = {name.get(), value.get(), help.get(), text.get()};
  LONG count = -5, tags = 99;
  VARIANT_BOOL flag = kUnset;
  VARIANT holdsObject;  // a script's variable holding an object, passed by reference
  holdsObject.vt = VT_DISPATCH, holdsObject.pdispVal = dispatch.Get();
  // Script variables whose values convert to the parameter they are passed for: a refused
  // call converts none of them.
  VARIANT twelve, nothing, half;
  twelve.vt = VT_I4, twelve.lVal = 12;
  nothing.vt = VT_EMPTY;
  half.vt = VT_R8, half.dblVal = 0.5;
  duvisto::UniqueVariant holdsSeven;
  VARIANT& sevenText = *holdsSeven.reset();
  sevenText.vt = VT_BSTR, sevenText.bstrVal = SysAllocString(L"7");
  const BSTR seven = sevenText.bstrVal;

  enum class Shape { Whole, NoDispParams, CountWithoutArguments, CountWithoutNames, MoreNamesThanArguments };
  struct Case {
    const char* what;
    DISPID dispid;
    WORD flags;
    std::vector<VARIANTARG> rgvarg;  // as laid out: named first, then the others last-first
    std::vector<DISPID> named;
    HRESULT expected;
    UINT argError = kNotWritten;
    Shape shape = Shape::Whole;
    const IID* riid = &IID_NULL;
    HRESULT scode = S_OK;  // of a DISP_E_EXCEPTION
  };
  const std::vector<VARIANTARG> parseArguments = {TextRef(text.inout()), Object(nullptr), Text(notCommand.get()),
                                                  Text(command.get())};
  const Case cases[] = {
      // Counts: the outputs are untouched.
      {"ParseCommand without sResult", kParseCommand, DISPATCH_METHOD,
       {Object(nullptr), Text(notCommand.get()), Text(command.get())}, {}, DISP_E_BADPARAMCOUNT},
      {"GetPublishInfo with its return slot passed too", kGetPublishInfo, DISPATCH_METHOD,
       {BooleanRef(&flag), NumberRef(&tags), NumberRef(&count), TextRef(name.inout())}, {}, DISP_E_BADPARAMCOUNT},
      {"Uninitialize given an argument", kUninitialize, DISPATCH_METHOD, {Number(1)}, {}, DISP_E_BADPARAMCOUNT},
      {"GetPublishCommandInfo given nothing", kGetPublishCommandInfo, DISPATCH_METHOD, {}, {}, DISP_E_BADPARAMCOUNT},
      // Types: puArgErr is the argument's index in rgvarg.
      {"\"abc\" for the long index", kGetPublishCommandInfo, DISPATCH_METHOD,
       {TextRef(help.inout()), TextRef(value.inout()), TextRef(name.inout()), Text(abc.get())}, {},
       DISP_E_TYPEMISMATCH, 3},
      {"an object (the plug-in itself) for the long index", kGetPublishCommandInfo, DISPATCH_METHOD,
       {TextRef(help.inout()), TextRef(value.inout()), TextRef(name.inout()), Object(dispatch.Get())}, {},
       DISP_E_TYPEMISMATCH, 3},
      {"VT_BYREF|VT_I4 for the BSTR* sName", kGetPublishCommandInfo, DISPATCH_METHOD,
       {TextRef(help.inout()), TextRef(value.inout()), NumberRef(&count), Number(2)}, {}, DISP_E_TYPEMISMATCH, 2},
      {"text for the conversation window", kParseCommand, DISPATCH_METHOD,
       {TextRef(text.inout()), Text(command.get()), Text(notCommand.get()), Text(command.get())}, {},
       DISP_E_TYPEMISMATCH, 1},
      {"VT_NULL for the command", kParseCommand, DISPATCH_METHOD,
       {TextRef(text.inout()), Object(nullptr), Text(notCommand.get()), Null()}, {}, DISP_E_TYPEMISMATCH, 3},
      {"a script variable holding an object for sTextToSend", kReceiveNotify, DISPATCH_METHOD,
       {VariantRef(&holdsObject), Object(nullptr), Text(email.get()), Text(notCommand.get()), Text(check.get())}, {},
       DISP_E_TYPEMISMATCH, 0},
      // Script variables by reference, refused with the argument that does not fit.
      {"\"abc\" for the long index, the outputs script variables", kGetPublishCommandInfo, DISPATCH_METHOD,
       {VariantRef(&half), VariantRef(&twelve), VariantRef(&nothing), Text(abc.get())}, {}, DISP_E_TYPEMISMATCH, 3},
      {"a script variable holding an object for sValue, 12 for sHelp", kGetPublishCommandInfo, DISPATCH_METHOD,
       {VariantRef(&twelve), VariantRef(&holdsObject), VariantRef(&nothing), Number(2)}, {}, DISP_E_TYPEMISMATCH,
       1},
      {"text for the conversation window, sTextToSend a script variable holding Empty", kReceiveNotify,
       DISPATCH_METHOD,
       {VariantRef(&nothing), Text(command.get()), Text(email.get()), Text(notCommand.get()), Text(check.get())},
       {}, DISP_E_TYPEMISMATCH, 1},
      {"GetPublishInfo with its return slot passed too, the outputs script variables", kGetPublishInfo,
       DISPATCH_METHOD, {BooleanRef(&flag), VariantRef(&half), VariantRef(&sevenText), VariantRef(&twelve)}, {},
       DISP_E_BADPARAMCOUNT},
      {"ParseCommand as a property get, sResult a script variable holding 12", kParseCommand, DISPATCH_PROPERTYGET,
       {VariantRef(&twelve), Object(nullptr), Text(notCommand.get()), Text(command.get())}, {},
       DISP_E_MEMBERNOTFOUND},
      {"ParseCommand naming sResult, a script variable holding 12, twice", kParseCommand, DISPATCH_METHOD,
       {VariantRef(&twelve), VariantRef(&twelve), Text(notCommand.get()), Text(command.get())}, {3, 3},
       DISP_E_PARAMNOTFOUND, 1},
      // Names that name no parameter: puArgErr is the named argument's index.
      {"Initialize with a named argument 99", kInitialize, DISPATCH_METHOD,
       {Number(5), Text(email.get()), Number(2053)}, {99}, DISP_E_PARAMNOTFOUND, 0},
      {"ParseCommand naming its return value", kParseCommand, DISPATCH_METHOD,
       {BooleanRef(&flag), Object(nullptr), Text(notCommand.get()), Text(command.get())}, {4},
       DISP_E_PARAMNOTFOUND, 0},
      {"ParseCommand naming sResult twice", kParseCommand, DISPATCH_METHOD,
       {TextRef(text.inout()), TextRef(text.inout()), Text(notCommand.get()), Text(command.get())}, {3, 3},
       DISP_E_PARAMNOTFOUND, 1},
      {"DISPID_PROPERTYPUT on a method", kParseCommand, DISPATCH_METHOD, parseArguments, {DISPID_PROPERTYPUT},
       DISP_E_PARAMNOTFOUND, 0},
      {"a negative named argument", kParseCommand, DISPATCH_METHOD, parseArguments, {3, -5}, DISP_E_PARAMNOTFOUND,
       1},
      // Members.
      {"an unknown DISPID", 0x1234, DISPATCH_METHOD, {}, {}, DISP_E_MEMBERNOTFOUND},
      {"DISPID_VALUE as a property", DISPID_VALUE, DISPATCH_PROPERTYGET, {}, {}, DISP_E_MEMBERNOTFOUND},
      {"ParseCommand as a property get", kParseCommand, DISPATCH_PROPERTYGET, parseArguments, {},
       DISP_E_MEMBERNOTFOUND},
      {"ParseCommand as a property put", kParseCommand, DISPATCH_PROPERTYPUT, parseArguments, {},
       DISP_E_MEMBERNOTFOUND},
      {"ParseCommand with no flags", kParseCommand, 0, parseArguments, {}, DISP_E_MEMBERNOTFOUND},
      // The call's frame.
      {"riid IID_IDispatch", kParseCommand, DISPATCH_METHOD, parseArguments, {}, DISP_E_UNKNOWNINTERFACE,
       kNotWritten, Shape::Whole, &IID_IDispatch},
      {"pDispParams NULL", kParseCommand, DISPATCH_METHOD, {}, {}, E_INVALIDARG, kNotWritten, Shape::NoDispParams},
      {"cArgs 4 with rgvarg NULL", kParseCommand, DISPATCH_METHOD, parseArguments, {}, E_INVALIDARG, kNotWritten,
       Shape::CountWithoutArguments},
      {"cNamedArgs 1 with rgdispidNamedArgs NULL", kParseCommand, DISPATCH_METHOD, parseArguments, {},
       E_INVALIDARG, kNotWritten, Shape::CountWithoutNames},
      {"more named arguments than arguments", kParseCommand, DISPATCH_METHOD, parseArguments, {3, 0, 1, 2, 4},
       E_INVALIDARG, kNotWritten, Shape::MoreNamesThanArguments},
      // Bound and run: the method's own refusal comes back as an exception.
      {"a NULL BSTR* for sResult", kParseCommand, DISPATCH_METHOD,
       {TextRef(nullptr), Object(nullptr), Text(notCommand.get()), Text(command.get())}, {}, DISP_E_EXCEPTION,
       kNotWritten, Shape::Whole, &IID_NULL, E_POINTER},
  };

  for (const Case& c : cases) {
    std::vector<VARIANTARG> rgvarg = c.rgvarg;
    std::vector<DISPID> named = c.named;
    DISPPARAMS params{rgvarg.empty() ? nullptr : rgvarg.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(rgvarg.size()), static_cast<UINT>(named.size())};
    if (c.shape == Shape::CountWithoutArguments) params.rgvarg = nullptr;
    if (c.shape == Shape::CountWithoutNames) params.cNamedArgs = 1;
    VARIANT result;
    result.vt = VT_I2, result.iVal = 7;
    EXCEPINFO exception{};
    UINT argError = kNotWritten;
    const HRESULT hr = dispatch->Invoke(c.dispid, *c.riid, 0, c.flags,
                                        c.shape == Shape::NoDispParams ? nullptr : &params, &result, &exception,
                                        &argError);
    EXPECT_EQ(hr, c.expected) << c.what;
    EXPECT_EQ(argError, c.argError) << c.what;
    EXPECT_EQ(exception.scode, c.scode) << c.what;
    for (BSTR owned : {exception.bstrSource, exception.bstrDescription, exception.bstrHelpFile}) SysFreeString(owned);
    if (c.expected == DISP_E_EXCEPTION) {
      // The method ran and refused: its result, never written, comes back as False.
      EXPECT_TRUE(result.vt == VT_BOOL && result.boolVal == VARIANT_FALSE) << c.what;
    } else {
      EXPECT_TRUE(result.vt == VT_I2 && result.iVal == 7) << c.what << ": the result was written";
    }
    EXPECT_TRUE(name.get() == passed[0] && value.get() == passed[1] && help.get() == passed[2] &&
                text.get() == passed[3])
        << c.what << ": an output was replaced";
    EXPECT_EQ(name.str() + value.str() + help.str() + text.str(), L"keptkeptkeptkept") << c.what;
    EXPECT_TRUE(count == -5 && tags == 99 && flag == kUnset) << c.what;
    EXPECT_TRUE(holdsObject.vt == VT_DISPATCH && holdsObject.pdispVal == dispatch.Get()) << c.what;
    EXPECT_EQ(Described(twelve) + L", " + Described(nothing) + L", " + Described(half) + L", " + Described(sevenText),
              L"Long 12, Empty, Double 0.5, String 7")
        << c.what;
    EXPECT_EQ(sevenText.bstrVal, seven) << c.what;
    ExpectIntact(L"enabled.", c.what);
  }
  // Late binding itself still works.
  VARIANTARG row[] = {TextRef(help.inout()), TextRef(value.inout()), TextRef(name.inout()), Number(2)};
  DISPPARAMS rowParams{row, nullptr, 4, 0};
  ASSERT_EQ(dispatch->Invoke(kGetPublishCommandInfo, IID_NULL, 0, DISPATCH_METHOD, &rowParams, nullptr, nullptr,
                             nullptr),
            S_OK);
  EXPECT_EQ(value.str(), L"xbdisable");
}

// A script passes its variables by reference, as VT_BYREF|VT_VARIANT. A variable the method
// writes takes the written string or long, whatever it held; one it does not write keeps its
// type and value.
TEST_F(Hostile, ScriptVariablesTakeWhatTheMethodWritesAndKeepTheRest) {
  struct Row {
    LONG index;
    const wchar_t* written;  // sName and sValue; nullptr: neither written
    const wchar_t* help;     // nullptr: not written
  };
  const Row rows[] = {
      {0, nullptr, nullptr},
      {-1, nullptr, nullptr},
      {8, nullptr, nullptr},
      {1, L"String Enable remote browsing, String xbenable", nullptr},
      {7, L"String About..., String xbabout", nullptr},
      {2, L"String Disable remote browsing, String xbdisable", L"String you will still be able to browse locally"},
  };
  // sName is passed as a string (the parameter's own type), sValue as the number 12, sHelp as each of these.
  const struct {
    const char* what;
    std::function<void(VARIANT&)> pass;
  } helps[] = {
      {"Empty", [](VARIANT& v) { v.vt = VT_EMPTY; }},
      {"5", [](VARIANT& v) { v.vt = VT_I4, v.lVal = 5; }},
      {"\"kept\"", [](VARIANT& v) { v.vt = VT_BSTR, v.bstrVal = SysAllocString(L"kept"); }},
  };
  for (const Row& row : rows) {
    for (const auto& passedHelp : helps) {
      duvisto::UniqueVariant nameOwner, valueOwner, helpOwner;
      VARIANT& name = *nameOwner.reset();
      VARIANT& value = *valueOwner.reset();
      VARIANT& help = *helpOwner.reset();
      name.vt = VT_BSTR, name.bstrVal = SysAllocString(L"kept");
      value.vt = VT_I4, value.lVal = 12;
      passedHelp.pass(help);
      const std::wstring helpPassed = Described(help);
      const std::string what = "row " + std::to_string(row.index) + ", sHelp " + passedHelp.what;
      VARIANTARG rgvarg[] = {VariantRef(&help), VariantRef(&value), VariantRef(&name), Number(row.index)};
      DISPPARAMS params{rgvarg, nullptr, 4, 0};
      duvisto::UniqueVariant result;
      UINT argError = kNotWritten;
      EXPECT_EQ(dispatch->Invoke(kGetPublishCommandInfo, IID_NULL, 0, DISPATCH_METHOD, &params, result.reset(),
                                 nullptr, &argError),
                S_OK)
          << what;
      EXPECT_TRUE(result.get().vt == VT_EMPTY && argError == kNotWritten) << what;
      EXPECT_EQ(Described(name) + L", " + Described(value), row.written ? row.written : L"String kept, Long 12")
          << what;
      EXPECT_EQ(Described(help), row.help ? row.help : helpPassed) << what;
    }
  }

  // GetPublishInfo writes all three, whatever they held.
  duvisto::UniqueVariant pluginNameOwner, commandCountOwner, tagCountOwner;
  VARIANT& pluginName = *pluginNameOwner.reset();
  VARIANT& commandCount = *commandCountOwner.reset();
  VARIANT& tagCount = *tagCountOwner.reset();
  commandCount.vt = VT_BSTR, commandCount.bstrVal = SysAllocString(L"3");
  tagCount.vt = VT_I4, tagCount.lVal = 12;
  VARIANTARG publish[] = {VariantRef(&tagCount), VariantRef(&commandCount), VariantRef(&pluginName)};
  DISPPARAMS publishParams{publish, nullptr, 3, 0};
  ASSERT_EQ(dispatch->Invoke(kGetPublishInfo, IID_NULL, 0, DISPATCH_METHOD, &publishParams, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(Described(pluginName) + L", " + Described(commandCount) + L", " + Described(tagCount),
            L"String Duvisto by morvane12, Long 7, Long 0");

  // sResult holding a number: kept by a text that is no command, replaced by one that writes it.
  for (const auto& [command, expected] : {std::pair{L"/nothing", std::wstring(L"Long 12")},
                                          std::pair{L"/xbchkcontact", L"String " + kStatusRequest}}) {
    duvisto::UniqueVariant sResultOwner;
    VARIANT& sResult = *sResultOwner.reset();
    sResult.vt = VT_I4, sResult.lVal = 12;
    Bstr commandText(command), noArgument(L"");
    VARIANTARG parse[] = {VariantRef(&sResult), Object(nullptr), Text(noArgument.get()), Text(commandText.get())};
    DISPPARAMS parseParams{parse, nullptr, 4, 0};
    EXPECT_EQ(dispatch->Invoke(kParseCommand, IID_NULL, 0, DISPATCH_METHOD, &parseParams, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(Described(sResult), expected);
  }
}

TEST_F(Hostile, NamesResolveAndNamedArgumentsBindToTheParametersTheyName) {
  // Unknown names: DISP_E_UNKNOWNNAME, and DISPID_UNKNOWN in the slot of each unknown one.
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Navigate")};
  DISPID one = 7;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, unknown, 1, 0, &one), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(one, DISPID_UNKNOWN);
  LPOLESTR method[] = {const_cast<LPOLESTR>(L"parsecommand"), const_cast<LPOLESTR>(L"SRESULT"),
                       const_cast<LPOLESTR>(L"sCommand"), const_cast<LPOLESTR>(L"sBogus")};
  DISPID ids[4] = {7, 7, 7, 7};
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, method, 4, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_TRUE(ids[0] == kParseCommand && ids[1] == 3 && ids[2] == 0 && ids[3] == DISPID_UNKNOWN);
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_IDispatch, method, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  // NULL arrays are refused before anything reads or writes them.
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_INVALIDARG);
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, method, 1, 0, nullptr), E_POINTER);

  // Named by the ids GetIDsOfNames gives for the parameters, the rest positional. A wrong
  // binding would make "x" the command and leave sResult alone.
  Bstr result(L"kept"), command(L"/XBCHKCONTACT"), argument(L"x");
  VARIANTARG partly[] = {TextRef(result.inout()), Text(command.get()), Object(nullptr), Text(argument.get())};
  DISPID partlyNamed[] = {ids[1], ids[2]};
  DISPPARAMS partlyParams{partly, partlyNamed, 4, 2};
  VARIANT handled;
  VariantInit(&handled);
  ASSERT_EQ(dispatch->Invoke(kParseCommand, IID_NULL, 0, DISPATCH_METHOD, &partlyParams, &handled, nullptr, nullptr),
            S_OK);
  EXPECT_TRUE(handled.vt == VT_BOOL && handled.boolVal == VARIANT_TRUE);
  EXPECT_EQ(result.str(), kStatusRequest);

  // All four named, shuffled.
  Bstr name(L"kept"), value(L"kept"), help(L"kept");
  VARIANTARG shuffled[] = {TextRef(value.inout()), Number(3), TextRef(help.inout()), TextRef(name.inout())};
  DISPID shuffledNamed[] = {2, 0, 3, 1};
  DISPPARAMS shuffledParams{shuffled, shuffledNamed, 4, 4};
  ASSERT_EQ(dispatch->Invoke(kGetPublishCommandInfo, IID_NULL, 0, DISPATCH_METHOD, &shuffledParams, nullptr, nullptr,
                             nullptr),
            S_OK);
  EXPECT_EQ(name.str() + L"|" + value.str() + L"|" + help.str(),
            L"Check my status|xbchkmy|check whether remote browsing is enabled");

  // A script's by-reference variable, named.
  VARIANT answer;
  answer.vt = VT_I4, answer.lVal = 0;
  Bstr check(L"check"), contact(L"B"), payload(L"ignored");
  VARIANTARG byScript[] = {VariantRef(&answer), Text(check.get()), Object(nullptr), Text(contact.get()),
                           Text(payload.get())};
  DISPID byScriptNamed[] = {4, 0};
  DISPPARAMS byScriptParams{byScript, byScriptNamed, 5, 2};
  ASSERT_EQ(dispatch->Invoke(kReceiveNotify, IID_NULL, 0, DISPATCH_METHOD, &byScriptParams, nullptr, nullptr,
                             nullptr),
            S_OK);
  ASSERT_EQ(answer.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(answer.bstrVal, SysStringLen(answer.bstrVal)), kStatusAnswer + L"disabled.");
  VariantClear(&answer);

  // The flags Visual Basic passes for a call whose value it uses.
  Bstr again(L"kept");
  VARIANTARG positional[] = {TextRef(again.inout()), Object(nullptr), Text(argument.get()), Text(command.get())};
  DISPPARAMS positionalParams{positional, nullptr, 4, 0};
  ASSERT_EQ(dispatch->Invoke(kParseCommand, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &positionalParams,
                             &handled, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(again.str(), kStatusRequest);
  ExpectIntact(L"disabled.", "the named calls");
}

TEST_F(Hostile, NullStringsAreEmptyTextAndNullOutputsAreRefused) {
  Bstr kept(L"kept");
  const BSTR passed = kept.get();
  VARIANT_BOOL flag = kUnset;
  // NULL BSTRs are the empty text: neither a command nor a notification code.
  EXPECT_EQ(browse->ParseCommand(nullptr, nullptr, nullptr, kept.inout(), &flag), S_OK);
  EXPECT_TRUE(flag == VARIANT_FALSE && kept.get() == passed);
  flag = kUnset;
  EXPECT_EQ(browse->ReceiveNotify(nullptr, nullptr, nullptr, nullptr, kept.inout(), &flag), S_OK);
  EXPECT_TRUE(flag == VARIANT_FALSE && kept.get() == passed);
  // A NULL in-out string is written like any other.
  Bstr empty, name, value, helpText;
  EXPECT_EQ(browse->ParseCommand(Bstr(L"/xbchkcontact").get(), nullptr, nullptr, empty.inout(), &flag), S_OK);
  EXPECT_EQ(empty.str(), kStatusRequest);
  VARIANT row;
  EXPECT_EQ(browse->GetPublishCommandInfo(5, name.inout(), value.inout(), helpText.inout(), &row), S_OK);
  EXPECT_EQ(name.str() + L"|" + value.str() + L"|" + helpText.str(), L"Open browser (local)|xbrowser|URL (address)");
  // A partner's push with a NULL payload is the empty address.
  ASSERT_NO_FATAL_FAILURE(Enable());
  const Outcome pushed = [&] {
    Outcome outcome;
    Bstr toSend(L"kept");
    outcome.hr =
        browse->ReceiveNotify(Bstr(L"brows").get(), nullptr, nullptr, nullptr, toSend.inout(), &outcome.handled);
    outcome.text = toSend.str();
    return outcome;
  }();
  EXPECT_TRUE(pushed.hr == S_OK && pushed.handled == VARIANT_TRUE && pushed.text == L"/xsurfak47 ");
  // Initialize without an e-mail address or a messenger still sets the status back.
  flag = kUnset;
  EXPECT_EQ(browse->Initialize(-1, nullptr, nullptr, &flag), S_OK);
  EXPECT_EQ(flag, VARIANT_TRUE);
  EXPECT_EQ(Status(), L"disabled.");

  // NULL outputs: E_POINTER, nothing written, no box.
  LONG count = -5, tags = 99;
  VARIANT variant;
  variant.vt = VT_I2, variant.iVal = 7;
  ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"ParseCommand")};
  Bstr enable(L"/xbenable"), disable(L"/xbdisable"), check(L"check");
  flag = kUnset;
  const struct {
    const char* what;
    std::function<HRESULT()> call;
    HRESULT expected;
  } refused[] = {
      {"GetPublishInfo without sPluginName", [&] { return browse->GetPublishInfo(nullptr, &count, &tags, &flag); },
       E_POINTER},
      {"GetPublishInfo without nCommandCount",
       [&] { return browse->GetPublishInfo(kept.inout(), nullptr, &tags, &flag); }, E_POINTER},
      {"GetPublishInfo without its result",
       [&] { return browse->GetPublishInfo(kept.inout(), &count, &tags, nullptr); }, E_POINTER},
      {"GetPublishCommandInfo without sName",
       [&] { return browse->GetPublishCommandInfo(3, nullptr, kept.inout(), kept.inout(), &variant); }, E_POINTER},
      {"GetPublishCommandInfo without sHelp, for a row that writes none",
       [&] { return browse->GetPublishCommandInfo(1, kept.inout(), kept.inout(), nullptr, &variant); }, E_POINTER},
      {"GetPublishCommandInfo without its result",
       [&] { return browse->GetPublishCommandInfo(3, kept.inout(), kept.inout(), kept.inout(), nullptr); },
       E_POINTER},
      {"ReceiveNotify without its result",
       [&] { return browse->ReceiveNotify(check.get(), nullptr, nullptr, nullptr, kept.inout(), nullptr); },
       E_POINTER},
      {"/xbenable without sResult",
       [&] { return browse->ParseCommand(enable.get(), nullptr, nullptr, nullptr, &flag); }, E_POINTER},
      {"/xbdisable without its result",
       [&] { return browse->ParseCommand(disable.get(), nullptr, nullptr, kept.inout(), nullptr); }, E_POINTER},
      {"GetTypeInfoCount", [&] { return browse->GetTypeInfoCount(nullptr); }, E_POINTER},
      {"GetTypeInfo", [&] { return browse->GetTypeInfo(0, 0, nullptr); }, E_POINTER},
      {"GetTypeInfo of index 1", [&] { return browse->GetTypeInfo(1, 0, &typeInfo); }, DISP_E_BADINDEX},
      {"QueryInterface", [&] { return browse->QueryInterface(IID_IDispatch, nullptr); }, E_POINTER},
      {"GetIDsOfNames without its DISPID array",
       [&] { return browse->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr); }, E_POINTER},
  };
  // A box would block the call: the robot closes whatever shows, and the test fails.
  const auto driven = robot::RunDriven(
      [&] {
        for (const auto& r : refused) EXPECT_EQ(r.call(), r.expected) << r.what;
      },
      [](DWORD) {}, 5s);
  EXPECT_TRUE(driven.callReturnedInTime) << "a refused call showed a box";
  EXPECT_TRUE(kept.get() == passed && kept.str() == L"kept" && count == -5 && tags == 99 && flag == kUnset);
  EXPECT_TRUE(variant.vt == VT_I2 && variant.iVal == 7);
  EXPECT_EQ(typeInfo, nullptr) << "GetTypeInfo of a wrong index hands out nothing";
  ExpectIntact(L"disabled.", "the refused calls");
}

TEST_F(Hostile, SixteenMebicharacterTextsArriveWholeEitherWay) {
  ASSERT_NO_FATAL_FAILURE(Enable());
  const std::wstring scheme = L"http://www.example.com/";
  const std::wstring address = scheme + std::wstring(kSixteenMi - scheme.size(), L'a');
  const Outcome push = Push(browse.Get(), address, nullptr, 60s);
  EXPECT_TRUE(push.hr == S_OK && push.handled == VARIANT_TRUE);
  EXPECT_EQ(push.text.size(), 6 + kSixteenMi);
  EXPECT_TRUE(push.text == L"\tbrows" + address) << "the notification is not the address exactly";
  EXPECT_EQ(Notify(browse.Get(), L"brows", address).handled, VARIANT_FALSE) << "the own echo is swallowed";

  const std::wstring pushed = L"www.example.com/" + std::wstring(kSixteenMi, L'a');
  const Outcome accepted = Notify(browse.Get(), L"brows", pushed);
  EXPECT_TRUE(accepted.hr == S_OK && accepted.handled == VARIANT_TRUE);
  EXPECT_EQ(accepted.text.size(), 11 + pushed.size());
  EXPECT_TRUE(accepted.text == L"/xsurfak47 " + pushed) << "the open request is not the address exactly";

  // Texts that are not the plug-in's are left alone, however long.
  const std::wstring huge(kSixteenMi, L'x');
  const Outcome notCommand = Parse(browse.Get(), huge, huge);
  EXPECT_TRUE(notCommand.hr == S_OK && notCommand.handled == VARIANT_FALSE && notCommand.text == L"kept");
  const Outcome notCode = Notify(browse.Get(), huge, huge);
  EXPECT_TRUE(notCode.hr == S_OK && notCode.handled == VARIANT_FALSE && notCode.text == L"kept");
  ExpectIntact(L"enabled.", "the huge texts");
}

TEST_F(Hostile, NulAndLoneSurrogatesPassThroughAndANulInAPartnersAddressIsRefused) {
  constexpr wchar_t kNul = L'\0', kHigh = 0xD800, kLow = 0xDC00;
  ASSERT_NO_FATAL_FAILURE(Enable());
  // Our own push: the notification carries the address code unit for code unit.
  std::wstring odd = L"www.example.com/a";
  for (wchar_t c : {kNul, L'b', kHigh, L'c', kLow, kLow, kHigh, L'd', kHigh}) odd += c;
  const Outcome push = Push(browse.Get(), odd);
  EXPECT_TRUE(push.hr == S_OK && push.handled == VARIANT_TRUE);
  EXPECT_EQ(push.text, L"\tbrows" + odd);
  EXPECT_EQ(Notify(browse.Get(), L"brows", odd).handled, VARIANT_FALSE) << "the own echo is swallowed";

  // A partner's push: lone surrogates are not control characters, so a safe address with them
  // is opened as it came; a NUL anywhere is one, and the push is consumed.
  const std::wstring site = L"www.example.com/";
  const std::wstring acceptedPushes[] = {site + kHigh, site + kLow + L"x",
                                         L"http://www.exa" + std::wstring(1, kHigh) + L"mple.com/",
                                         std::wstring{kLow, kHigh}};
  for (const std::wstring& address : acceptedPushes) {
    const Outcome accepted = Notify(browse.Get(), L"brows", address);
    EXPECT_TRUE(accepted.hr == S_OK && accepted.handled == VARIANT_TRUE && accepted.text == L"/xsurfak47 " + address)
        << "accepted push " << address.size() << " units long";
  }
  const std::wstring refusedPushes[] = {site + kNul, kNul + site, site + kHigh + kNul + L"x"};
  for (const std::wstring& address : refusedPushes)
    EXPECT_TRUE(IsKept(Notify(browse.Get(), L"brows", address))) << "refused push " << address.size() << " units long";
  ExpectIntact(L"enabled.", "the odd texts");
}

TEST_F(Hostile, CallsFromInsideTheBrowserWindowWorkOnTheSameState) {
  ASSERT_NO_FATAL_FAILURE(Enable());
  std::wstring row, statusOnOpen, statusAfterDisable;
  HRESULT rowHr = E_UNEXPECTED, uninitializeHr = E_UNEXPECTED;
  VARIANT uninitialized;
  uninitialized.vt = VT_I2;
  Outcome echo, disable, refusedPush;
  std::optional<robot::MessageBoxInfo> disableBox, refusedBox;
  size_t windowsAtEnd = 0;
  bool ranInside = false;
  const Outcome push = Push(browse.Get(), L"www.example.com/outer", [&](DWORD uiThread, HWND) {
    ranInside = OnUiThread([&] {
      Bstr name(L"kept"), value(L"kept"), help(L"kept");
      VARIANT result;
      rowHr = browse->GetPublishCommandInfo(6, name.inout(), value.inout(), help.inout(), &result);
      row = name.str() + L"|" + value.str() + L"|" + help.str();
      uninitializeHr = browse->Uninitialize(&uninitialized);
      statusOnOpen = Status();
      echo = Notify(browse.Get(), L"brows", L"www.example.com/outer");
    });
    disableBox = OnUiThreadWithBox(uiThread, [&] { disable = Parse(browse.Get(), L"/xbdisable"); });
    ranInside = ranInside && OnUiThread([&] { statusAfterDisable = Status(); });
    refusedBox = OnUiThreadWithBox(
        uiThread, [&] { refusedPush = Parse(browse.Get(), L"/xnewurl", L"www.example.com/inner"); });
    windowsAtEnd = robot::TopLevelWindows(robot::Owner::Thread(uiThread)).size();
  });
  ASSERT_TRUE(ranInside);
  EXPECT_TRUE(push.hr == S_OK && push.handled == VARIANT_TRUE && push.text == L"\tbrowswww.example.com/outer");
  EXPECT_TRUE(rowHr == S_OK && row == L"Open browser/change URL (local and remote)|xnewurl|URL (address)");
  EXPECT_TRUE(uninitializeHr == S_OK && uninitialized.vt == VT_EMPTY);
  EXPECT_EQ(statusOnOpen, L"enabled.") << "Uninitialize changes nothing";
  EXPECT_TRUE(echo.hr == S_OK && echo.handled == VARIANT_FALSE && echo.text == L"kept") << "the own echo";
  ASSERT_TRUE(disableBox && refusedBox);
  EXPECT_EQ(disableBox->text, L"You have disabled your remote browsing.");
  EXPECT_TRUE(IsKept(disable));
  EXPECT_EQ(statusAfterDisable, L"disabled.");
  EXPECT_EQ(refusedBox->text, kRefusedPush);
  EXPECT_TRUE(IsKept(refusedPush));
  EXPECT_EQ(windowsAtEnd, 1u) << "the refused push opened nothing";
  // The marker went with the echo inside, so this is the partner's push, and it meets the status
  // set inside the window.
  EXPECT_TRUE(IsKept(Notify(browse.Get(), L"brows", L"www.example.org/")));
  ExpectIntact(L"disabled.", "the calls from inside the window");
}

TEST_F(Hostile, CallsFromInsideABoxAndANestedBoxWriteTheirStatusesInClosingOrder) {
  std::wstring statusWhileOuter, statusBetween, row;
  HRESULT uninitializeHr = E_UNEXPECTED;
  VARIANT uninitialized;
  uninitialized.vt = VT_I2;
  Outcome outer, inner;
  std::optional<robot::MessageBoxInfo> outerBox, innerBox;
  bool ranInside = false;
  const auto driven = robot::RunDriven([&] { outer = Parse(browse.Get(), L"/xbdisable"); },
                                       [&](DWORD uiThread) {
                                         outerBox = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
                                         if (!outerBox) return;
                                         ranInside = OnUiThread([&] {
                                           uninitializeHr = browse->Uninitialize(&uninitialized);
                                           Bstr name(L"kept"), value(L"kept"), help(L"kept");
                                           VARIANT result;
                                           browse->GetPublishCommandInfo(7, name.inout(), value.inout(),
                                                                         help.inout(), &result);
                                           row = name.str() + L"|" + value.str() + L"|" + help.str();
                                           statusWhileOuter = Status();
                                         });
                                         innerBox = OnUiThreadWithBox(
                                             uiThread, [&] { inner = Parse(browse.Get(), L"/xbenable"); },
                                             outerBox->hwnd);
                                         ranInside = ranInside && OnUiThread([&] { statusBetween = Status(); });
                                         robot::PressButton(outerBox->hwnd, IDOK);
                                       });
  ASSERT_TRUE(driven.callReturnedInTime && ranInside && outerBox && innerBox);
  EXPECT_EQ(outerBox->text, L"You have disabled your remote browsing.");
  EXPECT_EQ(innerBox->text, L"You have enabled your remote browsing.");
  EXPECT_TRUE(IsKept(outer) && IsKept(inner));
  EXPECT_TRUE(uninitializeHr == S_OK && uninitialized.vt == VT_EMPTY);
  EXPECT_EQ(row, L"About...|xbabout|kept");
  EXPECT_EQ(statusWhileOuter, L"disabled.") << "Initialize's status, until a box is closed";
  EXPECT_EQ(statusBetween, L"enabled.") << "the inner box closed first";
  ExpectIntact(L"disabled.", "the nested boxes: the outer box closed last");
}

TEST_F(Hostile, HostUninitializesAndReleasesItsLastReferenceFromInsideTheBrowserWindow) {
  ASSERT_NO_FATAL_FAILURE(Enable());
  _Browse* const object = browse.Get();
  HRESULT uninitializeHr = E_UNEXPECTED;
  VARIANT uninitialized;
  uninitialized.vt = VT_I2;
  bool released = false;
  const Outcome push = Push(object, L"www.example.com/last", [&](DWORD, HWND) {
    released = OnUiThread([&] {
      uninitializeHr = object->Uninitialize(&uninitialized);
      dispatch.Reset();
      browse.Reset();  // the host's last reference
    });
  });
  ASSERT_TRUE(released);
  EXPECT_TRUE(uninitializeHr == S_OK && uninitialized.vt == VT_EMPTY);
  EXPECT_TRUE(push.hr == S_OK && push.handled == VARIANT_TRUE && push.text == L"\tbrowswww.example.com/last");
  // The plug-in goes on serving new objects.
  ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse));
  VARIANT_BOOL ready = kUnset;
  ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, nullptr, nullptr, &ready));
  ExpectIntact(L"disabled.", "the last release inside the window");
}

TEST_F(Hostile, AnObjectReleasedFromInsideItsOwnBoxLivesUntilItsCallEnds) {
  // The host lets go of its last reference while "/xbenable" waits in its box: the object, and
  // with it the DLL, must stay until the call has set the status and returned.
  const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      GetProcAddress(GetModuleHandleW(L"Duvisto.dll"), "DllCanUnloadNow"));
  ASSERT_NE(canUnloadNow, nullptr);
  _Browse* const object = browse.Get();
  HRESULT whileInBox = E_UNEXPECTED;
  bool released = false;
  Outcome outcome;
  const auto driven = robot::RunDriven([&] { outcome = Parse(object, L"/xbenable"); },
                                       [&](DWORD uiThread) {
                                         const auto box = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
                                         if (!box) return;
                                         released = OnUiThread([&] {
                                           dispatch.Reset();
                                           browse.Reset();  // the host's last reference
                                           whileInBox = canUnloadNow();
                                         });
                                         robot::PressButton(box->hwnd, IDOK);
                                       });
  ASSERT_TRUE(driven.callReturnedInTime && released);
  EXPECT_EQ(whileInBox, S_FALSE) << "the object went in the middle of its own call";
  EXPECT_TRUE(outcome.hr == S_OK && outcome.handled == VARIANT_TRUE);
  EXPECT_EQ(canUnloadNow(), S_OK) << "the object goes once its call has ended";
}

}  // namespace
