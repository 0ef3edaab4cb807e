#include "live/minmaxcolumns.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Comparisons with NaN are false, so NaN samples fall through both tests.
inline void take(double v, double &lo, double &hi)
{
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
}

}   // namespace

MinMaxColumns::MinMaxColumns(std::span<const double> values) : m_values(values)
{
    const size_t block = size_t(1) << kBlockShift;
    const size_t blocks = (values.size() + block - 1) / block;
    if (blocks == 0)
        return;
    std::vector<double> lo(blocks), hi(blocks);
    for (size_t b = 0; b < blocks; ++b) {
        double l = kInf, h = -kInf;
        for (size_t i = b * block, end = std::min(values.size(), i + block); i < end; ++i)
            take(values[i], l, h);
        lo[b] = l;
        hi[b] = h;
    }
    m_min.push_back(std::move(lo));
    m_max.push_back(std::move(hi));
    while (m_min.back().size() > 1) {
        const std::vector<double> &pl = m_min.back(), &ph = m_max.back();
        const size_t n = (pl.size() + 1) / 2;
        std::vector<double> l(n), h(n);
        for (size_t i = 0; i < n; ++i) {
            const size_t j = std::min(2 * i + 1, pl.size() - 1);
            l[i] = std::min(pl[2 * i], pl[j]);
            h[i] = std::max(ph[2 * i], ph[j]);
        }
        m_min.push_back(std::move(l));
        m_max.push_back(std::move(h));
    }
}

MinMax MinMaxColumns::range(int first, int last) const
{
    double lo = kInf, hi = -kInf;
    if (first < 0)
        first = 0;
    if (last >= size())
        last = size() - 1;
    const int mask = (1 << kBlockShift) - 1;
    // Ends that do not fill a block are read sample by sample.
    while (first <= last && (first & mask) != 0)
        take(m_values[size_t(first++)], lo, hi);
    while (last >= first && ((last + 1) & mask) != 0)
        take(m_values[size_t(last--)], lo, hi);
    if (first <= last) {
        // Whole blocks [i, j) at each level: an odd end is taken on its own
        // and the rest pairs up into the level above.
        size_t i = size_t(first) >> kBlockShift, j = size_t(last + 1) >> kBlockShift;
        for (size_t level = 0; i < j; ++level, i >>= 1, j >>= 1) {
            if (i & 1) {
                lo = std::min(lo, m_min[level][i]);
                hi = std::max(hi, m_max[level][i]);
                ++i;
            }
            if (j & 1) {
                --j;
                lo = std::min(lo, m_min[level][j]);
                hi = std::max(hi, m_max[level][j]);
            }
        }
    }
    if (lo > hi)
        return {};
    return {lo, hi};
}

void MinMaxColumns::columns(int first, int last, int width, std::vector<MinMax> &out) const
{
    out.assign(size_t(std::max(width, 0)), MinMax{});
    const std::int64_t rows = std::int64_t(last) - first + 1;
    if (width <= 0 || rows <= 0)
        return;
    // Column c holds the rows from ceil(c * rows / width) on.
    auto start = [&](std::int64_t c) { return first + int((c * rows + width - 1) / width); };
    int from = first;
    for (int c = 0; c < width; ++c) {
        const int to = start(c + 1);
        if (to > from)
            out[size_t(c)] = range(from, to - 1);
        from = to;
    }
}
