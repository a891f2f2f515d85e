#include "JobOptions.h"

#include "print/Charset.h"

#include <cups/ppd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <strings.h>

namespace filter {

namespace {

constexpr double kPointsPerInch = 72;
// A monospace font's advance as a share of its size: 600 units of 1000 in
// the fonts "monospace" names (DejaVu Sans Mono, Liberation Mono, Noto
// Sans Mono), so that `cpi` characters fill an inch.
constexpr double kMonospaceAdvance = 0.6;
// The largest side of a sheet a PDF page can have, in points.
constexpr double kLargestSide = 14400;

const char* Option(const JobOptions& job, const char* name) { return cupsGetOption(name, job.count, job.options); }

// A boolean as the spooler writes it: a name given alone is "true", with
// "no" before it "false".
enum class Flag { absent, yes, no, unknown };

Flag ReadFlag(const char* value) {
    if (!value)
        return Flag::absent;
    for (const char* yes : {"true", "yes", "on", "1"})
        if (strcasecmp(value, yes) == 0)
            return Flag::yes;
    for (const char* no : {"false", "no", "off", "0"})
        if (strcasecmp(value, no) == 0)
            return Flag::no;
    return Flag::unknown;
}

// A finite decimal number within [lowest, highest].
bool ReadNumber(const char* text, double lowest, double highest, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == 0 && std::isfinite(value) && value >= lowest && value <= highest;
}

class Warnings {
public:
    explicit Warnings(std::vector<std::string>& sentences) : sentences_(sentences) {}
    void Ignored(const char* name, const char* value, const std::string& wanted) {
        sentences_.push_back(std::string("option ") + name + "=" + value + " is ignored: it takes " + wanted);
    }
    void Add(const std::string& sentence) { sentences_.push_back(sentence); }

private:
    std::vector<std::string>& sentences_;
};

// The job's flag `name`; `fallback` when it is not given or unreadable.
bool FlagOption(const JobOptions& job, const char* name, bool fallback, Warnings& warnings) {
    const char* value = Option(job, name);
    Flag flag = ReadFlag(value);
    if (flag == Flag::unknown)
        warnings.Ignored(name, value, "true or false");
    return flag == Flag::absent || flag == Flag::unknown ? fallback : flag == Flag::yes;
}

// The job's number `name` within [lowest, highest] into `value`; false,
// leaving it, when it is not given or unusable.
bool NumberOption(const JobOptions& job, const char* name, double lowest, double highest, double& value,
                  Warnings& warnings) {
    const char* text = Option(job, name);
    double read = 0;
    if (!text)
        return false;
    if (!ReadNumber(text, lowest, highest, read)) {
        warnings.Ignored(name, text, "a number from " + print::Number(lowest) + " to " + print::Number(highest));
        return false;
    }
    value = read;
    return true;
}

// Paper of `width` by `height` points, named as PPD files name it when it
// is a known size.
bool PaperOfSize(double width, double height, print::Paper& paper) {
    if (!(width >= 1 && height >= 1 && width <= kLargestSide && height <= kLargestSide))
        return false;
    pwg_media_t* media = pwgMediaForSize(PWG_FROM_POINTS(width), PWG_FROM_POINTS(height));
    paper = {media && media->ppd ? media->ppd : "Custom", width, height};
    return true;
}

// The paper the printer's PPD file gives the job: its default, or the one
// the job's media, PageSize or PageRegion option marks.
bool PaperFromPpd(const JobOptions& job, print::Paper& paper) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ppd_file_t* ppd = ppdOpenFile(job.ppd.c_str());
    if (!ppd)
        return false;
    ppdMarkDefaults(ppd);
    cupsMarkOptions(ppd, job.count, job.options);
    ppd_size_t* size = ppdPageSize(ppd, nullptr);
    bool found = size && PaperOfSize(size->width, size->length, paper);
    ppdClose(ppd);
#pragma GCC diagnostic pop
    return found;
}

// The paper that the job's media or PageSize option names ("A4",
// "iso_a4_210x297mm", "na_letter_8.5x11in", "Letter"; media may list a
// tray or type too: "A4,Tray1").
bool PaperFromMedia(const JobOptions& job, print::Paper& paper) {
    for (const char* name : {"PageSize", "media"}) {
        const char* value = Option(job, name);
        std::string list = value ? value : "";
        for (std::size_t start = 0; start < list.size();) {
            std::size_t comma = std::min(list.find(',', start), list.size());
            std::string item = list.substr(start, comma - start);
            start = comma + 1;
            pwg_media_t* media = pwgMediaForPWG(item.c_str());
            if (!media)
                media = pwgMediaForLegacy(item.c_str());
            if (!media)
                media = pwgMediaForPPD(item.c_str());
            if (media && PaperOfSize(PWG_TO_POINTS(media->width), PWG_TO_POINTS(media->length), paper))
                return true;
        }
    }
    return false;
}

// landscape, or orientation-requested 4 (landscape) or 5 (the other way).
bool Landscape(const JobOptions& job, Warnings& warnings) {
    const char* orientation = Option(job, "orientation-requested");
    int turned = orientation ? std::atoi(orientation) : 0;
    return FlagOption(job, "landscape", turned == 4 || turned == 5, warnings);
}

// cpi and lpi: the type size that sets `cpi` characters of a monospace
// font in an inch, and `lpi` lines in an inch. One without the other keeps
// the size's usual leading.
void TypeSize(const JobOptions& job, print::PageModel& page, Warnings& warnings) {
    double cpi = 0, lpi = 0;
    double widest = kPointsPerInch / (kMonospaceAdvance * print::kSmallestSize);
    double narrowest = kPointsPerInch / (kMonospaceAdvance * print::kLargestSize);
    bool sized = NumberOption(job, "cpi", narrowest, widest, cpi, warnings);
    double most = kPointsPerInch / print::kSmallestSize;
    double fewest = kPointsPerInch / (print::kLargestSize * print::kLeadingRatio);
    bool spaced = NumberOption(job, "lpi", fewest, most, lpi, warnings);
    if (sized)
        page.fontSize = kPointsPerInch / (kMonospaceAdvance * cpi);
    if (spaced)
        page.leading = kPointsPerInch / lpi;
    if (sized && !spaced)
        page.leading = page.fontSize * print::kLeadingRatio;
    if (spaced && !sized)
        page.fontSize = std::max(print::kSmallestSize, page.leading / print::kLeadingRatio);
}

void Margins(const JobOptions& job, print::PageModel& page, Warnings& warnings) {
    NumberOption(job, "page-top", 0, print::kLargestMargin, page.marginTop, warnings);
    NumberOption(job, "page-right", 0, print::kLargestMargin, page.marginRight, warnings);
    NumberOption(job, "page-bottom", 0, print::kLargestMargin, page.marginBottom, warnings);
    NumberOption(job, "page-left", 0, print::kLargestMargin, page.marginLeft, warnings);
}

// The job's charset option, when iconv knows it; otherwise the document
// tells (UTF-8, or what its first bytes look like). The CHARSET variable
// is not the document's: it names the charset of the job's attributes.
std::string Charset(const JobOptions& job, Warnings& warnings) {
    const char* charset = Option(job, "charset");
    if (!charset || !*charset)
        return std::string();
    if (print::IsKnownCharset(charset))
        return charset;
    warnings.Add(std::string("charset ") + charset + " is unknown; the document's own is used");
    return std::string();
}

} // namespace

print::PrintRequest MakeRequest(const JobOptions& job, const std::string& file, std::vector<std::string>& sentences) {
    Warnings warnings(sentences);
    print::PrintRequest request;
    request.files.push_back(file);
    request.pdf = true;
    print::PageModel& page = request.page;
    if (!(!job.ppd.empty() && PaperFromPpd(job, page.paper)))
        PaperFromMedia(job, page.paper);
    page.landscape = Landscape(job, warnings);
    Margins(job, page, warnings);
    TypeSize(job, page, warnings);
    double columns = 1;
    if (NumberOption(job, "columns", 1, print::kMostColumns, columns, warnings)) {
        if (columns == std::floor(columns))
            page.columns = static_cast<int>(columns);
        else
            warnings.Ignored("columns", Option(job, "columns"), "a whole number");
    }
    page.header = FlagOption(job, "prettyprint", false, warnings);
    page.truncate = !FlagOption(job, "wrap", true, warnings);
    page.title = job.title;
    request.input.charset = Charset(job, warnings);
    return request;
}

} // namespace filter
