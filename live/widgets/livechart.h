#pragma once
#include <QWidget>
#include <array>

#include "live/chartview.h"

class ChartPane;

// The two panes of the live chart side by side; the chart model draws on them
// through ChartView. Calls for a pane other than 0 or 1 are ignored.
class LiveChart : public QWidget, public ChartView {
    Q_OBJECT
public:
    explicit LiveChart(QWidget *parent = nullptr);
    ChartPane *pane(int k) const;

    void setTitle(int pane, const QString &title) override;
    void SetPaneScale(int pane, double ymin, double ymax, double xmin, double xmax) override;
    void drawYAxis(int pane, double ymin, double ymax, int divisions, int subdivisions, const QString &format) override;
    void drawXAxis(int pane, double xmin, double xmax, int divisions, int subdivisions, const QString &format) override;
    void drawGrid(int pane, int xDivisions, int yDivisions) override;
    void drawLine(int pane, double x1, double y1, double x2, double y2) override;
    void drawPoint(int pane, double x, double y) override;

private:
    std::array<ChartPane *, 2> m_panes{};
};
