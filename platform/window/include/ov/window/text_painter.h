#pragma once

// One line of text painted into any window, centred horizontally and
// vertically on the client area, the way notices appear over a video window.

#include <string_view>

#include <ov/window/display.h>
#include <ov/window/window_api.h>

namespace ovwin {

struct TextStyle {
    Rgb text = {0, 0, 0};
    // Painted behind the text's line box; with fillClient also over the
    // whole client rectangle first.
    Rgb background = {255, 255, 255};
    bool fillClient = false;
};

// gbk: the text in GBK (what the system stores for people); newlines are not
// line breaks. The font (WenQuanYi Zen Hei) scales with the window and shrinks
// further so the line fits its width. False without a display, for a bad window
// id or an unsupported visual.
OVWIN_API bool paintText(WindowId window, std::string_view gbk, const TextStyle& style);

}  // namespace ovwin
