// Hostile callers of Duvisto.Browse: malformed late-bound calls, NULL and huge strings, odd
// UTF-16, and calls that come back in from the plug-in's own modal loops. Every case has one
// answer, pinned exactly, and after each one the object still works and has kept its state.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plugin_test_support.h"

using namespace plugin_test;

namespace {

constexpr UINT kNotWritten = 0xDEAD;  // puArgErr as the caller passed it
constexpr size_t kSixteenMi = 16 * 1024 * 1024;

// S_OK, with this handled flag and this text.
bool Answered(const Outcome& outcome, VARIANT_BOOL handled, const std::wstring& text) {
  return outcome.hr == S_OK && outcome.handled == handled && outcome.text == text;
}

// Late-bound arguments, as a caller lays them out in rgvarg, and script variables' values.
VARIANT Of(VARTYPE type) { VARIANT v; v.vt = type; return v; }
VARIANT Text(BSTR text) { VARIANT v = Of(VT_BSTR); v.bstrVal = text; return v; }
VARIANT Number(LONG number) { VARIANT v = Of(VT_I4); v.lVal = number; return v; }
VARIANT Object(IDispatch* object) { VARIANT v = Of(VT_DISPATCH); v.pdispVal = object; return v; }
VARIANT TextRef(BSTR* text) { VARIANT v = Of(VT_BYREF | VT_BSTR); v.pbstrVal = text; return v; }
VARIANT NumberRef(LONG* number) { VARIANT v = Of(VT_BYREF | VT_I4); v.plVal = number; return v; }
VARIANT BooleanRef(VARIANT_BOOL* flag) { VARIANT v = Of(VT_BYREF | VT_BOOL); v.pboolVal = flag; return v; }
VARIANT VariantRef(VARIANT* variable) { VARIANT v = Of(VT_BYREF | VT_VARIANT); v.pvarVal = variable; return v; }

// A script's variable, owning `value`, to be passed by reference.
VARIANT& Holding(duvisto::UniqueVariant& owner, const VARIANT& value) { return *owner.put() = value; }

// A script variable as "type value" ("Empty", "Long 12", "Double 0.5", "String text", "True").
std::wstring Described(const VARIANT& variable) {
  switch (variable.vt) {
    case VT_EMPTY: return L"Empty";
    case VT_I4: return L"Long " + std::to_wstring(variable.lVal);
    case VT_R8: return L"Double " + std::to_wstring(variable.dblVal).erase(3);  // the tests use 0.5 only
    case VT_BSTR: return L"String " + std::wstring(variable.bstrVal, SysStringLen(variable.bstrVal));
    case VT_BOOL: return variable.boolVal ? variable.boolVal == VARIANT_TRUE ? L"True" : L"Boolean other" : L"False";
    case VT_DISPATCH: return L"Object";
    default: return L"type " + std::to_wstring(variable.vt);
  }
}
std::wstring DescribedAll(std::initializer_list<const VARIANT*> variables) {
  std::wstring all;
  for (const VARIANT* v : variables) all += (all.empty() ? L"" : L", ") + Described(*v);
  return all;
}

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(Create()); }
  void Create() {
    ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse));
    ASSERT_HRESULT_SUCCEEDED(browse.As(&dispatch));
    VARIANT_BOOL ready = kUnset;
    ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, nullptr, nullptr, &ready));
  }

  // `member` called late-bound: `arguments` as laid out in rgvarg, the first `named.size()` named.
  HRESULT Call(DISPID member, std::vector<VARIANTARG> arguments, std::vector<DISPID> named = {},
               WORD flags = DISPATCH_METHOD, VARIANT* result = nullptr, UINT* argError = nullptr) {
    DISPPARAMS params{arguments.data(), named.empty() ? nullptr : named.data(), static_cast<UINT>(arguments.size()),
                      static_cast<UINT>(named.size())};
    return dispatch->Invoke(member, IID_NULL, 0, flags, &params, result, nullptr, argError);
  }

  std::wstring Status() { return plugin_test::Status(browse.Get()); }
  std::wstring Row(LONG index, const wchar_t* passed = L"kept") {
    return plugin_test::Row(browse.Get(), index, passed);
  }

  // Uninitialize answers S_OK and Empty.
  static bool Uninitialized(_Browse* object) {
    VARIANT result = Of(VT_I2);
    return object->Uninitialize(&result) == S_OK && result.vt == VT_EMPTY;
  }

  // Still answers a windowless command, and still has `status`.
  void ExpectIntact(const std::wstring& status, const std::string& after) {
    EXPECT_EQ(Status(), status) << "after " << after;
    EXPECT_EQ(Shown(Parse(browse.Get(), L"/xbchkcontact")), L"handled: " + kStatusRequest) << "after " << after;
  }

  void Enable() { ASSERT_TRUE(plugin_test::Enable(browse.Get())); }
  bool OnUiThread(const std::function<void()>& work, const std::function<void()>& meanwhile = nullptr) const {
    return caller.Run(work, meanwhile);
  }

  // Runs a command on the apartment thread from whatever modal loop it is in; it shows one box
  // of `uiThread` (other than `already`), which is read and OK pressed. "box <title>, <outcome>".
  std::wstring CommandWithBox(DWORD uiThread, const std::wstring& command, const std::wstring& argument = L"",
                              HWND already = nullptr) {
    Outcome outcome;
    std::optional<robot::MessageBoxInfo> box;
    const bool returned = OnUiThread([&] { outcome = Parse(browse.Get(), command, argument); }, [&] {
      robot::WaitUntil([&] {
        for (HWND shown : robot::TopLevelWindows(robot::Owner::Thread(uiThread), L"#32770"))
          if (shown != already) box = robot::ReadMessageBox(shown);
        return box.has_value();
      });
      if (box) robot::PressButton(box->hwnd, IDOK);
    });
    if (!returned) return L"did not return";
    return L"box " + (box ? plugin_test::Described(*box) : L"none") + L", " + Shown(outcome);
  }

  ComPtr<_Browse> browse;
  ComPtr<IDispatch> dispatch;
  UiThreadCaller caller;
};

