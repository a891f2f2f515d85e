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

void AppendNumber(std::string& out, double value) {
    long long hundredths = std::llround(value * 100);
    if (hundredths < 0) {
        out += '-';
        hundredths = -hundredths;
    }
    char digits[24];
    char* end = digits + sizeof digits;
    char* start = end;
    unsigned long long whole = static_cast<unsigned long long>(hundredths) / 100;
    do {
        *--start = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole);
    out.append(start, end);
    int cents = static_cast<int>(hundredths % 100);
    if (cents == 0)
        return;
    out += '.';
    out += static_cast<char>('0' + cents / 10);
    if (cents % 10)
        out += static_cast<char>('0' + cents % 10);
}

std::string Number(double value) {
    std::string number;
    AppendNumber(number, value);
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
