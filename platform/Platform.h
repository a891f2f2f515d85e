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
#include <vector>

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

struct FontValue {
    std::string name; // e.g. "Alpha & Beta (TrueType)"
    std::string data; // a file name relative to the fonts folder, or a full path
};

// From now on FontValues::Open() sees exactly `values`, with relative data
// taken against `folder` (which should end in a path separator).
void OverrideFontValues(std::vector<FontValue> values, std::string folder);

// Back to the installed fonts.
void ClearFontValuesOverride();

// Puts one value for the font file at `path` (its faces' English full names
// joined with " & ", then " (TrueType)") in front of the list, so it wins a
// name clash. False, with a reason in `error`, when the file holds no face
// with TrueType outlines.
bool AddFontFile(const std::string& path, std::string& error);

// Removes the values that AddFontFile added.
void ClearAddedFontFiles();

// The list that FontValues::Open() would show now, read whole.
std::vector<FontValue> CurrentFontValues();

// The value a font file is listed under: its faces with TrueType outlines
// (named instances of variable fonts left out) in face-index order. False
// when there is none. Implemented by each platform side.
bool DescribeFontFile(const std::string& path, FontValue& value);

// The value a font file is listed under, from the names of its faces in
// face-index order (in the user's code page; an empty name for a face
// without TrueType outlines): the names joined with kFaceSeparator, each
// outline-less face as a placeholder that no face name can match, then
// kTrueTypeSuffix. False when no face has TrueType outlines.
bool MakeFontValue(const std::vector<std::string>& faceNames, const std::string& data, FontValue& value);

// How a value's name joins the faces of a collection, and how it ends.
constexpr const char* kFaceSeparator = " & ";
constexpr const char* kTrueTypeSuffix = " (TrueType)";

// Whether a name record is in English for Windows: a Windows platform
// record (Unicode or symbol encoding) whose language is any English.
bool IsWindowsEnglishName(std::uint16_t platformId, std::uint16_t encodingId, std::uint16_t languageId);

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

// Whether `byte` is a lead byte of a double-byte character in `codePage`
// (932, 936, 949, 950 and 1361 have them), as IsDBCSLeadByteEx reports.
bool IsLeadByteOf(std::uint32_t codePage, unsigned char byte);

// The UTF-16 code unit of the double-byte character `lead` `trail` in
// `codePage`, as MultiByteToWideChar with MB_ERR_INVALID_CHARS gives it;
// false when the pair is no character there.
bool PairToUtf16(std::uint32_t codePage, unsigned char lead, unsigned char trail, std::uint16_t& unit);

// UTF-8 text in `codePage`; a character the code page lacks becomes '?' and,
// when `missing` is given, its code point is added there.
std::string Utf8ToCodePage(const std::string& utf8, std::uint32_t codePage,
                           std::vector<std::uint32_t>* missing = nullptr);

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

// ---------------------------------------------------------------- large blocks

// Memory for data that is written once from start to end: a font file's
// bytes, a whole program. Not cleared; its pages are made ready in few
// steps rather than faulted one by one (on Linux, huge pages where the
// kernel has them free, so that asking for them cannot stall). Null when
// there is no memory.
void* AllocateLarge(std::size_t size);

// Frees a block of AllocateLarge, given the size it was asked with.
void FreeLarge(void* block, std::size_t size);

// ---------------------------------------------------------------- files

// What tells one file's contents from another's: equal identities, equal
// bytes. `path` is kept only where the system gives no file number.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::string path;
};

// A file opened for reading whole. Both calls give 0 or the system's error
// number (errno values on every platform).
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    int Open(const std::string& path);
    const FileIdentity& Identity() const { return identity_; }
    // Every byte of the file as it is now, read into `bytes`, which has
    // room for Identity().size of them; `size` receives how many were read
    // (fewer when the file shrank meanwhile).
    int ReadAll(std::uint8_t* bytes, std::size_t& size);

private:
    FileIdentity identity_;
    std::intptr_t handle_ = -1;
};

// ---------------------------------------------------------------- dates

// The current local date and time of day as one line of text in the user's
// locale conventions, or "Invalid DateTime" when it cannot be formed.
std::string CreationDateText();

// ---------------------------------------------------------------- locks

// A mutual-exclusion lock for std::lock_guard: std::mutex where the
// runtime has one, a slim reader/writer lock on Windows, whose MinGW
// runtimes do not all provide std::mutex.
class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock();
    void unlock();

private:
    alignas(std::max_align_t) unsigned char storage_[64];
};

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
