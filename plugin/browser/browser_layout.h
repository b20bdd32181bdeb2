// The browser window's fixed layout, in twips, and its texts.
#pragma once

namespace duvisto::browser_layout {

inline constexpr wchar_t kCaptionLocal[] = L"Internet browser (local)";
inline constexpr wchar_t kCaptionLocalAndRemote[] = L"Internet browser (local & remote)";

inline constexpr wchar_t kWarningText[] =
    L"Important: If you click a link or type an address above, your contact's browser will NOT follow you. "
    L"You must use the /xnewurl command, if you want your contact to see the same page! If you want to go to "
    L"the URL of a link, right click on the link, click properties, copy the link and paste it after the "
    L"/xnewurl command.";

inline constexpr wchar_t kGoCaption[] = L"GO";

// Client area at creation.
inline constexpr int kClientWidth = 10965;
inline constexpr int kClientHeight = 9150;

// Outer heights the activation sets: tall enough for the warning, or cut just below the address box.
inline constexpr int kOuterHeightLocalAndRemote = 9630;
inline constexpr int kOuterHeightLocal = 9015;

struct Box {
  int left, top, width, height;
};
inline constexpr Box kBrowser{0, 0, 10935, 8055};
inline constexpr Box kAddress{120, 8160, 9855, 345};
inline constexpr Box kGo{10080, 8160, 735, 345};
inline constexpr Box kLabel{120, 8520, 10815, 615};

// The address box's font.
inline constexpr wchar_t kAddressFontFace[] = L"MS Sans Serif";
inline constexpr int kAddressFontPoints = 12;

}  // namespace duvisto::browser_layout
