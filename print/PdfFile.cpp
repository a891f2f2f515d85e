#include "PdfFile.h"

#include <libdeflate.h>

#include <csignal>
#include <cstdio>
#include <algorithm>
#include <new>
#include <pthread.h>
#include <system_error>

namespace print {

namespace {

constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;
// libdeflate's level 5 makes text pages a few percent larger than its
// highest levels do, in half their time.
constexpr int kCompression = 5;
// Objects per object stream: enough to compress well, few enough that a
// reader finds one without unpacking much.
constexpr std::uint32_t kGathered = 100;
// Streams given and not yet written: enough to keep the writing thread
// busy, few enough to hold little memory.
constexpr std::size_t kWaiting = 8;

// `value` as `width` big-endian bytes.
void AppendBigEndian(std::string& out, std::uint64_t value, int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

} // namespace

struct PdfFile::Compressor {
    libdeflate_compressor* state = libdeflate_alloc_compressor(kCompression);
    ~Compressor() { libdeflate_free_compressor(state); }
};

PdfFile::~PdfFile() {
    // A job that failed half-way: the thread is stopped, what it writes no
    // longer matters.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        jobs_.clear();
    }
    changed_.notify_all();
    if (writer_.joinable())
        writer_.join();
}

PdfFile::PdfFile(Output& out)
    : out_(out), hash_{0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL}, compressor_(std::make_unique<Compressor>()) {
    if (!compressor_->state)
        throw std::bad_alloc();
    // The binary comment tells transfer programs the file is not text.
    Put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

int PdfFile::Reserve() {
    places_.push_back({0, 0, 0});
    return static_cast<int>(places_.size());
}

std::string PdfFile::Ref(int number) { return std::to_string(number) + " 0 R"; }

void PdfFile::Put(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        auto byte = static_cast<unsigned char>(data[i]);
        hash_[0] = (hash_[0] ^ byte) * kFnvPrime;
        hash_[1] = (hash_[1] ^ byte) * kFnvPrime;
    }
    out_.Write(data, size);
    offset_ += size;
}

void PdfFile::Put(const std::string& text) { Put(text.data(), text.size()); }

void PdfFile::BeginObject(int number) {
    written_.emplace_back(number, offset_);
    Put(std::to_string(number) + " 0 obj\n");
}

void PdfFile::WriteObject(int number, const std::string& body) {
    if (gatheredCount_ >= kGathered)
        FlushObjects();
    if (gatheredStream_ == 0)
        gatheredStream_ = Reserve();
    places_[static_cast<std::size_t>(number - 1)] = {0, static_cast<std::uint32_t>(gatheredStream_), gatheredCount_++};
    gatheredIndex_ += std::to_string(number) + " " + std::to_string(gathered_.size()) + " ";
    gathered_ += body;
    gathered_ += '\n';
}

void PdfFile::FlushObjects() {
    if (gatheredStream_ == 0)
        return;
    gatheredIndex_ += '\n';
    std::string dictionary = "/Type/ObjStm/N " + std::to_string(gatheredCount_) + "/First " +
                             std::to_string(gatheredIndex_.size());
    gatheredIndex_ += gathered_;
    WriteStream(gatheredStream_, dictionary, gatheredIndex_);
    gathered_.clear();
    gatheredIndex_.clear();
    gatheredStream_ = 0;
    gatheredCount_ = 0;
}

void PdfFile::WriteStream(int number, const std::string& dictionary, std::string data) {
    Enqueue({number, dictionary, std::move(data)});
}

void PdfFile::WriteStream(int number, const std::string& dictionary, const std::vector<std::uint8_t>& data) {
    Enqueue({number, dictionary, std::string(data.begin(), data.end())});
}

// The stream goes to the writing thread, started with the first one; once
// it has stopped (the cross-reference stream), or when no thread can be
// had, streams are written here.
void PdfFile::Enqueue(Job job) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!closing_ && !writer_.joinable()) {
        // The thread takes no signals: the command's handlers (which
        // remove its temporary files) run on the thread that set them up.
        sigset_t all, before;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &before);
        try {
            writer_ = std::thread(&PdfFile::Work, this);
        } catch (const std::system_error&) {
            closing_ = true;
        }
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }
    if (closing_) {
        lock.unlock();
        WriteCompressed(job);
        return;
    }
    changed_.wait(lock, [this] { return jobs_.size() < kWaiting || failure_; });
    if (failure_)
        std::rethrow_exception(failure_);
    jobs_.push_back(std::move(job));
    lock.unlock();
    changed_.notify_all();
}

