#pragma once

// How the process's heap gives memory back. The application runs all day in the tray, and a
// screen capture every few minutes allocates frames of several megabytes on its own thread: with
// the C library's defaults those blocks stay resident in that thread's arena after they are
// freed. The policy has every large block mapped on its own, so freeing it returns it at once.
namespace HeapPolicy {

// Blocks of this size and above are mapped on their own and unmapped when freed.
inline constexpr int largeBlockBytes = 256 * 1024;

// Applies the policy to this process; called first thing in main(). False where the C library
// does not take it (the defaults then stay).
bool apply();

} // namespace HeapPolicy
