// The two fields every Browse object owns.
#pragma once

#include <optional>
#include <string>

namespace duvisto {

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
