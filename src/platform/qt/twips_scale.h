#pragma once

#include <QPoint>
#include <QRect>

namespace davev {

// Converts the layout's twips (1/1440 inch) to device-independent pixels and
// back, at the screen's logical resolution: 15 twips a pixel at 96 DPI.
class TwipsScale {
public:
    explicit TwipsScale(double dotsPerInch) : dotsPerInch_(dotsPerInch) {}
    static TwipsScale ofPrimaryScreen();

    double dotsPerInch() const { return dotsPerInch_; }
    int toPixels(double twips) const;
    // Whole twips, so a position read back from the screen never carries fractions.
    float toTwips(int pixels) const;
    QPoint toPixels(double left, double top) const;
    // Rounds both edges rather than the size, so neighbouring controls keep
    // their shared edges.
    QRect toPixels(double left, double top, double width, double height) const;

private:
    double dotsPerInch_;
};

} // namespace davev
