#include "ui/common/infor.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/texts.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

#ifndef KALIBRON_VERSION_MAJOR
#define KALIBRON_VERSION_MAJOR 0
#endif
#ifndef KALIBRON_VERSION_MINOR
#define KALIBRON_VERSION_MINOR 0
#endif

QString VersionText(int major, int minor)
{
    return QStringLiteral("%1.%2").arg(major).arg(minor, 2, 10, QLatin1Char('0'));
}

QString VersionText()
{
    return VersionText(KALIBRON_VERSION_MAJOR, KALIBRON_VERSION_MINOR);
}

Infor::Infor(const FrameState &frame, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Infor"));
    MakeFixedDialog(this);
    setModal(true);
    setWindowTitle(Testo(frame.id(305)).trimmed() + QLatin1Char(' ') + Testo(frame.id(307)).trimmed());

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("picIcon"));
    const QSize logo(200, 60);
    m_icon->setFixedSize(logo);
    m_icon->setPixmap(Immagine(6000, logo, devicePixelRatioF()));

    m_title = new QLabel(Testo(frame.id(307)), this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setWordWrap(true);
    QFont big = m_title->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    m_title->setFont(big);

    m_version = new QLabel(Testo(frame.id(306)) + VersionText(), this);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_version->setTextFormat(Qt::PlainText);

    // The file description of the build; this build carries none.
    m_description = new QLabel(QString(), this);
    m_description->setObjectName(QStringLiteral("lblDescription"));
    m_description->setTextFormat(Qt::PlainText);
    m_description->setWordWrap(true);
    m_description->setVisible(false);

    m_disclaimer = new QLabel(QCoreApplication::organizationName(), this);
    m_disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    m_disclaimer->setTextFormat(Qt::PlainText);
    m_disclaimer->setWordWrap(true);
    QPalette grey = m_disclaimer->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::PlaceholderText));
    m_disclaimer->setPalette(grey);

    m_ok = MakeFaceButton(frame, this, QStringLiteral("cmdOK"), 111, 112);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);

    auto *words = new QVBoxLayout;
    words->setSpacing(6);
    words->addWidget(m_title);
    words->addWidget(m_version);
    words->addWidget(m_description);
    words->addStretch();

    auto *top = new QHBoxLayout;
    top->setSpacing(20);
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addLayout(words, 1);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_disclaimer, 1);
    bottom->addWidget(m_ok);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(22, 22, 22, 16);
    main->setSpacing(14);
    main->addLayout(top);
    main->addWidget(line);
    main->addLayout(bottom);
    main->setSizeConstraint(QLayout::SetFixedSize);
    // The name on one line where it fits.
    m_title->setMinimumWidth(qBound(260, QFontMetrics(big).horizontalAdvance(m_title->text()) + 4, 480));
    m_ok->setFocus(Qt::OtherFocusReason);
}

void ShowAbout(const FrameState &frame, QWidget *parent)
{
    Infor dlg(frame, parent ? parent->window() : nullptr);
    dlg.exec();
}
