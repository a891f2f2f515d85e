#include "PdfFile.h"

#include <zlib.h>

#include <cstdio>
#include <new>

namespace print {

namespace {

constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;

} // namespace

PdfFile::PdfFile(Output& out) : out_(out), hash_{0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL} {
    // The binary comment tells transfer programs the file is not text.
    Put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

int PdfFile::Reserve() {
    offsets_.push_back(0);
    return static_cast<int>(offsets_.size());
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
    offsets_[static_cast<std::size_t>(number - 1)] = offset_;
    Put(std::to_string(number) + " 0 obj\n");
}

void PdfFile::WriteObject(int number, const std::string& body) {
    BeginObject(number);
    Put(body);
    Put("\nendobj\n");
}

void PdfFile::WriteStream(int number, const std::string& dictionary, const std::string& data) {
    WriteCompressed(number, dictionary, reinterpret_cast<const unsigned char*>(data.data()), data.size());
}

void PdfFile::WriteStream(int number, const std::string& dictionary, const std::vector<std::uint8_t>& data) {
    WriteCompressed(number, dictionary, data.data(), data.size());
}

void PdfFile::WriteCompressed(int number, const std::string& dictionary, const unsigned char* data, std::size_t size) {
    uLongf length = compressBound(static_cast<uLong>(size));
    std::string packed(length, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &length, data, static_cast<uLong>(size), Z_BEST_COMPRESSION) !=
        Z_OK)
        throw std::bad_alloc();
    packed.resize(length);
    BeginObject(number);
    Put("<<" + dictionary + "/Filter/FlateDecode/Length " + std::to_string(length) + ">>\nstream\n");
    Put(packed);
    Put("\nendstream\nendobj\n");
}

// Two hashes of every byte before the cross-reference table: the same
// document gives the same identifier, another document another.
std::string PdfFile::FileId() const {
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash_[0]),
                  static_cast<unsigned long long>(hash_[1]));
    return std::string("<") + text + ">";
}

void PdfFile::Finish(int root, int info) {
    std::uint64_t start = offset_;
    std::string id = FileId();
    Put("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
    for (std::uint64_t offset : offsets_) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offset));
        Put(entry);
    }
    Put("trailer\n<</Size " + std::to_string(offsets_.size() + 1) + "/Root " + Ref(root) + "/Info " + Ref(info) +
        "/ID[" + id + id + "]>>\nstartxref\n" + std::to_string(start) + "\n%%EOF\n");
}

} // namespace print
