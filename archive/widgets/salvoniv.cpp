#include "archive/widgets/salvoniv.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/textids.h"
#include "app/texts.h"
#include "archive/db/archivefiles.h"
#include "archive/widgets/archivedialog.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kFirstLabelText = 215;   // 215..220: the six labels
constexpr int kGplText = 221;          // 221 GPL, 222 METANO: `TipoImp` in index order
constexpr int kListModelWidth = 12;    // a list line: model (12), " - ", description
constexpr int kListDescriptionStart = 15;
constexpr int kVersions = 3;

// `text` without what the key rule refuses in `field`: typing is filtered key by
// key, this catches pasted and dropped text.
QString keptChars(int field, const QString &text, int *cursor)
{
    QString out;
    out.reserve(text.size());
    int removedBefore = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (SalvoNIV::acceptsChar(field, text.at(i)))
            out += text.at(i);
        else if (i < *cursor)
            ++removedBefore;
    }
    *cursor -= removedBefore;
    return out;
}

}   // namespace

SalvoNIV::SalvoNIV(FrameState &frame, const MapSaveSource &source, MessageSink &messages, QTimer *liveWatchdog,
                   QWidget *parent, MapSaveFiles *files)
    : QDialog(parent), m_frame(frame), m_source(source), m_messages(messages), m_watchdog(liveWatchdog),
      m_files(files ? files : &m_realFiles)
{
    setObjectName(QStringLiteral("SalvoNIV"));
    setWindowTitle(ArchiveDialogCaption(frame, 102, 118));   // File - Salvataggio mappatura
    MakeFixedDialog(this);
    setModal(true);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_lista = new QListWidget(this);
    m_lista->setObjectName(QStringLiteral("ListaModelli"));
    m_lista->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lista->setFont(fixed);   // the lines are laid out in fixed columns
    m_lista->setMinimumSize(QFontMetrics(fixed).horizontalAdvance(QLatin1Char('M')) * 60, 160);

    for (int i = 0; i < int(m_labels.size()); ++i) {
        m_labels[i] = new QLabel(Testo(frame.id(kFirstLabelText + i)).trimmed(), this);
        m_labels[i]->setObjectName(QStringLiteral("LabSF(%1)").arg(i));
        m_labels[i]->setTextFormat(Qt::PlainText);
    }
    for (int i = 0; i < NumCampi; ++i) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("DatiDAT(%1)").arg(i));
        if (i == Valvole) {
            box->setMaxLength(kWidths[i]);
            box->setReadOnly(true);
            box->setFocusPolicy(Qt::ClickFocus);   // shown, never typed in
        } else {
            MakeFixedField(box, kWidths[i]);
            connect(box, &QLineEdit::textEdited, this, [box, i](const QString &text) {
                int cursor = box->cursorPosition();
                const QString kept = keptChars(i, text, &cursor);
                if (kept != text) {
                    box->setText(kept);
                    box->setCursorPosition(cursor);
                }
            });
        }
        m_dati[i] = box;
    }
    m_tipoImp = new QComboBox(this);
    m_tipoImp->setObjectName(QStringLiteral("TipoImp"));
    m_tipoImp->addItems({Testo(frame.id(kGplText)).trimmed(), Testo(frame.id(kGplText + 1)).trimmed()});
    m_tipoImp->setCurrentIndex(-1);
    m_verCentr = new QComboBox(this);
    m_verCentr->setObjectName(QStringLiteral("VerCentr"));
    for (int v = 1; v <= kVersions; ++v)
        m_verCentr->addItem(QString::number(v));
    m_verCentr->setCurrentIndex(-1);
    connect(m_verCentr, &QComboBox::activated, this, &SalvoNIV::versionChosen);

    const QFontMetrics fm(m_dati[Modello]->font());
    m_dati[Modello]->setFixedWidth(fm.horizontalAdvance(QString(kWidths[Modello] + 2, QLatin1Char('W'))));
    m_dati[Valvole]->setFixedWidth(fm.horizontalAdvance(QStringLiteral("WWW")) + 8);
    m_dati[Descrizione]->setMinimumWidth(fm.horizontalAdvance(QString(kWidths[Descrizione] + 2, QLatin1Char('x'))));
    m_verCentr->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("WWWW")) + 24);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    const std::array<QWidget *, 6> row{m_dati[Modello], m_dati[Descrizione], m_dati[Valvole],
                                       m_tipoImp,       m_verCentr,          m_dati[Benzina]};
    for (int i = 0; i < int(row.size()); ++i) {
        m_labels[i]->setBuddy(row[i]);
        grid->addWidget(m_labels[i], i, 0, Qt::AlignRight);
        grid->addWidget(row[i], i, 1, i == Descrizione || i == Benzina ? Qt::Alignment() : Qt::AlignLeft);
    }
    grid->setColumnStretch(1, 1);

    m_salva = MakeFaceButton(frame, this, QStringLiteral("Salva"), 101, 102);
    m_salva->setEnabled(false);
    connect(m_salva, &QAbstractButton::clicked, this, &SalvoNIV::salva);
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(m_esci, &QAbstractButton::clicked, this, &SalvoNIV::reject);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 18);
    main->setSpacing(12);
    main->addWidget(m_lista);
    main->addLayout(grid);
    main->addSpacing(6);
    main->addLayout(ArchiveButtonRow(m_salva, m_esci));
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_lista, m_dati[Modello]);
    setTabOrder(m_dati[Modello], m_dati[Descrizione]);
    setTabOrder(m_dati[Descrizione], m_tipoImp);
    setTabOrder(m_tipoImp, m_verCentr);
    setTabOrder(m_verCentr, m_dati[Benzina]);
    setTabOrder(m_dati[Benzina], m_salva);
    setTabOrder(m_salva, m_esci);

    // F1, Esc, and Enter on the buttons and the read-only box.
    new ArchiveDialogKeys(this, m_salva, m_esci);
    // Enter does not follow the Tab chain here: the installation type and the last
    // box both lead to Salva. Installed after the shared keys, so seen first.
    m_enterNext = {{m_lista, m_dati[Modello]},        {m_dati[Modello], m_dati[Descrizione]},
                   {m_dati[Descrizione], m_verCentr}, {m_verCentr, m_dati[Benzina]},
                   {m_dati[Benzina], m_salva},        {m_tipoImp, m_salva}};
    for (QObject *control : m_enterNext.keys())
        control->installEventFilter(this);

    connect(m_lista, &QListWidget::currentRowChanged, this, &SalvoNIV::lineChosen);
    connect(m_lista, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { lineChosen(m_lista->row(item)); });

    m_archiveOpen = OpenMapArchive(m_archive, frame.PercorsoApp, RepairNotice{&frame, &messages});
    m_salva->setEnabled(m_source.ecuReady);
    if (m_archiveOpen)
        fillList();
    m_dati[Modello]->setFocus(Qt::OtherFocusReason);
}

