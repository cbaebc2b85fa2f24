#pragma once

#include <QString>

#include "engine/block_signals.h"

// The ways out of a job's loops other than a failure's std::runtime_error.
namespace korvath {

// Leaves the loops for the finish steps once a stop has been requested.
struct JobStopped {};
// Unwinds a job that has been cut off from its window, without finish steps.
struct JobAbandoned {};
// An answer that was the engine's refusal, not a page or a card.
struct BlockedAnswer {
  Block block;
};
// No proxy of the pool reaches the engine at the moment: the request's own failure for giving up,
// but no attempt of the page's or the card's, since the page itself may be fine.
struct NoProxyWorks {
  QString message;
};
// Ends the loops at a block when the job is told to stop at one; the rows so far are saved.
struct JobBlocked {};
// No proxy reached the engine for too many attempts in a row: the job ends where a resume can
// take it up.
struct EngineUnreachable {};
// Leaves the current query in the current region after too many failures in a row.
struct TaskGivenUp {};

}  // namespace korvath
