#include "live/widgets/livechart.h"

#include <QHBoxLayout>

#include "live/widgets/chartpane.h"

LiveChart::LiveChart(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    // Lambda probe in amber, duty cycle in cyan: told apart at a glance.
    const QColor colours[2] = {QColor(255, 196, 46), QColor(64, 208, 255)};
    for (int k = 0; k < 2; ++k) {
        m_panes[k] = new ChartPane(this);
        m_panes[k]->setObjectName(QStringLiteral("GraficoC%1").arg(k));
        m_panes[k]->setTraceColour(colours[k]);
        row->addWidget(m_panes[k], 1);
    }
}

ChartPane *LiveChart::pane(int k) const
{
    return k == 0 || k == 1 ? m_panes[k] : nullptr;
}

void LiveChart::setTitle(int pane, const QString &title)
{
    if (ChartPane *p = this->pane(pane))
        p->setTitle(title);
}

void LiveChart::SetPaneScale(int pane, double ymin, double ymax, double xmin, double xmax)
{
    if (ChartPane *p = this->pane(pane))
        p->setScale(ymin, ymax, xmin, xmax);
}

void LiveChart::drawYAxis(int pane, double ymin, double ymax, int divisions, int subdivisions, const QString &format)
{
    if (ChartPane *p = this->pane(pane))
        p->setYAxis(ymin, ymax, divisions, subdivisions, format);
}

void LiveChart::drawXAxis(int pane, double xmin, double xmax, int divisions, int subdivisions, const QString &format)
{
    if (ChartPane *p = this->pane(pane))
        p->setXAxis(xmin, xmax, divisions, subdivisions, format);
}

void LiveChart::drawGrid(int pane, int xDivisions, int yDivisions)
{
    if (ChartPane *p = this->pane(pane))
        p->setGrid(xDivisions, yDivisions);
}

void LiveChart::drawLine(int pane, double x1, double y1, double x2, double y2)
{
    if (ChartPane *p = this->pane(pane))
        p->addLine(x1, y1, x2, y2);
}

void LiveChart::drawPoint(int pane, double x, double y)
{
    if (ChartPane *p = this->pane(pane))
        p->addPoint(x, y);
}
