// The application object, whose lifetime is the library's: when the library
// unloads it releases every font still in the table.
#pragma once

#include "FontTable.h"

namespace api {

class CQuelinApp {
public:
    explicit CQuelinApp(FontTable& table) : table_(table) {}
    ~CQuelinApp() { ExitInstance(); }
    CQuelinApp(const CQuelinApp&) = delete;
    CQuelinApp& operator=(const CQuelinApp&) = delete;

    // Frees every record and destroys every converter, in table order.
    int ExitInstance() {
        table_.ReleaseAll();
        return 0;
    }

private:
    FontTable& table_;
};

// The library's one table, built before the application object and
// destroyed after it.
FontTable& TheFontTable();
CQuelinApp& TheApp();

} // namespace api
