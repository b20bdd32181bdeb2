// What a chat command does: ParseCommand's decisions, free of any window system.
#pragma once

#include <string>
#include <string_view>

#include "browse_state.h"
#include "plugin_ui.h"

namespace duvisto {

struct CommandResult {
  bool handled = false;       // the command was the plug-in's (True to the host)
  bool resultWritten = false; // sResult must be replaced by `result`
  std::u16string result;
};

// Runs one command. Boxes and the browser window go through `ui`, in order; state changes
// happen after the box that announces them is dismissed. On failure the status is returned,
// and `out` still tells what was done before it (a written result stays written).
Status ParseCommand(BrowseState& state, PluginUi& ui, std::u16string_view sCommand,
                    std::u16string_view sCommandArg, CommandResult& out);

}  // namespace duvisto
