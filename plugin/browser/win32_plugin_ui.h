// The logic's port made real: MessageBoxW and frmBrowser.
#pragma once

#include "plugin_ui.h"

namespace duvisto {

class Win32PluginUi final : public PluginUi {
 public:
  Status ShowMessage(std::u16string_view text, std::u16string_view title, MessageIcon icon) override;
  Status OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) override;
};

}  // namespace duvisto
