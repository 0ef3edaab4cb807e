#pragma once
#include <QString>

// The stretch of rows a recording plot shows and how it maps onto pixel
// columns, without any pixels of its own: the plot and its tests share it.
//
// Row r lies in column floor((r - first) * width / count), the rule the min/max
// columns use, so what is drawn and what the mouse picks always agree.
class ViewRange {
public:
    // Closer than this a zoom stops: a few samples still show their shape.
    static constexpr int kMinRows = 10;

    explicit ViewRange(int total = 0) { setTotal(total); }

    // A new recording: everything shown.
    void setTotal(int total);
    int total() const { return m_total; }
    int first() const { return m_first; }
    int last() const { return m_first + m_count - 1; }
    int count() const { return m_count; }
    bool isEmpty() const { return m_total == 0; }

    void showAll();
    // Rows first..last, widened to kMinRows and moved inside the recording.
    void setRange(int first, int last);
    // Same count, first moved inside the recording.
    void setFirst(int first);

    // Scales the count by `factor` (below 1 zooms in) keeping the row under
    // pixel x in the same place.
    void zoomAt(double x, int width, double factor);
    // The range a rubber band from x0 to x1 covers.
    void zoomToPixels(double x0, double x1, int width);
    // Moves the view by `dx` pixels worth of rows: dragging right shows earlier rows.
    void panPixels(double dx, int width);

    // Row under pixel x (clamped to the visible rows).
    int rowAt(double x, int width) const;
    // Pixel x of a row's left edge and of its centre; rows outside the view give x outside 0..width.
    double xOfRow(double row, int width) const;
    double xOfRowCentre(int row, int width) const { return xOfRow(row + 0.5, width); }

private:
    int m_total = 0;
    int m_first = 0;
    int m_count = 0;
};

// A y scale's limits.
struct YScale {
    double min = 0;
    double max = 1;
};

// Limits around data from lo to hi with `margin` of the span added on each side,
// so the trace never runs along the frame; a flat trace gets a band around it.
// NaN (no data) gives 0..1.
YScale AutoScale(double lo, double hi, double margin = 0.05);

// A step of 1, 2 or 5 times a power of ten giving at most `maxTicks` ticks over lo..hi.
double NiceStep(double lo, double hi, int maxTicks);

// Seconds from the start of a recording at the display rate of 5 samples a second.
inline double SampleSeconds(int rows)
{
    return rows * 0.2;
}
// "m:ss.s", or "h:mm:ss" past an hour, as the fitter reads a stopwatch.
QString FormatDuration(double seconds);
