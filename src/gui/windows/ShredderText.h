#pragma once
// Texts and sizes the shredder window shows: the size of a selection, the
// folder in its status bar, and the size of one file.
#include <QString>
#include <QtGlobal>

// "999 bytes", "1.00 Kb", "1.54 Kb", "1000.00 Kb", "1.00 Mb": the divisors are
// powers of ten, two decimals, the decimal separator of the user's locale and
// no group separators. Counts below 1000 (the -1 of a vanished file among
// them) are written as they are.
QString FormatSizeText(qint64 bytes);

// A path of at most 58 characters whole; a longer one as its first 30
// characters, "..." and its last 25 (58 in all). A character outside the
// basic plane counts as one and is never cut in half.
QString ShortenPathText(const QString& path);

// Size in bytes of what the path names, as a directory listing reports it
// (the entry itself, a link is not followed; 0 for anything but a regular
// file or a link), or -1 when there is no such entry.
qint64 GetFileSizeOf(const QString& path);

// The path of `name` in `folder`: a "/" between them unless the folder
// already ends in one.
QString PathInFolder(const QString& folder, const QString& name);
