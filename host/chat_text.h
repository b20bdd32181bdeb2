// How the host reads a sent text: a slash command for the plug-ins, a notification for the
// partner's plug-ins, or a plain chat line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace host {

inline bool IsSlashCommand(std::wstring_view line) { return !line.empty() && line.front() == L'/'; }

struct CommandParts {
  std::wstring word;  // up to the first blank, slash included
  std::wstring rest;  // everything after the first blank
};
CommandParts SplitCommand(std::wstring_view line);

// The character with code 9, five letters (the code) and the payload.
struct Notification {
  std::wstring code;
  std::wstring payload;
};
std::optional<Notification> AsNotification(std::wstring_view text);

}  // namespace host
