#include "app/TextFormat.h"

#include "pubkey/OwnerRules.h"

QString FormatThousands(const QString& digits)
{
    QString sign;
    QString body = digits;
    if (!body.isEmpty() && (body.front() == QLatin1Char('-') || body.front() == QLatin1Char('+'))) {
        sign = body.front();
        body.remove(0, 1);
    }
    if (body.size() <= 3) return digits;
    QString out;
    out.reserve(body.size() + body.size() / 3);
    const qsizetype lead = body.size() % 3 == 0 ? 3 : body.size() % 3;
    out += body.left(lead);
    for (qsizetype i = lead; i < body.size(); i += 3) {
        out += QLatin1Char(',');
        out += body.mid(i, 3);
    }
    return sign + out;
}

QString KeyText(std::string_view text)
{
    return QString::fromStdString(zerath::EscapeHiddenText(text));
}