TEST_F(Hostile, MalformedLateBoundCallsFailWithTheirOwnAnswerAndDoNothing) {
  ASSERT_NO_FATAL_FAILURE(Enable());
  // Every output a wrongly run call would write. Run, "/xbchkcontact" writes `text`, row 2 of
  // the catalogue writes name, value and help, and Initialize sets the status to "disabled".
  Bstr outputs[] = {Bstr(L"kept"), Bstr(L"kept"), Bstr(L"kept"), Bstr(L"kept")};
  auto& [name, value, help, text] = outputs;
  const BSTR passed[] = {name.get(), value.get(), help.get(), text.get()};
  Bstr command(L"/xbchkcontact"), notCommand(L"x"), abc(L"abc"), email(L"a@example.com"), check(L"check");
  LONG count = -5;
  VARIANT_BOOL flag = kUnset;
  // Script variables: one holding an object, and ones whose values convert to the parameter
  // they are passed for. A refused call converts none of them.
  VARIANT holdsObject = Object(dispatch.Get()), twelve = Number(12), nothing = Of(VT_EMPTY), half = Of(VT_R8);
  half.dblVal = 0.5;
  duvisto::UniqueVariant sevenOwner;
  VARIANT& seven = Holding(sevenOwner, Text(SysAllocString(L"7")));
  const BSTR sevenText = seven.bstrVal;
  // The arguments the rows share.
  const VARIANTARG sResult = TextRef(text.inout()), noWindow = Object(nullptr), x = Text(notCommand.get()),
                   xbchkcontact = Text(command.get()), sName = TextRef(name.inout()),
                   sValue = TextRef(value.inout()), sHelp = TextRef(help.inout()), checkCode = Text(check.get()),
                   contact = Text(email.get()), self = Object(dispatch.Get());
  const std::vector<VARIANTARG> parse = {sResult, noWindow, x, xbchkcontact};

  // How the call's frame departs from what the row lists.
  enum class Shape { Whole, OtherInterface, NoDispParams, CountWithoutArguments, CountWithoutNames };
  const struct Case {
    const char* what;
    DISPID dispid;
    std::vector<VARIANTARG> rgvarg;  // as laid out: named first, then the others last-first
    std::vector<DISPID> named;
    HRESULT expected;
    UINT argError = kNotWritten;
    WORD flags = DISPATCH_METHOD;
    Shape shape = Shape::Whole;
  } cases[] = {
      // Counts: the outputs are untouched.
      {"ParseCommand without sResult", kParseCommand, {noWindow, x, xbchkcontact}, {}, DISP_E_BADPARAMCOUNT},
      {"Uninitialize given an argument", kUninitialize, {Number(1)}, {}, DISP_E_BADPARAMCOUNT},
      // Types: puArgErr is the argument's index in rgvarg.
      {"\"abc\" for the long index", kGetPublishCommandInfo, {sHelp, sValue, sName, Text(abc.get())}, {},
       DISP_E_TYPEMISMATCH, 3},
      {"an object (the plug-in itself) for the long index", kGetPublishCommandInfo, {sHelp, sValue, sName, self}, {},
       DISP_E_TYPEMISMATCH, 3},
      {"VT_BYREF|VT_I4 for the BSTR* sName", kGetPublishCommandInfo, {sHelp, sValue, NumberRef(&count), Number(2)},
       {}, DISP_E_TYPEMISMATCH, 2},
      {"text for the conversation window", kParseCommand, {sResult, xbchkcontact, x, xbchkcontact}, {},
       DISP_E_TYPEMISMATCH, 1},
      {"VT_NULL for the command", kParseCommand, {sResult, noWindow, x, Of(VT_NULL)}, {}, DISP_E_TYPEMISMATCH, 3},
      {"a script variable holding an object for sTextToSend", kReceiveNotify,
       {VariantRef(&holdsObject), noWindow, contact, x, checkCode}, {}, DISP_E_TYPEMISMATCH, 0},
      // Script variables by reference, refused with the argument that does not fit, or before
      // or after the method would run: none is converted or written back.
      {"a script variable holding an object for sValue, 12 for sHelp", kGetPublishCommandInfo,
       {VariantRef(&twelve), VariantRef(&holdsObject), VariantRef(&nothing), Number(2)}, {}, DISP_E_TYPEMISMATCH,
       1},
      {"text for the conversation window, sTextToSend a script variable holding Empty", kReceiveNotify,
       {VariantRef(&nothing), xbchkcontact, contact, x, checkCode}, {}, DISP_E_TYPEMISMATCH, 1},
      {"GetPublishInfo with its return slot passed too, the outputs script variables", kGetPublishInfo,
       {BooleanRef(&flag), VariantRef(&half), VariantRef(&seven), VariantRef(&twelve)}, {}, DISP_E_BADPARAMCOUNT},
      {"ParseCommand as a property get, sResult a script variable holding 12", kParseCommand,
       {VariantRef(&twelve), noWindow, x, xbchkcontact}, {}, DISP_E_MEMBERNOTFOUND, kNotWritten,
       DISPATCH_PROPERTYGET},
      {"ParseCommand naming sResult, a script variable holding 12, twice", kParseCommand,
       {VariantRef(&twelve), VariantRef(&twelve), x, xbchkcontact}, {3, 3}, DISP_E_PARAMNOTFOUND, 1},
      // Names that name no parameter: puArgErr is the named argument's index.
      {"Initialize with a named argument 99", kInitialize, {Number(5), contact, Number(2053)}, {99},
       DISP_E_PARAMNOTFOUND, 0},
      {"ParseCommand naming its return value", kParseCommand, {BooleanRef(&flag), noWindow, x, xbchkcontact}, {4},
       DISP_E_PARAMNOTFOUND, 0},
      {"DISPID_PROPERTYPUT on a method", kParseCommand, parse, {DISPID_PROPERTYPUT}, DISP_E_PARAMNOTFOUND, 0},
      {"a negative named argument", kParseCommand, parse, {3, -5}, DISP_E_PARAMNOTFOUND, 1},
      // Members.
      {"an unknown DISPID", 0x1234, {}, {}, DISP_E_MEMBERNOTFOUND},
      {"DISPID_VALUE as a property", DISPID_VALUE, {}, {}, DISP_E_MEMBERNOTFOUND, kNotWritten, DISPATCH_PROPERTYGET},
      {"ParseCommand as a property put", kParseCommand, parse, {}, DISP_E_MEMBERNOTFOUND, kNotWritten,
       DISPATCH_PROPERTYPUT},
      {"ParseCommand put as a script puts a property, its value named", kParseCommand, parse, {DISPID_PROPERTYPUT},
       DISP_E_MEMBERNOTFOUND, kNotWritten, DISPATCH_PROPERTYPUT},
      {"ParseCommand with no flags", kParseCommand, parse, {}, DISP_E_MEMBERNOTFOUND, kNotWritten, 0},
      // The call's frame.
      {"riid IID_IDispatch", kParseCommand, parse, {}, DISP_E_UNKNOWNINTERFACE, kNotWritten, DISPATCH_METHOD,
       Shape::OtherInterface},
      {"pDispParams NULL", kParseCommand, {}, {}, E_INVALIDARG, kNotWritten, DISPATCH_METHOD, Shape::NoDispParams},
      {"cArgs 4 with rgvarg NULL", kParseCommand, parse, {}, E_INVALIDARG, kNotWritten, DISPATCH_METHOD,
       Shape::CountWithoutArguments},
      {"cNamedArgs 1 with rgdispidNamedArgs NULL", kParseCommand, parse, {}, E_INVALIDARG, kNotWritten,
       DISPATCH_METHOD, Shape::CountWithoutNames},
      {"more named arguments than arguments", kParseCommand, parse, {3, 0, 1, 2, 4}, E_INVALIDARG},
      // Bound and run: the method's own refusal (E_POINTER) comes back as an exception.
      {"a NULL BSTR* for sResult", kParseCommand, {TextRef(nullptr), noWindow, x, xbchkcontact}, {},
       DISP_E_EXCEPTION},
  };

  for (const Case& c : cases) {
    std::vector<VARIANTARG> rgvarg = c.rgvarg;
    std::vector<DISPID> named = c.named;
    DISPPARAMS params{rgvarg.empty() ? nullptr : rgvarg.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(rgvarg.size()), static_cast<UINT>(named.size())};
    if (c.shape == Shape::CountWithoutArguments) params.rgvarg = nullptr;
    if (c.shape == Shape::CountWithoutNames) params.cNamedArgs = 1;
    VARIANT result = Number(7);
    duvisto::UniqueExcepInfo exception;
    UINT argError = kNotWritten;
    const HRESULT hr = dispatch->Invoke(c.dispid, c.shape == Shape::OtherInterface ? IID_IDispatch : IID_NULL, 0,
                                        c.flags, c.shape == Shape::NoDispParams ? nullptr : &params, &result,
                                        exception.put(), &argError);
    EXPECT_EQ(hr, c.expected) << c.what;
    EXPECT_EQ(argError, c.argError) << c.what;
    const bool ran = c.expected == DISP_E_EXCEPTION;
    EXPECT_EQ(exception.get().scode, ran ? E_POINTER : S_OK) << c.what;
    // A method that ran and refused never wrote its result, which comes back as False.
    EXPECT_EQ(Described(result), ran ? L"False" : L"Long 7") << c.what << ": the result";
    for (size_t i = 0; i < 4; ++i)
      EXPECT_TRUE(outputs[i].get() == passed[i] && outputs[i].str() == L"kept") << c.what << ": output " << i;
    EXPECT_TRUE(count == -5 && flag == kUnset) << c.what;
    EXPECT_EQ(DescribedAll({&twelve, &nothing, &half, &seven, &holdsObject}),
              L"Long 12, Empty, Double 0.5, String 7, Object")
        << c.what;
    EXPECT_TRUE(seven.bstrVal == sevenText && holdsObject.pdispVal == dispatch.Get()) << c.what;
    ExpectIntact(L"enabled.", c.what);
  }
  // Late binding itself still works.
  ASSERT_EQ(Call(kGetPublishCommandInfo, {sHelp, sValue, sName, Number(2)}), S_OK);
  EXPECT_EQ(name.str() + L"|" + value.str() + L"|" + help.str(), Row(2));
}

