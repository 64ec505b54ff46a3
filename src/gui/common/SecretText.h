#pragma once
// Text the windows hand to the core: file names in the local 8-bit encoding,
// and passphrases, whose Qt copies are overwritten once they are passed on.
#include <QByteArray>
#include <QString>

#include <string>

#include "common/Secure.h"

// A path as the file layer takes it (the local 8-bit encoding of the name).
std::string localPath(const QString& path);
// A text the core hands back (a message, a key's field), which is UTF-8.
QString coreText(const std::string& text);

// Overwrites the characters (bytes) in place, then empties the string.
void wipe(QString& text);
void wipe(QByteArray& bytes);

// The text as a secret (UTF-8); `text` and the temporary copy are wiped.
zerath::SecureString secureText(QString& text);
