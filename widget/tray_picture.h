// What the tray icon shows: which of its three pictures, and its tooltip text.
#pragma once

#include <string>
#include <string_view>

namespace tray {

// 0: black squares for a light taskbar; 1: white squares for a dark (or unknown) one;
// 2: the coloured picture. The registry is read afresh; errors reach the caller.
int ImageIndexFor(bool coloured);

// Description, CR, version " " bitness, and for portable copies CR " Portable"; cut to
// the first 127 UTF-16 units, as the notification area takes it, never splitting a pair.
std::string Tooltip(std::string_view description, std::string_view version, std::string_view bitness,
                    bool portable);

}  // namespace tray
