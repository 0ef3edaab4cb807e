#include "ui/common/messaggio.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QVBoxLayout>

#include "app/log.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

// Control name, faces (normal, greyed) and answer of each button, in control order.
struct TastoDef {
    const char *name;
    int normal, greyed, answer;
};
constexpr TastoDef kTasti[] = {
    {"TastoOK", 111, 112, 1},    {"TastoCancel", 105, 106, 2}, {"TastoAbort", 109, 110, 3},
    {"TastoRetry", 115, 116, 4}, {"TastoIgnore", 113, 114, 5}, {"TastoYes", 107, 108, 6},
    {"TastoNo", 117, 118, 7},    {"TastoRic", 139, 140, 6},    {"TastoCont", 137, 138, 4},
    {"TastoAnn", 105, 106, 2},
};
enum { OK, Cancel, Abort, Retry, Ignore, Yes, No, Ric, Cont, Ann };

// Buttons of each set, left to right, and the set's refusing answer.
struct SetDef {
    QList<int> buttons;
    int refusal;
};
const SetDef &setDef(int set)
{
    static const SetDef sets[] = {
        {{OK}, 1},      {{OK, Cancel}, 2},    {{Abort, Retry, Ignore}, 3}, {{Yes, No, Cancel}, 2},
        {{Yes, No}, 7}, {{Retry, Cancel}, 2}, {{Ric, Cont, Ann}, 2},
    };
    // An unknown set still gets a button, or the dialog could not be answered.
    return sets[(set >= 0 && set <= 6) ? set : 0];
}

constexpr QSize kButtonSize(112, 40);
constexpr int kIconSide = 48;
constexpr int kMargin = 22;
constexpr int kGap = 18;   // icon to text
constexpr int kMinText = 260;
constexpr int kMaxText = 460;

}   // namespace

Messaggio::Messaggio(const FrameState &frame, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Messaggio"));
    MakeFixedDialog(this);
    setModal(true);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("Immagine"));
    m_icon->setFixedSize(kIconSide, kIconSide);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("Segnalazione"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont f = m_text->font();
    f.setPointSizeF(f.pointSizeF() * 1.1);
    m_text->setFont(f);

    auto *top = new QHBoxLayout;
    top->setSpacing(kGap);
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addWidget(m_text, 1);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(kMargin, kMargin, kMargin, 0);
    main->addLayout(top);
    main->addSpacing(kMargin + buttonRowTop());   // room for the button band, placed by hand
    main->setSizeConstraint(QLayout::SetFixedSize);

    for (int i = 0; i < int(m_tasti.size()); ++i) {
        PictureButton *b =
            MakeFaceButton(frame, this, QLatin1String(kTasti[i].name), kTasti[i].normal, kTasti[i].greyed);
        b->hide();
        b->setEnabled(false);
        const int code = kTasti[i].answer;
        connect(b, &QAbstractButton::clicked, this, [this, code] {
            m_answer = code;
            done(code);
        });
        m_tasti[i] = {b, code};
    }
}

int Messaggio::refusalFor(int buttonSet)
{
    return setDef(buttonSet).refusal;
}

int Messaggio::iconPicture(int flags)
{
    switch (flags & kIconMask) {
    case kIconError: return 5004;
    case kIconWarning: return 5005;
    case kIconQuestion: return 5006;
    case kIconInformation: return 5007;
    default: return 0;
    }
}

// Distance of the button row's top from the bottom of the inner area: 1000 twips.
int Messaggio::buttonRowTop() const
{
    return qRound(1000.0 * logicalDpiY() / 1440.0);
}

void Messaggio::prepare(const QString &text, int flags, const QString &title)
{
    setWindowTitle(title);
    m_text->setText(text);

    const int picture = iconPicture(flags);
    m_icon->clear();
    m_icon->setVisible(picture != 0);
    if (picture)
        CaricaImmagine(picture, m_icon);

    for (const Tasto &t : m_tasti) {
        t.button->hide();
        t.button->setEnabled(false);
    }
    m_buttonSet = flags & kButtonsMask;
    m_set = setDef(m_buttonSet).buttons;
    for (int i : m_set) {
        m_tasti[i].button->setEnabled(true);
        m_tasti[i].button->show();
    }
    m_answer = refusalFor(m_buttonSet);

    // Width: the text on as few lines as fits, but never narrower than the row
    // of buttons with a button's width between their centres.
    const int n = int(m_set.size());
    const int rowWidth = (n + 1) * (kButtonSize.width() + 16);
    const int iconPart = picture ? kIconSide + kGap : 0;
    const QFontMetrics fm(m_text->font());
    int textWidth = qBound(kMinText, fm.horizontalAdvance(text) + 8, kMaxText);
    textWidth = qMax(textWidth, rowWidth - 2 * kMargin - iconPart);
    m_text->setFixedWidth(textWidth);
    m_text->setMinimumHeight(qMax(m_text->heightForWidth(textWidth), picture ? kIconSide : 0));
    adjustSize();
    placeButtons();
}

