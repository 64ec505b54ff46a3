#include "app/SingleInstance.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include "windows/CryptForm.h"

namespace {

constexpr int kWaitMs = 3000;
constexpr qint64 kMaxMessage = 1 << 20; // file names, bounded before anything is read
const QByteArray kEnd("\0\0", 2);      // after the names, each ended by a NUL
const QByteArray kTaken("taken\n");

bool peerIsThisUser(const QLocalSocket& socket)
{
    ucred cred{};
    socklen_t size = sizeof cred;
    const int fd = int(socket.socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && cred.uid == ::getuid();
}

} // namespace

QString SingleInstance::socketPath(const QString& dataFolder)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir()) return {};
    QString folder = QFileInfo(dataFolder).canonicalFilePath();
    if (folder.isEmpty()) folder = QDir::cleanPath(dataFolder);
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QDir(runtime).filePath(QStringLiteral("zerath-%1.socket").arg(QString::fromLatin1(hash)));
}

bool SingleInstance::handOver(const QString& socketPath, const QStringList& files)
{
    if (socketPath.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kWaitMs) || !peerIsThisUser(socket)) return false;
    QByteArray message;
    for (const QString& f : files) message += QFileInfo(f).absoluteFilePath().toUtf8() + '\0';
    message += kEnd;
    socket.write(message);
    if (!socket.waitForBytesWritten(kWaitMs)) return false;
    QByteArray answer;
    while (answer.size() < kTaken.size() && socket.waitForReadyRead(kWaitMs)) answer += socket.readAll();
    return answer == kTaken;
}

SingleInstance::SingleInstance(const QString& socketPath, QObject* parent) : QObject(parent)
{
    if (socketPath.isEmpty()) return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath)) {
        // Nobody answered there (handOver said so): a crashed program's socket.
        QLocalServer::removeServer(socketPath);
        m_server->listen(socketPath);
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::~SingleInstance()
{
    if (m_server) m_server->close();
}

bool SingleInstance::listening() const { return m_server && m_server->isListening(); }

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        auto* received = new QByteArray;
        connect(socket, &QObject::destroyed, this, [received] { delete received; });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
            *received += socket->readAll();
            if (received->size() > kMaxMessage) {
                socket->abort();
                return;
            }
            if (!received->endsWith(kEnd)) return;
            QStringList files;
            for (const QByteArray& name : received->chopped(kEnd.size()).split('\0'))
                if (!name.isEmpty()) files << QString::fromUtf8(name);
            received->clear();
            socket->write(kTaken);
            socket->flush();
            emit filesReceived(files);
        });
    }
}

void openHandedOver(TCryptForm* main, const QStringList& files)
{
    main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
    main->show();
    main->raise();
    main->activateWindow();
    // As a drop: the fields take the files; the wipe box stays as the user left it.
    if (!files.isEmpty()) main->openFiles(files);
}
