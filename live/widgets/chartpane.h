#pragma once
#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QWidget>

// One pane of the live chart: title `NomeC`, Y-scale box `BoxScalaY` on the left,
// X-scale box `BoxScalaX` below and the drawing area `GraficoC`. Everything is
// kept in user coordinates and painted at the widget's current size; the traces
// are cached in a pixmap so that a new segment repaints only its own rectangle.
class ChartPane : public QWidget {
    Q_OBJECT
public:
    struct Axis {
        bool shown = false;
        double min = 0, max = 0;
        int divisions = 0, subdivisions = 0;
        QString format;
        bool operator==(const Axis &) const = default;
    };
    struct Trace {
        QPointF from, to;   // user coordinates; from == to for a single point
        bool point = false;
    };

    explicit ChartPane(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    QString title() const { return m_title; }
    // Clears the traces and sets the user coordinates of the drawing area.
    void setScale(double ymin, double ymax, double xmin, double xmax);
    void setYAxis(double ymin, double ymax, int divisions, int subdivisions, const QString &format);
    void setXAxis(double xmin, double xmax, int divisions, int subdivisions, const QString &format);
    void setGrid(int xDivisions, int yDivisions);
    void addLine(double x1, double y1, double x2, double y2);
    void addPoint(double x, double y);
    void setTraceColour(const QColor &colour);

    const QList<Trace> &traces() const { return m_traces; }
    const Axis &yAxis() const { return m_yAxis; }
    const Axis &xAxis() const { return m_xAxis; }
    QRectF userRect() const { return QRectF(m_xmin, m_ymin, m_xmax - m_xmin, m_ymax - m_ymin); }
    // Drawing area in widget coordinates, and a user point mapped into it.
    QRect plotRect() const { return m_plot; }
    QPointF toWidget(double x, double y) const;
    // Widget rectangle a trace covers, its pen included.
    QRect traceRect(const Trace &t) const;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void addTrace(const Trace &t);
    bool computeGeometry();   // true when the drawing area moved or changed size
    void renderCache();
    void paintTrace(QPainter &p, const Trace &t, const QPointF &offset) const;
    void paintYScale(QPainter &p) const;
    void paintXScale(QPainter &p) const;
    int twips(int units, Qt::Orientation o) const;
    QFont titleFont() const;
    QString label(double v, const QString &format) const;

    QString m_title;
    double m_xmin = 0, m_xmax = 100, m_ymin = 0, m_ymax = 100;
    Axis m_yAxis, m_xAxis;
    int m_gridX = 0, m_gridY = 0;
    QList<Trace> m_traces;
    QColor m_traceColour{255, 210, 63};

    QRect m_titleRect, m_yBox, m_xBox, m_plot;
    QPixmap m_cache;
    bool m_cacheValid = false;
};
