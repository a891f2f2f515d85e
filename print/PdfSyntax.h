// How values are spelled in a PDF file: names, text strings, dates.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace print {

// A name object: "/DejaVuSans", delimiters and bytes outside ! to ~ as #xx.
std::string PdfName(const std::string& name);

// Characters as big-endian UTF-16 in hex, surrogate pairs for those past
// U+FFFF: "00410042".
std::string Utf16Hex(const std::u32string& text);

// A text string: the UTF-8 `text` as a literal string when it is printable
// ASCII, else as UTF-16BE with a byte-order mark, in hex. Invalid UTF-8
// bytes become U+FFFD.
std::string PdfTextString(const std::string& text);

// A date: "(D:20240102030405Z)", in UTC.
std::string PdfDate(std::time_t when);

// The document's date: SOURCE_DATE_EPOCH when it is set, else now.
std::time_t DocumentTime();

} // namespace print
