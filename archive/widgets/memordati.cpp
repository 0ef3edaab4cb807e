#include "archive/widgets/memordati.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "app/log.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/db/archivefiles.h"
#include "archive/widgets/archivedialog.h"
#include "live/recorder.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kFirstLabelText = 240;   // 240..243: the four labels
constexpr int kAlreadyExists = 244;
constexpr int kListModelWidth = 12;   // a list line: model (12), " - ", description
constexpr int kListDescriptionStart = 15;

// What is left of `text` once the characters the key rule refuses in `field` are
// taken out: typing is filtered key by key, this catches pasted and dropped text.
QString keptChars(int field, const QString &text, int *cursor)
{
    QString out;
    out.reserve(text.size());
    int removedBefore = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (MemorDati::acceptsChar(field, text.at(i)))
            out += text.at(i);
        else if (i < *cursor)
            ++removedBefore;
    }
    *cursor -= removedBefore;
    return out;
}

}   // namespace

MemorDati::MemorDati(FrameState &frame, Recorder &recorder, MessageSink &messages, QWidget *parent)
    : QDialog(parent), m_frame(frame), m_recorder(recorder), m_messages(messages)
{
    setObjectName(QStringLiteral("MemorDati"));
    setWindowTitle(ArchiveDialogCaption(frame, 102, 114));   // File - Inizio acquisizione
    MakeFixedDialog(this);
    setModal(true);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    m_lista = new QListWidget(this);
    m_lista->setObjectName(QStringLiteral("ListaModelli"));
    m_lista->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lista->setFont(fixed);   // the lines are laid out in fixed columns
    m_lista->setMinimumSize(QFontMetrics(fixed).horizontalAdvance(QLatin1Char('M')) * 60, 160);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < NumCampi; ++i) {
        m_labels[i] = new QLabel(Testo(frame.id(kFirstLabelText + i)).trimmed(), this);
        m_labels[i]->setObjectName(QStringLiteral("LabSF(%1)").arg(i));
        m_labels[i]->setTextFormat(Qt::PlainText);
        QWidget *box;
        if (i == Note) {
            m_note = new QPlainTextEdit(this);
            m_note->setTabChangesFocus(true);
            m_note->setFixedHeight(QFontMetrics(m_note->font()).lineSpacing() * 4 + 12);
            connect(m_note, &QPlainTextEdit::textChanged, this, [this] {
                // Pasted text beyond the box's 300 characters is cut.
                const int excess = int(m_note->document()->characterCount()) - 1 - kWidths[Note];
                if (excess > 0) {
                    QTextCursor c(m_note->document());
                    c.movePosition(QTextCursor::End);
                    c.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor, excess);
                    c.removeSelectedText();
                }
            });
            box = m_note;
        } else {
            auto *line = new QLineEdit(this);
            MakeFixedField(line, kWidths[i]);
            if (i == Modello || i == NomeFile) {
                connect(line, &QLineEdit::textEdited, this, [line, i](const QString &text) {
                    int cursor = line->cursorPosition();
                    const QString kept = keptChars(i, text, &cursor);
                    if (kept != text) {
                        line->setText(kept);
                        line->setCursorPosition(cursor);
                    }
                });
            }
            box = line;
        }
        box->setObjectName(QStringLiteral("DatiDAT(%1)").arg(i));
        box->installEventFilter(this);
        m_dati[i] = box;
        m_labels[i]->setBuddy(box);
        grid->addWidget(m_labels[i], i, 0, i == Note ? Qt::AlignRight | Qt::AlignTop : Qt::AlignRight);
        grid->addWidget(box, i, 1);
    }
    // Boxes as wide as their text; the description's sets the width of the column.
    const QFontMetrics fm(m_dati[Modello]->font());
    for (int i : {Modello, NomeFile})
        m_dati[i]->setFixedWidth(fm.horizontalAdvance(QString(kWidths[i] + 2, QLatin1Char('W'))));
    m_dati[Descrizione]->setMinimumWidth(fm.horizontalAdvance(QString(kWidths[Descrizione] + 2, QLatin1Char('x'))));
    grid->setColumnStretch(1, 1);

    m_memorizza = MakeFaceButton(frame, this, QStringLiteral("Memorizza"), 129, 130);
    m_memorizza->setEnabled(false);
    connect(m_memorizza, &QAbstractButton::clicked, this, &MemorDati::memorizza);
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(m_esci, &QAbstractButton::clicked, this, &MemorDati::esci);

    QHBoxLayout *buttons = ArchiveButtonRow(m_memorizza, m_esci);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 18);
    main->setSpacing(12);
    main->addWidget(m_lista);
    main->addLayout(grid);
    main->addSpacing(6);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // Enter moves along this chain: from the list to the model, from the notes to Memorizza.
    setTabOrder(m_lista, m_dati[Modello]);
    for (int i = 1; i < NumCampi; ++i)
        setTabOrder(m_dati[i - 1], m_dati[i]);
    setTabOrder(m_dati[Note], m_memorizza);
    setTabOrder(m_memorizza, m_esci);

    connect(m_lista, &QListWidget::currentRowChanged, this, &MemorDati::showLine);
    connect(m_lista, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { showLine(m_lista->row(item)); });

    // F1, Esc and Enter; the key rule above only ever looks at typed characters.
    new ArchiveDialogKeys(this, m_memorizza, m_esci);

    if (OpenAcquisitionArchive(m_archive, frame.PercorsoApp, RepairNotice{&frame, &messages})) {
        fillLists();
        m_memorizza->setEnabled(true);
    }
    m_dati[Modello]->setFocus(Qt::OtherFocusReason);
}

