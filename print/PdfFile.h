// The body of a PDF file as it is written: numbered objects whose byte
// offsets are counted as they go out, streams Flate-compressed, and
// the cross-reference stream that ends the file. Objects other than streams
// are gathered in compressed object streams, a batch at a time. An object's
// number may be reserved long before the object is written, so that pages
// can point at what is only written at the end.
//
// Streams are compressed and written out on a thread of their own, in the
// order they are given, while the caller makes the next ones: compressing
// takes about as long as laying the pages out. The file is the same bytes
// whatever the threads' timing.
#pragma once

#include "Output.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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
    void WriteStream(int number, const std::string& dictionary, std::string data);
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
    // A stream waiting to be compressed and written.
    struct Job {
        int number;
        std::string dictionary;
        std::string data;
    };
    void Enqueue(Job job);
    void Work();
    // Waits until every stream given is written and the thread has ended,
    // and notes where the streams went.
    void StopWriting();
    void WriteCompressed(const Job& job);
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

    // Between the caller and the writing thread, under mutex_: the streams
    // to write, whether no more will come, and what went wrong there. The
    // thread alone touches out_, offset_, hash_, packed_, compressor_ and
    // written_ while it runs.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool closing_ = false;
    std::exception_ptr failure_;
    std::thread writer_;
    std::vector<std::pair<int, std::uint64_t>> written_; // streams' numbers and offsets
};

} // namespace print
