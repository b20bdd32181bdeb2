// libFuzzer target: random sequences of Initialize, commands, notifications and addresses with
// random texts, the host re-entering from inside boxes and windows and failing some calls,
// checked against invariants that hold for any input.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>

#include "ascii_case.h"
#include "commands.h"
#include "notifications.h"
#include "page_rules.h"
#include "push_address.h"
#include "recording_plugin_ui.h"

namespace duvisto {
namespace {

constexpr std::u16string_view kWords[] = {
    u"/xbenable", u"/xbdisable", u"/xbchkmy", u"/xbchkcontact", u"/xbrowser", u"/xnewurl", u"/xbabout", u"/xsurfak47",
    u"check", u"brows", u"http://", u"https://", u"file:", u"javascript:", u"example.com:8080/", u"C:\\", u"\\\\",
    u"//", u"about:blank", u"res://ieframe.dll/", u"res://"};

void Require(bool holds) {
  if (!holds) std::abort();
}

// The text a writer of the logic's puts into an output.
template <typename Writer>
std::u16string Written(Writer write) {
  StringOutput out;
  Require(write(out) == kOk && out.text);
  return *out.text;
}

struct Session {
  explicit Session(FuzzedDataProvider& data) : data_(data) {
    ui_.whileOpen = [this](std::size_t number) {  // the host may run more lines, then the call may fail
      if (depth_ < 3 && data_.remaining_bytes() > 0 && data_.ConsumeBool()) { ++depth_; RunOne(); --depth_; }
      if (data_.ConsumeIntegralInRange(0, 7) == 0) ui_.failCallNumber = number;
    };
  }

  void RunOne() {
    switch (data_.ConsumeIntegralInRange(0, 3)) {
      case 0: state_.sRemoteStatus = std::u16string(kDisabled); break;  // what Initialize does
      case 1: Command(Text(), Text()); break;
      case 2: Notify(Text(), Text()); break;
      default: Address(Text()); break;
    }
    RequireReachableState();
  }

  // Whatever the input, the status is only ever nothing, "enabled" or "disabled", and the push
  // marker only empty or "me".
  void RequireReachableState() const {
    Require(!state_.sRemoteStatus || *state_.sRemoteStatus == kEnabled || *state_.sRemoteStatus == kDisabled);
    Require(state_.sPushOrigin.empty() || state_.sPushOrigin == kOwnPushMarker);
  }

  // A known word in mixed letter case with a tail, or any text. Bytes below 0xF0 stand for
  // themselves (Latin-1: NEL, DEL); one from 0xF0 on makes the next two one UTF-16 unit.
  std::u16string Text() {
    std::u16string text;
    if (data_.ConsumeBool()) text = kWords[data_.ConsumeIntegralInRange<size_t>(0, std::size(kWords) - 1)];
    for (char16_t& c : text) c = c >= u'a' && c <= u'z' && data_.ConsumeBool() ? c - u'a' + u'A' : c;
    const std::string b = data_.ConsumeRandomLengthString(text.empty() ? 128 : 16);
    const auto at = [&b](size_t i) { return static_cast<char16_t>(static_cast<unsigned char>(b[i])); };
    for (size_t i = 0; i < b.size(); ++i) {
      const bool wide = at(i) >= 0xF0 && i + 2 < b.size();
      text += wide ? static_cast<char16_t>(at(i + 1) << 8 | at(i + 2)) : at(i);
      i += wide ? 2 : 0;
    }
    return text;
  }

  void Command(const std::u16string& word, const std::u16string& arg) {
    const std::string before = Describe(state_);
    const size_t shownBefore = ui_.shown.size();
    StringOutput out;
    bool handled = false;
    const Status status = ParseCommand(state_, ui_, word, arg, out, handled);
    Require(status == kOk || status == kPortFailure);
    Require(handled == std::any_of(kWords, kWords + 8,  // the command words
                                   [&](auto command) { return EqualsIgnoringAsciiCase(word, command); }));
    if (!handled) Require(!out.text && ui_.shown.size() == shownBefore && Describe(state_) == before);
    if (out.text) Require(*out.text == Written(WriteStatusRequest) || *out.text == u"\tbrows" + arg);
  }

  void Notify(const std::u16string& code, const std::u16string& text) {
    const BrowseState before = state_;
    StringOutput out;
    bool handled = false;
    Require(ReceiveNotify(state_, code, text, out, handled) == kOk);
    if (!handled) {  // not ours, or the echo of our own push, which clears the marker
      const bool echo = EqualsIgnoringAsciiCase(code, u"brows") && before.sPushOrigin == u"me";
      Require(!out.text && StatusOf(state_) == StatusOf(before) &&
              state_.sPushOrigin == (echo ? u"" : before.sPushOrigin));
      return;
    }
    Require(Describe(state_) == Describe(before));
    if (!out.text || *out.text == Written([&](TextOutput& answer) { return WriteStatusAnswer(answer, before); }))
      return;
    // An accepted push: a safe address, which the host then runs as the user's own line.
    Require(*out.text == u"/xsurfak47 " + text && before.RemoteStatusText() == u"enabled");
    Address(text, true);
    Command(u"/xsurfak47", text);
  }

  // Where a page may go by itself: a web address without control characters, a blank page, its
  // own script or the control's error pages, and nothing else.
  static void PageAddress(const std::u16string& address) {
    if (!IsAllowedPageAddress(address)) return;
    if (StartsWithIgnoringAsciiCase(address, u"http://") || StartsWithIgnoringAsciiCase(address, u"https://")) {
      for (char16_t c : address) Require(c >= 0x20 && c != 0x7F && c != 0x85 && c != 0x2028 && c != 0x2029);
      return;
    }
    Require(EqualsIgnoringAsciiCase(address, u"about:blank") || StartsWithIgnoringAsciiCase(address, u"javascript:") ||
            StartsWithIgnoringAsciiCase(address, u"res://ieframe.dll/") ||
            StartsWithIgnoringAsciiCase(address, u"res://shdoclc.dll/"));
  }

  // A safe address: no control character, leading slash or backslash, drive letter, or scheme but http(s).
  void Address(const std::u16string& address, bool accepted = false) {
    PageAddress(address);
    if (!IsSafePushedAddress(address)) return Require(!accepted);
    for (char16_t c : address) Require(c >= 0x20 && c != 0x7F && c != 0x85 && c != 0x2028 && c != 0x2029);
    Require(address.empty() || (address[0] != u'\\' && address[0] != u'/'));
    if (StartsWithIgnoringAsciiCase(address, u"http://") || StartsWithIgnoringAsciiCase(address, u"https://")) return;
    for (auto scheme : {u"file:", u"javascript:", u"vbscript:", u"about:", u"res:", u"mk:", u"data:", u"http:",
                        u"https:"})
      Require(!StartsWithIgnoringAsciiCase(address, scheme));
    const char16_t drive = address.size() >= 2 && address[1] == u':' ? FoldAsciiCase(address[0]) : 0;
    Require(drive < u'a' || drive > u'z');
  }

  FuzzedDataProvider& data_;
  BrowseState state_;
  RecordingPluginUi ui_;
  int depth_ = 0;
};

}  // namespace
}  // namespace duvisto

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  duvisto::Session session(data);
  for (int step = 0; step < 64 && data.remaining_bytes() > 0; ++step) session.RunOne();
  return 0;
}
