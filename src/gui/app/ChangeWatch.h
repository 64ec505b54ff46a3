#pragma once
// Notices when another process (zerath-cli, a second program on another
// folder's behalf, an editor) changed the key ring or the settings file: the
// file's change time, size and inode, compared when a window of this program
// is activated and before each command.
#include <QObject>

#include <string>

// What a file looks like on disk; two looks differ when it was written,
// replaced, made or removed meanwhile.
struct FileLook {
    long long seconds = -1, nanoseconds = 0, size = -1, inode = -1;
    static FileLook of(const std::string& path);
    bool operator==(const FileLook&) const = default;
};

class ChangeWatch : public QObject {
    Q_OBJECT
public:
    // Watches folder's key ring and settings file from now on; checks on every
    // window activation of the application.
    ChangeWatch(const std::string& keyRingPath, const std::string& settingsPath, QObject* parent = nullptr);
    // Compares the files with what was seen last, and says which changed.
    void check();

signals:
    void keyRingChanged();
    void settingsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string m_keyRingPath, m_settingsPath;
    FileLook m_keyRing, m_settings;
};
