#include "widgets/SkinnedWindow.h"
#include "widgets/UiScale.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// Builds a region from one [x0, x1) span per row, merging equal neighbouring rows.
class RowRegion {
public:
    void add(int y, int x0, int x1)
    {
        if (x1 <= x0)
            return;
        if (!m_rects.isEmpty()) {
            QRect& last = m_rects.last();
            if (last.left() == x0 && last.right() == x1 - 1 && last.bottom() == y - 1) {
                last.setBottom(y);
                return;
            }
        }
        m_rects.append(QRect(x0, y, x1 - x0, 1));
    }
    QRegion region() const
    {
        QRegion r;
        r.setRects(m_rects.constData(), int(m_rects.size()));
        return r;
    }

private:
    QVector<QRect> m_rects;
};

} // namespace

QRegion roundRectRegion(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    const int w = right - left, h = bottom - top;
    const double rx = std::min(std::abs(cornerWidth), w) / 2.0;
    const double ry = std::min(std::abs(cornerHeight), h) / 2.0;
    RowRegion rows;
    for (int y = top; y < bottom; ++y) {
        int inset = 0;
        if (rx > 0 && ry > 0) {
            const double yc = y + 0.5;
            double dy = 0;
            if (yc < top + ry)
                dy = top + ry - yc;
            else if (yc > bottom - ry)
                dy = yc - (bottom - ry);
            const double t = std::min(1.0, dy / ry);
            inset = int(std::lround(rx - rx * std::sqrt(1.0 - t * t)));
        }
        rows.add(y, left + inset, right - inset);
    }
    return rows.region();
}

QRegion ellipticRegion(int left, int top, int right, int bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    const double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
    RowRegion rows;
    if (rx <= 0 || ry <= 0)
        return QRegion();
    for (int y = top; y < bottom; ++y) {
        const double d = (y + 0.5 - cy) / ry;
        if (d * d >= 1.0)
            continue;
        const double half = rx * std::sqrt(1.0 - d * d);
        // Pixels whose centres lie inside the ellipse.
        const int x0 = std::max(left, int(std::ceil(cx - half - 0.5)));
        const int x1 = std::min(right, int(std::floor(cx + half - 0.5)) + 1);
        rows.add(y, x0, x1);
    }
    return rows.region();
}

WindowOutline WindowOutline::roundRect(int left, int top, int right, int bottom, int cornerWidth,
                                       int cornerHeight)
{
    return WindowOutline{Shape::RoundRect, left, top, right, bottom, cornerWidth, cornerHeight};
}

WindowOutline WindowOutline::ellipse(int left, int top, int right, int bottom)
{
    return WindowOutline{Shape::Ellipse, left, top, right, bottom, 0, 0};
}

QRegion WindowOutline::region() const
{
    switch (shape) {
    case Shape::RoundRect:
        return roundRectRegion(left, top, right, bottom, cornerWidth, cornerHeight);
    case Shape::Ellipse:
        return ellipticRegion(left, top, right, bottom);
    case Shape::None:
        break;
    }
    return QRegion();
}

SkinnedWindow::SkinnedWindow(QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags | Qt::FramelessWindowHint), m_layout(new DesignLayout(this))
{
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    m_escapeCloses = (flags & Qt::WindowType_Mask) != Qt::Window;
}

void SkinnedWindow::setBackground(const QString& resourcePath)
{
    setBackgroundPixmap(QPixmap(resourcePath));
}

void SkinnedWindow::setBackgroundPixmap(const QPixmap& picture)
{
    m_background = picture;
    m_designSize = picture.isNull() ? QSize() : picture.size() / picture.devicePixelRatio();
    m_composed = QPixmap();
    if (!m_background.isNull()) {
        m_layout->setDesignSize(m_designSize);
        // Until the layout has run, the window is the picture at the text scale.
        setFixedSize(ui::px(m_designSize.width()), ui::px(m_designSize.height()));
    }
    update();
}

void SkinnedWindow::setOutline(const WindowOutline& outline)
{
    m_outline = outline;
    m_outlineFrame = size();
    if (isVisible())
        applyOutline();
}

void SkinnedWindow::applyOutline()
{
    if (m_outline.shape == WindowOutline::Shape::None) {
        clearMask();
        return;
    }
    // The outline was given for the window's size then: edges in its far half
    // follow the window as it grew with its texts; the corners grow with the text.
    WindowOutline o = m_outline;
    const QSize grown = size() - m_outlineFrame;
    for (auto [edge, frame, by] : {std::tuple{&o.left, m_outlineFrame.width(), grown.width()},
                                   std::tuple{&o.right, m_outlineFrame.width(), grown.width()},
                                   std::tuple{&o.top, m_outlineFrame.height(), grown.height()},
                                   std::tuple{&o.bottom, m_outlineFrame.height(), grown.height()}})
        if (2 * *edge > frame)
            *edge += by;
    o.cornerWidth = ui::px(o.cornerWidth);
    o.cornerHeight = ui::px(o.cornerHeight);
    setMask(o.region());
}

