#include "Commands.h"
#include "ExitStatus.h"

#include "print/FontChoice.h"

#include "api/Library.h"
#include "platform/Platform.h"

#include <cstring>

namespace cli {

namespace {

// The largest drawing-code buffer for one piece of text: a piece holds at
// most TextDecoder::kPieceBytes + 1 bytes, each drawn in under 100 bytes.
constexpr std::size_t kMostCodeBytes = std::size_t(1) << 26;

// One sentence for a refused conversion: its code and the library's reason.
std::string Explain(const t42::Status& status, const std::string& faceName) {
    std::string code = " (" + std::to_string(status.code) + ")";
    if (status.check == t42::Check::notListed)
        return "no installed TrueType font is named " + Quoted(faceName) + code;
    return "cannot convert " + Quoted(faceName) + code + ": " + status.Reason();
}

std::uint32_t RequestCodePage(const Options& options) {
    return t42::CodePageFromCharSet(static_cast<std::uint8_t>(options.charSet), platform::UserCodePage());
}

int NeedFace(const Options& options, bool moreOperands) {
    if (options.operands.empty())
        return Fail(kExitUsage, "command " + options.command + " needs a face name");
    if (!moreOperands && options.operands.size() > 1)
        return Fail(kExitUsage, "command " + options.command + " takes one face name (quote names with blanks)");
    return kExitOk;
}

int MakeFont(const Options& options, const std::string& faceName, Converter& converter) {
    t42::Status status;
    if (faceName.size() < LF_FACESIZE) {
        LOGFONTA request = MakeRequest(options, faceName);
        int handle = api::MakeTrueTypeFont(&request, &status);
        if (handle >= 0) {
            converter = api::FindConverter(handle);
            T42DeleteTrueTypeFont(handle);
            if (converter) {
                ProtectFromOutput(converter->Font().Path());
                return kExitOk;
            }
            status = t42::Status::Refuse(t42::kBadHandle, t42::Check::internalError);
        }
        if (status.check != t42::Check::notListed)
            return Fail(kExitRefused, Explain(status, faceName));
    }
    // A name as the list prints it, or one longer than the request's field:
    // found here, converted by location.
    t42::FontLocation location;
    if (!print::FindListedFace(faceName, location))
        return Fail(kExitRefused, Explain(t42::Status::Refuse(t42::kNoSuchFont, t42::Check::notListed), faceName));
    auto made = std::make_shared<t42::TTPost42>();
    status = made->ConvertFace(location, RequestCodePage(options));
    if (!status.Ok())
        return Fail(kExitRefused, Explain(status, faceName));
    ProtectFromOutput(location.path);
    converter = made;
    return kExitOk;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

int LoadFaceFont(const Options& options, t42::TTPost42& converter) {
    if (int status = NeedFace(options, false))
        return status;
    const std::string& faceName = options.operands[0];
    t42::Status status = t42::Status::Refuse(t42::kNoSuchFont, t42::Check::notListed);
    if (faceName.size() < LF_FACESIZE) {
        LOGFONTA request = MakeRequest(options, faceName);
        status = converter.Load(&request);
        if (!status.Ok() && status.check != t42::Check::notListed)
            return Fail(kExitRefused, Explain(status, faceName));
    }
    if (!status.Ok()) {
        t42::FontLocation location;
        if (!print::FindListedFace(faceName, location))
            return Fail(kExitRefused, Explain(status, faceName));
        status = converter.LoadFace(location, RequestCodePage(options));
        if (!status.Ok())
            return Fail(kExitRefused, Explain(status, faceName));
    }
    ProtectFromOutput(converter.Font().Path());
    return kExitOk;
}

int MakeFaceFont(const Options& options, bool moreOperands, Converter& converter) {
    if (int status = NeedFace(options, moreOperands))
        return status;
    return MakeFont(options, options.operands[0], converter);
}

bool OpenOutput(const Options& options, OutputFile& out, const std::vector<std::string>& inputs) {
    // The fonts the command reads are protected as they are read.
    for (const std::string& file : options.fontFiles)
        ProtectFromOutput(file);
    std::string error;
    if (out.Open(options.output, inputs, error))
        return true;
    Fail(kExitIo, error);
    return false;
}

int Finish(OutputFile& out, int status) {
    if (!out.Finish())
        return Fail(kExitIo, out.Error());
    return status;
}

int RunOnFace(const Options& options, bool moreOperands,
              const std::function<int(const t42::TTPost42&, OutputFile&)>& body) {
    Converter converter;
    if (int status = MakeFaceFont(options, moreOperands, converter))
        return status;
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
    int status = body(*converter, out);
    if (status != kExitOk && status != kExitPartial)
        return status;
    return Finish(out, status);
}

bool WantsPdf(const Options& options) { return EndsWith(options.output, ".pdf") || EndsWith(options.output, ".PDF"); }

std::string PostScriptName(const t42::TTPost42& converter) {
    char name[256];
    converter.GetPSFontName(name, sizeof name);
    return name;
}

std::uint32_t TextCodePage(const Options& options) {
    std::uint32_t codePage = RequestCodePage(options);
    return codePage == 0 ? platform::AnsiCodePage() : codePage;
}

const char* Drawer::Code(const std::string& text, std::size_t& size) {
    for (;;) {
        int result = converter_.TextOut(text.c_str(), buffer_.data(), static_cast<int>(buffer_.size()));
        if (result == T42_OK) {
            size = std::strlen(buffer_.data());
            return buffer_.data();
        }
        if (result != T42_ERROR_BUFFER_TOO_SMALL || buffer_.size() >= kMostCodeBytes) {
            Fail(kExitRefused, "the library cannot draw the text (" + std::to_string(result) + ")");
            return nullptr;
        }
        buffer_.resize(buffer_.size() * 2);
    }
}

} // namespace cli
