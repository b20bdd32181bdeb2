// What a chat command does: ParseCommand's decisions, free of any window system.
#pragma once

#include <string_view>

#include "browse_state.h"
#include "plugin_ui.h"
#include "text_output.h"

namespace duvisto {

// Runs one command; `handled` is True to the host when the command was the plug-in's. Boxes and
// the browser window go through `ui`, in order; state changes happen after the box that announces
// them is dismissed. `sResult` is written only by the commands that answer, before any box. On
// failure the status is returned, and what was done before it stays done (a written result
// stays written).
Status ParseCommand(BrowseState& state, PluginUi& ui, std::u16string_view sCommand,
                    std::u16string_view sCommandArg, TextOutput& sResult, bool& handled);

}  // namespace duvisto
