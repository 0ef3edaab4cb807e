#include "app/dialogs/confser.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "ui/common/pictures.h"

namespace {

const char *const kListNames[] = {"Seriali", "BaudRate", "Parita", "BitDati", "BitStop"};
const char *const kParityWords[] = {"NESSUNA", "PARI", "DISPARI"};
constexpr int kLookAgainMs = 2000;   // an adapter plugged in while the dialog is open shows up soon
constexpr int kAdapterRows = 4;
constexpr int kDeviceChars = 44;   // by-id names run longer: cut in the middle, whole in the tooltip

QString parityWordAt(int index)
{
    return QLatin1String(kParityWords[(index == 1 || index == 2) ? index : 0]);
}

}   // namespace

ConfSer::ConfSer(FrameState &frame, QWidget *parent, MessageSink *sink, PortFinder *finder)
    : QDialog(parent), m_frame(frame), m_ownSink(frame, this), m_sink(sink ? sink : &m_ownSink),
      m_ownFinder(finder ? nullptr : std::make_unique<SystemPortFinder>()),
      m_finder(finder ? finder : m_ownFinder.get()), m_porte(frame)
{
    setObjectName(QStringLiteral("ConfSer"));
    MakeFixedDialog(this);
    setModal(true);

    QStringList ports;
    for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    const QStringList entries[NumListe] = {
        ports,
        {QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400")},
        {Testo(frame.id(180)), Testo(frame.id(181)), Testo(frame.id(182))},
        {QStringLiteral("7"), QStringLiteral("8")},
        {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")},
    };

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    for (int i = 0; i < NumListe; ++i) {
        auto *label = new QLabel(Testo(frame.id(175 + i)), this);
        label->setObjectName(QStringLiteral("LabSer(%1)").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_labels[i] = label;

        auto *list = new QComboBox(this);
        list->setObjectName(QLatin1String(kListNames[i]));
        list->addItems(entries[i]);
        list->setMinimumWidth(150);
        m_liste[i] = list;
        label->setBuddy(list);

        grid->addWidget(label, i, 0);
        grid->addWidget(list, i, 1);

        const auto which = Lista(i);
        connect(list, &QComboBox::activated, this, [this, which] {
            if (chosenValue(which) != storedValue(which))
                m_modified = true;
        });
    }
    grid->setColumnStretch(1, 1);

    m_dispositivo = new QLabel(this);
    m_dispositivo->setObjectName(QStringLiteral("Dispositivo"));
    m_dispositivo->setTextFormat(Qt::PlainText);
    m_dispositivo->setFixedWidth(m_dispositivo->fontMetrics().averageCharWidth() * kDeviceChars);
    grid->addWidget(m_dispositivo, Seriali, 2);
    connect(m_liste[Seriali], &QComboBox::currentIndexChanged, this, &ConfSer::mostraDispositivo);

    m_intestazione = new QLabel(this);
    m_intestazione->setObjectName(QStringLiteral("LabAdattatori"));
    m_intestazione->setTextFormat(Qt::PlainText);
    m_adattatori = new QListWidget(this);
    m_adattatori->setObjectName(QStringLiteral("Adattatori"));
    m_adattatori->setSelectionMode(QAbstractItemView::SingleSelection);
    m_adattatori->setFixedHeight(m_adattatori->fontMetrics().height() * kAdapterRows + 12);
    m_intestazione->setBuddy(m_adattatori);
    // Only the user's own pick maps the port: not the row the list moves to when it gets the focus.
    connect(m_adattatori, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { sceltoAdattatore(m_adattatori->row(item)); });
    connect(m_adattatori, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { sceltoAdattatore(m_adattatori->row(item)); });
    auto *adapters = new QVBoxLayout;
    adapters->setSpacing(6);
    adapters->addWidget(m_intestazione);
    adapters->addWidget(m_adattatori);

    auto *salva = MakeFaceButton(frame, this, QStringLiteral("Salva"), 101, 102);
    connect(salva, &QAbstractButton::clicked, this, &ConfSer::salva);
    m_salva = salva;

    auto *esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(esci, &QAbstractButton::clicked, this, &ConfSer::esci);
    m_esci = esci;

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch();
    buttons->addWidget(salva);
    buttons->addWidget(esci);
    buttons->addStretch();

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 22, 24, 18);
    main->setSpacing(22);
    main->addLayout(grid);
    main->addLayout(adapters);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // The current settings; one that is not in its list leaves the list unselected.
    for (int i = 0; i < NumListe; ++i) {
        QComboBox *list = m_liste[i];
        if (i == Parita) {
            const QString word = storedValue(Parita);
            list->setCurrentIndex(word == QLatin1String("PARI") ? 1 : word == QLatin1String("DISPARI") ? 2 : 0);
        } else {
            list->setCurrentIndex(list->findText(storedValue(Lista(i)), Qt::MatchFixedString));
        }
    }
    m_found = m_finder->ports();
    riempiAdattatori();
    m_liste[Seriali]->setFocus(Qt::OtherFocusReason);

    m_cerca.setInterval(kLookAgainMs);
    connect(&m_cerca, &QTimer::timeout, this, &ConfSer::aggiornaAdattatori);
    m_cerca.start();
}

ConfSer::~ConfSer() = default;

int ConfSer::chosenPort() const
{
    return PortMap::portNumber(chosenValue(Seriali));
}

void ConfSer::aggiornaAdattatori()
{
    QList<FoundPort> found = m_finder->ports();
    if (found == m_found)
        return;
    m_found = std::move(found);
    riempiAdattatori();
}

void ConfSer::riempiAdattatori()
{
    m_adattatori->clear();
    for (const FoundPort &port : std::as_const(m_found)) {
        auto *item = new QListWidgetItem(port.label(), m_adattatori);
        item->setToolTip(port.stableName());
    }
    m_adattatori->setEnabled(!m_found.isEmpty());
    m_intestazione->setText(Testo(m_frame.id(TextId::AdaptersFound)).arg(m_found.size()));
    mostraDispositivo();
}

void ConfSer::mostraDispositivo()
{
    const int n = chosenPort();
    const QString device = n ? Testo(m_frame.id(TextId::PortDevice)).arg(m_porte.device(n)) : QString();
    m_dispositivo->setToolTip(device);
    m_dispositivo->setText(
        m_dispositivo->fontMetrics().elidedText(device, Qt::ElideMiddle, m_dispositivo->maximumWidth()));
    const int row = n ? m_porte.indexIn(n, m_found) : -1;
    m_adattatori->setCurrentRow(row);
    if (row < 0)
        m_adattatori->clearSelection();
}

void ConfSer::sceltoAdattatore(int row)
{
    const int n = chosenPort();
    if (!n || row < 0 || row >= m_found.size())
        return;
    if (m_porte.choose(n, m_found[row]))
        m_modified = true;
    mostraDispositivo();
}

QString ConfSer::storedValue(Lista which) const
{
    const ConfigSerialeT &c = m_frame.ConfigSeriale;
    switch (which) {
    case Seriali: return c.Porta.trimmed().toUpper();
    case BaudRate: return c.Velocita.trimmed().toUpper();
    case Parita: return c.NomeParita.trimmed().toUpper();
    case BitDati: return QString::number(c.NumBitDati);
    case BitStop: return QString::number(c.NumBitStop);
    case NumListe: break;
    }
    return {};
}

QString ConfSer::chosenValue(Lista which) const
{
    const QComboBox *list = m_liste[which];
    if (list->currentIndex() < 0)
        return storedValue(which);
    // Parity is compared by position: the entries are translated, the stored word is not.
    if (which == Parita)
        return parityWordAt(list->currentIndex());
    return list->currentText().trimmed().toUpper();
}

SerialChoice ConfSer::choice() const
{
    SerialChoice c;
    c.com = chosenValue(Seriali);
    c.baud = chosenValue(BaudRate);
    c.dataBits = chosenValue(BitDati);
    c.parityWord = chosenValue(Parita);
    c.stopBits = chosenValue(BitStop);
    return c;
}

bool ConfSer::write()
{
    // [PORTE] after [SERIALE]: the keys of CONFIG.INI keep the order they always had.
    if (ScriviConfigSeriale(m_frame, choice()) && m_porte.write()) {
        m_saved = true;
        return true;
    }
    m_sink->beep();
    m_sink->showMessage(Testo(m_frame.id(TextId::PathOrFileError)), kErrorOk, Testo(m_frame.id(TextId::TitleError)),
                        kMessageCentred);
    return false;
}

void ConfSer::salva()
{
    if (!write())
        return;   // stays open with the choice, so nothing is lost silently
    m_modified = false;
    esci();
}

void ConfSer::esci()
{
    if (m_modified) {
        m_sink->beep();
        const int answer = m_sink->showMessage(Testo(m_frame.id(TextId::SaveBeforeLeaving)), kQuestionYesNo,
                                               Testo(m_frame.id(TextId::TitleWarning)), kMessageCentred);
        if (answer == kAnswerYes)
            write();
        m_modified = false;
    }
    done(m_saved ? QDialog::Accepted : QDialog::Rejected);
}

void ConfSer::reject()
{
    esci();
}

void ConfSer::keyPressEvent(QKeyEvent *event)
{
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
    if (event->key() == Qt::Key_F1 && plain) {
        salva();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget *focus = focusWidget();
        for (int i = 0; i < NumListe; ++i) {
            if (m_liste[i] == focus) {
                (i + 1 < NumListe ? static_cast<QWidget *>(m_liste[i + 1]) : m_salva)->setFocus(Qt::TabFocusReason);
                return;
            }
        }
        // The adapter list has taken Enter as its pick already.
        if (focus == m_adattatori) {
            m_salva->setFocus(Qt::TabFocusReason);
            return;
        }
        if (auto *button = qobject_cast<QAbstractButton *>(focus)) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
