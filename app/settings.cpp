#include "app/settings.h"

#include <QStringList>
#include <cmath>

#include "app/numbers.h"
#include "app/profile.h"

namespace {

const QString kSezioneLingua = QStringLiteral("IMPOSTAZIONI");
const QString kSezioneSeriale = QStringLiteral("SERIALE");
const QString kSezionePorte = QStringLiteral("PORTE");

QString kalibronIni(const FrameState &f)
{
    return f.file(QStringLiteral("KALIBRON.INI"));
}
QString configIni(const FrameState &f)
{
    return f.file(QStringLiteral("CONFIG.INI"));
}

// Reads through the 255-character buffer, like the original profile call.
QString leggiChiave(FrameState &f, const QString &path, const QString &section, const QString &key, const QString &def)
{
    f.BufferIni = Profile::read(path, section, key, def).left(255);
    f.EsitoIni = int(f.BufferIni.size());
    return f.BufferIni.left(f.EsitoIni);
}

QString campoFisso(const QString &value, int width)
{
    return value.left(width).leftJustified(width, QLatin1Char(' '));
}

// Whole number rounded to even on halves, as the platform conversion did; `def`
// when the text is not a plain decimal or the result does not fit 16 bits.
qint16 intero(const QString &text, qint16 def)
{
    const std::optional<double> v = PlainDecimal(text);
    return v ? WholeInt16HalfEven(*v).value_or(def) : def;
}

const int kVelocita[] = {110,   300,   600,   1200,  2400,  4800,   9600,   14400,
                         19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};

}   // namespace

void LeggiLingua(FrameState &frame)
{
    frame.LinguaCorrente = 4;
    const QString v =
        leggiChiave(frame, kalibronIni(frame), kSezioneLingua, QStringLiteral("Lingua"), QStringLiteral("4"));
    const std::optional<double> n = PlainDecimal(v);
    if (n && *n >= 1 && *n <= 4) {
        frame.LinguaCorrente = quint8(RoundHalfEven(*n));
        return;
    }
    Profile::write(kalibronIni(frame), kSezioneLingua, QStringLiteral("Lingua"), QString::number(frame.LinguaCorrente));
}

bool ScriviLingua(const FrameState &frame, int lingua)
{
    return Profile::write(kalibronIni(frame), kSezioneLingua, QStringLiteral("Lingua"), QString::number(lingua));
}

void LeggiConfigSeriale(FrameState &frame)
{
    const QString path = configIni(frame);
    ConfigSerialeT &c = frame.ConfigSeriale;
    c.Porta = campoFisso(leggiChiave(frame, path, kSezioneSeriale, QStringLiteral("COM"), QStringLiteral("COM1")), 4);
    c.Velocita =
        campoFisso(leggiChiave(frame, path, kSezioneSeriale, QStringLiteral("BAUD_RATE"), QStringLiteral("19200")), 5);
    c.NomeParita =
        campoFisso(leggiChiave(frame, path, kSezioneSeriale, QStringLiteral("PARITA"), QStringLiteral("NESSUNA")), 7);
    c.NumBitDati =
        intero(leggiChiave(frame, path, kSezioneSeriale, QStringLiteral("BIT_DATI"), QStringLiteral("8")), 8);
    c.NumBitStop =
        intero(leggiChiave(frame, path, kSezioneSeriale, QStringLiteral("BIT_STOP"), QStringLiteral("1")), 1);
}

bool ScriviConfigSeriale(FrameState &frame, const SerialChoice &choice)
{
    const QString path = configIni(frame);
    const bool ok = Profile::write(path, kSezioneSeriale, QStringLiteral("COM"), choice.com.trimmed())
                    && Profile::write(path, kSezioneSeriale, QStringLiteral("BAUD_RATE"), choice.baud.trimmed())
                    && Profile::write(path, kSezioneSeriale, QStringLiteral("BIT_DATI"), choice.dataBits.trimmed())
                    && Profile::write(path, kSezioneSeriale, QStringLiteral("PARITA"), choice.parityWord.trimmed())
                    && Profile::write(path, kSezioneSeriale, QStringLiteral("BIT_STOP"), choice.stopBits.trimmed());
    LeggiConfigSeriale(frame);
    return ok;
}

QString DispositivoPorta(const FrameState &frame, int n)
{
    const QString mapped = Profile::read(configIni(frame), kSezionePorte, QStringLiteral("COM%1").arg(n), QString());
    if (!mapped.isEmpty())
        return mapped;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

bool ScriviDispositivoPorta(const FrameState &frame, int n, const QString &device)
{
    return Profile::write(configIni(frame), kSezionePorte, QStringLiteral("COM%1").arg(n), device.trimmed());
}

QString TestoImpostazioni(const ConfigSerialeT &cfg)
{
    QString s = cfg.Velocita.trimmed() + QLatin1Char(',');
    const QString parita = cfg.NomeParita.trimmed().toUpper();
    if (parita == QLatin1String("NESSUNA"))
        s += QLatin1String("N,");
    else if (parita == QLatin1String("PARI"))
        s += QLatin1String("E,");
    else if (parita == QLatin1String("DISPARI"))
        s += QLatin1String("O,");
    s += QString::number(cfg.NumBitDati) + QLatin1Char(',') + QString::number(cfg.NumBitStop);
    return s;
}

bool ValidaImpostazioni(const QString &settings, PortSettings *out)
{
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || std::find(std::begin(kVelocita), std::end(kVelocita), baud) == std::end(kVelocita))
        return false;
    const QString par = parts[1].trimmed().toUpper();
    if (par.size() != 1 || !QStringLiteral("NEOMS").contains(par))
        return false;
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 4 || data > 8)
        return false;
    const QString stop = parts[3].trimmed();
    int stop10 = 0;
    if (stop == QLatin1String("1"))
        stop10 = 10;
    else if (stop == QLatin1String("1.5"))
        stop10 = 15;
    else if (stop == QLatin1String("2"))
        stop10 = 20;
    else
        return false;
    if (out) {
        out->baud = baud;
        out->parity = par.at(0).toLatin1();
        out->dataBits = data;
        out->stopBitsTimes10 = stop10;
    }
    return true;
}

bool ImpostazioniPorta(const FrameState &frame, PortSettings *out)
{
    const QString porta = campoFisso(frame.ConfigSeriale.Porta, 4);
    const QChar last = porta.at(3);
    if (!last.isDigit() || last == QLatin1Char('0'))
        return false;
    PortSettings ps;
    if (!ValidaImpostazioni(TestoImpostazioni(frame.ConfigSeriale), &ps))
        return false;
    ps.device = DispositivoPorta(frame, last.digitValue());
    if (out)
        *out = ps;
    return true;
}