MemorDati::~MemorDati()
{
    m_archive.close();
}

bool MemorDati::acceptsChar(int field, QChar c)
{
    if (c.isLetterOrNumber() || c == QLatin1Char('_'))
        return true;
    if (c == QLatin1Char('.'))
        return field != NomeFile;
    // A blank, and anything else, only where a name is not made of it.
    return field == Descrizione || field == Note;
}

QString MemorDati::datiText(int i) const
{
    if (i == Note)
        return m_note->toPlainText();
    return static_cast<QLineEdit *>(m_dati.at(i))->text();
}

void MemorDati::setDatiText(int i, const QString &text)
{
    if (i == Note)
        m_note->setPlainText(text.left(kWidths[Note]));
    else
        static_cast<QLineEdit *>(m_dati.at(i))->setText(text);
}

bool MemorDati::eventFilter(QObject *watched, QEvent *event)
{
    const int field = int(std::find(m_dati.begin(), m_dati.end(), watched) - m_dati.begin());
    if (field >= NumCampi)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        // Control characters (backspace, Enter, Tab, Ctrl shortcuts) are not typed text.
        if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7f)
            return false;
        for (const QChar c : text) {
            if (!acceptsChar(field, c))
                return true;
        }
        if (field == Note && !m_note->textCursor().hasSelection()
            && m_note->document()->characterCount() - 1 >= kWidths[Note])
            return true;   // full
        return false;
    }
    // The notes keep the fields' rule: trimmed on entering, padded on leaving
    // (the line boxes have theirs through MakeFixedField).
    if (field == Note && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const QString text = m_note->toPlainText();
        const QString fixed = event->type() == QEvent::FocusIn ? text.trimmed() : FixedText(text, kWidths[Note]);
        if (fixed != text) {
            m_note->setPlainText(fixed);
            m_note->moveCursor(QTextCursor::End);   // as a line box has it after setText
        }
    }
    return false;
}

void MemorDati::fillLists()
{
    const QSignalBlocker quiet(m_lista);
    m_lista->clear();
    m_lista->addItems(FillAcquisitionList(m_archive, &m_nomeFF));
}

void MemorDati::showLine(int row)
{
    if (row < 0 || row >= m_lista->count() || row >= m_nomeFF.size())
        return;
    const QString line = m_lista->item(row)->text();
    setDatiText(Modello, line.left(kListModelWidth));
    setDatiText(Descrizione, line.mid(kListDescriptionStart));
    setDatiText(NomeFile, m_nomeFF.at(row));
    setDatiText(Note, QString());
    const auto found = m_archive.find(line.left(kListModelWidth).trimmed(), m_nomeFF.at(row).trimmed());
    if (found && !found->NOTE.isNull())
        setDatiText(Note, found->NOTE);
}