// A script passes its variables by reference, as VT_BYREF|VT_VARIANT. A variable the method
// writes takes the written string, whatever it held; one it does not write keeps its type and
// value. (The smoke check's script and the object test go through the catalogue this way.)
TEST_F(Hostile, ScriptVariablesTakeWhatTheMethodWritesAndKeepTheRest) {
  // Row 7 writes sName and sValue, not sHelp; all three hold numbers.
  duvisto::UniqueVariant owners[3];
  VARIANT &name = Holding(owners[0], Number(1)), &value = Holding(owners[1], Number(2)),
          &help = Holding(owners[2], Number(5));
  ASSERT_EQ(Call(kGetPublishCommandInfo, {VariantRef(&help), VariantRef(&value), VariantRef(&name), Number(7)}), S_OK);
  ASSERT_TRUE(name.vt == VT_BSTR && value.vt == VT_BSTR) << DescribedAll({&name, &value, &help});
  EXPECT_EQ(std::wstring(name.bstrVal) + L"|" + value.bstrVal + L"|kept", Row(7)) << "the vtable's row";
  EXPECT_EQ(Described(help), L"Long 5");

  // sResult holding a number: kept by a text that is no command, replaced by one that writes it.
  for (const auto& [command, expected] : {std::pair{L"/nothing", std::wstring(L"Long 12")},
                                          std::pair{L"/xbchkcontact", L"String " + kStatusRequest}}) {
    Bstr commandText(command), noArgument(L"");
    VARIANT& sResult = Holding(owners[0], Number(12));
    EXPECT_EQ(Call(kParseCommand, {VariantRef(&sResult), Object(nullptr), Text(noArgument.get()),
                                   Text(commandText.get())}),
              S_OK);
    EXPECT_EQ(Described(sResult), expected);
  }
}

