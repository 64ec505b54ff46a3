#include "app/AppContext.h"

#include <QCoreApplication>
#include <QDir>

#include "app/ChangeWatch.h"
#include "common/SecretText.h"
#include "settings/DataFolder.h"

// Passes the wiping routine's progress on to whatever display is set at the
// moment; nothing is shown while none is.
class AppContext::ForwardingProgress : public zerath::WipeProgress {
public:
    explicit ForwardingProgress(AppContext& owner) : m_owner(owner) {}
    void setMax(int max) override
    {
        if (m_owner.m_wipeProgress) m_owner.m_wipeProgress->setMax(max);
    }
    void setPosition(int position) override
    {
        if (m_owner.m_wipeProgress) m_owner.m_wipeProgress->setPosition(position);
    }

private:
    AppContext& m_owner;
};

class AppContext::EventPump : public zerath::MessagePump {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
};

AppContext::AppContext(QObject* parent) : QObject(parent)
{
    init(dataFolderFor(QCoreApplication::applicationDirPath()));
}

AppContext::AppContext(const QString& folder, QObject* parent) : QObject(parent)
{
    init(folder);
}

AppContext::~AppContext()
{
    // Pending deletions and edits reach the file before the program ends.
    try {
        if (m_keyRing && m_keyRing->Active()) m_keyRing->Close();
    } catch (...) {
    }
}

QString AppContext::dataFolderFor(const QString& executableFolder)
{
    const std::string folder = zerath::ResolveDataFolder(std::string(), localPath(executableFolder));
    zerath::CreateDataFolder(folder);
    return QString::fromStdString(folder);
}

void AppContext::init(const QString& folder)
{
    m_folder = QDir::cleanPath(QDir(folder).absolutePath());
    if (!m_folder.endsWith(QLatin1Char('/'))) m_folder += QLatin1Char('/');
    const std::string f = m_folder.toStdString();
    m_settings = std::make_unique<zerath::Settings>(f);
    m_keyRing = std::make_unique<zerath::KeyRing>(f);
    m_progress = std::make_unique<ForwardingProgress>(*this);
    m_pump = std::make_unique<EventPump>();
    m_shredder = std::make_unique<zerath::TShredder>([this] { return passCount(); }, *m_progress, *m_pump);
    m_watch = new ChangeWatch(f + "ZerathKeys.db", f + zerath::Settings::kFileName, this);
    connect(m_watch, &ChangeWatch::keyRingChanged, this, [this] {
        if (m_keyRing->Active()) {
            m_keyRing->Close();
            reopenMainKeyRing();
        }
        emit keyRingChangedOutside();
    });
    connect(m_watch, &ChangeWatch::settingsChanged, this, &AppContext::settingsChangedOutside);
}

void AppContext::checkOutsideChanges()
{
    m_watch->check();
}

void AppContext::closeMainKeyRing()
{
    if (m_keyRing->Active()) m_keyRing->Close();
}

void AppContext::reopenMainKeyRing()
{
    m_keyRing->DBOpen(zerath::KeyRing::MissingFile::Create);
    emit keyRingReopened();
}

void AppContext::setCompressionLevel(int level)
{
    if (level >= 0 && level <= 3) m_compressionLevel = level;
}

int AppContext::passCount() const
{
    if (m_passCount) return m_passCount();
    return zerath::Settings::ClampPassCount(m_settings->shredCount());
}

zerath::MessagePump& AppContext::pump()
{
    return *m_pump;
}
