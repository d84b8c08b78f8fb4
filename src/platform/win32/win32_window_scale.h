#pragma once

namespace davev {

// Converts the layout's twips (1/1440 inch) to pixels and back at the
// screen's logical resolution: 15 twips a pixel at 96 DPI.
class PixelScale {
public:
    struct Rect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    explicit PixelScale(int dotsPerInch) : dotsPerInch_(dotsPerInch) {}
    // The logical DPI of the screen, as the process sees it.
    static PixelScale ofScreen();

    int dotsPerInch() const { return dotsPerInch_; }
    int toPixels(double twips) const;
    // Whole twips, so a position read back from the screen never carries fractions.
    float toTwips(int pixels) const;
    // Rounds both edges rather than the size, so neighbouring controls keep
    // their shared edges.
    Rect toPixels(double left, double top, double width, double height) const;
    // A font's height in pixels for its size in points.
    int pointsToPixels(double points) const;

private:
    int dotsPerInch_;
};

} // namespace davev
