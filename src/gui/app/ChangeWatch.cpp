#include "app/ChangeWatch.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QEvent>

FileLook FileLook::of(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<long long>(st.st_ctim.tv_sec), static_cast<long long>(st.st_ctim.tv_nsec),
            static_cast<long long>(st.st_size), static_cast<long long>(st.st_ino)};
}

ChangeWatch::ChangeWatch(const std::string& keyRingPath, const std::string& settingsPath, QObject* parent)
    : QObject(parent), m_keyRingPath(keyRingPath), m_settingsPath(settingsPath),
      m_keyRing(FileLook::of(keyRingPath)), m_settings(FileLook::of(settingsPath))
{
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

void ChangeWatch::check()
{
    const FileLook ring = FileLook::of(m_keyRingPath), settings = FileLook::of(m_settingsPath);
    const bool ringChanged = !(ring == m_keyRing), settingsChanged = !(settings == m_settings);
    m_keyRing = ring;
    m_settings = settings;
    if (ringChanged) emit keyRingChanged();
    if (settingsChanged) emit this->settingsChanged();
}

bool ChangeWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) check();
    return QObject::eventFilter(watched, event);
}
