#pragma once
#include <QString>

// Drawing side of the live chart. Coordinates are the pane's user coordinates
// (x = sample - ChartOrigin, y = channel value); the widget keeps what it was
// told so it can repaint crisply at any size.
class ChartView {
public:
    virtual ~ChartView() = default;
    virtual void setTitle(int pane, const QString &title) = 0;   // `NomeC`(k)
    // Clears the pane's traces and sets its user coordinates.
    virtual void SetPaneScale(int pane, double ymin, double ymax, double xmin, double xmax) = 0;
    virtual void drawYAxis(int pane, double ymin, double ymax, int divisions, int subdivisions,
                           const QString &format) = 0;
    virtual void drawXAxis(int pane, double xmin, double xmax, int divisions, int subdivisions,
                           const QString &format) = 0;
    virtual void drawGrid(int pane, int xDivisions, int yDivisions) = 0;
    virtual void drawLine(int pane, double x1, double y1, double x2, double y2) = 0;
    virtual void drawPoint(int pane, double x, double y) = 0;
};
