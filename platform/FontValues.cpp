#include "ListedFontValues.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <utility>

namespace platform {

namespace {

struct ValueListState {
    bool overridden = false;
    std::vector<FontValue> overrideValues;
    std::string overrideFolder;
    std::vector<FontValue> addedValues;
};

ValueListState& State() {
    static ValueListState state;
    return state;
}

// Added font files first, then the system's list.
class FrontedFontValues : public FontValues {
public:
    FrontedFontValues(std::vector<FontValue> front, std::unique_ptr<FontValues> back)
        : frontCount_(static_cast<std::uint32_t>(front.size())),
          front_(std::move(front), std::string()), back_(std::move(back)) {}

    ValueStatus Read(std::uint32_t index, char* name, std::uint32_t* nameCapacity, char* data,
                     std::uint32_t* dataCapacity) override {
        if (index < frontCount_)
            return front_.Read(index, name, nameCapacity, data, dataCapacity);
        return back_->Read(index - frontCount_, name, nameCapacity, data, dataCapacity);
    }

    bool FontsFolder(std::string& folder) override { return back_->FontsFolder(folder); }

private:
    std::uint32_t frontCount_;
    ListedFontValues front_;
    std::unique_ptr<FontValues> back_;
};

} // namespace

ListedFontValues::ListedFontValues(std::vector<FontValue> values, std::string folder)
    : values_(std::move(values)), folder_(std::move(folder)) {}

ValueStatus ListedFontValues::Read(std::uint32_t index, char* name, std::uint32_t* nameCapacity,
                                   char* data, std::uint32_t* dataCapacity) {
    if (index >= values_.size())
        return ValueStatus::noMoreItems;
    const FontValue& value = values_[index];
    if (value.name.size() + 1 > *nameCapacity || value.data.size() + 1 > *dataCapacity)
        return ValueStatus::moreData;
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    std::memcpy(data, value.data.c_str(), value.data.size() + 1);
    *nameCapacity = static_cast<std::uint32_t>(value.name.size());
    *dataCapacity = static_cast<std::uint32_t>(value.data.size());
    return ValueStatus::ok;
}

bool ListedFontValues::FontsFolder(std::string& folder) {
    folder = folder_;
    return true;
}

std::unique_ptr<FontValues> FontValues::Open() {
    ValueListState& state = State();
    if (state.overridden)
        return std::make_unique<ListedFontValues>(state.overrideValues, state.overrideFolder);
    std::unique_ptr<FontValues> installed = OpenInstalledFontValues();
    if (!installed)
        return nullptr;
    if (state.addedValues.empty())
        return installed;
    return std::make_unique<FrontedFontValues>(state.addedValues, std::move(installed));
}

void OverrideFontValues(std::vector<FontValue> values, std::string folder) {
    ValueListState& state = State();
    state.overridden = true;
    state.overrideValues = std::move(values);
    state.overrideFolder = std::move(folder);
}

void ClearFontValuesOverride() {
    ValueListState& state = State();
    state.overridden = false;
    state.overrideValues.clear();
    state.overrideFolder.clear();
}

bool MakeFontValue(const std::vector<std::string>& faceNames, const std::string& data, FontValue& value) {
    std::string joined;
    bool outlines = false;
    for (std::size_t index = 0; index < faceNames.size(); ++index) {
        if (index != 0)
            joined += kFaceSeparator;
        if (faceNames[index].empty()) {
            // Holds the face's place, so that the faces after it keep their
            // indices; longer than any face name a request can carry.
            joined += "<face " + std::to_string(index) + " of this file has no TrueType outlines>";
        } else {
            joined += faceNames[index];
            outlines = true;
        }
    }
    if (!outlines)
        return false;
    value.name = joined + kTrueTypeSuffix;
    value.data = data;
    return true;
}

bool IsWindowsEnglishName(std::uint16_t platformId, std::uint16_t encodingId, std::uint16_t languageId) {
    constexpr std::uint16_t kWindows = 3, kSymbol = 0, kUnicode = 1, kEnglish = 0x009;
    return platformId == kWindows && (encodingId == kSymbol || encodingId == kUnicode) &&
           (languageId & 0x3FF) == kEnglish;
}

bool AddFontFile(const std::string& path, std::string& error) {
    FileReader reader;
    switch (int problem = reader.Open(path)) {
    case 0:
        break;
    case ENOENT:
        error = "\"" + path + "\" does not exist";
        return false;
    case EISDIR:
        error = "\"" + path + "\" is a folder, not a font file";
        return false;
    case EINVAL:
        error = "\"" + path + "\" is not a regular file (a pipe or a device), so not a font file";
        return false;
    default:
        error = "\"" + path + "\" cannot be read: " + std::strerror(problem);
        return false;
    }
    FontValue value;
    if (!DescribeFontFile(path, value)) {
        error = "\"" + path + "\" holds no font with TrueType outlines";
        return false;
    }
    State().addedValues.insert(State().addedValues.begin(), std::move(value));
    return true;
}

void ClearAddedFontFiles() { State().addedValues.clear(); }

std::vector<FontValue> CurrentFontValues() {
    std::vector<FontValue> list;
    std::unique_ptr<FontValues> values = FontValues::Open();
    if (!values)
        return list;
    // Values longer than the lookup's buffers are shown too, so read with
    // room to spare; the lookup itself stops at them.
    std::vector<char> name(1 << 16), data(1 << 16);
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = static_cast<std::uint32_t>(name.size());
        std::uint32_t dataLength = static_cast<std::uint32_t>(data.size());
        if (values->Read(index, name.data(), &nameLength, data.data(), &dataLength) !=
            ValueStatus::ok)
            break;
        list.push_back({std::string(name.data(), nameLength), std::string(data.data(), dataLength)});
    }
    return list;
}

} // namespace platform
