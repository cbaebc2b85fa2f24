#pragma once

#include <QObject>

#include <functional>

namespace korvath {

// Runs `routine` on the thread of `uiObject` and waits until it has returned. An exception thrown
// by the routine is rethrown here, on the calling thread. Called on that thread itself, the routine
// runs directly: a blocking queued call to one's own thread would wait for ever.
void BlockingHandOff(QObject* uiObject, const std::function<void()>& routine);

}  // namespace korvath
