#include "link/widgets/visinf.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "app/texts.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

// Bits of FlagIdentificazione.
constexpr int kBadHw = 1, kBadInstallDate = 2, kBadRevisionDate = 4, kBadType = 8;

QString dateText(const QDate &d)
{
    // The zero date means "no date": nothing to show.
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

}   // namespace

QString VisInf::valore(const FrameState &frame, const EcuIdentity &ident, int row)
{
    const int flags = ident.FlagIdentificazione;
    switch (row) {
    case 0:
        if (flags & kBadHw)
            return {};
        return QStringLiteral("MOTOROLA-%1").arg(int(ident.VersioneHw), 2, 10, QLatin1Char('0'));
    case 1: return (flags & kBadInstallDate) ? QString() : dateText(ident.DataInstallazione);
    case 2: return (flags & kBadRevisionDate) ? QString() : dateText(ident.DataRevisione);
    case 3:
        if (flags & kBadType)
            return {};
        if (ident.TipoInstallazione == 0)
            return Testo(frame.id(230));
        if (ident.TipoInstallazione == 1)
            return Testo(frame.id(231));
        return QStringLiteral("----------");
    case 4: return ident.Matricola.toUpper();
    case 5: return ident.Lotto.toUpper();
    case 6: return ident.VersioneSoftware;
    case 7: return ident.VersioneTabella;
    case 8: return ident.VersioneCaricatore;
    default: return {};
    }
}

QString VisInf::avviso(const FrameState &frame, const EcuIdentity &ident)
{
    if (ident.FlagIdentificazione != 0)
        return Testo(frame.id(199));
    if (ident.DataInstallazione == QDate(1900, 1, 1))
        return Testo(frame.id(200));
    return {};
}

VisInf::VisInf(const FrameState &frame, const EcuIdentity &ident, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VisInf"));
    MakeFixedDialog(this);
    setModal(true);
    setWindowTitle(Testo(frame.id(103)).trimmed().remove(QLatin1Char('&')));

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(font().pointSizeF() * 1.1);

    // The rows sit on a light panel, like a printed data plate.
    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Base);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(16, 12, 20, 12);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < 9; ++i) {
        auto *caption = new QLabel(Testo(frame.id(190 + i)), panel);
        caption->setObjectName(QStringLiteral("LabInfC(%1)").arg(i));
        caption->setTextFormat(Qt::PlainText);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_captions[i] = caption;

        auto *value = new QLabel(valore(frame, ident, i), panel);
        value->setObjectName(QStringLiteral("InfVis(%1)").arg(i));
        value->setTextFormat(Qt::PlainText);
        value->setFont(mono);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setMinimumWidth(QFontMetrics(mono).horizontalAdvance(QLatin1Char('0')) * 16);
        m_values[i] = value;

        grid->addWidget(caption, i, 0);
        grid->addWidget(value, i, 1);
    }
    grid->setColumnStretch(1, 1);

    m_warning = new QLabel(avviso(frame, ident), this);
    m_warning->setObjectName(QStringLiteral("InfoVis"));
    m_warning->setTextFormat(Qt::PlainText);
    m_warning->setWordWrap(true);
    m_warning->setAlignment(Qt::AlignCenter);
    QFont bold = m_warning->font();
    bold.setBold(true);
    m_warning->setFont(bold);
    QPalette red = m_warning->palette();
    red.setColor(QPalette::WindowText, QColor(0xb0, 0x1c, 0x1c));
    m_warning->setPalette(red);
    m_warning->setVisible(!m_warning->text().isEmpty());

    m_ok = MakeFaceButton(frame, this, QStringLiteral("TastoOK"), 111, 112);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);

    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_ok);
    row->addStretch();

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 16);
    main->setSpacing(16);
    main->addWidget(panel);
    main->addWidget(m_warning);
    main->addLayout(row);
    main->setSizeConstraint(QLayout::SetFixedSize);
    m_ok->setFocus(Qt::OtherFocusReason);
}

void VisInf::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_ok->isEnabled())
            m_ok->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void VisInf::reject()
{
    // Esc and the window frame close it only as `TastoOK` would.
    if (m_ok->isEnabled())
        QDialog::reject();
}