void PdfFile::Work() {
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !jobs_.empty() || closing_; });
        if (jobs_.empty())
            return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        changed_.notify_all();
        try {
            WriteCompressed(job);
        } catch (...) {
            lock.lock();
            failure_ = std::current_exception();
            jobs_.clear();
            lock.unlock();
            changed_.notify_all();
            return;
        }
    }
}

void PdfFile::StopWriting() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable())
        writer_.join();
    if (failure_)
        std::rethrow_exception(failure_);
    for (const auto& [number, offset] : written_)
        places_[static_cast<std::size_t>(number - 1)] = {offset, 0, 0};
    written_.clear();
}

void PdfFile::WriteCompressed(const Job& job) {
    const auto* data = reinterpret_cast<const unsigned char*>(job.data.data());
    packed_.resize(libdeflate_zlib_compress_bound(compressor_->state, job.data.size()));
    std::size_t length = libdeflate_zlib_compress(compressor_->state, data, job.data.size(), &packed_[0], packed_.size());
    if (length == 0) // the bound leaves room for any data
        throw std::bad_alloc();
    BeginObject(job.number);
    Put("<<" + job.dictionary + "/Filter/FlateDecode/Length " + std::to_string(length) + ">>\nstream\n");
    Put(packed_.data(), length);
    Put("\nendstream\nendobj\n");
}

// Two hashes of every byte before the cross-reference stream: the same
// document gives the same identifier, another document another.
std::string PdfFile::FileId() const {
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash_[0]),
                  static_cast<unsigned long long>(hash_[1]));
    return std::string("<") + text + ">";
}

void PdfFile::Finish(int root, int info) {
    // An object reserved and never written is null, as a reference to a
    // missing object would be.
    FlushObjects();
    StopWriting();
    std::size_t reserved = places_.size();
    for (std::size_t i = 0; i < reserved; ++i)
        if (places_[i].offset == 0 && places_[i].stream == 0)
            WriteObject(static_cast<int>(i + 1), "null");
    FlushObjects();
    StopWriting();
    WriteCrossReferences(root, info);
}

// One entry per object: type 1 with the offset of an object written whole,
// type 2 with the object stream and index of a gathered one.
void PdfFile::WriteCrossReferences(int root, int info) {
    int self = Reserve();
    std::uint64_t start = offset_;
    places_.back() = {start, 0, 0};
    int width = 1;
    while (width < 8 && (std::max<std::uint64_t>(start, places_.size()) >> (8 * width)) != 0)
        ++width;
    std::string entries;
    entries.reserve((places_.size() + 1) * static_cast<std::size_t>(width + 3));
    entries += '\0';
    AppendBigEndian(entries, 0, width);
    AppendBigEndian(entries, 0xFFFF, 2);
    for (const Place& place : places_) {
        entries += static_cast<char>(place.stream ? 2 : 1);
        AppendBigEndian(entries, place.stream ? place.stream : place.offset, width);
        AppendBigEndian(entries, place.index, 2);
    }
    std::string id = FileId();
    WriteStream(self, "/Type/XRef/Size " + std::to_string(places_.size() + 1) + "/W[1 " + std::to_string(width) +
                          " 2]/Root " + Ref(root) + "/Info " + Ref(info) + "/ID[" + id + id + "]",
                entries);
    Put("startxref\n" + std::to_string(start) + "\n%%EOF\n");
}

} // namespace print
