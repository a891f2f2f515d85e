// Without MFC there is no module state to switch for the length of an
// exported call; the frame still brackets every call so that per-call state
// has one place to live.
#include "../Platform.h"

namespace platform {

CallFrame::CallFrame() = default;
CallFrame::~CallFrame() = default;

} // namespace platform
