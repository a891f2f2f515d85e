// The seam between the conversion code and the operating system.
//
// Everything the converter needs from the system goes through the functions
// declared here: the list of installed TrueType fonts, the user's code page,
// one-byte character conversion, the multibyte-aware string helpers of the
// ANSI code page, movable global memory blocks, the creation-date text and
// the per-call frame. platform/posix implements them with fontconfig, iconv
// and the C library; platform/win32 maps them onto the Win32 API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// ---------------------------------------------------------------- fonts list

// Result of reading one value of the installed-fonts list, as the registry
// reports it.
enum class ValueStatus {
    ok,          // name and data were read whole
    noMoreItems, // the index is past the last value
    moreData,    // the name or the data does not fit its buffer
};

// An opened view of the installed-fonts list (the registry key "Fonts" on
// Windows). Each value has a name, such as "Alpha & Beta (TrueType)", and
// data: a file name relative to the fonts folder, or a full path.
class FontValues {
public:
    // Opens the list; null when it cannot be opened.
    static std::unique_ptr<FontValues> Open();

    virtual ~FontValues() = default;

    // Reads value `index`. On entry *nameCapacity is the size of `name` in
    // characters and *dataCapacity the size of `data` in bytes, both counting
    // the terminating zero; on success both hold the lengths read, without
    // the zero. Mirrors RegEnumValueA.
    virtual ValueStatus Read(std::uint32_t index, char* name, std::uint32_t* nameCapacity,
                             char* data, std::uint32_t* dataCapacity) = 0;

    // The folder that relative data is taken against, ending in a path
    // separator ("C:\Windows\Fonts\" on Windows). False when unknown.
    virtual bool FontsFolder(std::string& folder) = 0;
};

// The character that marks data as a full path rather than a file name.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// ---------------------------------------------------------------- code pages

// The user's ANSI code page (the host support function of the same role).
std::uint32_t UserCodePage();

// The process's ANSI code page, whose lead bytes the multibyte helpers use.
std::uint32_t AnsiCodePage();

// Converts one byte, alone, to its first UTF-16 code unit in `codePage`
// (0 = CP_ACP, 2 = CP_MACCP, 42 = CP_SYMBOL). Gives 0 when the byte has no
// conversion on this platform.
std::uint16_t ByteToUtf16(std::uint32_t codePage, unsigned char byte);

// Whether `byte` is a lead byte of a double-byte character in the process's
// ANSI code page.
bool IsLeadByte(unsigned char byte);

// ------------------------------------------------- multibyte string helpers

// Copies at most `count` bytes of `src` into `dst` (stopping after a zero
// byte); a lead byte that would be the last byte copied is written as a zero.
void MbsnbCopy(char* dst, const char* src, std::size_t count);

// Compares at most `count` bytes without regard to the case of single-byte
// letters; double-byte characters compare whole. <0, 0 or >0.
int MbsnbICompare(const char* a, const char* b, std::size_t count);

// The first occurrence of the single-byte character `c` in `s` that is not
// the trail byte of a double-byte character; null when there is none.
const char* MbsChr(const char* s, unsigned char c);

// ---------------------------------------------------------- global memory

// A movable, zero-initialised global memory block (HGLOBAL on Windows).
using GlobalHandle = void*;

GlobalHandle GlobalAllocZeroed(std::size_t size); // null on failure
void* GlobalLockBlock(GlobalHandle block);         // null for a null block
void GlobalUnlockBlock(GlobalHandle block);
std::size_t GlobalBlockSize(GlobalHandle block);   // 0 for a null block
void GlobalFreeBlock(GlobalHandle block);          // a null block is ignored

// ---------------------------------------------------------------- dates

// The current local date and time of day as one line of text in the user's
// locale conventions, or "Invalid DateTime" when it cannot be formed.
std::string CreationDateText();

// ---------------------------------------------------------------- call frame

// Lives on the stack for the whole of every exported call and restores on
// the way out whatever per-call state the platform switched on the way in.
class CallFrame {
public:
    CallFrame();
    ~CallFrame();
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;
};

} // namespace platform
