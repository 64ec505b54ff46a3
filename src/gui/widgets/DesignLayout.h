#pragma once
// Placement on a skin that grows with its texts. Every control keeps the
// rectangle it was drawn at on the picture ("design pixels"); the edges of
// those rectangles cut the container into a grid. Each gap of the grid keeps
// at least its design length at the text scale, each control gets at least
// the room its text needs, and a control that needs more pushes every grid
// line after it by as much as it must, nothing before it. Two controls apart
// on the picture thus stay apart, and at scale 1 with texts that fit, every
// control lands exactly where it was drawn.
#include <QLayout>
#include <QRect>
#include <vector>

namespace design {

// One control's extent along an axis: between the design edges `from` and
// `to` it needs at least `need` pixels.
struct Span {
    int from = 0, to = 0, need = 0;
};

// Laid-out positions of the sorted, distinct design edges `lines`. Without
// spans each line lands at its design coordinate times `scale`, rounded.
std::vector<int> solveAxis(const std::vector<int>& lines, double scale, const std::vector<Span>& spans);

// A design coordinate through solved lines: in proportion within a gap, at
// `scale` beyond the first or last line.
int mapAxis(const std::vector<int>& lines, const std::vector<int>& positions, double scale, int design);

// Room a widget's text needs along each axis, at least its design size at the
// current scale (width first; the height for the width it gets). Design
// lengths of -1 ask for the widget's own size hint.
int neededWidth(const QWidget* widget, int designWidth);
int neededHeight(const QWidget* widget, int designHeight, int width);

} // namespace design

class DesignLayout : public QLayout {
public:
    explicit DesignLayout(QWidget* parent);
    ~DesignLayout() override;

    // The container's size on the picture. Without one, a container placed by
    // a DesignLayout takes its design rectangle's size, any other its size
    // when first laid out.
    void setDesignSize(QSize size);
    QSize designSize() const;

    // Adds the widget at a design rectangle, or moves it there when it is
    // already placed; a width or height of -1 is the widget's size hint.
    void place(QWidget* widget, const QRect& design);
    QRect designRect(const QWidget* widget) const; // null rectangle when not placed

    // A design rectangle / point where the grid puts it now.
    QRect mapRect(const QRect& design) const;
    // The grid: sorted design edges and their laid-out positions.
    struct Grid {
        std::vector<int> xs, xPos, ys, yPos;
        bool operator==(const Grid&) const = default;
    };
    const Grid& grid() const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    void invalidate() override;
    Qt::Orientations expandingDirections() const override { return {}; }

private:
    struct Entry {
        QLayoutItem* item;
        QRect design;
    };
    void solve() const;
    QSize solvedSize() const;

    std::vector<Entry> m_entries;
    mutable QSize m_designSize;
    mutable bool m_solved = false;
    mutable Grid m_grid;
    mutable std::vector<QRect> m_placed;
};

// Places a widget at a design rectangle inside its parent (a width or height
// of -1 is its size hint), giving the parent a DesignLayout when it has no
// layout yet.
void designPlace(QWidget* widget, const QRect& design);
