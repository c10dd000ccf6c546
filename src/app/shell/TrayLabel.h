#pragma once

#include "app/shell/MenuBarIconTint.h"

#include <QString>

// What the tray shows of the tracking engine: today's total as text and the icon's tint.
namespace TrayLabel {

// Today's total as "%02d:%02d:%02d" (hours not capped: 100 hours show as 100:00:00), truncated to
// whole seconds. Empty under one second, and for a value that is not a finite number; a huge value
// is clamped to the largest whole number of seconds instead of overflowing.
QString elapsedText(double todayTotalSeconds);

// The whole seconds of a total, truncated toward zero and clamped to 0..max of 64 bits; a total
// that is not a number counts as 0.
qint64 wholeSeconds(double seconds);

// Not tracking: white on a dark panel, black on a light one. Tracking: orange while paused or
// idle, else green.
MenuBarIconTint iconTint(bool isTracking, bool isPaused, bool isIdle, bool darkPanel);

// The text a panel writes beside the icon: today's total as hours and minutes ("01:05", hours not
// capped), empty when there is none.
QString panelText(double todayTotalSeconds);
// The widest the text will be for now, which panels size the text's room by: the text with every
// digit a zero.
QString panelTextGuide(const QString &panelText);

// The tooltip: the product name, then today's total when there is one.
QString toolTip(double todayTotalSeconds);

} // namespace TrayLabel
