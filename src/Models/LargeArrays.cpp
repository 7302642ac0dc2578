#include "LargeArrays.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace zelto {

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace zelto
