#include "widgets/ALProgressBar.h"

#include "widgets/Accessibles.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

// 32-bit multiply-divide rounded half away from zero; a zero divisor yields 0.
int mulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return 0;
    const std::int64_t product = std::int64_t(number) * numerator;
    std::int64_t q = product / denominator;
    const std::int64_t r = product % denominator;
    if (2 * (r < 0 ? -r : r) >= (denominator < 0 ? -std::int64_t(denominator) : denominator))
        q += ((product < 0) != (denominator < 0)) ? -1 : 1;
    return int(q);
}

} // namespace

TALProgressBar::TALProgressBar(QWidget* parent) : QWidget(parent)
{
    resize(200, 20);
    a11y::install();
    m_backgroundColor = palette().color(QPalette::Active, QPalette::Button);
    m_borderColor1 = palette().color(QPalette::Active, QPalette::Dark);
    m_borderColor2 = palette().color(QPalette::Active, QPalette::Light);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

QColor TALProgressBar::GradientColor(const QColor& from, const QColor& to, int index, int count)
{
    if (index < 1 || index > count)
        throw EGradientColorError("ColorIndex can't be less than 1 or greater than " + std::to_string(count));
    // A part of one line has nothing to spread over: it takes the first colour.
    const auto channel = [&](int a, int b) { return (a + mulDiv(index - 1, b - a, count - 1)) & 0xFF; };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

void TALProgressBar::propertyChanged()
{
    m_barValid = false;
    update();
}

void TALProgressBar::setMin(int value)
{
    m_min = value;
    propertyChanged();
}

void TALProgressBar::setMax(int value)
{
    m_max = value;
    propertyChanged();
}

void TALProgressBar::setPosition(int value)
{
    if (value == m_position || value > m_max || value < m_min)
        return;
    m_position = value;
    update(); // the cached bar picture stays
    a11y::valueChanged(this, value);
}

void TALProgressBar::setDirection(Direction value)
{
    m_direction = value;
    propertyChanged();
}

void TALProgressBar::setBarColorStyle(BarColorStyle value)
{
    m_style = value;
    propertyChanged();
}

void TALProgressBar::setBarColor1(const QColor& value)
{
    m_barColor1 = value;
    propertyChanged();
}

void TALProgressBar::setBarColor2(const QColor& value)
{
    m_barColor2 = value;
    propertyChanged();
}

void TALProgressBar::setBarColor3(const QColor& value)
{
    m_barColor3 = value;
    propertyChanged();
}

void TALProgressBar::setBarBitmap(const QImage& value)
{
    m_barBitmap = value;
    propertyChanged();
}

void TALProgressBar::setBackgroundColor(const QColor& value)
{
    m_backgroundColor = value;
    propertyChanged();
}

void TALProgressBar::setShowBorder(bool value)
{
    m_showBorder = value;
    propertyChanged();
}

void TALProgressBar::setBorderColor1(const QColor& value)
{
    m_borderColor1 = value;
    propertyChanged();
}

void TALProgressBar::setBorderColor2(const QColor& value)
{
    m_borderColor2 = value;
    propertyChanged();
}

void TALProgressBar::setShowPosText(bool value)
{
    m_showPosText = value;
    propertyChanged();
}

void TALProgressBar::setPercentage(bool value)
{
    m_percentage = value;
    propertyChanged();
}

void TALProgressBar::setPosTextPrefix(const QString& value)
{
    m_prefix = value;
    propertyChanged();
}

void TALProgressBar::setPosTextSuffix(const QString& value)
{
    m_suffix = value;
    propertyChanged();
}

void TALProgressBar::setTextColor(const QColor& value)
{
    m_textColor = value;
    propertyChanged();
}

void TALProgressBar::buildBar()
{
    const int w = width(), h = height();
    ++m_barBuilds;
    m_barValid = true;
    m_barSize = size();
    m_bar = QImage();
    if (w <= 0 || h <= 0)
        return;
    if (!m_barBitmap.isNull()) {
        m_bar = QImage(w, h, QImage::Format_RGB32);
        m_bar.fill(m_backgroundColor);
        QPainter p(&m_bar);
        const int bw = m_barBitmap.width(), bh = m_barBitmap.height();
        for (int row = 0; row <= h / bh; ++row)
            for (int col = 0; col <= w / bw; ++col)
                p.drawImage(col * bw, row * bh, m_barBitmap);
        return;
    }
    if (m_style == PlainColor)
        return;
    m_bar = QImage(w, h, QImage::Format_RGB32);
    const bool vertical = m_direction == BottomToTop || m_direction == TopToBottom;
    const int length = vertical ? h : w;
    // Colour pairs of the first and second part, running from the left/top edge.
    QColor a1, b1, a2, b2;
    const bool forward = m_direction == LeftToRight || m_direction == TopToBottom;
    if (m_style == TwoColorGradient) {
        a1 = forward ? m_barColor1 : m_barColor2;
        b1 = forward ? m_barColor2 : m_barColor1;
    } else {
        a1 = forward ? m_barColor1 : m_barColor3;
        b1 = m_barColor2;
        a2 = m_barColor2;
        b2 = forward ? m_barColor3 : m_barColor1;
    }
    QRgb* bits = reinterpret_cast<QRgb*>(m_bar.bits());
    const int stride = int(m_bar.bytesPerLine() / 4);
    const auto line = [&](int at, const QColor& c) {
        const QRgb rgb = c.rgb();
        if (vertical) {
            std::fill(bits + at * stride, bits + at * stride + w, rgb);
        } else {
            for (int y = 0; y < h; ++y)
                bits[y * stride + at] = rgb;
        }
    };
    if (m_style == TwoColorGradient) {
        for (int k = 1; k <= length; ++k)
            line(k - 1, GradientColor(a1, b1, k, length));
    } else {
        const int first = length / 2, second = length - first;
        for (int k = 1; k <= first; ++k)
            line(k - 1, GradientColor(a1, b1, k, first));
        for (int k = 1; k <= second; ++k)
            line(first + k - 1, GradientColor(a2, b2, k, second));
    }
}

int TALProgressBar::coveredLength() const
{
    const int border = m_showBorder ? 1 : 0;
    const bool vertical = m_direction == BottomToTop || m_direction == TopToBottom;
    const int length = std::max(0, (vertical ? height() : width()) - 2 * border);
    if (!(m_min < m_position) || m_max == m_min)
        return 0;
    const double span = std::fabs(double(m_max) - double(m_min));
    const double share = (double(m_position) - double(m_min)) / span;
    // Ties go to the even neighbour (the default rounding mode).
    const double c = std::nearbyint(share * length);
    return int(std::clamp(c, 0.0, double(length)));
}

QString TALProgressBar::positionText() const
{
    if (m_position <= 0)
        return QString();
    if (!m_showPosText)
        return m_prefix;
    qint64 number = m_position;
    if (m_percentage)
        number = m_max == 0 ? 0 : qint64(std::nearbyint(double(m_position) / double(m_max) * 100.0));
    return m_prefix + QString::number(number) + m_suffix;
}

QImage TALProgressBar::renderFrame()
{
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return QImage();
    if (!m_barValid || m_barSize != size()) // a hidden control gets no resize event
        buildBar();
    QImage frame(w, h, QImage::Format_RGB32);
    QPainter p(&frame);
    // 1. The bar over the whole control.
    if (!m_bar.isNull())
        p.drawImage(0, 0, m_bar);
    else
        p.fillRect(0, 0, w, h, m_barColor1);
    // 2-3. The uncovered part of the inner area.
    const int border = m_showBorder ? 1 : 0;
    const QRect inner(border, border, std::max(0, w - 2 * border), std::max(0, h - 2 * border));
    const int c = coveredLength();
    switch (m_direction) {
    case LeftToRight:
        p.fillRect(QRect(inner.left() + c, inner.top(), inner.width() - c, inner.height()), m_backgroundColor);
        break;
    case RightToLeft:
        p.fillRect(QRect(inner.left(), inner.top(), inner.width() - c, inner.height()), m_backgroundColor);
        break;
    case BottomToTop:
        p.fillRect(QRect(inner.left(), inner.top(), inner.width(), inner.height() - c), m_backgroundColor);
        break;
    case TopToBottom:
        p.fillRect(QRect(inner.left(), inner.top() + c, inner.width(), inner.height() - c), m_backgroundColor);
        break;
    }
    // 4. The frame: BorderColor1 from the top-right corner along the top and
    // down the left edge, BorderColor2 along the bottom and up the right edge.
    if (m_showBorder) {
        p.fillRect(QRect(1, 0, w - 1, 1), m_borderColor1);
        p.fillRect(QRect(0, 0, 1, h - 1), m_borderColor1);
        p.fillRect(QRect(0, h - 1, w - 1, 1), m_borderColor2);
        p.fillRect(QRect(w - 1, 1, 1, h - 1), m_borderColor2);
    }
    // 5. The text, centred, without background.
    const QString text = positionText();
    if (!text.isEmpty()) {
        p.setFont(font());
        p.setPen(m_textColor);
        const QFontMetrics fm(font());
        const int tw = fm.horizontalAdvance(text), th = fm.height();
        p.drawText(w / 2 - tw / 2, h / 2 - th / 2 + fm.ascent(), text);
    }
    return frame;
}

void TALProgressBar::paintEvent(QPaintEvent*)
{
    const QImage frame = renderFrame();
    QPainter p(this);
    p.drawImage(0, 0, frame); // the composed frame in one step
}

void TALProgressBar::resizeEvent(QResizeEvent* event)
{
    m_barValid = false;
    QWidget::resizeEvent(event);
}

void TALProgressBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void TALProgressBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}
