#include "app/profile.h"

#include <QFile>
#include <QSaveFile>

// Settings files are plain ASCII: no character conversion wanted.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace {

// An unreadable or missing file is simply an empty profile.
bool load(const QString &path, CSimpleIniA &ini)
{
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetQuotes(true);
    ini.SetSpaces(false);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.readAll();
    return ini.LoadData(data.constData(), size_t(data.size())) >= 0;
}

}   // namespace

namespace Profile {

QString read(const QString &path, const QString &section, const QString &key, const QString &defaultValue)
{
    CSimpleIniA ini;
    if (!load(path, ini))
        return defaultValue;
    const QByteArray s = section.toLatin1(), k = key.toLatin1();
    const char *v = ini.GetValue(s.constData(), k.constData(), nullptr);
    if (!v)
        return defaultValue;
    return QString::fromLatin1(v).trimmed();
}

bool contains(const QString &path, const QString &section, const QString &key)
{
    CSimpleIniA ini;
    if (!load(path, ini))
        return false;
    return ini.GetValue(section.toLatin1().constData(), key.toLatin1().constData(), nullptr) != nullptr;
}

bool write(const QString &path, const QString &section, const QString &key, const QString &value)
{
    CSimpleIniA ini;
    load(path, ini);
    const QByteArray s = section.toLatin1(), k = key.toLatin1(), v = value.toLatin1();
    if (ini.SetValue(s.constData(), k.constData(), v.constData()) < 0)
        return false;
    std::string out;
    if (ini.Save(out) < 0)
        return false;
    // Written aside and renamed, so a crash never leaves half a settings file.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(out.data(), qint64(out.size()));
    return f.commit();
}

}   // namespace Profile