TEST_F(Hostile, NamesResolveAndNamedArgumentsBindToTheParametersTheyName) {
  // Unknown names: DISP_E_UNKNOWNNAME, and DISPID_UNKNOWN in the slot of each unknown one.
  LPOLESTR method[] = {const_cast<LPOLESTR>(L"parsecommand"), const_cast<LPOLESTR>(L"SRESULT"),
                       const_cast<LPOLESTR>(L"sCommand"), const_cast<LPOLESTR>(L"sBogus")};
  DISPID ids[4] = {7, 7, 7, 7};
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, method, 4, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_TRUE(ids[0] == kParseCommand && ids[1] == 3 && ids[2] == 0 && ids[3] == DISPID_UNKNOWN);
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_IDispatch, method, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  // A NULL name array is refused before anything reads it (a NULL DISPID array: see the NULL outputs).
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_INVALIDARG);

  // Named by the ids GetIDsOfNames gives for the parameters, the rest positional. A wrong
  // binding would make "x" the command and leave sResult alone.
  Bstr result(L"kept"), again(L"kept"), name(L"kept"), value(L"kept"), help(L"kept"), command(L"/XBCHKCONTACT"),
      x(L"x"), check(L"check"), contact(L"B");
  duvisto::UniqueVariant handled, answerOwner;
  ASSERT_EQ(Call(kParseCommand, {TextRef(result.inout()), Text(command.get()), Object(nullptr), Text(x.get())},
                 {ids[1], ids[2]}, DISPATCH_METHOD, handled.put()),
            S_OK);
  EXPECT_EQ(Described(handled.get()) + L", " + result.str(), L"True, " + kStatusRequest);
  // All four named, shuffled.
  ASSERT_EQ(Call(kGetPublishCommandInfo,
                 {TextRef(value.inout()), Number(3), TextRef(help.inout()), TextRef(name.inout())}, {2, 0, 3, 1}),
            S_OK);
  EXPECT_EQ(name.str() + L"|" + value.str() + L"|" + help.str(), Row(3)) << "the vtable's row";
  // A script's by-reference variable, named.
  VARIANT& answer = Holding(answerOwner, Number(0));
  ASSERT_EQ(Call(kReceiveNotify, {VariantRef(&answer), Text(check.get()), Object(nullptr), Text(contact.get()),
                                  Text(x.get())},
                 {4, 0}),
            S_OK);
  EXPECT_EQ(Described(answer), L"String " + kStatusAnswer + L"disabled.");
  // The flags Visual Basic passes for a call whose value it uses.
  ASSERT_EQ(Call(kParseCommand, {TextRef(again.inout()), Object(nullptr), Text(x.get()), Text(command.get())}, {},
                 DISPATCH_METHOD | DISPATCH_PROPERTYGET, handled.put()),
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
  // NULL in-out strings are written like any others.
  Bstr empty;
  EXPECT_EQ(browse->ParseCommand(Bstr(L"/xbchkcontact").get(), nullptr, nullptr, empty.inout(), &flag), S_OK);
  EXPECT_EQ(empty.str(), kStatusRequest);
  EXPECT_EQ(Row(5, nullptr), Row(5));
  // A partner's push with a NULL payload is the empty address.
  ASSERT_NO_FATAL_FAILURE(Enable());
  Bstr toSend(L"kept");
  flag = kUnset;
  EXPECT_EQ(browse->ReceiveNotify(Bstr(L"brows").get(), nullptr, nullptr, nullptr, toSend.inout(), &flag), S_OK);
  EXPECT_TRUE(flag == VARIANT_TRUE && toSend.str() == L"/xsurfak47 ");
  // Initialize without an e-mail address or a messenger still sets the status back.
  flag = kUnset;
  EXPECT_EQ(browse->Initialize(-1, nullptr, nullptr, &flag), S_OK);
  EXPECT_EQ(flag, VARIANT_TRUE);
  EXPECT_EQ(Status(), L"disabled.");

  // NULL outputs: E_POINTER, nothing written, no box. One row for each output of each method.
  LONG count = -5, tags = 99;
  VARIANT variant = Number(7);
  ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"ParseCommand")};
  Bstr enable(L"/xbenable"), disable(L"/xbdisable"), check(L"check");
  BSTR* const k = kept.inout();
  flag = kUnset;
  const struct {
    const char* what;
    std::function<HRESULT()> call;
    HRESULT expected = E_POINTER;
  } refused[] = {
      {"Initialize without its result", [&] { return browse->Initialize(0, nullptr, nullptr, nullptr); }},
      {"Uninitialize without its result", [&] { return browse->Uninitialize(nullptr); }},
      {"GetPublishInfo without sPluginName", [&] { return browse->GetPublishInfo(nullptr, &count, &tags, &flag); }},
      {"GetPublishInfo without nCommandCount", [&] { return browse->GetPublishInfo(k, nullptr, &tags, &flag); }},
      {"GetPublishInfo without nTagCount", [&] { return browse->GetPublishInfo(k, &count, nullptr, &flag); }},
      {"GetPublishInfo without its result", [&] { return browse->GetPublishInfo(k, &count, &tags, nullptr); }},
      {"GetPublishCommandInfo without sName",
       [&] { return browse->GetPublishCommandInfo(3, nullptr, k, k, &variant); }},
      {"GetPublishCommandInfo without sValue",
       [&] { return browse->GetPublishCommandInfo(2, k, nullptr, k, &variant); }},
      {"GetPublishCommandInfo without sHelp, for a row that writes none",
       [&] { return browse->GetPublishCommandInfo(1, k, k, nullptr, &variant); }},
      {"GetPublishCommandInfo without its result",
       [&] { return browse->GetPublishCommandInfo(3, k, k, k, nullptr); }},
      {"ReceiveNotify without sTextToSend",
       [&] { return browse->ReceiveNotify(check.get(), nullptr, nullptr, nullptr, nullptr, &flag); }},
      {"ReceiveNotify without its result",
       [&] { return browse->ReceiveNotify(check.get(), nullptr, nullptr, nullptr, k, nullptr); }},
      {"/xbenable without sResult",
       [&] { return browse->ParseCommand(enable.get(), nullptr, nullptr, nullptr, &flag); }},
      {"/xbdisable without its result",
       [&] { return browse->ParseCommand(disable.get(), nullptr, nullptr, k, nullptr); }},
      {"GetTypeInfoCount", [&] { return browse->GetTypeInfoCount(nullptr); }},
      {"GetTypeInfo", [&] { return browse->GetTypeInfo(0, 0, nullptr); }},
      {"GetTypeInfo of index 1", [&] { return browse->GetTypeInfo(1, 0, &typeInfo); }, DISP_E_BADINDEX},
      {"QueryInterface", [&] { return browse->QueryInterface(IID_IDispatch, nullptr); }},
      {"GetIDsOfNames without its DISPID array",
       [&] { return browse->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr); }},
  };
  // A box would block the call: the robot closes whatever shows, and the test fails.
  const auto driven = robot::RunDriven(
      [&] {
        for (const auto& r : refused) EXPECT_EQ(r.call(), r.expected) << r.what;
      },
      [](DWORD) {}, 5s);
  EXPECT_TRUE(driven.callReturnedInTime) << "a refused call showed a box";
  EXPECT_TRUE(kept.get() == passed && kept.str() == L"kept" && count == -5 && tags == 99 && flag == kUnset);
  EXPECT_EQ(Described(variant), L"Long 7");
  EXPECT_EQ(typeInfo, nullptr) << "GetTypeInfo of a wrong index hands out nothing";
  ExpectIntact(L"disabled.", "the refused calls");
}

