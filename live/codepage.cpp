#include "live/codepage.h"

#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

const char *hostUtf16()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

// Runs iconv over `in`. Where it stops at something it cannot convert, `stepOver`
// says how many input bytes to skip and how many substitutes to write, so that
// widths in characters never change. false when the converter is missing.
template <typename StepOver>
bool convert(const char *to, const char *from, const char *in, size_t inLeft, QByteArray &out,
             const QByteArray &substitute, StepOver stepOver)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    // Two output bytes per input byte (plus a little) always suffice here.
    out.resize(qsizetype(inLeft) * 2 + 16);
    char *dst = out.data();
    size_t dstLeft = size_t(out.size());
    while (inLeft > 0) {
        char *src = const_cast<char *>(in);
        const size_t done = iconv(cd, &src, &inLeft, &dst, &dstLeft);
        in = src;
        if (done != size_t(-1) || errno == E2BIG)
            break;
        const auto [skip, count] = stepOver(in, inLeft);
        for (int i = 0; i < count && dstLeft >= size_t(substitute.size()); ++i) {
            std::memcpy(dst, substitute.constData(), size_t(substitute.size()));
            dst += substitute.size();
            dstLeft -= size_t(substitute.size());
        }
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    out.resize(dst - out.data());
    return true;
}

}   // namespace

const char *CodePageOf(int lingua)
{
    return lingua == 3 ? "WINDOWS-1250" : "WINDOWS-1252";
}

QByteArray EncodeForLanguage(const QString &text, int lingua)
{
    // A unit iconv refuses is a character the code page lacks or a surrogate:
    // a whole pair is two units of a fixed-width cell and gives "??".
    const auto stepOver = [](const char *in, size_t left) -> std::pair<size_t, int> {
        char16_t units[2] = {0, 0};
        std::memcpy(units, in, qMin(left, sizeof units));
        if (left >= 4 && QChar::isHighSurrogate(units[0]) && QChar::isLowSurrogate(units[1]))
            return {4, 2};
        return {qMin<size_t>(2, left), 1};
    };
    QByteArray out;
    if (!convert(CodePageOf(lingua), hostUtf16(), reinterpret_cast<const char *>(text.utf16()), size_t(text.size()) * 2,
                 out, QByteArrayLiteral("?"), stepOver))
        return text.toLatin1();   // no converter installed: still one byte per character
    return out;
}

QString DecodeForLanguage(const QByteArray &bytes, int lingua)
{
    const QByteArray question(reinterpret_cast<const char *>(u"?"), 2);
    const auto stepOver = [](const char *, size_t) -> std::pair<size_t, int> { return {1, 1}; };
    QByteArray out;
    if (!convert(hostUtf16(), CodePageOf(lingua), bytes.constData(), size_t(bytes.size()), out, question, stepOver))
        return QString::fromLatin1(bytes);
    return QString(reinterpret_cast<const QChar *>(out.constData()), out.size() / 2);
}
