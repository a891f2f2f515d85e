// Code pages on POSIX: the user's ANSI code page from the locale variables,
// one-byte and pair conversion through iconv corrected to Windows' tables,
// value-name conversion through iconv.
#include "../Platform.h"
#include "CodePageNames.h"

#include "../Utf8.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <map>
#include <mutex>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t kAcp = 0;
constexpr std::uint32_t kMacCp = 2;
constexpr std::uint32_t kSymbolCp = 42;

// The locale name that decides the user's language: LC_ALL, then LC_CTYPE,
// then LANG, the first that is set and not empty.
std::string UserLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return std::string();
}

struct LanguageCodePage {
    const char* language;
    std::uint32_t codePage;
};

// Windows ANSI code page of each language; territory-specific rows first.
constexpr LanguageCodePage kLanguageCodePages[] = {
    {"zh_TW", 950}, {"zh_HK", 950}, {"zh_CN", 936}, {"zh_SG", 936}, {"ja", 932},
    {"ko", 949},    {"ru", 1251},   {"uk", 1251},   {"be", 1251},   {"bg", 1251},
    {"sr", 1251},   {"mk", 1251},   {"el", 1253},   {"tr", 1254},   {"az", 1254},
    {"he", 1255},   {"ar", 1256},   {"fa", 1256},   {"ur", 1256},   {"et", 1257},
    {"lv", 1257},   {"lt", 1257},   {"vi", 1258},   {"th", 874},    {"cs", 1250},
    {"hu", 1250},   {"pl", 1250},   {"ro", 1250},   {"sk", 1250},   {"sl", 1250},
    {"hr", 1250},
};

// Whether `locale` (such as "pt_BR.UTF-8") names `language` ("pt" or "pt_BR").
bool LocaleIsLanguage(const std::string& locale, const char* language) {
    std::size_t length = std::strlen(language);
    if (locale.compare(0, length, language) != 0)
        return false;
    if (locale.size() == length)
        return true;
    char next = locale[length];
    return next == '.' || next == '@' || (next == '_' && length == 2);
}

// Where MultiByteToWideChar differs from iconv: bytes Windows maps to
// U+0080-U+009F or to private-use units, a lone lead byte (U+30FB in 932,
// '?' in 936, 949, 950 and 1361), Mac Roman's Ohm, increment and Apple
// signs, Johab's 0x5C (a backslash on Windows, a won sign in iconv), and
// the private-use and other pairs iconv lacks or maps otherwise.
// A run gives `count` consecutive codes (a byte alone, or lead << 8 | trail)
// the units unit, unit + step, unit + 2 * step, ...; unit 0 is no character.
// A byte that gives several units counts as its first; a pair that gives
// more than one unit is no character, on both sides. The file is
// generated under Wine by scripts/windows/codepages.sh --write, which also
// checks the whole tables against Windows'; QUELIN_ICONV_ONLY leaves it out
// for that generator, which needs what iconv alone gives.
struct Difference {
    std::uint16_t codePage; // 2 for Mac Roman, Windows' 10000
    std::uint16_t code;
    std::uint16_t count;
    std::uint16_t unit;
    std::uint8_t step; // 0 or 1
};

constexpr Difference kWindowsDifferences[] = {
#ifndef QUELIN_ICONV_ONLY
#include "WindowsCodePageDifferences.inc"
#endif
    {0, 0, 0, 0, 0}, // so that the array is never empty
};

// Applies the runs of `codePage` to its byte table (`pairs` false, codes up
// to 0xFF) or to its pair table (codes from 0x8000).
template <typename Table>
void ApplyWindowsDifferences(std::uint32_t codePage, bool pairs, Table& table) {
    for (const Difference& run : kWindowsDifferences) {
        if (run.codePage != codePage || (run.code > 0xFF) != pairs)
            continue;
        for (unsigned i = 0; i < run.count; ++i)
            table[run.code + i] = static_cast<std::uint16_t>(run.unit + i * run.step);
    }
}

using ByteTable = std::array<std::uint16_t, 256>;

// The first UTF-16 unit of every byte converted alone, as Windows gives it;
// 0 where there is no conversion. The converter is flushed after each byte,
// since some (CP1255, CP1258) hold a base character back for a combining
// mark.
ByteTable BuildByteTable(std::uint32_t codePage, const char* iconvName) {
    ByteTable table{};
    iconv_t converter = iconv_open("UTF-16LE", iconvName);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return table;
    for (int byte = 0; byte < 256; ++byte) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(byte);
        char* inPointer = &in;
        std::size_t inLeft = 1;
        unsigned char out[16];
        char* outPointer = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<std::size_t>(-1))
            continue;
        iconv(converter, nullptr, nullptr, &outPointer, &outLeft);
        if (sizeof out - outLeft >= 2)
            table[byte] = static_cast<std::uint16_t>(out[0] | out[1] << 8);
    }
    iconv_close(converter);
    ApplyWindowsDifferences(codePage, false, table);
    return table;
}

// The UTF-16 unit of every lead and trail byte pair, as Windows gives it; 0
// where the pair is no character. Built on first use, 128 KB a code page.
using PairTable = std::vector<std::uint16_t>;

