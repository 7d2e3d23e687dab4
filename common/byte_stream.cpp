#include "common/byte_stream.h"

bool ReadFully(IByteSource& source, void* buffer, std::size_t size, std::size_t& delivered)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    delivered = 0;
    while (delivered < size) {
        std::size_t got = 0;
        if (!source.Read(bytes + delivered, size - delivered, got))
            return false;
        if (got == 0)
            break;
        delivered += got;
    }
    return true;
}
