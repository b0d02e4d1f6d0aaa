// How the threads that work beside the index's own thread are scheduled.
//
// The build's longest chain of work runs on one thread: the index takes
// the pages in order, then arranges and writes half of the postings.  The
// two threads that cut the pages ahead of it have less to do each, and on
// a machine with as few cores as threads they took the index's turns: a
// cutting thread woken for room took the core from the index as it woke,
// and the index then waited for a core while the pages it needed were
// cut.
#pragma once

namespace lexidor::fulltext {

// The calling thread no longer takes the core from a running thread when
// it wakes; it runs when one is free or at its turn, with the same share
// of the processor as before (Linux's SCHED_BATCH).  For threads that feed
// another: they wake often, and are ahead of it.
void YieldWhenWoken();

}  // namespace lexidor::fulltext