// Addresses arrive code unit for code unit, whatever their length and content, except that a
// partner's push with a control character (NUL is one, a lone surrogate is not) is consumed.
TEST_F(Hostile, HugeAndOddTextsArriveWholeAndANulInAPartnersAddressIsRefused) {
  constexpr wchar_t kNul = L'\0', kHigh = 0xD800, kLow = 0xDC00;
  ASSERT_NO_FATAL_FAILURE(Enable());
  const std::wstring scheme = L"http://www.example.com/", site = L"www.example.com/";
  std::wstring odd = site + L"a";
  for (wchar_t c : {kNul, L'b', kHigh, L'c', kLow, kLow, kHigh, L'd', kHigh}) odd += c;
  // Our own push: the notification is the address, and its echo is swallowed.
  for (const std::wstring& address : {scheme + std::wstring(kSixteenMi - scheme.size(), L'a'), odd}) {
    const Outcome push = Push(browse.Get(), address, nullptr, 60s);
    EXPECT_EQ(push.text.size(), 6 + address.size());
    EXPECT_TRUE(Answered(push, VARIANT_TRUE, L"\tbrows" + address)) << "not the address exactly";
    EXPECT_EQ(Notify(browse.Get(), L"brows", address).handled, VARIANT_FALSE) << "the own echo is swallowed";
  }
  // A partner's push.
  for (const std::wstring& address : {site + std::wstring(kSixteenMi, L'a'), site + kHigh, site + kLow + L"x",
                                      L"http://www.exa" + std::wstring(1, kHigh) + L"mple.com/",
                                      std::wstring{kLow, kHigh}}) {
    const Outcome accepted = Notify(browse.Get(), L"brows", address);
    EXPECT_EQ(accepted.text.size(), 11 + address.size());
    EXPECT_TRUE(Answered(accepted, VARIANT_TRUE, L"/xsurfak47 " + address)) << "not the address exactly";
  }
  for (const std::wstring& address : {site + kNul, kNul + site, site + kHigh + kNul + L"x"})
    EXPECT_EQ(Shown(Notify(browse.Get(), L"brows", address)), L"handled: kept") << address.size() << " units";
  // Texts that are not the plug-in's are left alone, however long.
  const std::wstring huge(kSixteenMi, L'x');
  EXPECT_TRUE(Answered(Parse(browse.Get(), huge, huge), VARIANT_FALSE, L"kept"));
  EXPECT_TRUE(Answered(Notify(browse.Get(), huge, huge), VARIANT_FALSE, L"kept"));
  ExpectIntact(L"enabled.", "the huge and odd texts");
}

