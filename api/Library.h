// The library's C++ interface for its own command line and tests: the
// conversion with the reason of a refusal, and a converted font's converter.
#pragma once

#include "../include/quelin.h"
#include "../t42/Status.h"
#include "../t42/TTPost42.h"

#include <memory>

namespace api {

// What T42MakeTrueTypeFont does; a refusal's reason goes to `status` when
// given.
int MakeTrueTypeFont(const LOGFONTA* request, t42::Status* status);

// The converter of a handle, kept alive while held; null for an unknown one.
std::shared_ptr<const t42::TTPost42> FindConverter(int handle);

} // namespace api
