#include "common/SecretText.h"

#include <QFile>

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString coreText(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

void wipe(QString& text)
{
    if (text.isEmpty()) return;
    QChar* d = text.data(); // detaches: a shared copy, if any, is its holder's to wipe
    zerath::secureZero(d, std::size_t(text.size()) * sizeof(QChar));
    text.clear();
}

void wipe(QByteArray& bytes)
{
    if (bytes.isEmpty()) return;
    zerath::secureZero(bytes.data(), std::size_t(bytes.size()));
    bytes.clear();
}

zerath::SecureString secureText(QString& text)
{
    QByteArray utf8 = text.toUtf8();
    zerath::SecureString s(utf8.constData(), std::size_t(utf8.size()));
    wipe(utf8);
    wipe(text);
    return s;
}
