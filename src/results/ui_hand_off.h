#pragma once

#include <QObject>
#include <QThread>

#include <functional>

namespace korvath {

// Runs `routine` on the thread of `uiObject` and waits until it has returned. An exception thrown
// by the routine is rethrown here, on the calling thread. Called on that thread itself, the routine
// runs directly: waiting for one's own thread would wait for ever.
void BlockingHandOff(QObject* uiObject, const std::function<void()>& routine);

// Runs `routine` later on `uiThread`, without waiting for it; everything the calling thread did
// before is visible to the routine. The routine must not throw.
void QueuedHandOff(QThread* uiThread, std::function<void()> routine);

}  // namespace korvath
