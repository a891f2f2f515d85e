// The body of a PDF file as it is written: numbered objects whose byte
// offsets are counted as they go out, streams Flate-compressed, and
// the cross-reference stream that ends the file. Objects other than streams
// are gathered in compressed object streams, a batch at a time. An object's
// number may be reserved long before the object is written, so that pages
// can point at what is only written at the end.
#pragma once

#include "Output.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace print {

class PdfFile {
public:
    explicit PdfFile(Output& out);
    ~PdfFile();

    // A number for an object to be written later.
    int Reserve();

    // Writes object `number` whose body is `body` (a dictionary, an array,
    // a string...), into the object stream being gathered.
    void WriteObject(int number, const std::string& body);
    // Writes object `number` as a stream of `data`, Flate-compressed;
    // `dictionary` holds the entries besides /Length and /Filter.
    void WriteStream(int number, const std::string& dictionary, const std::string& data);
    void WriteStream(int number, const std::string& dictionary, const std::vector<std::uint8_t>& data);

    // The cross-reference stream naming the catalog `root` and the document
    // information `info`; objects reserved and not written are written as
    // null first.
    void Finish(int root, int info);

    // An object reference: "12 0 R".
    static std::string Ref(int number);

private:
    void Put(const std::string& text);
    void Put(const char* data, std::size_t size);
    void BeginObject(int number);
    void FlushObjects();
    void WriteCrossReferences(int root, int info);
    void WriteCompressed(int number, const std::string& dictionary, const unsigned char* data, std::size_t size);
    std::string FileId() const;

    Output& out_;
    std::uint64_t offset_ = 0;
    // By object number - 1: the byte offset of an object written whole, or
    // the number of the object stream holding it and its index there; 0
    // while unwritten.
    struct Place {
        std::uint64_t offset;
        std::uint32_t stream, index;
    };
    std::vector<Place> places_;
    std::string gathered_;       // the bodies of the objects gathered so far
    std::string gatheredIndex_;  // their numbers and offsets in gathered_
    int gatheredStream_ = 0;     // the object stream's number; 0 when none is begun
    std::uint32_t gatheredCount_ = 0;
    std::uint64_t hash_[2];              // of every byte written, for the file's /ID
    struct Compressor;
    std::unique_ptr<Compressor> compressor_;
    std::string packed_; // the stream being written, compressed
};

} // namespace print
