// Messages: the one way the core talks to the user. Each call shows one text, in the system's exact
// wording, with a kind that decides its icon (desktop) or its output stream (command line).
#pragma once

#include <string>

namespace gc {

enum class MessageKind { Information, Warning, Error };

// Caption used for every message box unless a caller names its own (the TIFF library's errors do).
inline constexpr const char* DEFAULT_CAPTION = "Gridcarver";

class Messages {
public:
    virtual ~Messages() = default;
    // Shows `text`; returns when the user has confirmed it. An empty caption means DEFAULT_CAPTION.
    virtual void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) = 0;

    // The file and the system's reason behind the fatal or write-error text that follows, e.g.
    // "writing out/scan_1.mrc: No space left on device". The command line prints it as one line on
    // standard error; the desktop program keeps its fixed texts and drops it.
    virtual void Detail(const std::string& /*line*/) {}

    // A file the operation finished under its own name. The command line prints its path; the
    // desktop program shows nothing.
    virtual void FileWritten(const std::string& /*path*/) {}

    void Information(const std::string& text) { Show(MessageKind::Information, text); }
    void Warning(const std::string& text) { Show(MessageKind::Warning, text); }
    void Error(const std::string& text) { Show(MessageKind::Error, text); }
};

// Drops every message; for callers that judge by result alone.
class SilentMessages final : public Messages {
public:
    void Show(MessageKind, const std::string&, const std::string& = {}) override {}
};

} // namespace gc
