#include "ServiceTap.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <deque>
#include <set>
#include <stdexcept>

namespace k7::cli {

namespace {

using Clock = std::chrono::steady_clock;

// A head longer than this is no request of a terminal: the connection is dropped rather than held.
constexpr int kLongestHead = 64 * 1024;
// A burst of clients reconnecting after an outage must queue, not be turned away by the tap.
constexpr int kBacklog = 4096;

QString PathOf(const QByteArray& head) {
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    if (requestLine.size() < 2)
        return {};
    QByteArray target = requestLine[1];
    target.truncate(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
    qsizetype slashes = 0;
    while (slashes < target.size() && target[slashes] == '/')
        ++slashes;
    return QString::fromUtf8(target.mid(slashes));
}

// Header names are read case-insensitively. A request without Content-Length has no body.
qint64 ContentLength(const QByteArray& head) {
    for (const QByteArray& line : head.split('\n'))
        if (line.toLower().startsWith("content-length:"))
            return std::max<qint64>(0, line.mid(15).trimmed().toLongLong());
    return 0;
}

// The head (ending with its blank line) with the value of its Host header replaced.
QByteArray WithHost(const QByteArray& head, const QByteArray& host) {
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines)
        if (line.toLower().startsWith("host:"))
            line = "Host: " + host + '\r';
    return lines.join('\n');
}

} // namespace

class ServiceTap::Relay : public QObject {
public:
    Relay(ServiceTap& tap, const QString& host, int port)
        : tap_(tap), host_(host), port_(static_cast<quint16>(port)),
          hostHeader_(QStringLiteral("%1:%2").arg(host).arg(port).toUtf8()), server_(this) {
        server_.setListenBacklogSize(kBacklog);
        server_.setMaxPendingConnections(kBacklog);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = server_.nextPendingConnection())
                Accept(client);
        });
    }

    bool Listen(int port) { return server_.listen(QHostAddress::LocalHost, static_cast<quint16>(port)); }
    int Port() const { return server_.serverPort(); }
    void Close();
    void Finish() { finishing_ = true; }

private:
    struct Link;
    void Accept(QTcpSocket* client);

    ServiceTap& tap_;
    QString host_;
    quint16 port_;
    QByteArray hostHeader_;
    QTcpServer server_;
    std::set<Link*> links_;
    bool finishing_ = false;
};

// One client's connection and the tap's own to the service.
struct ServiceTap::Relay::Link : QObject {
    // A child of the relay: it goes with the relay, before the relay's bookkeeping is gone.
    Link(Relay& relay, QTcpSocket* client)
        : QObject(&relay), relay_(relay), client_(client), service_(new QTcpSocket(this)) {
        client_->setParent(this);
        // Requests and answers are small: Nagle's wait would only add to every latency.
        client_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(service_, &QTcpSocket::connected, this, [this] {
            serviceOpen_ = true;
            service_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            relay_.tap_.ConnectionOpened();
            // Read only once there is somewhere to pass it on to.
            QObject::connect(client_, &QTcpSocket::readyRead, this, [this] { FromClient(); });
            FromClient();
        });
        QObject::connect(service_, &QTcpSocket::readyRead, this, [this] { FromService(); });
        QObject::connect(service_, &QTcpSocket::disconnected, this, [this] {
            FromService();
            client_->disconnectFromHost();
            Settle();
        });
        QObject::connect(service_, &QTcpSocket::errorOccurred, this, [this] {
            if (service_->state() == QAbstractSocket::UnconnectedState)
                client_->abort();
            Settle();
        });
        QObject::connect(client_, &QTcpSocket::disconnected, this, [this] {
            service_->disconnectFromHost();
            Settle();
        });
        service_->connectToHost(relay_.host_, relay_.port_);
    }

    void Cut() {
        client_->abort();
        service_->abort();
        Settle();
    }

private:
    void FromClient() {
        const QByteArray data = client_->readAll();
        if (relay_.finishing_ || service_->state() != QAbstractSocket::ConnectedState)
            return;
        pending_ += data;
        while (!pending_.isEmpty()) {
            if (bodyLeft_ > 0) {
                const qint64 part = std::min<qint64>(bodyLeft_, pending_.size());
                service_->write(pending_.constData(), part);
                pending_.remove(0, part);
                if ((bodyLeft_ -= part) == 0)
                    Asked();
                continue;
            }
            const qsizetype end = pending_.indexOf("\r\n\r\n");
            if (end < 0) {
                if (pending_.size() > kLongestHead)
                    client_->abort();
                return;
            }
            const QByteArray head = pending_.left(end + 4);
            pending_.remove(0, end + 4);
            path_ = PathOf(head);
            bodyLeft_ = ContentLength(head);
            service_->write(WithHost(head, relay_.hostHeader_));
            if (bodyLeft_ == 0)
                Asked();
        }
    }

