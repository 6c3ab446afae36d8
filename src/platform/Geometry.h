#pragma once

// Points, sizes and rectangles in pixels, shared by the drawing kit, the controls and the
// platform's text engine and window hosts.

namespace platform {

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TSize&) const = default;
};

// A rectangle; right and bottom exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint point) const {
    return point.X >= Left && point.X < Right && point.Y >= Top && point.Y < Bottom;
  }
  TRect Inflated(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
  TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  // The smallest rectangle around both; an empty one adds nothing.
  TRect United(const TRect& other) const {
    if (other.IsEmpty())
      return *this;
    if (IsEmpty())
      return other;
    return {Left < other.Left ? Left : other.Left, Top < other.Top ? Top : other.Top,
            Right > other.Right ? Right : other.Right,
            Bottom > other.Bottom ? Bottom : other.Bottom};
  }
  // The common part of two rectangles; empty (not necessarily all zero) when they do not meet.
  TRect Intersected(const TRect& other) const {
    return {Left > other.Left ? Left : other.Left, Top > other.Top ? Top : other.Top,
            Right < other.Right ? Right : other.Right,
            Bottom < other.Bottom ? Bottom : other.Bottom};
  }
  bool operator==(const TRect&) const = default;
};

// Where a window whose client area is `client` goes so that it, with its frame (the widths of
// its `frame` on each side), is centred on `screen`: the position of the frame's top-left
// corner.
inline TPoint CentredWindowPosition(const TRect& screen, TSize client, const TRect& frame) {
  const int width = client.Width + frame.Left + frame.Right;
  const int height = client.Height + frame.Top + frame.Bottom;
  return {screen.Left + (screen.Width() - width) / 2, screen.Top + (screen.Height() - height) / 2};
}

} // namespace platform
