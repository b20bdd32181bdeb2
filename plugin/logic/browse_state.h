// The two fields every Browse object owns.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace duvisto {

// The values the two fields take; every test on them is exact and case-sensitive.
inline constexpr std::u16string_view kEnabled = u"enabled";
inline constexpr std::u16string_view kDisabled = u"disabled";
inline constexpr std::u16string_view kOwnPushMarker = u"me";

struct BrowseState {
  // No value until Initialize: then it equals neither "enabled" nor "disabled" and shows as nothing.
  std::optional<std::u16string> sRemoteStatus;
  // "me" from the user's own push until the next "brows" notification arrives; empty otherwise.
  std::u16string sPushOrigin;

  std::u16string_view RemoteStatusText() const {
    return sRemoteStatus ? std::u16string_view(*sRemoteStatus) : std::u16string_view();
  }
};

}  // namespace duvisto
