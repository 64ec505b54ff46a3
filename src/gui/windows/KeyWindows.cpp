#include "windows/KeyWindows.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTemporaryDir>

#include <exception>
#include <memory>

#include "app/AppContext.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyPairGenerator.h"
#include "windows/KeyGenForm.h"

TKeyGenForm* installKeyManager(AppContext& context, QWidget* owner)
{
    auto* form = new TKeyGenForm(context, owner);
    form->setInstalled(true);
    context.showKeyManager = [form](QWidget* over) { form->execOver(over); };
    return form;
}

namespace keywin {

bool runGuarded(QWidget* parent, const std::function<void()>& action, BusyCursor* busy)
{
    return guarded(parent, action, [busy] {
        if (busy) busy->stop();
    });
}

BusyCursor::BusyCursor(bool startNow)
{
    if (startNow) start();
}

BusyCursor::~BusyCursor()
{
    stop();
}

void BusyCursor::start()
{
    if (m_active) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_active = true;
}

void BusyCursor::stop()
{
    if (!m_active) return;
    QApplication::restoreOverrideCursor();
    m_active = false;
}

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void wipe(QString& text)
{
    if (!text.isEmpty()) text.fill(QChar(u'\0'));
    text.clear();
}

zerath::SecureString secureText(QString& text)
{
    QByteArray utf8 = text.toUtf8();
    zerath::SecureString s(utf8.constData(), std::size_t(utf8.size()));
    utf8.fill('\0');
    wipe(text);
    return s;
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
    f.setPixelSize(pixelSize);
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

struct ScreenshotScene {
    QTemporaryDir dir;
    std::unique_ptr<AppContext> context;
    zerath::KeyPairResult pair;

    ScreenshotScene()
    {
        context = std::make_unique<AppContext>(dir.path());
        const std::string folder = keywin::localPath(context->programFolder());
        try {
            pair = zerath::GenerateKeyPairFiles(folder, "Alice Example", "correct horse");
            {
                // The main window would have created the key ring at start.
                zerath::KeyRing ring(folder);
                ring.DBOpen(zerath::KeyRing::MissingFile::Create);
                ring.Close();
            }
            zerath::KeyManager manager(folder);
            manager.Open();
            const auto pass = [](zerath::SecureString& p) {
                p = zerath::SecureString(std::string_view("correct horse"));
                return true;
            };
            (void)manager.ImportKey(pair.PrivateKeyFile, pass);
            (void)manager.ImportKey(pair.PublicKeyFile, pass);
            manager.Close();
        } catch (const std::exception&) {
            // The pictures then show an empty key ring.
        }
    }
};

ScreenshotScene& scene()
{
    static ScreenshotScene s;
    return s;
}

} // namespace

AppContext& keywin::screenshotContext()
{
    return *scene().context;
}

QString keywin::screenshotPrivateKeyFile()
{
    return QFile::decodeName(scene().pair.PrivateKeyFile.c_str());
}

QString keywin::screenshotPublicKeyFile()
{
    return QFile::decodeName(scene().pair.PublicKeyFile.c_str());
}

zerath::KeyRecord keywin::screenshotRecord()
{
    zerath::KeyRecord r;
    try {
        zerath::KeyManager manager(localPath(screenshotContext().programFolder()));
        manager.Open();
        manager.Ring().First();
        r = manager.Ring().CurrentRecord();
        manager.Close();
    } catch (const std::exception&) {
    }
    return r;
}
