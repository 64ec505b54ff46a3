#include "widgets/DesignLayout.h"
#include "widgets/UiScale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <functional>

namespace design {

std::vector<int> solveAxis(const std::vector<int>& lines, double scale, const std::vector<Span>& spans)
{
    const auto index = [&](int line) { return std::size_t(std::lower_bound(lines.begin(), lines.end(), line) - lines.begin()); };
    // Spans by the line they end on, so one pass from left to right settles them.
    std::vector<std::vector<std::pair<std::size_t, int>>> ending(lines.size());
    for (const Span& s : spans) {
        const std::size_t a = index(std::min(s.from, s.to)), b = index(std::max(s.from, s.to));
        if (a < b && b < lines.size())
            ending[b].emplace_back(a, s.need);
    }
    std::vector<int> pos(lines.size());
    for (std::size_t j = 0; j < lines.size(); ++j) {
        // Gaps round as whole coordinates do, so nothing drifts off the design at scale 1.
        const int at = int(std::lround(lines[j] * scale));
        pos[j] = j == 0 ? at : pos[j - 1] + at - int(std::lround(lines[j - 1] * scale));
        for (const auto& [from, need] : ending[j])
            pos[j] = std::max(pos[j], pos[from] + need);
    }
    return pos;
}

int mapAxis(const std::vector<int>& lines, const std::vector<int>& positions, double scale, int design)
{
    if (lines.empty() || positions.size() != lines.size())
        return int(std::lround(design * scale));
    if (design <= lines.front())
        return positions.front() - int(std::lround((lines.front() - design) * scale));
    if (design >= lines.back())
        return positions.back() + int(std::lround((design - lines.back()) * scale));
    const std::size_t i = std::size_t(std::upper_bound(lines.begin(), lines.end(), design) - lines.begin()) - 1;
    const double share = double(design - lines[i]) / (lines[i + 1] - lines[i]);
    return positions[i] + int(std::lround(share * (positions[i + 1] - positions[i])));
}

namespace {

int scaled(int designLength)
{
    return designLength >= 0 ? ui::px(designLength) : 0;
}

// A push button's text and icon with the style's margins; the style's own
// size hint adds a minimum width the pictures' buttons were never drawn for.
QSize pushButtonText(const QPushButton* b)
{
    const QStyle* st = b->style();
    const int frame = st->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
    QString text = b->text();
    text.remove(QLatin1Char('&'));
    int w = b->fontMetrics().horizontalAdvance(text) + 2 * (st->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) + frame);
    if (!b->icon().isNull())
        w += b->iconSize().width() + 4;
    if (b->menu())
        w += st->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, b);
    return QSize(w, b->fontMetrics().height() + 2 * frame);
}

// What the widget's content needs, or an empty size when its design size
// governs (fields, lists, pictures stretched to their place).
QSize contentNeed(const QWidget* w, bool ownSize)
{
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->wordWrap() || label->hasScaledContents())
            return QSize();
        return label->sizeHint();
    }
    if (const auto* b = qobject_cast<const QPushButton*>(w))
        return pushButtonText(b);
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
        return w->sizeHint();
    if (qobject_cast<const QComboBox*>(w))
        return w->minimumSizeHint(); // its longest entry
    if (w->layout())
        return w->minimumSizeHint();
    return ownSize ? w->sizeHint() : QSize();
}

} // namespace

int neededWidth(const QWidget* widget, int designWidth)
{
    int need = scaled(designWidth);
    // A text that changes as it runs (a file in hand, a status) keeps its place.
    if (designWidth < 0 || widget->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored)
        need = std::max(need, contentNeed(widget, designWidth < 0).width());
    return std::max(need, widget->minimumWidth());
}

int neededHeight(const QWidget* widget, int designHeight, int width)
{
    int need = std::max(scaled(designHeight), contentNeed(widget, designHeight < 0).height());
    if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->wordWrap())
        need = std::max(need, label->heightForWidth(width));
    return std::max(need, widget->minimumHeight());
}

} // namespace design

DesignLayout::DesignLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
}

