#include "windows/KeyWindows.h"
#include "widgets/UiScale.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTemporaryDir>
#include <QTimer>

#include <exception>
#include <memory>

#include "app/AppContext.h"
#include "app/Application.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyPairGenerator.h"
#include "windows/KeyGenForm.h"

TKeyGenForm* installKeyManager(AppContext& context, QWidget* owner)
{
    auto* form = new TKeyGenForm(context, owner);
    form->setInstalled(true);
    context.showKeyManager = [form](QWidget* over) { form->execOver(over); };
    context.importKeyFile = [form](QWidget* over, const QString& keyFile) {
        QTimer::singleShot(0, form, [form, keyFile] { form->ImportKeybtnClick(keyFile); });
        form->execOver(over);
    };
    return form;
}

namespace keywin {

bool runGuarded(QWidget* parent, const std::function<void()>& action, BusyCursor* busy)
{
    return guarded(parent, action, [busy] {
        if (busy) busy->stop();
    });
}

zerath::SecureString secureText(const QLineEdit* edit)
{
    QString t = edit->text();
    return secureText(t);
}

void wipeEdit(QLineEdit* edit)
{
    const qsizetype n = edit->text().size();
    if (n > 0) edit->setText(QString(n, QLatin1Char(' ')));
    edit->clear();
}

void setMasked(QLineEdit* edit, bool masked)
{
    // The mask character is "*", whatever the style's own habit.
    if (edit->styleSheet().isEmpty()) edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    edit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette pal = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::WindowText, colour);
    widget->setPalette(pal);
}

QFont uiFont(int pixelSize, bool bold)
{
    // Arial where it is installed, else a narrow face, so that the captions
    // fit the controls laid out on the pictures.
    static const QString family = [] {
        for (const char* name : {"Arial", "Liberation Sans Narrow", "Arial Narrow", "DejaVu Sans Condensed"})
            if (QFontDatabase::hasFamily(QString::fromLatin1(name))) return QString::fromLatin1(name);
        return QStringLiteral("Arial");
    }();
    QFont f(family);
    ui::setDesignSize(f, pixelSize);
    f.setBold(bold);
    return f;
}

void styleCaption(QLabel* label, bool bold)
{
    label->setFont(uiFont(12, bold));
    setTextColour(label, kLabelText);
}

} // namespace keywin

// ---- the screenshot mode's key ring ----

namespace {

// A program folder of its own for the pictures, with a key pair and a
// correspondent's public key in its key ring, made afresh each run.
struct ScreenshotScene {
    ModuleScope modules;
    QTemporaryDir dir;
    std::unique_ptr<AppContext> context;

    ScreenshotScene()
    {
        const std::string folder = keywin::localPath(dir.path());
        try {
            const char* pass = "sample passphrase";
            const auto own = zerath::GenerateKeyPairFiles(folder, "Alice Example", pass);
            const auto other = zerath::GenerateKeyPairFiles(folder, "Bob Smith", pass);
            {
                // The main window would have created the key ring at start.
                zerath::KeyRing ring(folder);
                ring.DBOpen(zerath::KeyRing::MissingFile::Create);
                ring.Close();
            }
            zerath::KeyManager keys(folder);
            keys.Open();
            keys.ImportKey(own.PrivateKeyFile, [&](zerath::SecureString& p) {
                p = zerath::SecureString(std::string_view(pass));
                return true;
            });
            keys.ImportKey(other.PublicKeyFile, [](zerath::SecureString&) { return false; });
            keys.Close();
        } catch (const std::exception& e) {
            // The pictures are still made, with an empty key ring.
            qWarning("sample keys: %s", e.what());
        }
        context = std::make_unique<AppContext>(dir.path());
    }
};

} // namespace

AppContext& keywin::screenshotContext()
{
    static ScreenshotScene scene;
    return *scene.context;
}

zerath::KeyRecord keywin::screenshotRecord()
{
    zerath::KeyRecord r;
    try {
        zerath::KeyManager manager(localPath(screenshotContext().dataFolder()));
        manager.Open();
        manager.Ring().First();
        r = manager.Ring().CurrentRecord();
        manager.Close();
    } catch (const std::exception&) {
    }
    return r;
}
