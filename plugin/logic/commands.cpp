#include "commands.h"

#include "ascii_case.h"
#include "catalogue.h"
#include "notifications.h"

namespace duvisto {
namespace {

enum class Command { Enable, Disable, CheckMine, CheckContact, Browser, NewUrl, About, Surf };

struct CommandWord {
  std::u16string_view word;
  Command command;
};

// Matched in this order; the first equal word wins.
constexpr CommandWord kCommandWords[] = {
    {u"/xbenable", Command::Enable},         {u"/xbdisable", Command::Disable},
    {u"/xbchkmy", Command::CheckMine},       {u"/xbchkcontact", Command::CheckContact},
    {u"/xbrowser", Command::Browser},        {u"/xnewurl", Command::NewUrl},
    {u"/xbabout", Command::About},           {u"/xsurfak47", Command::Surf},
};

constexpr std::size_t kShortestWord = 8;   // "/xbchkmy", "/xnewurl", "/xbabout"
constexpr std::size_t kLongestWord = 13;   // "/xbchkcontact"
constexpr bool AllWordsFit() {
  for (const CommandWord& entry : kCommandWords) {
    if (entry.word.size() < kShortestWord || entry.word.size() > kLongestWord || entry.word.substr(0, 2) != u"/x") {
      return false;
    }
  }
  return true;
}
static_assert(AllWordsFit(), "the quick refusal in FindCommand must let every command word through");

constexpr std::u16string_view kAboutTitle = u"About Duvisto";
constexpr std::u16string_view kAuthorContact = u"duvisto@example.com";
constexpr std::u16string_view kPushRefused =
    u"Your remote browsing is disabled. Enable remote browsing (/xbenable) and try again.";
constexpr std::u16string_view kPushExplanation =
    u"If your contact has Duvisto and if it's enabled (you can check that with /xbchkcontact), that "
    u"means that your contact's browser DID pop up. If your contact does NOT have Duvisto or if their "
    u"remote browsing is disabled, that means that their browser did not pop up (yours still will). "
    u"That's why it's always good to check whether your contact's remote browsing is enabled. Your "
    u"contact's browser will not pop up with the new URL until you close your browser.";

const CommandWord* FindCommand(std::u16string_view sCommand) {
  // Every word is "/x" and six to eleven more characters: the host's other commands, and most
  // lines a user types, are turned away before any word is compared.
  if (sCommand.size() < kShortestWord || sCommand.size() > kLongestWord || sCommand[0] != u'/' ||
      FoldAsciiCase(sCommand[1]) != u'x') {
    return nullptr;
  }
  for (const CommandWord& entry : kCommandWords) {
    if (EqualsIgnoringAsciiCase(sCommand, entry.word)) return &entry;
  }
  return nullptr;
}

// The box is shown first; while it is up the old status still holds (and a nested command
// may change it), so the new one is written only once the box is gone.
Status AnnounceThenSetStatus(BrowseState& state, PluginUi& ui, std::u16string_view text, MessageIcon icon,
                             std::u16string_view newStatus) {
  const Status status = ui.ShowMessage(text, kApplicationTitle, icon);
  if (Failed(status)) return status;
  state.sRemoteStatus = std::u16string(newStatus);
  return status;
}

Status ShowOwnStatus(const BrowseState& state, PluginUi& ui) {
  std::u16string text = u"Remote browsing is ";
  text += state.RemoteStatusText();
  text += u'.';
  return ui.ShowMessage(text, kApplicationTitle, MessageIcon::Information);
}

// Marks the push as our own and hands the notification to the host before the window opens:
// both stay done even when a later step fails.
Status PushAddress(BrowseState& state, PluginUi& ui, std::u16string_view address, TextOutput& sResult) {
  if (state.RemoteStatusText() == kDisabled) {
    return ui.ShowMessage(kPushRefused, kApplicationTitle, MessageIcon::None);
  }
  state.sPushOrigin = kOwnPushMarker;
  const Status written = WritePushNotification(sResult, address);
  if (Failed(written)) return written;
  const Status status = ui.ShowMessage(kPushExplanation, kApplicationTitle, MessageIcon::Information);
  if (Failed(status)) return status;
  return ui.OpenBrowser(BrowserMode::LocalAndRemote, address, OpenOrder::NavigateThenCaption);
}

Status ShowAbout(PluginUi& ui) {
  std::u16string text = u"Duvisto v";
  text += kVersionText;
  text += u" by morvane12\r\n";
  text += kAuthorContact;
  text += u"\r\nTesters: Irva, Korvalen\r\nInstaller by: Tovu";
  return ui.ShowMessage(text, kAboutTitle, MessageIcon::Information);
}

}  // namespace

Status ParseCommand(BrowseState& state, PluginUi& ui, std::u16string_view sCommand,
                    std::u16string_view sCommandArg, TextOutput& sResult, bool& handled) {
  const CommandWord* match = FindCommand(sCommand);
  handled = match != nullptr;
  if (!handled) return kOk;

  switch (match->command) {
    case Command::Enable:
      return AnnounceThenSetStatus(state, ui, u"You have enabled your remote browsing.", MessageIcon::Information,
                                   kEnabled);
    case Command::Disable:
      return AnnounceThenSetStatus(state, ui, u"You have disabled your remote browsing.", MessageIcon::None,
                                   kDisabled);
    case Command::CheckMine:
      return ShowOwnStatus(state, ui);
    case Command::CheckContact:
      return WriteStatusRequest(sResult);
    case Command::Browser:
      return ui.OpenBrowser(BrowserMode::Local, sCommandArg, OpenOrder::CaptionThenNavigate);
    case Command::NewUrl:
      return PushAddress(state, ui, sCommandArg, sResult);
    case Command::About:
      return ShowAbout(ui);
    case Command::Surf:
      // The user's own typed line (or the open request built from an accepted push): the
      // safe-address rule guards only what a partner pushes.
      return ui.OpenBrowser(BrowserMode::LocalAndRemote, sCommandArg, OpenOrder::CaptionThenNavigate);
  }
  return kOk;
}

}  // namespace duvisto