DesignLayout::~DesignLayout()
{
    for (Entry& e : m_entries)
        delete e.item;
}

void DesignLayout::setDesignSize(QSize size)
{
    m_designSize = size;
    invalidate();
}

QSize DesignLayout::designSize() const
{
    if (m_designSize.isValid())
        return m_designSize;
    const QWidget* container = parentWidget();
    if (!container)
        return QSize(0, 0);
    if (const QWidget* outer = container->parentWidget())
        if (const auto* outerLayout = dynamic_cast<const DesignLayout*>(outer->layout())) {
            const QRect r = outerLayout->designRect(container);
            if (r.width() >= 0 && r.height() >= 0 && !r.isNull())
                return r.size();
        }
    // Its size now, kept: the layout is about to change it.
    const double s = ui::scale();
    m_designSize = QSize(int(std::lround(container->width() / s)), int(std::lround(container->height() / s)));
    return m_designSize;
}

void DesignLayout::place(QWidget* widget, const QRect& design)
{
    for (Entry& e : m_entries)
        if (e.item->widget() == widget) {
            e.design = design;
            invalidate();
            return;
        }
    addChildWidget(widget);
    m_entries.push_back({new QWidgetItem(widget), design});
    invalidate();
}

QRect DesignLayout::designRect(const QWidget* widget) const
{
    for (const Entry& e : m_entries)
        if (e.item->widget() == widget)
            return e.design;
    return QRect();
}

void DesignLayout::addItem(QLayoutItem* item)
{
    QRect design(0, 0, -1, -1);
    if (const QWidget* w = item->widget()) {
        const double s = ui::scale();
        const QRect g = w->geometry();
        design = QRect(int(g.x() / s), int(g.y() / s), int(g.width() / s), int(g.height() / s));
    }
    m_entries.push_back({item, design});
    invalidate();
}

QLayoutItem* DesignLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_entries[std::size_t(index)].item : nullptr;
}

QLayoutItem* DesignLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = m_entries[std::size_t(index)].item;
    m_entries.erase(m_entries.begin() + index);
    invalidate();
    return item;
}

int DesignLayout::count() const
{
    return int(m_entries.size());
}

void DesignLayout::invalidate()
{
    m_solved = false;
    QLayout::invalidate();
}

void DesignLayout::solve() const
{
    if (m_solved)
        return;
    const double s = ui::scale();
    const QSize ds = designSize();
    const auto at = [](const std::vector<int>& lines, const std::vector<int>& pos, int line) {
        return pos[std::size_t(std::lower_bound(lines.begin(), lines.end(), line) - lines.begin())];
    };
    // One axis: each control from its start over its design length (or what
    // it needs, for -1); gives where each one ends, in design coordinates.
    // Hidden controls keep their room, so showing one does not move the others.
    const auto layAxis = [&](std::vector<int>& lines, std::vector<int>& pos, auto start, auto length, auto need) {
        std::vector<design::Span> spans;
        std::vector<int> ends(m_entries.size());
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const int n = need(i), from = start(m_entries[i].design), len = length(m_entries[i].design);
            ends[i] = len >= 0 ? from + len : from + int(std::ceil(n / s));
            lines.push_back(from);
            lines.push_back(ends[i]);
            if (!m_entries[i].item->widget() || !m_entries[i].item->widget()->isWindow())
                spans.push_back({from, ends[i], n});
        }
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        pos = design::solveAxis(lines, s, spans);
        return ends;
    };
    // A spacer or nested layout: its minimum, at least its design length.
    const auto other = [](int minimum, int design) {
        return std::max(minimum, ui::px(std::max(0, design)));
    };

    Grid g;
    g.xs = {0, ds.width()};
    g.ys = {0, ds.height()};
    const std::vector<int> right = layAxis(g.xs, g.xPos, std::mem_fn(&QRect::x), std::mem_fn(&QRect::width), [&](std::size_t i) {
        const Entry& e = m_entries[i];
        const QWidget* w = e.item->widget();
        return w ? design::neededWidth(w, e.design.width()) : other(e.item->minimumSize().width(), e.design.width());
    });
    std::vector<int> widths(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        widths[i] = at(g.xs, g.xPos, right[i]) - at(g.xs, g.xPos, m_entries[i].design.x());
    const std::vector<int> bottom = layAxis(g.ys, g.yPos, std::mem_fn(&QRect::y), std::mem_fn(&QRect::height), [&](std::size_t i) {
        const Entry& e = m_entries[i];
        const QWidget* w = e.item->widget();
        return w ? design::neededHeight(w, e.design.height(), widths[i])
                 : other(e.item->minimumSize().height(), e.design.height());
    });

    m_placed.resize(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const int x = at(g.xs, g.xPos, m_entries[i].design.x()), y = at(g.ys, g.yPos, m_entries[i].design.y());
        m_placed[i] = QRect(x, y, widths[i], at(g.ys, g.yPos, bottom[i]) - y);
    }
    m_grid = std::move(g);
    m_solved = true;
}

