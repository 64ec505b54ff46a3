#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>

// Image button whose clickable area follows the shape of its picture. Pixels
// of the transparent colour of Bitmap lie outside the shape: they let the
// parent's picture show through and do not count as on the button.
class THNoShape : public QWidget {
    Q_OBJECT
public:
    enum class Face { None, IdleUp, Up, Down };

    explicit THNoShape(QWidget* parent = nullptr);
    ~THNoShape() override;

    // Face image; the control takes its size. Setting it derives the state images.
    void setBitmap(const QImage& bitmap);
    const QImage& bitmap() const { return m_bitmap; }
    // Face shown while the pointer is not on the shape (Bitmap when empty).
    void setIdleBitmap(const QImage& bitmap);
    const QImage& idleBitmap() const { return m_idleBitmap; }

    // Transparent colour: by default the colour of Bitmap's bottom-left pixel.
    void setTransparentColor(const QColor& colour);
    void resetTransparentColor();
    QColor transparentColor() const;

    // Caption with an optional "&" accelerator (Alt+letter), drawn centred.
    void setCaption(const QString& caption);
    const QString& caption() const { return m_caption; }
    // Colour of the caption (white by default: the faces are dark).
    void setCaptionColor(const QColor& colour);
    QColor captionColor() const { return m_captionColor; }
    void setHint(const QString& hint) { setToolTip(hint); }

    // Derived state images (ARGB, transparent outside the shape) and hit mask.
    const QImage& bitmapUp() const { return m_bitmapUp; }
    const QImage& bitmapDown() const { return m_bitmapDown; }
    const QImage& bitmapIdleUp() const { return m_bitmapIdleUp; }
    bool isOnShape(QPoint pos) const;

    bool isInside() const { return m_inside; }
    bool isOver() const { return m_over; }
    bool isPressed() const { return m_pressed; }
    Face lastPaintedFace() const { return m_lastFace; }
    int paintCount() const { return m_paintCount; }

    QSize sizeHint() const override;

    // Runs the click action (as the accelerator does) when enabled.
    void click();

signals:
    void clicked(); // OnClick

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // With keyboard focus (a focus policy set by the window), Space and Enter click.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void deriveStateImages();
    void updateShortcut();
    void setOver(bool over);

    QImage m_bitmap, m_idleBitmap;
    QImage m_bitmapUp, m_bitmapDown, m_bitmapIdleUp;
    QImage m_hitMask; // Format_Alpha8-like: non-zero where on the button
    QColor m_transparent;
    bool m_transparentSet = false;
    QString m_caption;
    QColor m_captionColor{Qt::white};
    int m_shortcutId = 0;
    bool m_inside = false, m_over = false, m_overPainted = false, m_pressed = false;
    Face m_lastFace = Face::None;
    int m_paintCount = 0;
};