void SkinnedWindow::setDraggable(bool draggable)
{
    m_draggable = draggable;
    if (draggable)
        setCursor(Qt::SizeAllCursor);
    else
        unsetCursor();
    if (!draggable)
        m_dragging = false;
}

QRect SkinnedWindow::mapRect(const QRect& design) const
{
    return m_layout->mapRect(design);
}

void SkinnedWindow::settleLayout()
{
    m_layout->activate();
}

void SkinnedWindow::centreOver(QWidget* owner)
{
    settleLayout();
    QRect area;
    if (owner)
        area = owner->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    const QSize s = size();
    move(area.left() + (area.width() - s.width()) / 2, area.top() + (area.height() - s.height()) / 2);
}

int SkinnedWindow::execCentredOver(QWidget* owner)
{
    centreOver(owner);
    return exec();
}

void SkinnedWindow::showCentredOver(QWidget* owner)
{
    centreOver(owner);
    show();
    raise();
}

QLabel* SkinnedWindow::addLabel(const QString& text, int x, int y, int width, int height)
{
    auto* label = new QLabel(text, this);
    label->setAttribute(Qt::WA_TranslucentBackground, true);
    placeWidget(label, x, y, width, height);
    return label;
}

QLabel* SkinnedWindow::addTitle(const QString& text, int x, int y)
{
    QLabel* label = addLabel(text, x, y);
    QFont f(QStringLiteral("Arial"));
    ui::setDesignSize(f, 16);
    f.setBold(true);
    label->setFont(f);
    QPalette pal = label->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::WindowText, Qt::white);
    label->setPalette(pal);
    label->adjustSize();
    return label;
}

void SkinnedWindow::placeWidget(QWidget* widget, int x, int y, int width, int height)
{
    if (widget->parentWidget() != this)
        widget->setParent(this);
    // The move cursor belongs to the picture; controls keep the arrow.
    if (!qobject_cast<QLabel*>(widget) && !widget->testAttribute(Qt::WA_SetCursor))
        widget->setCursor(Qt::ArrowCursor);
    designPlace(widget, QRect(x, y, width, height));
    widget->show();
}

void SkinnedWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_background.isNull())
        p.fillRect(rect(), QColor(0x22, 0x33, 0x44));
    else
        p.drawPixmap(0, 0, composedBackground());
}

const QPixmap& SkinnedWindow::composedBackground()
{
    const DesignLayout::Grid& g = m_layout->grid();
    const qreal dpr = m_background.devicePixelRatio();
    const QSize device = size() * dpr;
    if (!m_composed.isNull() && m_composed.size() == device && g == m_composedFor)
        return m_composed;
    // Each band of the picture between two grid lines stretches to where the
    // lines lie now: across first, then down.
    const QImage picture = m_background.toImage();
    const auto stretch = [dpr](const QImage& from, QSize to, const std::vector<int>& lines, const std::vector<int>& pos,
                               bool across) {
        QImage out(to, QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const int fromLength = across ? from.width() : from.height();
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            const double a = std::clamp(lines[i] * dpr, 0.0, double(fromLength));
            const double b = std::clamp(lines[i + 1] * dpr, 0.0, double(fromLength));
            if (b <= a)
                continue;
            const double ta = pos[i] * dpr, tb = pos[i + 1] * dpr;
            if (across)
                p.drawImage(QRectF(ta, 0, tb - ta, to.height()), from, QRectF(a, 0, b - a, from.height()));
            else
                p.drawImage(QRectF(0, ta, to.width(), tb - ta), from, QRectF(0, a, from.width(), b - a));
        }
        return out;
    };
    const QImage wide = stretch(picture, QSize(device.width(), picture.height()), g.xs, g.xPos, true);
    m_composed = QPixmap::fromImage(stretch(wide, device, g.ys, g.yPos, false));
    m_composed.setDevicePixelRatio(dpr);
    m_composedFor = g;
    return m_composed;
}

void SkinnedWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isVisible())
        applyOutline();
}

void SkinnedWindow::showEvent(QShowEvent* event)
{
    applyOutline();
    QDialog::showEvent(event);
}

void SkinnedWindow::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_draggable) {
        m_dragging = true;
        m_dragStart = pos;
    }
    emit backgroundPressed(pos, event->button());
    event->accept();
}

void SkinnedWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        const QPoint pos = event->position().toPoint();
        move(x() + pos.x() - m_dragStart.x(), y() + pos.y() - m_dragStart.y());
    }
    event->accept();
}

void SkinnedWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    emit backgroundReleased(event->position().toPoint(), event->button());
    event->accept();
}

void SkinnedWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && !m_escapeCloses) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