SalvoNIV::~SalvoNIV()
{
    m_archive.close();
}

bool SalvoNIV::acceptsChar(int field, QChar c)
{
    if (c.isSpace())
        return false;
    if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.'))
        return true;
    return field == Descrizione || field == Benzina;
}

bool SalvoNIV::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && plain) {
            if (QWidget *next = m_enterNext.value(watched))
                next->setFocus(Qt::TabFocusReason);
            return true;
        }
        const int field = int(std::find(m_dati.begin(), m_dati.end(), watched) - m_dati.begin());
        const QString text = key->text();
        // Control characters (backspace, Tab, Ctrl shortcuts) are not typed text.
        if (field >= NumCampi || text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7f)
            return false;
        return !std::all_of(text.begin(), text.end(), [field](QChar c) { return acceptsChar(field, c); });
    }
    // Leaving the model proposes the rest of its record, but not when the focus only
    // went to another window (a message) or a popup.
    if (event->type() == QEvent::FocusOut && watched == m_dati[Modello]) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            proposeRecord();
    }
    return QDialog::eventFilter(watched, event);
}

void SalvoNIV::fillList()
{
    const QSignalBlocker quiet(m_lista);
    m_lista->clear();
    if (m_archiveOpen)
        m_lista->addItems(FillModelList(m_archive));
}

void SalvoNIV::lineChosen(int row)
{
    if (row < 0 || row >= m_lista->count())
        return;
    const QString line = m_lista->item(row)->text();
    m_dati[Modello]->setText(FixedText(line.left(kListModelWidth), kWidths[Modello]));
    m_dati[Descrizione]->setText(line.mid(kListDescriptionStart));
    proposeRecord();
}

