#include "foundation/HeapPolicy.h"

#include <cstdlib> // defines __GLIBC__ where the library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace HeapPolicy {

bool apply()
{
#if defined(__GLIBC__)
    // A fixed threshold also ends the library's habit of raising it after each large free, which
    // is what keeps a freed frame in the heap for the next one.
    return mallopt(M_MMAP_THRESHOLD, largeBlockBytes) == 1 &&
           mallopt(M_TRIM_THRESHOLD, largeBlockBytes) == 1;
#else
    return false;
#endif
}

} // namespace HeapPolicy
