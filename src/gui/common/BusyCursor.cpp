#include "common/BusyCursor.h"

#include <QApplication>

BusyCursor::BusyCursor(bool startNow)
{
    if (startNow) start();
}

BusyCursor::~BusyCursor()
{
    stop();
}

void BusyCursor::start()
{
    if (m_active) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_active = true;
}

void BusyCursor::stop()
{
    if (!m_active) return;
    QApplication::restoreOverrideCursor();
    m_active = false;
}