TEST_F(Hostile, CallsFromInsideTheBrowserWindowWorkOnTheSameState) {
  ASSERT_NO_FATAL_FAILURE(Enable());
  const std::wstring row = Row(6);
  std::vector<std::wstring> seen;  // what the calls from inside the window gave, in order
  const Outcome push = Push(browse.Get(), L"www.example.com/outer", [&](DWORD uiThread) {
    EXPECT_TRUE(OnUiThread([&] {
      seen = {Row(6), Uninitialized(browse.Get()) ? L"uninitialized" : L"Uninitialize failed", Status(),
              Shown(Notify(browse.Get(), L"brows", L"www.example.com/outer"))};
    }));
    seen.push_back(CommandWithBox(uiThread, L"/xbdisable"));
    EXPECT_TRUE(OnUiThread([&] { seen.push_back(Status()); }));
    seen.push_back(CommandWithBox(uiThread, L"/xnewurl", L"www.example.com/inner"));
    seen.push_back(std::to_wstring(robot::TopLevelWindows(robot::Owner::Thread(uiThread)).size()) + L" window");
  });
  EXPECT_EQ(seen, (std::vector<std::wstring>{row, L"uninitialized",
                                             L"enabled.",           // Uninitialize changes nothing
                                             L"not handled: kept",  // the own echo
                                             L"box Duvisto, handled: kept", L"disabled.",
                                             L"box Duvisto, handled: kept",  // the push refused
                                             L"1 window"}));  // and nothing opened
  EXPECT_EQ(Shown(push), L"handled: \tbrowswww.example.com/outer");
  // The marker went with the echo inside, so this is the partner's push, and it meets the status
  // set inside the window.
  EXPECT_EQ(Shown(Notify(browse.Get(), L"brows", L"www.example.org/")), L"handled: kept");
  ExpectIntact(L"disabled.", "the calls from inside the window");
}

