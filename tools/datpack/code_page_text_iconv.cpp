#include "tools/datpack/code_page_text.h"

#include <cerrno>
#include <iconv.h>
#include <string>
#include <vector>

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One direction of conversion, owned. iconv keeps state between calls, so
// every conversion starts by resetting it.
class CIconv {
public:
    CIconv(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~CIconv()
    {
        if (IsOpen())
            iconv_close(m_handle);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    bool IsOpen() const { return m_handle != kNoConverter; }

    // Fails on any input it cannot convert, and on conversions iconv itself
    // reports as irreversible.
    bool Convert(std::string_view input, std::string& output) const
    {
        // No character grows by more than four times between UTF-8 and an ANSI code page.
        std::vector<char> buffer(input.size() * 4 + 4);
        std::string in(input);
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        const std::size_t irreversible = iconv(m_handle, &inPtr, &inLeft, &outPtr, &outLeft);
        if (irreversible != 0 || inLeft != 0)
            return false;
        // Flush any shift state so stateful encodings end cleanly.
        if (iconv(m_handle, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return false;
        output.assign(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        return true;
    }

private:
    iconv_t m_handle;
};

class CIconvCodePageText final : public ICodePageText {
public:
    explicit CIconvCodePageText(const std::string& name) : m_toAnsi(name.c_str(), "UTF-8"), m_fromAnsi("UTF-8", name.c_str()) {}

    bool IsOpen() const { return m_toAnsi.IsOpen() && m_fromAnsi.IsOpen(); }

    bool ToAnsi(const NativeString& text, std::string& ansi) const override { return m_toAnsi.Convert(text, ansi); }
    bool FromAnsi(std::string_view ansi, NativeString& text) const override { return m_fromAnsi.Convert(ansi, text); }

private:
    CIconv m_toAnsi;
    CIconv m_fromAnsi;
};

} // namespace

std::unique_ptr<ICodePageText> OpenCodePageText(unsigned number, std::string& error)
{
    auto converter = std::make_unique<CIconvCodePageText>("CP" + std::to_string(number));
    if (!converter->IsOpen()) {
        error = "code page " + std::to_string(number) + " is not supported by this system's iconv";
        return nullptr;
    }
    return converter;
}
