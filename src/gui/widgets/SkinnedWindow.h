#pragma once
#include <QDialog>
#include <QPixmap>
#include <QPoint>
#include <QRegion>

#include "widgets/DesignLayout.h"

class QLabel;

// Outline of a borderless window, in the window's own coordinates. The corner
// points follow the platform's region calls: the rectangle runs from
// (left, top) up to but not including (right, bottom).
struct WindowOutline {
    enum class Shape { None, RoundRect, Ellipse };
    Shape shape = Shape::None;
    int left = 0, top = 0, right = 0, bottom = 0;
    int cornerWidth = 0, cornerHeight = 0; // corner ellipse of a rounded rectangle

    static WindowOutline roundRect(int left, int top, int right, int bottom, int cornerWidth,
                                   int cornerHeight);
    static WindowOutline ellipse(int left, int top, int right, int bottom);
    QRegion region() const; // empty region for Shape::None
};

// Region of a rounded rectangle / ellipse as the platform builds it: pixel rows
// top..bottom-1, columns left..right-1 at most.
QRegion roundRectRegion(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
QRegion ellipticRegion(int left, int top, int right, int bottom);

// A window without frame or title bar, covered by a picture, cut to an outline
// when shown and optionally dragged by its picture. The main window passes
// Qt::Window; every other window keeps the default Qt::Dialog.
class SkinnedWindow : public QDialog {
    Q_OBJECT
public:
    explicit SkinnedWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Dialog);

    // Background picture: the window takes the picture's size at the text
    // scale, and more where its texts need it; the picture stretches between
    // the edges of the controls so its frames stay under them.
    void setBackground(const QString& resourcePath);
    void setBackgroundPixmap(const QPixmap& picture);
    const QPixmap& background() const { return m_background; }
    // The picture's own size, before it grew with the text: the frame of the
    // design coordinates that placeWidget() takes.
    QSize designSize() const { return m_designSize; }

    // The outline is applied each time the window is shown (and at once when
    // the window is already visible).
    void setOutline(const WindowOutline& outline);
    const WindowOutline& outline() const { return m_outline; }
    void applyOutline();

    // Dragging by the picture: any mouse button pressed on the picture starts
    // it, every move shifts the window by the pointer's offset from the press
    // point, the release ends it. Draggable pictures show the four-way cursor.
    void setDraggable(bool draggable);
    bool isDraggable() const { return m_draggable; }
    bool isDragging() const { return m_dragging; }

    // Placement over an owner window (centred on the owner's frame; over the
    // primary screen when owner is null).
    void centreOver(QWidget* owner);
    int execCentredOver(QWidget* owner);   // modal; returns QDialog::exec's result
    void showCentredOver(QWidget* owner);  // not modal

    // Places on the picture, in its design pixels: the window's layout keeps
    // them and grows them with their texts.
    QRect mapRect(const QRect& design) const;
    // Lays the window out now (it does so by itself before it shows).
    void settleLayout();
    QLabel* addLabel(const QString& text, int x, int y, int width = -1, int height = -1);
    // The window's title in the picture's title band: white bold 16-pixel Arial.
    QLabel* addTitle(const QString& text, int x = 14, int y = 9);
    template <class W>
    W* place(W* widget, int x, int y, int width = -1, int height = -1)
    {
        placeWidget(widget, x, y, width, height);
        return widget;
    }
    void placeWidget(QWidget* widget, int x, int y, int width = -1, int height = -1);

    // Whether Escape rejects the window (QDialog's habit): on for dialogs, off
    // for a window made with Qt::Window.
    void setEscapeCloses(bool on) { m_escapeCloses = on; }
    bool escapeCloses() const { return m_escapeCloses; }

signals:
    // Mouse pressed / released on the picture itself (not on a child control).
    void backgroundPressed(QPoint pos, Qt::MouseButton button);
    void backgroundReleased(QPoint pos, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const QPixmap& composedBackground();

    DesignLayout* m_layout;
    QPixmap m_background;
    QPixmap m_composed;
    DesignLayout::Grid m_composedFor; // the grid m_composed was stretched to
    QSize m_outlineFrame;
    QSize m_designSize;
    WindowOutline m_outline;
    bool m_draggable = false;
    bool m_dragging = false;
    QPoint m_dragStart;
    bool m_escapeCloses = true;
};
