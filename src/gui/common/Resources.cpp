#include "common/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initPictures()
{
    Q_INIT_RESOURCE(pictures);
}

void initZerathResources()
{
    static bool done = false;
    if (!done) {
        initPictures();
        done = true;
    }
}

QImage loadImage(const char* path)
{
    return QImage(QString::fromLatin1(path));
}

QPixmap loadPixmap(const char* path)
{
    return QPixmap(QString::fromLatin1(path));
}
