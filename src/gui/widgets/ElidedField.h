#pragma once
// A read-only field that shows the start of a text too long for it, ended by
// "…", while it keeps the whole text: the field's text (what a command reads),
// its tooltip and what a screen reader is told. It shows it afresh at every
// paint, so a new width or font elides it anew.
#include <QObject>
#include <QString>

class QLineEdit;

namespace elided {

// The field paints its text elided from now on.
void showElided(QLineEdit* field);
// The whole text into the field, its tooltip and its accessible description.
void setText(QLineEdit* field, const QString& text);
// What the field shows at its present width and font.
QString shownText(const QLineEdit* field);

} // namespace elided
