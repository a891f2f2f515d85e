#include "PageModel.h"

#include "Page.h"
#include "platform/Platform.h"

#include <cmath>
#include <cstdio>

namespace print {

namespace {

const Paper kPapers[] = {
    {"A4", 595, 842}, {"A3", 842, 1191}, {"A5", 420, 595}, {"Letter", 612, 792}, {"Legal", 612, 1008},
};

} // namespace

const Paper* FindPaper(const std::string& name) {
    for (const Paper& paper : kPapers) {
        std::string own = paper.name;
        if (own.size() == name.size() && platform::MbsnbICompare(own.c_str(), name.c_str(), own.size()) == 0)
            return &paper;
    }
    return nullptr;
}

std::string RoomProblem(const PageModel& page) {
    std::string text = "of " + Number(page.fontSize) + "-point text";
    double height = page.Height() - page.marginTop - page.marginBottom - (page.header ? 2 * page.leading : 0);
    double width = page.Width() - page.marginLeft - page.marginRight;
    if (height < page.leading || width < 4 * page.fontSize)
        return "the margins leave no room for a line " + text;
    // A column holds at least a few characters.
    double column = (width - (page.columns - 1) * page.gutter) / page.columns;
    if (column < 4 * page.fontSize)
        return std::to_string(page.columns) + " columns " + text + " do not fit between the margins";
    return std::string();
}

std::string PaperNames() {
    std::string names;
    for (const Paper& paper : kPapers) {
        if (!names.empty())
            names += ", ";
        for (const char* c = paper.name; *c; ++c)
            names += static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
    }
    return names;
}

std::string Number(double value) {
    char text[32];
    long hundredths = std::lround(value * 100);
    if (hundredths % 100 == 0)
        std::snprintf(text, sizeof text, "%ld", hundredths / 100);
    else
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(hundredths) / 100);
    std::string number = text;
    if (number.find('.') != std::string::npos && number.back() == '0')
        number.pop_back();
    return number;
}

std::string SlantText() {
    char text[16];
    std::snprintf(text, sizeof text, "%.4f", kSlantTangent);
    return text;
}

std::string ColorComponents(std::uint32_t color) {
    std::string text;
    for (int shift = 16; shift >= 0; shift -= 8) {
        long thousandths = std::lround(((color >> shift) & 0xFF) * 1000 / 255.0);
        std::string component = thousandths >= 1000 ? "1" : "0";
        if (thousandths > 0 && thousandths < 1000) {
            char digits[8];
            std::snprintf(digits, sizeof digits, ".%03ld", thousandths);
            component += digits;
            while (component.back() == '0')
                component.pop_back();
        }
        text += (text.empty() ? "" : " ") + component;
    }
    return text;
}

} // namespace print
