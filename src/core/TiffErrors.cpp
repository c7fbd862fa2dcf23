#include "TiffErrors.h"

#include <cstdarg>
#include <cstdio>
#include <tiffio.h>

namespace gc {
namespace {

Messages* g_pTiffMessages = nullptr;

void RouteTiffError(const char* module, const char* format, va_list arguments) {
    if (g_pTiffMessages == nullptr)
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, arguments);
    g_pTiffMessages->Show(MessageKind::Warning, text, TiffErrorCaption(module));
}

} // namespace

std::string TiffErrorCaption(const char* module) {
    std::string caption = (module != nullptr && *module != '\0') ? module : "TIFFLIB";
    return caption + " Error";
}

void InstallTiffHandlers() {
    TIFFSetErrorHandler(RouteTiffError);
    TIFFSetWarningHandler(nullptr);
}

TiffErrorScope::TiffErrorScope(Messages& messages) : m_pPrevious(g_pTiffMessages) {
    InstallTiffHandlers();
    g_pTiffMessages = &messages;
}

TiffErrorScope::~TiffErrorScope() {
    g_pTiffMessages = m_pPrevious;
}

} // namespace gc
