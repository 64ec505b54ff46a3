#pragma once
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include "common/Error.h"

// Raised by TALProgressBar::GradientColor for an index outside 1..count.
class EGradientColorError : public zerath::Error {
public:
    using zerath::Error::Error;
};

// Custom-drawn progress bar: a colour gradient, a tiled picture or a plain
// colour, the part beyond the position covered by the background colour and
// the position optionally written on top. 200 by 20 pixels when created.
class TALProgressBar : public QWidget {
    Q_OBJECT
public:
    enum Direction { LeftToRight = 0, RightToLeft = 1, BottomToTop = 2, TopToBottom = 3 };
    enum BarColorStyle { PlainColor = 0, TwoColorGradient = 1, ThreeColorGradient = 2 };

    explicit TALProgressBar(QWidget* parent = nullptr);

    int min() const { return m_min; }
    int max() const { return m_max; }
    int position() const { return m_position; }
    void setMin(int value);
    void setMax(int value);
    // Ignored when equal to the current position, above Max or below Min;
    // repaints from the cached bar picture.
    void setPosition(int value);

    Direction direction() const { return m_direction; }
    void setDirection(Direction value);
    BarColorStyle barColorStyle() const { return m_style; }
    void setBarColorStyle(BarColorStyle value);
    QColor barColor1() const { return m_barColor1; }
    QColor barColor2() const { return m_barColor2; }
    QColor barColor3() const { return m_barColor3; }
    void setBarColor1(const QColor& value);
    void setBarColor2(const QColor& value);
    void setBarColor3(const QColor& value);
    const QImage& barBitmap() const { return m_barBitmap; }
    void setBarBitmap(const QImage& value);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& value);
    bool showBorder() const { return m_showBorder; }
    void setShowBorder(bool value);
    QColor borderColor1() const { return m_borderColor1; }
    QColor borderColor2() const { return m_borderColor2; }
    void setBorderColor1(const QColor& value);
    void setBorderColor2(const QColor& value);
    bool showPosText() const { return m_showPosText; }
    void setShowPosText(bool value);
    bool percentage() const { return m_percentage; }
    void setPercentage(bool value);
    const QString& posTextPrefix() const { return m_prefix; }
    const QString& posTextSuffix() const { return m_suffix; }
    void setPosTextPrefix(const QString& value);
    void setPosTextSuffix(const QString& value);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& value);

    // Colour number index (1..count) of a gradient from `from` to `to`.
    static QColor GradientColor(const QColor& from, const QColor& to, int index, int count);

    // What a frame shows: the covered length of the inner area and the text
    // (empty when none is written).
    int coveredLength() const;
    QString positionText() const;
    // The composed frame, as it is copied to the screen.
    QImage renderFrame();
    // How often the cached bar picture has been built (for the cache's tests).
    int barBuildCount() const { return m_barBuilds; }

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void propertyChanged(); // any property but Position
    void buildBar();

    int m_min = 0, m_max = 100, m_position = 0;
    Direction m_direction = LeftToRight;
    BarColorStyle m_style = ThreeColorGradient;
    QColor m_barColor1{0x00, 0x80, 0x00};
    QColor m_barColor2{0xFF, 0xFF, 0x00};
    QColor m_barColor3{0xFF, 0x00, 0x00};
    QImage m_barBitmap;
    QColor m_backgroundColor;
    bool m_showBorder = true;
    QColor m_borderColor1, m_borderColor2;
    bool m_showPosText = true;
    bool m_percentage = false;
    QString m_prefix, m_suffix;
    QColor m_textColor{Qt::black};

    QImage m_bar;          // cached bar picture (gradient or tiled picture)
    bool m_barValid = false;
    QSize m_barSize;
    int m_barBuilds = 0;
};
