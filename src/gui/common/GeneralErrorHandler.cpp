#include "common/GeneralErrorHandler.h"

#include <exception>

Messages::Kind boxKind(zerath::UserMessage::Kind kind)
{
    switch (kind) {
    case zerath::UserMessage::ErrorBox: return Messages::Kind::Error;
    case zerath::UserMessage::WarningBox: return Messages::Kind::Warning;
    case zerath::UserMessage::InformationBox: return Messages::Kind::Information;
    case zerath::UserMessage::PlainBox: return Messages::Kind::Plain;
    }
    return Messages::Kind::Error;
}

void showOutcome(QWidget* parent, const zerath::UserMessage& message)
{
    Messages::show(parent, boxKind(message.kind()), QString::fromUtf8(message.what()));
}

bool guarded(QWidget* parent, const std::function<void()>& action, const std::function<void()>& beforeBox)
{
    try {
        action();
        return true;
    } catch (const zerath::UserMessage& m) {
        if (beforeBox) beforeBox();
        showOutcome(parent, m);
    } catch (const std::exception& e) {
        if (beforeBox) beforeBox();
        Messages::show(parent, Messages::Kind::Error, QString::fromUtf8(e.what()));
    } catch (...) {
        if (beforeBox) beforeBox();
        Messages::show(parent, Messages::Kind::Error, QStringLiteral("Unknown error"));
    }
    return false;
}
