#include "tools/ecusim/simframes.h"

namespace ecusim {

QByteArray checksum(const QByteArray &payload)
{
    unsigned sum = 0;
    for (char c : payload)
        sum += static_cast<unsigned char>(c);
    const unsigned low = sum & 0xFFu;
    QByteArray out(2, '0');
    out[0] = char('0' + (low >> 4));
    out[1] = char('0' + (low & 0x0Fu));
    return out;
}

QByteArray sealed(const QByteArray &payload)
{
    return payload + checksum(payload) + "\r\n";
}

QByteArray field6(qint64 value)
{
    const QByteArray text = "000000" + QByteArray::number(value);
    return text.right(6);
}

bool parseField6(const QByteArray &text, int *value)
{
    if (text.size() != 6)
        return false;
    const int minus = text.indexOf('-');
    const QByteArray digits = minus < 0 ? text : text.mid(minus + 1);
    if (digits.isEmpty())
        return false;
    for (int i = 0; i < minus; ++i)
        if (text[i] != '0')
            return false;
    for (char c : digits)
        if (c < '0' || c > '9')
            return false;
    const int magnitude = digits.toInt();
    *value = minus < 0 ? magnitude : -magnitude;
    return true;
}

QByteArray rightAligned(const QByteArray &text, int width)
{
    if (text.size() >= width)
        return text.right(width);
    return QByteArray(width - text.size(), ' ') + text;
}

}   // namespace ecusim
