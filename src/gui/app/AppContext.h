#pragma once
// What the whole desktop program shares: the data folder, the settings file,
// the main window's key ring, the compression level and pass count in effect,
// the one wiping routine, the message pump, and the hooks through which the main
// window opens the windows that other parts of the program provide.
//
// One AppContext lives for the whole run (tests make one per case, over a
// temporary data folder). Windows receive it by reference when created.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "common/Hooks.h"
#include "keyring/KeyRing.h"
#include "settings/Settings.h"
#include "shredder/Shredder.h"

class ChangeWatch;
class QWidget;

class AppContext : public QObject {
    Q_OBJECT
public:
    // The data folder is chosen by the rule of settings/DataFolder.h for the
    // running executable (and created when missing).
    explicit AppContext(QObject* parent = nullptr);
    // The data folder is `folder` (tests, screenshot mode).
    explicit AppContext(const QString& folder, QObject* parent = nullptr);
    ~AppContext() override;

    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // The data folder for an executable in `executableFolder`, created (owner
    // only) when missing. File-system errors pass through.
    static QString dataFolderFor(const QString& executableFolder);

    // The folder holding zerath.ini, ZerathKeys.db and generated key files,
    // with a trailing '/'.
    const QString& dataFolder() const { return m_folder; }

    // zerath.ini in the data folder.
    zerath::Settings& settings() { return *m_settings; }

    // The main window's table over ZerathKeys.db. It is opened by the main
    // window when it is created (DBOpen with MissingFile::Create); the main
    // window also owns its OnDataChange handler.
    zerath::KeyRing& mainKeyRing() { return *m_keyRing; }

    // Hand-over to the key manager: close the main window's table before the key
    // manager opens its own, and reopen it (re-reading the file) after the key
    // manager has closed its own. Reopening creates an empty key ring when the
    // file is gone and emits keyRingReopened(), on which the main window
    // refreshes its grid. File-system errors of the reopening pass through.
    void closeMainKeyRing();
    void reopenMainKeyRing();

    // Compression level in effect, 0..3 (starts at 0; the options dialog sets it
    // from the settings file when it is created, and again on OK).
    int compressionLevel() const { return m_compressionLevel; }
    void setCompressionLevel(int level);

    // Pass count in effect, read by the wiping routine at the start of every
    // file. The options dialog installs a provider reading its counter; without
    // one the stored "Count" of the settings file, clamped to 4..10, is used.
    int passCount() const;
    void setPassCountProvider(std::function<int()> provider) { m_passCount = std::move(provider); }

    // The one wiping routine of the program (encryption's "Wipe Out Original
    // File" and the shredder window). Its progress goes to the display set with
    // setWipeProgress; nullptr (the default) shows nothing. The shredder window
    // points it at its progress bar for as long as the window exists.
    zerath::TShredder& shredder() { return *m_shredder; }
    void setWipeProgress(zerath::WipeProgress* progress) { m_wipeProgress = progress; }
    zerath::WipeProgress* wipeProgress() const { return m_wipeProgress; }

    // Processes pending events (QCoreApplication::processEvents), so that the
    // windows keep painting during long work.
    zerath::MessagePump& pump();

    // The main window (set by TCryptForm when it is created); other windows are
    // centred over it.
    QWidget* mainWindow() const { return m_mainWindow; }
    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    // Windows that other parts of the program provide, shown modally over
    // `over` (the main window). Until set, the main window's buttons open nothing.
    std::function<void(QWidget* over)> showKeyManager;
    std::function<void(QWidget* over)> showShredder;
    // Shows the key manager with its import dialog proposing `keyFile`.
    std::function<void(QWidget* over, const QString& keyFile)> importKeyFile;

    // Looks whether another process changed the key ring or the settings
    // (also done on every window activation). A changed key ring reopens the
    // main window's table when it is open and emits keyRingChangedOutside, on
    // which the key manager reads its own again; changed settings emit
    // settingsChangedOutside.
    void checkOutsideChanges();

signals:
    // The main window's table was opened again on the (possibly changed) file.
    void keyRingReopened();
    void keyRingChangedOutside();
    void settingsChangedOutside();

private:
    class ForwardingProgress;
    class EventPump;

    void init(const QString& folder);

    QString m_folder;
    std::unique_ptr<zerath::Settings> m_settings;
    std::unique_ptr<zerath::KeyRing> m_keyRing;
    std::unique_ptr<ForwardingProgress> m_progress;
    std::unique_ptr<EventPump> m_pump;
    std::unique_ptr<zerath::TShredder> m_shredder;
    ChangeWatch* m_watch = nullptr;
    zerath::WipeProgress* m_wipeProgress = nullptr;
    std::function<int()> m_passCount;
    int m_compressionLevel = 0;
    QWidget* m_mainWindow = nullptr;
};
