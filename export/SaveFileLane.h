// A second thread for the save's file work: attachment files that are no
// longer kept are closed and deleted there while the saving worker goes on
// with the next items. Under Wine every open and close is a round trip to
// its one server, and two threads wait for it at once; on Windows the two
// simply overlap.
//
// Jobs run one after another in the order posted. The hand-over spins and
// yields rather than waiting on a kernel object, since under Wine signalling
// an event is itself a round trip; an idle lane naps, and sleeps after a
// while.
#pragma once
#include <cstdint>
#include <functional>

namespace save_lane {

// Posts a job; the ticket to wait for it. A job must not throw.
uint64_t Post(std::function<void()> job);
// Waits until the job of the ticket (and every job before it) has run.
void WaitFor(uint64_t ticket);
// Waits until every job posted so far has run.
void WaitForAll();
// True once the job of the ticket has run.
bool IsDone(uint64_t ticket);

}  // namespace save_lane
