#include "link/identification.h"

#include <cmath>

#include "app/numbers.h"
#include "link/framing.h"

namespace {

// 1-based position and length, as the reply layouts are written.
QByteArrayView Campo(const QByteArray &frame, qsizetype pos, qsizetype len)
{
    const qsizetype from = pos - 1;
    if (from >= frame.size())
        return {};
    return QByteArrayView(frame).sliced(from, std::min(len, frame.size() - from));
}

QString Testo8(QByteArrayView v)
{
    return QString::fromLatin1(v.data(), v.size());
}

QString Fisso(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), true);
}

// The identification's numeric fields are unsigned, right-aligned in blanks.
std::optional<qint64> Numerico(QByteArrayView v)
{
    return FixedField(v, BlankPadded);
}

qint16 Intero16(double v)
{
    return WholeInt16HalfEven(v).value_or(0);
}

bool DataDa(const QByteArray &frame, qsizetype pos, QDate *date)
{
    return DataGiornoMeseAnno(Campo(frame, pos, 2), Campo(frame, pos + 2, 2), Campo(frame, pos + 4, 4), date);
}

}   // namespace

bool DataGiornoMeseAnno(QByteArrayView day, QByteArrayView month, QByteArrayView year, QDate *date)
{
    const auto d = Numerico(day), m = Numerico(month), y = Numerico(year);
    constexpr qint64 LastYear = 9999;
    if (!d || !m || !y || *d > 31 || *m > 12 || *y < 1 || *y > LastYear)
        return false;
    const QDate result(static_cast<int>(*y), static_cast<int>(*m), static_cast<int>(*d));
    if (!result.isValid())
        return false;
    if (date)
        *date = result;
    return true;
}

qint16 VerificaIdentificazione(const QByteArray &frame)
{
    qint16 flags = 0;
    if (!Numerico(Campo(frame, 12, 2)))
        flags |= DifettoVersioneHw;
    if (!DataDa(frame, 4, nullptr))
        flags |= DifettoDataInstallazione;
    if (!DataDa(frame, 14, nullptr))
        flags |= DifettoDataRevisione;
    const auto tipo = Numerico(Campo(frame, 22, 2));
    if (!tipo || (*tipo != 0 && *tipo != 1))
        flags |= DifettoTipoInstallazione;
    return flags;
}

void MemorizzaR8(EcuIdentity &id, const QByteArray &frame)
{
    id.FlagIdentificazione = VerificaIdentificazione(frame);

    id.VersioneHw =
        (id.FlagIdentificazione & DifettoVersioneHw) ? qint16(-1) : qint16(Numerico(Campo(frame, 12, 2)).value_or(-1));

    id.DataInstallazione = QDate();
    if (!(id.FlagIdentificazione & DifettoDataInstallazione))
        DataDa(frame, 4, &id.DataInstallazione);
    id.DataRevisione = QDate();
    if (!(id.FlagIdentificazione & DifettoDataRevisione))
        DataDa(frame, 14, &id.DataRevisione);

    id.TipoInstallazione = qint16(Numerico(Campo(frame, 22, 2)).value_or(0));

    id.Matricola = Fisso(Testo8(Campo(frame, 24, 8)), 8);
    id.Lotto = Fisso(Testo8(Campo(frame, 32, 6)), 6);
    id.VersioneTabella = Fisso(Testo8(Campo(frame, 38, 2)), 6);
    id.VersioneSoftware = Testo8(Campo(frame, 40, 3)) + Testo8(Campo(frame, 47, 2)) + Testo8(Campo(frame, 43, 4));
    id.VersioneCaricatore = Testo8(Campo(frame, 49, 3)) + Testo8(Campo(frame, 56, 2)) + Testo8(Campo(frame, 52, 4));
}

void MemorizzaR4(EcuIdentity &id, const QByteArray &frame)
{
    id.Matricola = Fisso(Testo8(Campo(frame, 6, 8)), 8);
    id.Lotto = Fisso(Testo8(Campo(frame, 14, 6)), 6);
    id.VersioneSoftware = Testo8(Campo(frame, 20, 9));
    id.VersioneCaricatore = Testo8(Campo(frame, 29, 3)) + Testo8(Campo(frame, 36, 2)) + Testo8(Campo(frame, 32, 4));
    id.TipoInstallazione = -1;
    id.VersioneTabella = Fisso(QString(), 6);

    const QByteArray primeDue = id.VersioneSoftware.left(2).toLatin1();
    if (primeDue != "00")
        id.VersioneHw = Intero16(ValoreIniziale(primeDue));
    else
        id.VersioneHw = qint16(Numerico(Campo(frame, 4, 2)).value_or(2));

    id.DataInstallazione = QDate(1900, 1, 1);
    id.DataRevisione = QDate();
}

quint8 VariantOfSoftwareVersion(const QString &versioneSoftware)
{
    return versioneSoftware.trimmed().toUpper().endsWith(QLatin1String("AA")) ? 0 : 1;
}