void SalvoNIV::proposeRecord()
{
    if (!m_archiveOpen)
        return;
    m_dati[Descrizione]->clear();
    m_dati[Benzina]->clear();
    const QString valves = QString::number(m_source.defaultValves);
    m_dati[Valvole]->setText(valves.rightJustified(kWidths[Valvole], QLatin1Char(' '), true));
    m_tipoImp->setCurrentIndex(m_source.defaultPlantType == 1 ? 1 : 0);
    m_verCentr->setCurrentIndex(-1);
    const QString model = m_dati[Modello]->text().trimmed();
    if (model.isEmpty())
        return;
    const QList<MapRecord> records = m_archive.records(model);
    if (!records.isEmpty() && !records.first().DESC_MODELLO.isNull())
        m_dati[Descrizione]->setText(records.first().DESC_MODELLO);
}

void SalvoNIV::versionChosen()
{
    m_dati[Benzina]->clear();
    const QString model = m_dati[Modello]->text().trimmed();
    if (!m_archiveOpen || model.isEmpty() || m_verCentr->currentIndex() < 0)
        return;
    const auto found = m_archive.find(model, qint16(m_verCentr->currentIndex() + 1), qint16(m_tipoImp->currentIndex()));
    if (found && !found->C_BENZINA.isNull())
        m_dati[Benzina]->setText(found->C_BENZINA);
}

bool SalvoNIV::checkFilled()
{
    QWidget *empty = nullptr;
    if (m_dati[Modello]->text().trimmed().isEmpty())
        empty = m_dati[Modello];
    else if (m_dati[Descrizione]->text().trimmed().isEmpty())
        empty = m_dati[Descrizione];
    else if (m_dati[Valvole]->text().trimmed().isEmpty())
        empty = m_dati[Valvole];
    else if (m_tipoImp->currentIndex() < 0)
        empty = m_tipoImp;
    else if (m_verCentr->currentIndex() < 0)
        empty = m_verCentr;
    else if (m_dati[Benzina]->text().trimmed().isEmpty())
        empty = m_dati[Benzina];
    if (!empty)
        return true;
    m_messages.beep();
    empty->setFocus(Qt::OtherFocusReason);
    return false;
}

void SalvoNIV::salva()
{
    const WatchdogHold hold(m_watchdog);
    if (!checkFilled())
        return;
    const QString title = Testo(m_frame.id(TextId::TitleWarning));
    if (!IsArchiveName(m_dati[Modello]->text())) {
        m_messages.beep();
        m_messages.showMessage(Testo(m_frame.id(TextId::ModelNameRefused)), kInformationOk, title, kMessageCentred);
        m_dati[Modello]->setFocus(Qt::OtherFocusReason);
        return;
    }

    // Padded as leaving the boxes pads them: a save from the keyboard leaves none.
    auto shown = [this](int i) { return FixedText(m_dati[i]->text(), kWidths[i]); };
    const MapSaveRequest request{m_dati[Modello]->text(),
                                 shown(Descrizione),
                                 shown(Valvole),
                                 qint16(m_tipoImp->currentIndex()),
                                 qint16(m_verCentr->currentIndex() + 1),
                                 shown(Benzina)};
    const MapSaveResult result = [&] {
        const BusyCursor busy;
        return SaveMap(m_archive, m_frame.PercorsoApp, request, m_source.versioneSoftware, m_source.today, *m_files);
    }();

    QString message = Testo(m_frame.id(result.textId));
    if (result.causeTextId)
        message += QLatin1Char('\n') + Testo(m_frame.id(result.causeTextId));
    m_messages.beep();
    m_messages.showMessage(message, kInformationOk, title, kMessageCentred);
    fillList();
}

void SalvoNIV::done(int result)
{
    m_archiveOpen = false;
    m_archive.close();
    QDialog::done(result);
}

void RunSalvoNIV(FrameState &frame, const MapSaveSource &source, MessageSink &messages, QTimer *liveWatchdog,
                 QWidget *parent)
{
    SalvoNIV dialog(frame, source, messages, liveWatchdog, parent);
    dialog.exec();
}