TEST_F(Hostile, CallsFromInsideABoxAndANestedBoxWriteTheirStatusesInClosingOrder) {
  const std::wstring row = Row(7);
  std::vector<std::wstring> seen;  // what the calls from inside the outer box gave, in order
  Outcome outer;
  const auto outerBox = WithBox([&] { outer = Parse(browse.Get(), L"/xbdisable"); },
                                [&](DWORD uiThread, const robot::MessageBoxInfo& box) {
                                  EXPECT_TRUE(OnUiThread([&] {
                                    seen = {Uninitialized(browse.Get()) ? L"uninitialized" : L"Uninitialize failed",
                                            Row(7), Status()};
                                  }));
                                  seen.push_back(CommandWithBox(uiThread, L"/xbenable", L"", box.hwnd));
                                  EXPECT_TRUE(OnUiThread([&] { seen.push_back(Status()); }));
                                });
  ASSERT_TRUE(outerBox);
  EXPECT_EQ(plugin_test::Described(*outerBox) + L", " + Shown(outer), L"Duvisto, handled: kept");
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"uninitialized", row,
                                             L"disabled.",  // Initialize's status, until a box is closed
                                             L"box Duvisto (i), handled: kept",  // the inner /xbenable
                                             L"enabled."}));  // the inner box closed first
  ExpectIntact(L"disabled.", "the nested boxes: the outer box closed last");
}

