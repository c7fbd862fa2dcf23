#include "TiffErrors.h"

#include <cstdarg>
#include <cstdio>
#include <tiffio.h>

namespace gc {
namespace {

thread_local Messages* t_sink = nullptr;
thread_local std::vector<TiffErrorRecord>* t_capture = nullptr;

void RouteTiffError(const char* module, const char* format, va_list arguments) {
    if (t_sink == nullptr && t_capture == nullptr)
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, arguments);
    if (t_capture != nullptr)
        t_capture->push_back({TiffErrorCaption(module), text});
    else
        t_sink->Show(MessageKind::Warning, text, TiffErrorCaption(module));
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

TiffErrorCapture::TiffErrorCapture(std::vector<TiffErrorRecord>& into) : previous(t_capture) {
    t_capture = &into;
}

TiffErrorCapture::~TiffErrorCapture() {
    t_capture = previous;
}

void ShowTiffErrors(const std::vector<TiffErrorRecord>& records, Messages& messages) {
    for (const TiffErrorRecord& record : records)
        messages.Show(MessageKind::Warning, record.text, record.caption);
}

Messages* TiffErrorSink() {
    return t_sink;
}

TiffErrorScope::TiffErrorScope(Messages& messages) : m_pPrevious(t_sink) {
    InstallTiffHandlers();
    t_sink = &messages;
}

TiffErrorScope::~TiffErrorScope() {
    t_sink = m_pPrevious;
}

} // namespace gc
