#pragma once
#include <cmath>
#include <limits>
#include <span>
#include <vector>

// Lowest and highest number of a stretch of samples; both NaN when it holds none.
struct MinMax {
    double min = std::numeric_limits<double>::quiet_NaN();
    double max = std::numeric_limits<double>::quiet_NaN();
    bool isEmpty() const { return std::isnan(min); }
};

// Minimum and maximum of one channel per pixel column, so that a recording
// drawn zoomed out keeps every peak a single sample makes.
//
// Built once per channel after loading: block minima and maxima over 8, 16,
// 32 ... samples, about half the channel's own size. A query then
// reads at most a block's worth of samples at each end of a column and two
// blocks per level in between. NaN samples (cells that are not numbers) are
// ignored.
class MinMaxColumns {
public:
    MinMaxColumns() = default;
    // `values` must stay alive and unchanged while this is used.
    explicit MinMaxColumns(std::span<const double> values);

    int size() const { return int(m_values.size()); }

    // Rows first..last inclusive; empty when the range is.
    MinMax range(int first, int last) const;

    // Rows first..last spread over `width` columns: row r belongs to column
    // floor((r - first) * width / (last - first + 1)). Zoomed in further than a
    // row per column, the columns between two rows are empty. `out` gets
    // `width` entries; the range must lie within 0..size() - 1.
    void columns(int first, int last, int width, std::vector<MinMax> &out) const;

private:
    // Blocks of 8 measured twice as fast as blocks of 16 for a zoomed-out redraw.
    static constexpr int kBlockShift = 3;
    std::span<const double> m_values;
    // Level k: blocks of 2^(kBlockShift + k) samples; an empty block holds +inf/-inf.
    std::vector<std::vector<double>> m_min, m_max;
};