// The host uninitializes and lets go of its last reference from inside the plug-in's box or
// window: the object, and with it the DLL, stays until the call has ended, and the plug-in goes
// on serving new objects.
TEST_F(Hostile, AnObjectReleasedFromInsideItsOwnBoxOrWindowLivesUntilItsCallEnds) {
  for (const bool inWindow : {false, true}) {
    const char* const where = inWindow ? "the window" : "the box";
    if (inWindow) {
      ASSERT_NO_FATAL_FAILURE(Enable());
    }
    _Browse* const object = browse.Get();
    HRESULT whileInside = E_UNEXPECTED;
    bool uninitialized = false, released = false;
    const auto release = [&] {
      released = OnUiThread([&] {
        uninitialized = Uninitialized(object);
        dispatch.Reset(), browse.Reset(), whileInside = CanUnloadNow();
      });
    };
    Outcome outcome;
    if (inWindow)
      outcome = Push(object, L"www.example.com/last", [&](DWORD) { release(); });
    else
      EXPECT_TRUE(WithBox([&] { outcome = Parse(object, L"/xbenable"); },
                          [&](DWORD, const robot::MessageBoxInfo&) { release(); }));
    ASSERT_TRUE(released && uninitialized) << where;
    EXPECT_EQ(whileInside, S_FALSE) << where << ": the object went in the middle of its own call";
    EXPECT_EQ(Shown(outcome), inWindow ? L"handled: \tbrowswww.example.com/last" : L"handled: kept") << where;
    EXPECT_EQ(CanUnloadNow(), S_OK) << where << ": the object goes once its call has ended";
    ASSERT_NO_FATAL_FAILURE(Create());
    ExpectIntact(L"disabled.", where);
  }
}

}  // namespace
