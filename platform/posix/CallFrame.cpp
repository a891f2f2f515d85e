// POSIX has no per-thread module state to switch: the frame is empty.
#include "../Platform.h"

namespace platform {

CallFrame::CallFrame() = default;
CallFrame::~CallFrame() = default;

} // namespace platform