PairTable BuildPairTable(std::uint32_t codePage, const char* iconvName) {
    PairTable table(65536, 0);
    iconv_t converter = iconv_open("UTF-16LE", iconvName);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return table;
    for (int lead = 0x80; lead < 0x100; ++lead) {
        if (!IsLeadByteOf(codePage, static_cast<unsigned char>(lead)))
            continue;
        for (int trail = 1; trail < 0x100; ++trail) {
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char* inPointer = in;
            std::size_t inLeft = 2;
            unsigned char out[8];
            char* outPointer = reinterpret_cast<char*>(out);
            std::size_t outLeft = sizeof out;
            // Both bytes must make one character.
            if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<std::size_t>(-1) ||
                inLeft != 0 || sizeof out - outLeft != 2)
                continue;
            table[static_cast<std::size_t>(lead << 8 | trail)] = static_cast<std::uint16_t>(out[0] | out[1] << 8);
        }
    }
    iconv_close(converter);
    ApplyWindowsDifferences(codePage, true, table);
    return table;
}

// The table of `codePage`, built by `build` on first use and kept.
template <typename Table, typename Build> const Table& CachedTable(std::uint32_t codePage, Build build) {
    static std::mutex mutex;
    static std::map<std::uint32_t, Table> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = tables.find(codePage);
    if (found == tables.end())
        found = tables.emplace(codePage, build()).first;
    return found->second;
}

const PairTable& PairTableOf(std::uint32_t codePage, const char* iconvName) {
    return CachedTable<PairTable>(codePage, [&] { return BuildPairTable(codePage, iconvName); });
}

const ByteTable& ByteTableOf(std::uint32_t codePage, const char* iconvName) {
    return CachedTable<ByteTable>(codePage, [&] { return BuildByteTable(codePage, iconvName); });
}

} // namespace

std::uint32_t UserCodePage() {
    std::string locale = UserLocaleName();
    for (const LanguageCodePage& row : kLanguageCodePages)
        if (LocaleIsLanguage(locale, row.language))
            return row.codePage;
    return 1252;
}

std::uint32_t AnsiCodePage() { return UserCodePage(); }

const char* IconvNameOfCodePage(std::uint32_t codePage) {
    switch (codePage) {
    case kMacCp: return "MACINTOSH";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "JOHAB";
    default: return nullptr;
    }
}

bool PairToUtf16(std::uint32_t codePage, unsigned char lead, unsigned char trail, std::uint16_t& unit) {
    if (codePage == kAcp)
        codePage = AnsiCodePage();
    const char* iconvName = IconvNameOfCodePage(codePage);
    if (!iconvName || !IsLeadByteOf(codePage, lead))
        return false;
    unit = PairTableOf(codePage, iconvName)[static_cast<std::size_t>(lead << 8 | trail)];
    return unit != 0;
}

std::uint16_t ByteToUtf16(std::uint32_t codePage, unsigned char byte) {
    if (codePage == kAcp)
        codePage = AnsiCodePage();
    if (codePage == kSymbolCp)
        return static_cast<std::uint16_t>(0xF000 + byte);
    const char* iconvName = IconvNameOfCodePage(codePage);
    if (!iconvName)
        return 0;
    return ByteTableOf(codePage, iconvName)[byte];
}

bool IsLeadByte(unsigned char byte) { return IsLeadByteOf(AnsiCodePage(), byte); }

bool IsLeadByteOf(std::uint32_t codePage, unsigned char byte) {
    switch (codePage) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950: return byte >= 0x81 && byte <= 0xFE;
    case 1361:
        return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) ||
               (byte >= 0xE0 && byte <= 0xF9);
    default: return false;
    }
}

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Appends one non-ASCII character (its UTF-8 bytes and code point) in the
// code page; false when the code page lacks it. The symbol code page holds
// U+0080-U+00FF and U+F020-U+F0FF as single bytes.
bool AppendCharacter(iconv_t converter, std::uint32_t codePage, const char* bytes, std::size_t length,
                     std::uint32_t codePoint, std::string& result) {
    if (codePage == kSymbolCp) {
        if (codePoint > 0xFF && (codePoint < 0xF000 || codePoint > 0xF0FF))
            return false;
        result += static_cast<char>(codePoint & 0xFF);
        return true;
    }
    if (converter == kNoConverter)
        return false;
    char out[8];
    char* outPointer = out;
    std::size_t outLeft = sizeof out;
    char* inPointer = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    bool converted = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1) &&
                     inLeft == 0;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (converted)
        result.append(out, sizeof out - outLeft);
    return converted;
}

} // namespace

std::string Utf8ToCodePage(const std::string& utf8, std::uint32_t codePage,
                           std::vector<std::uint32_t>* missing) {
    if (codePage == 0)
        codePage = AnsiCodePage();
    const char* iconvName = IconvNameOfCodePage(codePage);
    iconv_t converter = iconvName ? iconv_open(iconvName, "UTF-8") : kNoConverter;
    std::string result;
    std::size_t position = 0;
    while (position < utf8.size()) {
        const unsigned char* at = reinterpret_cast<const unsigned char*>(utf8.data()) + position;
        Utf8Step step = DecodeUtf8(at, utf8.size() - position);
        if (step.valid && step.codePoint < 0x80) {
            result += static_cast<char>(step.codePoint);
        } else if (!step.valid ||
                   !AppendCharacter(converter, codePage, utf8.data() + position, step.length, step.codePoint, result)) {
            result += '?';
            if (missing && step.valid)
                missing->push_back(step.codePoint);
        }
        position += step.length;
    }
    if (converter != kNoConverter)
        iconv_close(converter);
    return result;
}

} // namespace platform
