// libFuzzer target: arbitrary commands, notifications and addresses, with the host re-entering
// from inside boxes and windows, against invariants that must hold for any input.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ascii_case.h"
#include "commands.h"
#include "notifications.h"
#include "push_address.h"

namespace duvisto {
namespace {

constexpr Status kInjectedFailure = static_cast<Status>(0x80004005);
constexpr std::u16string_view kCommandWords[] = {u"/xbenable", u"/xbdisable", u"/xbchkmy", u"/xbchkcontact",
                                                 u"/xbrowser", u"/xnewurl",   u"/xbabout", u"/xsurfak47"};
constexpr std::u16string_view kOtherWords[] = {u"check", u"brows", u"http://", u"https://", u"file:",
                                               u"javascript:", u"www.example.com:8080/", u"C:\\", u"\\\\", u"//"};
constexpr std::u16string_view kLocalOpenRequest = u"/xsurfak47 ";

void Require(bool condition) {
  if (!condition) std::abort();
}

bool HasControlCharacter(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029) return true;
  }
  return false;
}

bool IsOurCommand(std::u16string_view word) {
  for (std::u16string_view command : kCommandWords) {
    if (EqualsIgnoringAsciiCase(word, command)) return true;
  }
  return false;
}

bool SameState(const BrowseState& a, const BrowseState& b) {
  return a.sRemoteStatus == b.sRemoteStatus && a.sPushOrigin == b.sPushOrigin;
}

// Bytes below 0xF0 stand for themselves (Latin-1, so NEL and DEL occur); a byte from 0xF0 on
// takes the next two bytes as one raw UTF-16 unit (line separators, surrogates...).
std::u16string Widen(const std::string& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0xF0 || i + 2 >= bytes.size()) {
      text += static_cast<char16_t>(b);
    } else {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                    static_cast<unsigned char>(bytes[i + 2]));
      i += 2;
    }
  }
  return text;
}

class Session;

class FuzzUi : public PluginUi {
 public:
  explicit FuzzUi(Session& session) : session_(session) {}
  Status ShowMessage(std::u16string_view, std::u16string_view, MessageIcon) override;
  Status OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) override;
  std::size_t calls = 0;
  std::vector<std::u16string> openArguments;  // the argument of each ParseCommand in progress

 private:
  Status WhileOpen();
  Session& session_;
};

class Session {
 public:
  explicit Session(FuzzedDataProvider& data) : data_(data), ui_(*this) {}

  void RunOne(int depth) {
    depth_ = depth;
    switch (data_.ConsumeIntegralInRange(0, 3)) {
      case 0: state_.sRemoteStatus = Text(); break;  // any status text, not only the two words
      case 1: Command(Text(), Text()); break;
      case 2: Notify(Text(), Text()); break;
      default: Address(Text()); break;
    }
  }

  bool More() const { return data_.remaining_bytes() > 0; }
  FuzzedDataProvider& data() { return data_; }
  int depth() const { return depth_; }

 private:
  std::u16string Text() {
    if (data_.ConsumeBool()) {
      const bool command = data_.ConsumeBool();
      std::u16string word(command ? kCommandWords[data_.ConsumeIntegralInRange<std::size_t>(0, 7)]
                                  : kOtherWords[data_.ConsumeIntegralInRange<std::size_t>(0, 9)]);
      for (char16_t& c : word) {
        if (data_.ConsumeBool() && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
      }
      return word + Widen(data_.ConsumeRandomLengthString(16));
    }
    return Widen(data_.ConsumeRandomLengthString(128));
  }

  void Command(const std::u16string& word, const std::u16string& arg) {
    const BrowseState before = state_;
    const std::size_t callsBefore = ui_.calls;
    ui_.openArguments.push_back(arg);
    CommandResult out;
    const Status status = ParseCommand(state_, ui_, word, arg, out);
    ui_.openArguments.pop_back();

    Require(status == kOk || status == kInjectedFailure);
    Require(out.handled == IsOurCommand(word));
    if (!out.handled) {
      Require(!out.resultWritten && ui_.calls == callsBefore && SameState(state_, before));
      return;
    }
    if (out.resultWritten) Require(out.result == StatusRequest() || out.result == PushNotification(arg));
  }

  void Notify(const std::u16string& code, const std::u16string& text) {
    const BrowseState before = state_;
    const NotifyResult result = ReceiveNotify(state_, code, text);
    if (!result.handled) {
      Require(!result.textToSendWritten);
      const bool echo = EqualsIgnoringAsciiCase(code, u"brows") && before.sPushOrigin == u"me";
      Require(echo ? state_.sPushOrigin.empty() && state_.sRemoteStatus == before.sRemoteStatus
                   : SameState(state_, before));
      return;
    }
    Require(SameState(state_, before));
    if (!result.textToSendWritten || result.textToSend == StatusAnswer(before)) return;

    // An accepted push: a plain address, which the host then runs as the user's own line.
    Require(result.textToSend.substr(0, kLocalOpenRequest.size()) == kLocalOpenRequest);
    const std::u16string payload = result.textToSend.substr(kLocalOpenRequest.size());
    Require(payload == text && before.RemoteStatusText() == u"enabled");
    Require(!HasControlCharacter(payload) && (payload.empty() || payload.front() != u'\\'));
    Command(u"/xsurfak47", payload);
  }

  void Address(const std::u16string& address) {
    if (!IsSafePushedAddress(address)) return;
    Require(!HasControlCharacter(address));
    Require(address.empty() || (address.front() != u'\\' && address.front() != u'/'));
    if (StartsWithIgnoringAsciiCase(address, u"http://") || StartsWithIgnoringAsciiCase(address, u"https://")) return;
    for (std::u16string_view scheme : {u"file:", u"javascript:", u"vbscript:", u"about:", u"res:", u"mk:", u"data:",
                                       u"http:", u"https:"}) {
      Require(!StartsWithIgnoringAsciiCase(address, scheme));
    }
    const bool driveLetter = address.size() >= 2 && address[1] == u':' &&
                             FoldAsciiCase(address[0]) >= u'a' && FoldAsciiCase(address[0]) <= u'z';
    Require(!driveLetter);
  }

  FuzzedDataProvider& data_;
  BrowseState state_;
  FuzzUi ui_;
  int depth_ = 0;
};

Status FuzzUi::WhileOpen() {
  ++calls;
  const int depth = session_.depth();
  if (depth < 3 && session_.More() && session_.data().ConsumeBool()) session_.RunOne(depth + 1);
  return session_.data().ConsumeIntegralInRange(0, 7) == 0 ? kInjectedFailure : kOk;
}

Status FuzzUi::ShowMessage(std::u16string_view, std::u16string_view, MessageIcon) { return WhileOpen(); }

Status FuzzUi::OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) {
  Require(!openArguments.empty() && address == openArguments.back());
  Require(mode == BrowserMode::LocalAndRemote || order == OpenOrder::CaptionThenNavigate);
  return WhileOpen();
}

}  // namespace
}  // namespace duvisto

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  duvisto::Session session(data);
  for (int step = 0; step < 64 && session.More(); ++step) session.RunOne(0);
  return 0;
}
