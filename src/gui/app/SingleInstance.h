#pragma once
// One desktop program per data folder. The first one listens on a local socket
// in $XDG_RUNTIME_DIR named after its data folder; a second `zerath FILE...`
// hands its files over there and exits, and the first raises its window and
// takes the files as a drop would. Either end talks only to a peer of the same
// user. Without $XDG_RUNTIME_DIR there is no socket and every start is a
// program of its own.
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;
class TCryptForm;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket of a data folder; empty without $XDG_RUNTIME_DIR.
    static QString socketPath(const QString& dataFolder);
    // Hands the files (made absolute) to the program listening on socketPath;
    // false when there is none, or it did not take them.
    static bool handOver(const QString& socketPath, const QStringList& files);

    // Listens on socketPath (nothing when it is empty), replacing a socket
    // that no program answers on any more.
    explicit SingleInstance(const QString& socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;
    bool listening() const;

signals:
    void filesReceived(const QStringList& files);

private:
    void accept();
    QLocalServer* m_server = nullptr;
};

// Raises the main window and opens the handed-over files in it.
void openHandedOver(TCryptForm* main, const QStringList& files);
