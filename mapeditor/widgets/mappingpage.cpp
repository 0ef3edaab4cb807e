#include "mapeditor/widgets/mappingpage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QEvent>
#include <algorithm>
#include <cmath>

#include "app/framestate.h"
#include "app/texts.h"
#include "live/widgets/livechart.h"
#include "mapeditor/mapstate.h"
#include "mapeditor/widgets/correctiongraph.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kDeltaPWidth = 3;   // percentages 0..300

void paintBox(QLineEdit *box, const QColor &colour)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, colour);
    box->setPalette(pal);
}

} // namespace

QString MappingPage::BoxText(double value, int width)
{
    const double r = std::round(value);   // halves away from zero
    return QString::number(qint64(r)).rightJustified(width, QLatin1Char(' ')).right(width);
}

MappingPage::MappingPage(const FrameState &frame, const MapEditorState &map, QWidget *parent)
    : QWidget(parent), m_map(map)
{
    setObjectName(QStringLiteral("PaginaF6"));
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(10, 8, 10, 8);
    page->setSpacing(6);

    m_graph = new CorrectionGraph(map, this);
    page->addWidget(m_graph, 4);

    // The six boxes sit under the graph, each below its breakpoint column.
    m_row = new QWidget(this);
    m_row->setObjectName(QStringLiteral("RigaDeltaP"));
    m_caption = new QLabel(Testo(frame.id(253)).trimmed(), m_row);
    m_caption->setObjectName(QStringLiteral("LabDeltaP"));
    QFont boxFont(QStringLiteral("DejaVu Sans Mono"));
    boxFont.setStyleHint(QFont::Monospace);
    boxFont.setBold(true);
    boxFont.setPixelSize(15);
    const int boxW = QFontMetrics(boxFont).horizontalAdvance(QStringLiteral("0000")) + 18;
    for (int k = 0; k < 6; ++k) {
        auto *box = new QLineEdit(m_row);
        box->setObjectName(QStringLiteral("DeltaP%1").arg(k));
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setMaxLength(kDeltaPWidth);
        box->setReadOnly(true);
        box->setFont(boxFont);
        box->setFixedWidth(boxW);
        paintBox(box, Qt::white);
        m_deltaP[k] = box;
    }
    m_row->setFixedHeight(m_deltaP[0]->sizeHint().height() + 6);
    m_caption->adjustSize();
    m_graph->setMinimumMargins(m_caption->width() + boxW / 2 + 16, boxW / 2 + 4);
    page->addWidget(m_row);
    m_row->installEventFilter(this);
    m_graph->installEventFilter(this);

    auto *chartRow = new QHBoxLayout;
    chartRow->setContentsMargins(0, 6, 0, 0);
    chartRow->setSpacing(10);
    m_chart = new LiveChart(this);
    m_chart->setObjectName(QStringLiteral("GraficoLive"));
    chartRow->addWidget(m_chart, 1);
    m_azzero = new PictureButton(this);
    m_azzero->setObjectName(QStringLiteral("Azzero"));
    CaricaTasto(frame, m_azzero, 131, 132);
    m_azzero->setToolTip(QStringLiteral("Ctrl+Z"));
    m_azzero->setFixedSize(m_azzero->sizeHint());
    chartRow->addWidget(m_azzero, 0, Qt::AlignTop);
    page->addLayout(chartRow, 6);

    showValues();
}

bool MappingPage::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_row || watched == m_graph) && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeBoxes();
    return QWidget::eventFilter(watched, event);
}

// Box k under the graph's column k of six, the caption left of the first box.
void MappingPage::placeBoxes()
{
    const QRect plot = m_graph->plotRect();
    const int offset = m_graph->x() - m_row->x();
    const int h = m_deltaP[0]->sizeHint().height();
    const int top = (m_row->height() - h) / 2;
    for (int k = 0; k < 6; ++k) {
        QLineEdit *box = m_deltaP[k];
        const int centre = offset + plot.left() + plot.width() * k / 5;
        box->setGeometry(centre - box->width() / 2, top, box->width(), h);
    }
    const int captionRight = m_deltaP[0]->x() - 10;
    m_caption->setGeometry(std::max(0, captionRight - m_caption->width()), top, m_caption->width(), h);
    m_caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void MappingPage::showValues()
{
    for (int k = 0; k < 6; ++k)
        m_deltaP[k]->setText(BoxText(m_map.DeltaFlow[k], kDeltaPWidth));
    m_graph->update();
}

void MappingPage::setDeltaPMarks(const std::array<bool, 6> &red)
{
    for (int k = 0; k < 6; ++k)
        paintBox(m_deltaP[k], red[k] ? QColor(255, 0, 0) : QColor(Qt::white));
}

void MappingPage::MoveOperatingMarker(double x)
{
    m_graph->MoveOperatingMarker(x);
}
