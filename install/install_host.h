#pragma once

#include <cstdint>
#include <string>

// What the installation reports to the window that shows it (the progress
// page, or a recording host in tests). Every call is synchronous: it returns
// once the interface thread has handled it, so the display keeps step with
// the bytes written.
class IInstallHost {
public:
    virtual ~IInstallHost() = default;
    // The bar runs from 0 to `upper`.
    virtual void SetProgressRange(std::int32_t upper) = 0;
    virtual void SetProgressPos(std::int32_t position) = 0;
    // `ansiText` is the full path of the file being written, in the ANSI code page.
    virtual void SetStatusText(const std::string& ansiText) = 0;
    // An OK message box that blocks until dismissed; `utf8Text` is one of the
    // installation's fixed messages.
    virtual void ShowMessage(const char* utf8Text) = 0;
};
