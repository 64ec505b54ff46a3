#include "widgets/ElidedField.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace elided {
namespace {

QStyleOptionFrame frameOption(const QLineEdit* field)
{
    QStyleOptionFrame opt;
    opt.initFrom(field);
    opt.rect = field->rect();
    opt.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, field) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    if (field->isReadOnly()) opt.state |= QStyle::State_ReadOnly;
    return opt;
}

// Where a line edit puts its text: the style's contents, less the text
// margins and the two pixels (one above and below) a line edit keeps free.
QRect textRect(const QLineEdit* field, const QStyleOptionFrame& opt)
{
    const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &opt, field);
    return contents.marginsRemoved(field->textMargins()).adjusted(2, 1, -2, -1);
}

class Painter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* field = static_cast<QLineEdit*>(watched);
        // Tab selects the whole text, which is shown selected; a part selected
        // by the mouse is painted as a line edit does.
        const bool all = field->hasSelectedText() && field->selectedText() == field->text();
        if (event->type() != QEvent::Paint || field->text().isEmpty() || (field->hasSelectedText() && !all))
            return false;
        const QStyleOptionFrame opt = frameOption(field);
        const QRect r = textRect(field, opt);
        const QString shown = shownText(field);
        QPainter p(field);
        field->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &opt, &p, field);
        if (all) p.fillRect(r.adjusted(0, 0, field->fontMetrics().horizontalAdvance(shown) - r.width(), 0), opt.palette.color(QPalette::Highlight));
        p.setPen(opt.palette.color(all ? QPalette::HighlightedText : QPalette::Text));
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        return true;
    }
};

} // namespace

void showElided(QLineEdit* field)
{
    field->installEventFilter(new Painter(field));
}

void setText(QLineEdit* field, const QString& text)
{
    field->setText(text);
    field->setCursorPosition(0); // a selection, painted whole, starts at the start too
    field->setToolTip(text);
    field->setAccessibleDescription(text);
}

QString shownText(const QLineEdit* field)
{
    return field->fontMetrics().elidedText(field->text(), Qt::ElideRight, textRect(field, frameOption(field)).width());
}

} // namespace elided
