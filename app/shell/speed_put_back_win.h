// The journal a speed test left behind, offered back to the user: at start-up, and before a write
// test, which never runs while values of an earlier one are still to be put back (its journal
// would take their place).
#pragma once

namespace lw {

// Asks whether to put back the original values of the journal, if there is one; on Yes puts them
// back through the engine and shows what happened. A damaged journal is set aside, saying so.
// True when no journal is left.
bool OfferSpeedTestPutBack();

}  // namespace lw
