// The lock on Windows: a slim reader/writer lock taken exclusively.
#include "../Platform.h"

#include <windows.h>

namespace platform {

static_assert(sizeof(SRWLOCK) <= 64, "room for an SRWLOCK");

Mutex::Mutex() { InitializeSRWLock(reinterpret_cast<SRWLOCK*>(storage_)); }
Mutex::~Mutex() = default;
void Mutex::lock() { AcquireSRWLockExclusive(reinterpret_cast<SRWLOCK*>(storage_)); }
void Mutex::unlock() { ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(storage_)); }

} // namespace platform