    void Asked() {
        relay_.tap_.RequestReceived(path_);
        asked_.push_back(Clock::now());
    }

    void FromService() {
        const QByteArray data = service_->readAll();
        if (data.isEmpty())
            return;
        if (!asked_.empty()) {
            relay_.tap_.RequestAnswered(asked_.front());
            asked_.pop_front();
        }
        if (client_->state() == QAbstractSocket::ConnectedState)
            client_->write(data);
    }

    // Counts what ended, and lets the link go once both of its connections have.
    void Settle() {
        const bool clientGone = client_->state() == QAbstractSocket::UnconnectedState;
        const bool serviceGone = service_->state() == QAbstractSocket::UnconnectedState;
        if (serviceOpen_ && serviceGone) {
            serviceOpen_ = false;
            relay_.tap_.ConnectionClosed();
        }
        if (clientGone || serviceGone)
            for (; !asked_.empty(); asked_.pop_front())
                relay_.tap_.RequestCut();
        if (clientGone && serviceGone && relay_.links_.erase(this) > 0)
            deleteLater();
    }

    Relay& relay_;
    QTcpSocket* client_;
    QTcpSocket* service_;
    bool serviceOpen_ = false;
    QByteArray pending_;
    qint64 bodyLeft_ = 0;
    QString path_;
    std::deque<Clock::time_point> asked_;
};

void ServiceTap::Relay::Accept(QTcpSocket* client) {
    if (finishing_) {
        client->abort();
        client->deleteLater();
        return;
    }
    links_.insert(new Link(*this, client));
}

void ServiceTap::Relay::Close() {
    server_.close();
    for (Link* link : std::set<Link*>(links_))
        link->Cut();
}

ServiceTap::ServiceTap(const QString& serviceHost, int servicePort) : start_(Clock::now()) {
    relay_ = new Relay(*this, serviceHost, servicePort);
    relay_->moveToThread(&thread_);
    thread_.start();
    bool listening = false;
    QMetaObject::invokeMethod(
        relay_,
        [this, &listening] {
            listening = relay_->Listen(0);
            port_ = relay_->Port();
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        Stop();
        throw std::runtime_error("cannot listen on 127.0.0.1 for the service's connections");
    }
}

ServiceTap::~ServiceTap() {
    Stop();
}

void ServiceTap::Stop() {
    // Deleted on its own thread, with every connection it relays, as the thread ends.
    relay_->deleteLater();
    thread_.quit();
    thread_.wait();
}

void ServiceTap::StartClock() {
    std::lock_guard lock(mutex_);
    start_ = Clock::now();
}

double ServiceTap::Elapsed() const {
    std::lock_guard lock(mutex_);
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

int ServiceTap::SecondNow() const {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start_).count());
}

void ServiceTap::Close() {
    QMetaObject::invokeMethod(
        relay_, [this] { relay_->Close(); }, Qt::BlockingQueuedConnection);
}

void ServiceTap::Reopen() {
    bool listening = false;
    QMetaObject::invokeMethod(
        relay_, [this, &listening] { listening = relay_->Listen(port_); }, Qt::BlockingQueuedConnection);
    if (!listening)
        throw std::runtime_error(
            QStringLiteral("cannot listen on 127.0.0.1:%1 again").arg(port_).toStdString());
}

void ServiceTap::Finish(int waitMs) {
    QMetaObject::invokeMethod(
        relay_, [this] { relay_->Finish(); }, Qt::BlockingQueuedConnection);
    std::unique_lock lock(mutex_);
    settled_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return unanswered_ == 0; });
}

TapCounts ServiceTap::Counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

void ServiceTap::RequestReceived(const QString& path) {
    std::lock_guard lock(mutex_);
    const int second = SecondNow();
    if (counts_.PerSecond.size() <= static_cast<size_t>(second))
        counts_.PerSecond.resize(second + 1, 0);
    ++counts_.PerSecond[second];
    ++counts_.Requests;
    ++counts_.Paths[path];
    ++unanswered_;
}

void ServiceTap::RequestAnswered(Clock::time_point asked) {
    std::lock_guard lock(mutex_);
    counts_.LatencyMs.push_back(std::chrono::duration<float, std::milli>(Clock::now() - asked).count());
    if (--unanswered_ == 0)
        settled_.notify_all();
}

void ServiceTap::RequestCut() {
    std::lock_guard lock(mutex_);
    ++counts_.Unanswered;
    if (--unanswered_ == 0)
        settled_.notify_all();
}

void ServiceTap::ConnectionOpened() {
    std::lock_guard lock(mutex_);
    ++counts_.ConnectionsOpened;
    counts_.ConnectionsPeak = std::max(counts_.ConnectionsPeak, ++counts_.ConnectionsOpen);
}

void ServiceTap::ConnectionClosed() {
    std::lock_guard lock(mutex_);
    --counts_.ConnectionsOpen;
}

} // namespace k7::cli
