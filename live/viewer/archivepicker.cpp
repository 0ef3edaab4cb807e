#include "live/viewer/archivepicker.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/textids.h"
#include "app/texts.h"

namespace {
constexpr int kModelChars = 12;   // the list line starts with the model, padded
}

ArchivePicker::ArchivePicker(FrameState &frame, MessageSink &messages, QWidget *parent)
    : QDialog(parent), m_frame(frame)
{
    setObjectName(QStringLiteral("ArchivePicker"));
    setWindowTitle(Testo(frame.id(TextId::ViewerOpenArchive)).remove(QChar(0x2026)));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListaModelli"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);
    // Fixed pitch keeps the 12-character model column aligned, as in the deletion dialog.
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics fm(m_list->font());
    m_list->setMinimumSize(fm.horizontalAdvance(QString(kModelChars + 3 + 41, QLatin1Char('M'))) + 40,
                           fm.lineSpacing() * 14);

    auto *empty = new QLabel(Testo(frame.id(TextId::ViewerArchiveEmpty)), this);
    empty->setObjectName(QStringLiteral("ArchiveEmpty"));
    m_open = new QPushButton(Testo(frame.id(TextId::ViewerOpen)), this);
    m_open->setDefault(true);
    auto *other = new QPushButton(Testo(frame.id(TextId::ViewerOpenFile)), this);
    other->setObjectName(QStringLiteral("OpenOtherFile"));
    auto *cancel = new QPushButton(Testo(frame.id(TextId::ViewerCancel)), this);
    connect(other, &QPushButton::clicked, this, [this] {
        // Any .DAT file: one copied from a colleague's stick, or not catalogued.
        const QString path = QFileDialog::getOpenFileName(this, windowTitle(), m_frame.file(QStringLiteral("DIR_DATI")),
                                                          Testo(m_frame.id(TextId::ViewerRecordingFiles)));
        if (path.isEmpty())
            return;
        m_chosen = path;
        QDialog::accept();
    });
    connect(m_open, &QPushButton::clicked, this, &ArchivePicker::accept);
    connect(cancel, &QPushButton::clicked, this, &ArchivePicker::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &ArchivePicker::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(other);
    buttons->addStretch();
    buttons->addWidget(m_open);
    buttons->addWidget(cancel);
    auto *main = new QVBoxLayout(this);
    main->addWidget(m_list);
    main->addWidget(empty);
    main->addLayout(buttons);

    RepairNotice notice{&m_frame, &messages};
    if (OpenAcquisitionArchive(m_archive, m_frame.PercorsoApp, notice))
        m_list->addItems(FillAcquisitionList(m_archive, &m_files));
    empty->setVisible(m_list->count() == 0);
    m_open->setEnabled(m_list->count() > 0);
    if (m_list->count() > 0)
        m_list->setCurrentRow(m_list->count() - 1);   // the newest is stored last
    m_list->setFocus(Qt::OtherFocusReason);
}

ArchivePicker::~ArchivePicker()
{
    m_archive.close();
}

QString ArchivePicker::pathOf(int row) const
{
    if (row < 0 || row >= m_files.size() || row >= m_list->count())
        return {};
    const QString model = m_list->item(row)->text().left(kModelChars).trimmed();
    return AcquisitionFilePath(m_frame.PercorsoApp, model, m_files[row]);
}

void ArchivePicker::accept()
{
    m_chosen = pathOf(m_list->currentRow());
    if (m_chosen.isEmpty())
        return;
    QDialog::accept();
}