void MemorDati::refuse(int field)
{
    m_messages.beep();
    m_dati[field]->setFocus(Qt::OtherFocusReason);
}

void MemorDati::tellAccessError(const char *what, const QString &path)
{
    qCWarning(lcArchive).noquote() << what << QDir::toNativeSeparators(path);
    m_messages.beep();
    m_messages.showMessage(Testo(m_frame.id(TextId::PathOrFileError)), kErrorOk, Testo(m_frame.id(TextId::TitleError)),
                           kMessageCentred);
}

void MemorDati::memorizza()
{
    if (!m_archive.isOpen())
        return;
    // A name that cannot become a folder or a file ("." , "..", "a/b") counts as missing.
    if (!IsArchiveName(datiText(Modello))) {
        refuse(Modello);
        return;
    }
    if (!IsArchiveName(datiText(NomeFile))) {
        refuse(NomeFile);
        return;
    }
    const auto found = m_archive.find(datiText(Modello).trimmed(), datiText(NomeFile).trimmed());
    bool continueExisting = false;
    if (found) {
        m_messages.beep();
        const int answer =
            m_messages.showMessage(Testo(m_frame.id(kAlreadyExists)), kIconQuestion | kButtonsOverwriteContinueCancel,
                                   Testo(m_frame.id(TextId::TitleWarning)), kMessageCentred);
        if (answer == kAnswerContinue) {
            continueExisting = true;
        } else if (answer != kAnswerOverwrite) {
            m_dati[NomeFile]->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (!store(found, continueExisting)) {
        m_dati[NomeFile]->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_started = true;
    done(QDialog::Accepted);
}

bool MemorDati::store(const std::optional<AcquisitionRecord> &found, bool continueExisting)
{
    const QString model = datiText(Modello).trimmed();
    const QString file = datiText(NomeFile).trimmed();

    // The model's folder first: "fiat" goes into an existing "FIAT".
    const QString root = QDir(m_frame.PercorsoApp).filePath(QStringLiteral("DIR_DATI"));
    const QString folder = QDir(root).filePath(ModelFolderName(root, model));
    const bool madeFolder = !QFileInfo(folder).isDir();
    if (madeFolder && !QDir().mkpath(folder)) {
        tellAccessError("cannot create the folder", folder);
        return false;
    }

    AcquisitionRecord record{
        FixedText(datiText(Modello), kWidths[Modello]), FixedText(datiText(Descrizione), kWidths[Descrizione]),
        FixedText(datiText(NomeFile), kWidths[NomeFile]), FixedText(datiText(Note), kWidths[Note])};
    if (found) {
        // The keys match without case; their catalogued spelling is the one the
        // files on disk were made with, so it stays.
        record.MODELLO = found->MODELLO;
        record.FILE = found->FILE;
    }
    const Catalogue::Result written = found ? m_archive.update(model, file, record) : m_archive.add(record);
    if (written != Catalogue::Result::Ok) {
        if (madeFolder)
            QDir().rmdir(folder);
        tellAccessError("cannot catalogue the recording in", m_archive.catalogue().filePath());
        return false;
    }

    const QString path = AcquisitionFilePath(m_frame.PercorsoApp, record.MODELLO, record.FILE);
    if (!m_recorder.start(path, continueExisting)) {
        // Nothing changes when the recording cannot start: the row and the folder go back.
        if (found)
            m_archive.update(model, file, *found);
        else
            m_archive.remove(model, file);
        if (madeFolder)
            QDir().rmdir(folder);
        tellAccessError("cannot start the recording", path);
        return false;
    }
    return true;
}

void MemorDati::esci()
{
    done(QDialog::Rejected);
}

void MemorDati::done(int result)
{
    m_archive.close();
    QDialog::done(result);
}

bool RunMemorDati(FrameState &frame, Recorder &recorder, MessageSink &messages, QWidget *parent)
{
    MemorDati dialog(frame, recorder, messages, parent);
    dialog.exec();
    return dialog.recordingStarted();
}
