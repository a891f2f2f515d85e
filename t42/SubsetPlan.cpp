#include "SubsetPlan.h"
#include "FontProgram.h"
#include "PsSyntax.h"

#include <mutex>

namespace t42 {

Status SubsetPlan::Make(const LoadedFont& font, const std::vector<DrawnGlyph>& drawn, SubsetPlan& plan) {
    plan = SubsetPlan();
    Status status = SelectSubset(font, drawn, plan.selection_);
    if (!status.Ok())
        return status;
    plan.tables_ = std::make_unique<ProgramTables>(font);
    status = MakeSubsetTables(font, plan.selection_, *plan.tables_);
    if (!status.Ok()) {
        plan = SubsetPlan();
        return status;
    }
    plan.font_ = &font;
    plan.advances_ = plan.tables_->AdvanceWidths();
    return status;
}

unsigned SubsetPlan::UnitsPerEm() const { return font_->Facts().unitsPerEm; }

std::string SubsetPlan::NameToken(std::uint32_t original) const {
    std::size_t written = WrittenIndex(original);
    char token[kMaxNameTokenLength];
    const char* end = WriteNameToken(token, Name(written < Size() ? written : 0).c_str());
    return std::string(token, static_cast<std::size_t>(end - token));
}

void SubsetPlan::WriteProgram(OutputBuffer& out) const {
    // The Encoding names the face's own glyphs of three bytes.
    std::lock_guard<platform::Mutex> hold(font_->FaceLock());
    WriteFontProgram(*font_, selection_, *tables_, out);
}

std::vector<std::uint8_t> SubsetPlan::TrueTypeFile() const { return RebuiltFile(*tables_); }

} // namespace t42
