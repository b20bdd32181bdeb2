// Figures for the command logic on typical and long inputs; no assertions.
#include <benchmark/benchmark.h>

#include <string>

#include "commands.h"
#include "notifications.h"
#include "push_address.h"

namespace duvisto {
namespace {

// An answer written into a string of the right length, as the plug-in writes it into a BSTR.
struct StringOutput : TextOutput {
  std::u16string text;
  char16_t* Room(std::size_t length) override {
    text.resize(length);
    return text.data();
  }
};

// Boxes and windows close at once, so only the logic is measured.
class InstantUi : public PluginUi {
 public:
  Status ShowMessage(std::u16string_view, std::u16string_view, MessageIcon) override { return kOk; }
  Status OpenBrowser(BrowserMode, std::u16string_view, OpenOrder) override { return kOk; }
};

const std::u16string kTypicalAddress = u"http://www.example.com/news/today?page=2";

std::u16string LongAddress() {  // a 64 KiB web address without a scheme
  std::u16string address = u"www.example.com:8080/";
  while (address.size() < 65536) address += u"segment/";
  return address;
}

BrowseState Enabled() {
  BrowseState state;
  state.sRemoteStatus = u"enabled";
  return state;
}

void BM_ParseCommand(benchmark::State& run, std::u16string command, std::u16string arg) {
  BrowseState state = Enabled();
  InstantUi ui;
  for (auto _ : run) {
    StringOutput out;
    bool handled = false;
    benchmark::DoNotOptimize(ParseCommand(state, ui, command, arg, out, handled));
    benchmark::DoNotOptimize(out);
    state.sPushOrigin.clear();
  }
}
BENCHMARK_CAPTURE(BM_ParseCommand, unknown, std::u16string(u"/msn"), std::u16string(u"hello"));
BENCHMARK_CAPTURE(BM_ParseCommand, last_word_mixed_case, std::u16string(u"/XSurfAK47"), kTypicalAddress);
BENCHMARK_CAPTURE(BM_ParseCommand, check_mine, std::u16string(u"/xbchkmy"), std::u16string());
BENCHMARK_CAPTURE(BM_ParseCommand, push_typical, std::u16string(u"/xnewurl"), kTypicalAddress);
BENCHMARK_CAPTURE(BM_ParseCommand, push_long, std::u16string(u"/xnewurl"), LongAddress());
BENCHMARK_CAPTURE(BM_ParseCommand, long_foreign_word, std::u16string(4096, u'x'), std::u16string());

void BM_ReceiveNotify(benchmark::State& run, std::u16string code, std::u16string text) {
  BrowseState state = Enabled();
  for (auto _ : run) {
    StringOutput out;
    bool handled = false;
    benchmark::DoNotOptimize(ReceiveNotify(state, code, text, out, handled));
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK_CAPTURE(BM_ReceiveNotify, check, std::u16string(u"check"), std::u16string());
BENCHMARK_CAPTURE(BM_ReceiveNotify, push_typical, std::u16string(u"BROWS"), kTypicalAddress);
BENCHMARK_CAPTURE(BM_ReceiveNotify, push_long, std::u16string(u"brows"), LongAddress());
BENCHMARK_CAPTURE(BM_ReceiveNotify, push_refused, std::u16string(u"brows"), std::u16string(u"javascript:alert(1)"));
BENCHMARK_CAPTURE(BM_ReceiveNotify, foreign_code, std::u16string(u"other"), kTypicalAddress);

void BM_IsSafePushedAddress(benchmark::State& run, std::u16string address) {
  for (auto _ : run) benchmark::DoNotOptimize(IsSafePushedAddress(address));
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * address.size() * sizeof(char16_t)));
}
BENCHMARK_CAPTURE(BM_IsSafePushedAddress, http, kTypicalAddress);
BENCHMARK_CAPTURE(BM_IsSafePushedAddress, host_and_port, std::u16string(u"www.example.com:8080/page"));
BENCHMARK_CAPTURE(BM_IsSafePushedAddress, scheme_refused, std::u16string(u"file:///C:/Windows/win.ini"));
BENCHMARK_CAPTURE(BM_IsSafePushedAddress, long_address, LongAddress());

}  // namespace
}  // namespace duvisto

BENCHMARK_MAIN();
