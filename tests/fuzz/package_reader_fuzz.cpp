#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "install/package_reader.h"
#include "install/progress_scale.h"

namespace {

// Delivers the input in small, uneven pieces, as a slow file might.
class CPieceSource final : public IByteSource {
public:
    CPieceSource(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Read(void* buffer, std::size_t size, std::size_t& delivered) override
    {
        const std::size_t left = m_size - m_at;
        delivered = size < left ? size : left;
        if (delivered > 97)
            delivered = 97;
        std::memcpy(buffer, m_data + m_at, delivered);
        m_at += delivered;
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CPieceSource source(data, size);
    CPackageReader reader(source, CodePage(936));
    std::vector<PackageEntry> entries;
    if (!reader.ReadHeader() || !reader.ReadEntries(entries))
        return 0;

    const CProgressScale scale(TotalContentBytes(entries));
    std::uint64_t done = 0;
    std::vector<unsigned char> buffer(kCopyChunkSize);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint64_t copied = 0;
        while (copied < entries[i].ContentBytes()) {
            const std::size_t want = NextChunkSize(entries[i].ContentBytes() - copied);
            std::size_t got = 0;
            if (!reader.ReadContent(static_cast<std::int64_t>(i), buffer.data(), want, got))
                return 0;
            copied += got;
            done += got;
            if (scale.Position(done) > scale.Range())
                __builtin_trap();
        }
    }
    return 0;
}
