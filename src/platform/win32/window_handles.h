// Window, icon and cursor handles travel through the shared code as 32-bit Longs. These are USER
// handles, which 64-bit Windows keeps to 32 significant bits so that 32- and 64-bit programs can
// hand them to each other; a Long carries one exactly and sign-extends back to the same handle.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/basic_types.h"

namespace win32 {

inline Long LongFromHandle(const void* handle) {
    return static_cast<Long>(reinterpret_cast<std::intptr_t>(handle));
}

template <typename Handle>
Handle HandleFromLong(Long value) {
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(value));
}

}  // namespace win32
