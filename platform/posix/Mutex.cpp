// The lock on POSIX: a std::mutex in the lock's storage.
#include "../Platform.h"

#include <mutex>
#include <new>

namespace platform {

static_assert(sizeof(std::mutex) <= 64 && alignof(std::mutex) <= alignof(std::max_align_t), "room for a std::mutex");

Mutex::Mutex() { new (storage_) std::mutex; }
Mutex::~Mutex() { reinterpret_cast<std::mutex*>(storage_)->~mutex(); }
void Mutex::lock() { reinterpret_cast<std::mutex*>(storage_)->lock(); }
void Mutex::unlock() { reinterpret_cast<std::mutex*>(storage_)->unlock(); }

} // namespace platform
