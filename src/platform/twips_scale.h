#pragma once

namespace davev {

// A rectangle in pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A rectangle in twips.
struct TwipsArea {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    float right() const { return left + width; }
    float bottom() const { return top + height; }
};

// Converts the layout's twips (1/1440 inch) to pixels and back at the
// screen's logical resolution: 15 twips a pixel at 96 DPI. Each renderer
// asks its screen for the resolution.
class TwipsScale {
public:
    explicit TwipsScale(double dotsPerInch) : dotsPerInch_(dotsPerInch) {}

    double dotsPerInch() const { return dotsPerInch_; }
    int toPixels(double twips) const;
    // Whole twips, so a position read back from the screen never carries fractions.
    float toTwips(int pixels) const;
    TwipsArea toTwips(const PixelRect& pixels) const;
    // Rounds both edges rather than the size, so neighbouring controls keep
    // their shared edges.
    PixelRect toPixels(double left, double top, double width, double height) const;
    // A font's height in pixels for its size in points, rounded down: the
    // boxes scale exactly with the resolution and the text, with hinting,
    // a little more, so a caption that fits at 96 DPI (8.25 points, 11
    // pixels) would wrap at 120 DPI in a font rounded up to 14 pixels.
    int pointsToPixels(double points) const;

private:
    double dotsPerInch_;
};

} // namespace davev
