#include "widgets/HNoShape.h"

#include "widgets/Accessibles.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace {

// Which pixels of `image` belong to the shape: those not of the transparent colour.
QImage shapeOf(const QImage& image, QRgb transparent, QSize size)
{
    QImage shape(size, QImage::Format_Grayscale8);
    shape.fill(0);
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const int w = std::min(size.width(), src.width()), h = std::min(size.height(), src.height());
    for (int y = 0; y < h; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* out = shape.scanLine(y);
        for (int x = 0; x < w; ++x)
            out[x] = (qAlpha(in[x]) != 0 && (in[x] & 0xFFFFFF) != (transparent & 0xFFFFFF)) ? 255 : 0;
    }
    return shape;
}

QRgb blend(QRgb base, QColor over, int percent)
{
    const auto mix = [&](int a, int b) { return (a * (100 - percent) + b * percent) / 100; };
    return qRgba(mix(qRed(base), over.red()), mix(qGreen(base), over.green()),
                 mix(qBlue(base), over.blue()), 255);
}

// The face with the outside cleared and a two-step edge along the outline:
// step one (the outermost pixels of the shape) in highlight on the upper-left
// and shadow on the lower-right side (swapped when sunken), step two (the next
// pixels inward) dark on both sides when raised, on the upper-left only when sunken.
QImage bevelled(const QImage& image, const QImage& shape, bool raised, QColor highlight, QColor shadow)
{
    const QSize size = shape.size();
    QImage out(size, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const auto on = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < size.width() && y < size.height() && shape.constScanLine(y)[x] != 0;
    };
    const QColor dark(0, 0, 0);
    for (int y = 0; y < size.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            if (!on(x, y))
                continue;
            QRgb c = (x < src.width() && y < src.height()) ? src.pixel(x, y) : qRgb(0x40, 0x40, 0x40);
            c |= 0xFF000000u;
            const bool ul1 = !on(x - 1, y) || !on(x, y - 1);
            const bool lr1 = !on(x + 1, y) || !on(x, y + 1);
            const bool ul2 = !ul1 && (!on(x - 2, y) || !on(x, y - 2));
            const bool lr2 = !lr1 && (!on(x + 2, y) || !on(x, y + 2));
            if (ul1)
                c = blend(c, raised ? highlight : shadow, 75);
            else if (lr1)
                c = blend(c, raised ? shadow : highlight, 75);
            else if (ul2)
                c = blend(c, dark, 45);
            else if (lr2 && raised)
                c = blend(c, dark, 45);
            row[x] = c;
        }
    }
    return out;
}

} // namespace

THNoShape::THNoShape(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
    setFocusPolicy(Qt::NoFocus);
    a11y::install();
}

THNoShape::~THNoShape() = default;

void THNoShape::setBitmap(const QImage& bitmap)
{
    m_bitmap = bitmap;
    if (!m_bitmap.isNull())
        setFixedSize(m_bitmap.size());
    else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    deriveStateImages();
}

void THNoShape::setIdleBitmap(const QImage& bitmap)
{
    m_idleBitmap = bitmap;
    deriveStateImages();
}

void THNoShape::setTransparentColor(const QColor& colour)
{
    m_transparent = colour;
    m_transparentSet = true;
    deriveStateImages();
}

void THNoShape::resetTransparentColor()
{
    m_transparentSet = false;
    deriveStateImages();
}

QColor THNoShape::transparentColor() const
{
    if (m_transparentSet)
        return m_transparent;
    if (m_bitmap.isNull())
        return QColor(Qt::black);
    return QColor::fromRgb(m_bitmap.pixel(0, m_bitmap.height() - 1));
}

void THNoShape::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    updateShortcut();
    update();
    a11y::nameChanged(this);
}

void THNoShape::setCaptionColor(const QColor& colour)
{
    m_captionColor = colour;
    update();
}

void THNoShape::updateShortcut()
{
    if (m_shortcutId != 0) {
        releaseShortcut(m_shortcutId);
        m_shortcutId = 0;
    }
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty())
        m_shortcutId = grabShortcut(key, Qt::WindowShortcut);
}

bool THNoShape::isOnShape(QPoint pos) const
{
    if (!rect().contains(pos))
        return false;
    if (m_hitMask.isNull())
        return true;
    if (pos.x() >= m_hitMask.width() || pos.y() >= m_hitMask.height())
        return false;
    return m_hitMask.constScanLine(pos.y())[pos.x()] != 0;
}

