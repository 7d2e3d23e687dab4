#pragma once

#include <cstdint>

// Maps byte counts onto the 32-bit signed range of a progress bar. While the
// total fits, range and positions are the exact byte figures; above that both
// are shifted right just enough to fit, so the bar still runs from 0 to its end.
class CProgressScale {
public:
    explicit CProgressScale(std::uint64_t total);

    std::int32_t Range() const { return Position(m_total); }
    std::int32_t Position(std::uint64_t done) const;

private:
    std::uint64_t m_total;
    unsigned m_shift = 0;
};
