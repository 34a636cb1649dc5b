// Where a tool window first opens: at the size it asks for, but never
// larger than most of the screen's free area (the part without panels), and
// inside that area, so that its controls and status line are on the screen.
#pragma once

namespace corvane::tools {

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Box&) const = default;
};

// The share of the free area a window may take at first, across and down.
inline constexpr double kMostScreenShare = 0.9;

// The window's first geometry (its contents' size; the frame fits in what
// the share leaves): `preferred` bounded by kMostScreenShare of `available`,
// and not below `least` unless the area is smaller still; centred in
// `available`. Only the width and height of `preferred` and `least` count.
Box firstGeometry(Box preferred, Box least, Box available);

}  // namespace corvane::tools
