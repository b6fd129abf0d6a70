// SPDX-License-Identifier: MIT
#include "adapters/TEventPump.h"

#include <QCoreApplication>

void TEventPump::Pump()
{
    if (Started && Clock.elapsed() < IntervalMs)
        return;
    PumpNow();
}

void TEventPump::PumpNow()
{
    QCoreApplication::processEvents(RepaintOnly ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
    Clock.start();
    Started = true;
}
