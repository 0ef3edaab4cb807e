#include "mapeditor/widgets/mappingpage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
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

    // The six boxes sit under the graph, one per breakpoint column.
    auto *boxes = new QGridLayout;
    boxes->setHorizontalSpacing(8);
    m_caption = new QLabel(Testo(frame.id(253)).trimmed(), this);
    m_caption->setObjectName(QStringLiteral("LabDeltaP"));
    boxes->addWidget(m_caption, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    QFont boxFont(QStringLiteral("DejaVu Sans Mono"));
    boxFont.setStyleHint(QFont::Monospace);
    boxFont.setBold(true);
    boxFont.setPixelSize(15);
    for (int k = 0; k < 6; ++k) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("DeltaP%1").arg(k));
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setMaxLength(kDeltaPWidth);
        box->setReadOnly(true);
        box->setFont(boxFont);
        box->setFixedWidth(QFontMetrics(boxFont).horizontalAdvance(QStringLiteral("0000")) + 18);
        paintBox(box, Qt::white);
        boxes->addWidget(box, 0, k + 1, Qt::AlignCenter);
        boxes->setColumnStretch(k + 1, 1);
        m_deltaP[k] = box;
    }
    page->addLayout(boxes);

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
