// A page writer turns laid-out pages into a document: PostScript or PDF.
// The layout calls BeginFile, WritePage for each of the file's pages and
// EndFile for each input in turn, then Finish once.
#pragma once

#include "Page.h"

#include <cstddef>
#include <string>

namespace print {

struct FileInfo {
    std::string name; // UTF-8: the header's and bookmark's name ("standard input")
    std::string date; // the header's date text
};

class PageWriter {
public:
    virtual ~PageWriter() = default;
    virtual void BeginFile(const FileInfo& file) = 0;
    virtual void WritePage(const Page& page) = 0;
    // The file had `pages` pages: what "Page N of M" shows as M.
    virtual void EndFile(std::size_t pages) = 0;
    // Completes the document (fonts, trailer). False with one sentence in
    // `error` when it cannot, and what failed in `fault`.
    enum class Fault { font, file };
    virtual bool Finish(std::string& error, Fault& fault) = 0;
};

} // namespace print
