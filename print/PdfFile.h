// The body of a PDF file as it is written: numbered objects whose byte
// offsets are counted as they go out, streams compressed with zlib, and
// the cross-reference table and trailer that end the file. An object's
// number may be reserved long before the object is written, so that pages
// can point at what is only written at the end.
#pragma once

#include "Output.h"

#include <cstdint>
#include <string>
#include <vector>

namespace print {

class PdfFile {
public:
    explicit PdfFile(Output& out);

    // A number for an object to be written later.
    int Reserve();

    // Writes object `number` whose body is `body` (a dictionary, an array,
    // a string...).
    void WriteObject(int number, const std::string& body);
    // Writes object `number` as a stream of `data`, Flate-compressed;
    // `dictionary` holds the entries besides /Length and /Filter.
    void WriteStream(int number, const std::string& dictionary, const std::string& data);
    void WriteStream(int number, const std::string& dictionary, const std::vector<std::uint8_t>& data);

    // The cross-reference table and the trailer naming the catalog `root`
    // and the document information `info`. Every reserved object must have
    // been written.
    void Finish(int root, int info);

    // An object reference: "12 0 R".
    static std::string Ref(int number);

private:
    void Put(const std::string& text);
    void Put(const char* data, std::size_t size);
    void BeginObject(int number);
    void WriteCompressed(int number, const std::string& dictionary, const unsigned char* data, std::size_t size);
    std::string FileId() const;

    Output& out_;
    std::uint64_t offset_ = 0;
    std::vector<std::uint64_t> offsets_; // by object number - 1; 0 while unwritten
    std::uint64_t hash_[2];              // of every byte written, for the file's /ID
};

} // namespace print
