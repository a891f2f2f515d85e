// A fonts list held in memory: the form the override, the added font files
// and the fontconfig snapshot take.
#pragma once

#include "Platform.h"

#include <vector>

namespace platform {

class ListedFontValues : public FontValues {
public:
    ListedFontValues(std::vector<FontValue> values, std::string folder);
    ValueStatus Read(std::uint32_t index, char* name, std::uint32_t* nameCapacity, char* data,
                     std::uint32_t* dataCapacity) override;
    bool FontsFolder(std::string& folder) override;

private:
    std::vector<FontValue> values_;
    std::string folder_;
};

// The system's own list (registry or fontconfig). Implemented by each side.
std::unique_ptr<FontValues> OpenInstalledFontValues();

} // namespace platform
