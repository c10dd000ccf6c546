#pragma once

#include <QtGlobal>

// The running session's activity counters as the display and the stored session take them.
struct ActivitySnapshot
{
    qint64 mouseMoves = 0;
    qint64 keyboardEvents = 0;
    double activityScore = 0.0; // 0 to 100

    friend bool operator==(const ActivitySnapshot &, const ActivitySnapshot &) = default;
};

// Mouse and key-down events counted since the previous per-second read.
struct MouseKeyboardDelta
{
    qint64 mouse = 0;
    qint64 keyboard = 0;

    friend bool operator==(const MouseKeyboardDelta &, const MouseKeyboardDelta &) = default;
};