QSize THNoShape::sizeHint() const
{
    return m_bitmap.isNull() ? QSize(75, 25) : m_bitmap.size();
}

void THNoShape::click()
{
    if (isEnabled())
        emit clicked();
}

void THNoShape::deriveStateImages()
{
    if (m_bitmap.isNull()) {
        m_bitmapUp = m_bitmapDown = m_bitmapIdleUp = QImage();
        m_hitMask = QImage();
        update();
        return;
    }
    const bool busy = QGuiApplication::instance() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QRgb transparent = transparentColor().rgb();
    const QSize size = m_bitmap.size();
    const QColor highlight = palette().color(QPalette::Active, QPalette::Light);
    const QColor shadow = palette().color(QPalette::Active, QPalette::Dark);
    const QImage shape = shapeOf(m_bitmap, transparent, size);
    m_bitmapUp = bevelled(m_bitmap, shape, true, highlight, shadow);
    m_bitmapDown = bevelled(m_bitmap, shape, false, highlight, shadow);
    if (m_idleBitmap.isNull())
        m_bitmapIdleUp = m_bitmapUp;
    else
        m_bitmapIdleUp = bevelled(m_idleBitmap, shapeOf(m_idleBitmap, transparent, size), true, highlight, shadow);
    // Hit mask: where the raised face is drawn.
    m_hitMask = QImage(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(m_bitmapUp.constScanLine(y));
        uchar* out = m_hitMask.scanLine(y);
        for (int x = 0; x < size.width(); ++x)
            out[x] = qAlpha(in[x]) != 0 ? 255 : 0;
    }
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    update();
}

void THNoShape::setOver(bool over)
{
    m_over = over;
    if (m_over != m_overPainted) {
        m_overPainted = m_over;
        update();
    }
}

bool THNoShape::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        auto* se = static_cast<QShortcutEvent*>(event);
        if (se->shortcutId() == m_shortcutId) {
            click();
            return true;
        }
    }
    return QWidget::event(event);
}

void THNoShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Face face = Face::IdleUp;
    const QImage* image = &m_bitmapIdleUp;
    if (m_over && m_pressed) {
        face = Face::Down;
        image = &m_bitmapDown;
    } else if (m_over) {
        face = Face::Up;
        image = &m_bitmapUp;
    }
    const QPoint offset = m_pressed ? QPoint(1, 1) : QPoint(0, 0);
    if (!image->isNull())
        p.drawImage(offset, *image);
    if (m_caption.isEmpty() && hasFocus()) { // a button without words: the frame goes round the face
        p.setPen(QPen(m_captionColor, 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (!m_caption.isEmpty()) {
        p.setFont(font());
        p.setPen(m_captionColor);
        QRect drawn;
        p.drawText(rect().translated(offset), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                   m_caption, &drawn);
        if (hasFocus()) { // the focus mark: a dotted frame round the words, not the spaces before them
            const qsizetype lead = m_caption.size() - QStringView(m_caption).trimmed().size();
            drawn.setLeft(drawn.left() + p.fontMetrics().horizontalAdvance(m_caption.left(lead)));
            p.setPen(QPen(m_captionColor, 1, Qt::DotLine));
            p.drawRect(drawn.adjusted(-3, -1, 2, 0));
        }
    }
    m_lastFace = face;
    m_overPainted = m_over;
    ++m_paintCount;
}

void THNoShape::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void THNoShape::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void THNoShape::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void THNoShape::enterEvent(QEnterEvent* event)
{
    m_inside = true;
    setOver(isOnShape(event->position().toPoint()));
    QWidget::enterEvent(event);
}

void THNoShape::leaveEvent(QEvent* event)
{
    m_inside = false;
    if (m_over)
        setOver(false);
    QWidget::leaveEvent(event);
}

void THNoShape::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    // While a button is held the control keeps the pointer; leaving the
    // rectangle then counts as being outside.
    m_inside = rect().contains(pos);
    setOver(m_inside && isOnShape(pos));
    QWidget::mouseMoveEvent(event);
}

void THNoShape::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    m_inside = rect().contains(pos);
    setOver(m_inside && isOnShape(pos));
    if (event->button() == Qt::LeftButton && isEnabled() && isOnShape(pos)) {
        m_pressed = true;
        update();
    }
    event->accept();
}

void THNoShape::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_pressed) {
        m_pressed = false;
        update();
    }
    event->accept();
    if (isOnShape(pos) && isEnabled())
        emit clicked();
}

void THNoShape::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::EnabledChange:
        update();
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        deriveStateImages();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}
