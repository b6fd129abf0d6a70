// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>

#include <cstdint>

// Lets the window handle its pending events from inside a long operation (a search, loading a
// view), so it moves, repaints and sees Stop. Meant to be called per line: most calls only count,
// every 64th reads the clock, and events are handled at most once per interval.
class TEventPump {
public:
    // With `repaintOnly`, user input (clicks, keys) waits until the operation is over: for
    // operations that no command may interrupt.
    explicit TEventPump(int intervalMs = 20, bool repaintOnly = false) : IntervalMs(intervalMs), RepaintOnly(repaintOnly)
    {
    }

    void operator()()
    {
        if ((++Calls & 63u) != 0 && Started)
            return;
        Pump();
    }

    // Handles pending events now, whatever the interval.
    void PumpNow();

private:
    void Pump();

    int IntervalMs;
    bool RepaintOnly;
    uint32_t Calls = 0;
    bool Started = false;
    QElapsedTimer Clock;
};
