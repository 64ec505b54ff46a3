#include "windows/ShredderText.h"

#include <QFile>
#include <QLocale>

#include <sys/stat.h>

QString FormatSizeText(qint64 bytes)
{
    if (bytes < 1000)
        return QString::number(bytes) + QStringLiteral(" bytes");
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (bytes < 1000000)
        return locale.toString(double(bytes) / 1000.0, 'f', 2) + QStringLiteral(" Kb");
    return locale.toString(double(bytes) / 1000000.0, 'f', 2) + QStringLiteral(" Mb");
}

QString ShortenPathText(const QString& path)
{
    const QList<uint> chars = path.toUcs4();
    if (chars.size() <= 58)
        return path;
    const auto text = [&](qsizetype from, qsizetype count) {
        const QList<uint> part = chars.mid(from, count);
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(part.constData()), part.size());
    };
    return text(0, 30) + QStringLiteral("...") + text(chars.size() - 25, 25);
}

qint64 GetFileSizeOf(const QString& path)
{
    struct stat st;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) ? qint64(st.st_size) : 0;
}

QString PathInFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}