const DesignLayout::Grid& DesignLayout::grid() const
{
    solve();
    return m_grid;
}

QRect DesignLayout::mapRect(const QRect& design) const
{
    solve();
    const double s = ui::scale();
    const int x0 = design::mapAxis(m_grid.xs, m_grid.xPos, s, design.x());
    const int y0 = design::mapAxis(m_grid.ys, m_grid.yPos, s, design.y());
    const int x1 = design::mapAxis(m_grid.xs, m_grid.xPos, s, design.x() + design.width());
    const int y1 = design::mapAxis(m_grid.ys, m_grid.yPos, s, design.y() + design.height());
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QSize DesignLayout::solvedSize() const
{
    solve();
    QSize size(std::max(0, m_grid.xPos.back()), std::max(0, m_grid.yPos.back()));
    // The container adds its own margins (a group box's frame) to what its
    // layout asks for; design places already count from its outer corner.
    if (const QWidget* container = parentWidget()) {
        const QMargins m = container->contentsMargins();
        size -= QSize(m.left() + m.right(), m.top() + m.bottom());
    }
    return size.expandedTo(QSize(0, 0));
}

QSize DesignLayout::sizeHint() const
{
    return solvedSize();
}

QSize DesignLayout::minimumSize() const
{
    return solvedSize();
}

void DesignLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    solve();
    // Places count from the container's corner, whatever its margins. A
    // container given more room than it needs (a panel across a grown line of
    // its window) spreads its controls in proportion, as its picture stretches.
    const QPoint origin = parentWidget() ? QPoint(0, 0) : rect.topLeft();
    const QSize room = parentWidget() ? parentWidget()->size() : rect.size();
    const QSize needed(m_grid.xPos.back(), m_grid.yPos.back());
    const auto spread = [](int at, int have, int need) {
        return have > need && need > 0 ? int(std::lround(double(at) * have / need)) : at;
    };
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const QRect p = m_placed[i];
        const int x0 = spread(p.left(), room.width(), needed.width()), y0 = spread(p.top(), room.height(), needed.height());
        const int x1 = spread(p.left() + p.width(), room.width(), needed.width());
        const int y1 = spread(p.top() + p.height(), room.height(), needed.height());
        const QRect r = QRect(x0, y0, x1 - x0, y1 - y0).translated(origin);
        if (QWidget* w = m_entries[i].item->widget())
            w->setGeometry(r);
        else
            m_entries[i].item->setGeometry(r);
    }
}

void designPlace(QWidget* widget, const QRect& design)
{
    QWidget* container = widget->parentWidget();
    if (!container)
        return;
    auto* layout = dynamic_cast<DesignLayout*>(container->layout());
    if (!layout && !container->layout())
        layout = new DesignLayout(container);
    // A first place at the text scale, for whoever reads it before the layout runs.
    const QSize own = widget->sizeHint().isValid() ? widget->sizeHint() : widget->size();
    QRect first = ui::px(design);
    if (design.width() < 0)
        first.setWidth(own.width());
    if (design.height() < 0)
        first.setHeight(own.height());
    widget->setGeometry(first);
    if (layout)
        layout->place(widget, design);
}
