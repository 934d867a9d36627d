#pragma once

// Waits the given time with the meaning of a blocking wait (the caller resumes only
// afterwards and user input waits too) while the windows go on painting and timers
// go on ticking.
namespace blocking {

void wait(int milliseconds);

// When set, every blocking wait returns at once (the automation tool's fast mode).
void setSkipWaits(bool skip);
bool skipWaits();

} // namespace blocking
