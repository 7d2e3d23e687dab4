#include "install/progress_scale.h"

#include <limits>

namespace {
constexpr std::uint64_t kMaxRange = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

CProgressScale::CProgressScale(std::uint64_t total) : m_total(total)
{
    while ((m_total >> m_shift) > kMaxRange)
        ++m_shift;
}

std::int32_t CProgressScale::Position(std::uint64_t done) const
{
    const std::uint64_t scaled = (done < m_total ? done : m_total) >> m_shift;
    return static_cast<std::int32_t>(scaled);
}
