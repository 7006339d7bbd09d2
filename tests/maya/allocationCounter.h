#pragma once

// Counts heap allocations of the whole process (the plug-in and the host
// included) while counting is on.
namespace sorvane::testing {

void startCountingAllocations();
long stopCountingAllocations();  // the allocations since start

}  // namespace sorvane::testing
