#include "Utf8.h"

namespace platform {

namespace {

// The well-formed sequences, by lead byte: how many bytes follow, and the
// range of the first of them (the others are always 80..BF).
struct LeadForm {
    unsigned char following;
    unsigned char low;
    unsigned char high;
};

LeadForm FormOf(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return {1, 0x80, 0xBF};
    if (lead == 0xE0)
        return {2, 0xA0, 0xBF}; // below A0 would be overlong
    if (lead == 0xED)
        return {2, 0x80, 0x9F}; // above 9F would be a surrogate
    if (lead >= 0xE1 && lead <= 0xEF)
        return {2, 0x80, 0xBF};
    if (lead == 0xF0)
        return {3, 0x90, 0xBF}; // below 90 would be overlong
    if (lead >= 0xF1 && lead <= 0xF3)
        return {3, 0x80, 0xBF};
    if (lead == 0xF4)
        return {3, 0x80, 0x8F}; // above 8F would pass U+10FFFF
    return {0, 0, 0};           // 80..C1 and F5..FF start nothing
}

} // namespace

Utf8Step DecodeUtf8(const unsigned char* bytes, std::size_t size) {
    unsigned char lead = bytes[0];
    if (lead < 0x80)
        return {lead, 1, true, false};
    LeadForm form = FormOf(lead);
    if (form.following == 0)
        return {0, 1, false, false};
    std::uint32_t codePoint = lead & (0x3F >> form.following);
    for (std::size_t i = 1; i <= form.following; ++i) {
        if (i >= size)
            return {0, i, false, true};
        unsigned char next = bytes[i];
        unsigned char low = i == 1 ? form.low : 0x80;
        unsigned char high = i == 1 ? form.high : 0xBF;
        if (next < low || next > high)
            return {0, i, false, false};
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    return {codePoint, form.following + 1u, true, false};
}

} // namespace platform
