#pragma once

// How much of a progress bar is filled.
class WDProgressBarGeometry
{
public:
    // The fraction drawn: 0 for anything not above 0 (a NaN included), 1 for anything above 1.
    static double clampedFraction(double value);

    // Width of the fill in a bar of the given width and height; never narrower than high, so an
    // empty bar still shows a dot at its leading end.
    static double fillWidth(double value, double width, double height);
};