QList<PictureButton *> Messaggio::shownButtons() const
{
    QList<PictureButton *> out;
    for (int i : m_set)
        out << m_tasti[i].button;
    return out;
}

void Messaggio::placeButtons()
{
    const int n = int(m_set.size());
    const int top = height() - buttonRowTop() + (buttonRowTop() - kButtonSize.height()) / 2;
    for (int k = 0; k < n; ++k) {
        PictureButton *b = m_tasti[m_set[k]].button;
        const int centre = width() * (k + 1) / (n + 1);
        b->move(centre - b->width() / 2, top);
    }
}

void Messaggio::paintEvent(QPaintEvent *)
{
    // Text on the base colour, buttons on a band of the window colour below it.
    QPainter p(this);
    const int band = height() - buttonRowTop();
    p.fillRect(QRect(0, 0, width(), band), palette().color(QPalette::Base));
    p.fillRect(QRect(0, band, width(), height() - band), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, band, width(), band);
}

void Messaggio::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeButtons();
}

void Messaggio::centreOver(QWidget *window)
{
    m_centreOver = window;
}

void Messaggio::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_centreOver) {
        QRect r = frameGeometry();
        r.moveCenter(m_centreOver->frameGeometry().center());
        move(r.topLeft());
    }
    if (!m_set.isEmpty())
        m_tasti[m_set.first()].button->setFocus(Qt::OtherFocusReason);
}

void Messaggio::keyPressEvent(QKeyEvent *event)
{
    // Enter answers with the button that has the focus, as Space does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (int i : m_set) {
            if (m_tasti[i].button == focusWidget()) {
                m_tasti[i].button->click();
                return;
            }
        }
    }
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        focusNextPrevChild(event->key() == Qt::Key_Right);
        return;
    }
    QDialog::keyPressEvent(event);
}

void Messaggio::reject()
{
    m_answer = refusalFor(m_buttonSet);
    done(m_answer);
}

// ---------------------------------------------------------------------------

int ShowMessage(FrameState &frame, QWidget *parent, const QString &text, int flags, const QString &title, int position)
{
    Q_UNUSED(position);   // every caller asks for the centre of the main window
    QWidget *owner = parent ? parent->window() : nullptr;
    Messaggio dlg(frame, owner);
    dlg.prepare(text, flags, title);
    dlg.centreOver(owner);
    dlg.exec();
    frame.MessageResult = dlg.answer();
    return frame.MessageResult;
}

void LoadFaceButton(const FrameState &frame, PictureButton *button, int normalBase, int disabledBase)
{
    CaricaImmagine(frame.id(disabledBase), button);
    CaricaImmagine(frame.id(normalBase), button);
}

PictureButton *MakeFaceButton(const FrameState &frame, QWidget *parent, const QString &name, int normalBase,
                              int disabledBase)
{
    auto *b = new PictureButton(parent);
    b->setObjectName(name);
    LoadFaceButton(frame, b, normalBase, disabledBase);
    b->setFixedSize(kButtonSize);
    return b;
}

void MakeFixedDialog(QWidget *dialog, bool closeBox)
{
    Qt::WindowFlags f = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox)
        f |= Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(f);
}

int DialogMessageSink::showMessage(const QString &text, int flags, const QString &title, int position)
{
    const int answer = ShowMessage(m_frame, m_parent, text, flags, title, position);
    LogShownMessage(text, flags, title, answer);
    return answer;
}

void DialogMessageSink::plainMessage(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
    LogShownMessage(text, 0, title, kAnswerOk, true);
}

void DialogMessageSink::beep()
{
    QApplication::beep();
}
