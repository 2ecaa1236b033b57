#include "PlantServer.h"

#include "OpenFileLimit.h"
#include "PlantReplies.h"
#include "RawConnection.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <limits>

namespace k7::plant {

namespace {

// Connections waiting to be accepted: the kernel caps it at net.core.somaxconn. A burst of
// terminals coming back after an outage waits here rather than being refused.
constexpr int ListenBacklog = 65535;
// How long Stop waits for the delayed connections it resumed to be ended by their threads.
constexpr std::chrono::seconds ResumePatience{5};
constexpr const char* JsonType = "application/json; charset=utf-8";

MHD_Result Result(bool carryOn) {
    return carryOn ? MHD_YES : MHD_NO;
}

std::optional<uint64_t> DeclaredLength(MHD_Connection* connection) {
    const char* text =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (!text)
        return std::nullopt;
    const std::string_view digits(text);
    uint64_t length = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (error == std::errc::result_out_of_range)
        return std::numeric_limits<uint64_t>::max();
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt; // the library refuses it itself
    return length;
}

int Listen(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    // Only the restart-after-TIME_WAIT part: SO_REUSEPORT would let a second plant share the port
    // silently.
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, ListenBacklog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int SocketOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info ? info->connect_fd : -1;
}

// Whether the client has shut its sending side down after its request. The library would keep the
// connection open for its next request until the idle time-out; the client waits for the close.
bool InputEnded(int socket) {
    char byte = 0;
    return socket >= 0 && ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

bool Queue(MHD_Connection* connection, int status, const QByteArray& body, bool close) {
    MHD_Response* response = MHD_create_response_from_buffer(
        static_cast<size_t>(body.size()), const_cast<char*>(body.constData()), MHD_RESPMEM_MUST_COPY);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, JsonType);
    if (close)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(status), response);
    MHD_destroy_response(response);
    return queued == MHD_YES;
}

int PortOf(int socket) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return -1;
    return ntohs(address.sin_port);
}

} // namespace

// The request a connection is receiving or answering: one per connection, made afresh as each
// request line arrives. Kept with the connection rather than with the request, since the library
// reports the end of a request only when its head arrived in full.
struct PlantServer::Exchange {
    QByteArray Target;
    bool HeadRead = false;
    uint64_t BodyBytes = 0;
    std::function<PlantAnswer()> Then; // set while the connection waits out a delay
};

namespace {

void OnConnection(void*, MHD_Connection*, void** exchange, MHD_ConnectionNotificationCode code) {
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        *exchange = new PlantServer::Exchange;
    } else {
        delete static_cast<PlantServer::Exchange*>(*exchange);
        *exchange = nullptr;
    }
}

// The request line arrived: the only moment the library shows the target as received.
void* BeginExchange(void*, const char* uri, MHD_Connection* connection) {
    auto* exchange = static_cast<PlantServer::Exchange*>(
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT)->socket_context);
    *exchange = PlantServer::Exchange{QByteArray(uri), false, 0, {}};
    return exchange;
}

MHD_Result OnRequest(void* server, MHD_Connection* connection, const char* url, const char* method,
                     const char*, const char* upload, size_t* uploadSize, void** exchange) {
    return Result(static_cast<PlantServer*>(server)->Access(
        connection, *static_cast<PlantServer::Exchange*>(*exchange), method, url, upload, uploadSize));
}

} // namespace

PlantServer::PlantServer(const ServerLimits& limits, Handler handler)
    : limits_(limits), handler_(std::move(handler)) {}

PlantServer::~PlantServer() {
    Stop();
}

int PlantServer::Start(int port) {
    if (daemon_)
        return -1;
    // A client that hangs up early must not kill the process when a reply is written to it.
    std::signal(SIGPIPE, SIG_IGN);
    const size_t holdable = RaiseOpenFileLimitForConnections();
    const size_t connections = std::clamp<size_t>(limits_.MostConnections, 1, holdable);
    if (connections < limits_.MostConnections)
        std::fprintf(stderr,
                     "k7 plant: the process may open too few files for %zu connections (half its limit on "
                     "open files is %zu); serving %zu at once, the others wait. Raise the hard limit "
                     "(ulimit -Hn, LimitNOFILE=) for more.\n",
                     limits_.MostConnections, holdable, connections);
    const int listening = Listen(port);
    if (listening < 0)
        return -1;
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    daemon_ = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME, 0, nullptr, nullptr, &OnRequest, this,
        MHD_OPTION_LISTEN_SOCKET, listening, MHD_OPTION_THREAD_POOL_SIZE, std::max(1u, limits_.Threads),
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(std::min<size_t>(connections, UINT32_MAX)),
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(limits_.IdleTimeout.count()),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.MostConnectionBytes, MHD_OPTION_URI_LOG_CALLBACK,
        &BeginExchange, this, MHD_OPTION_NOTIFY_CONNECTION, &OnConnection, this, MHD_OPTION_END);
    if (!daemon_) {
        ::close(listening);
        return -1;
    }
    return PortOf(listening);
}

void PlantServer::Stop() {
    if (!daemon_)
        return;
    {
        // The library must not stop with a connection suspended: resume every delayed one and let
        // its thread end it. Under the lock, so that no connection is suspended after this.
        std::unique_lock lock(mutex_);
        stopping_ = true;
        delayed_.ResumeAll();
        resumed_.wait_for(lock, ResumePatience, [this] { return suspended_ == 0; });
    }
    MHD_stop_daemon(daemon_); // closes the listening socket and every connection
    daemon_ = nullptr;
}

bool PlantServer::Access(MHD_Connection* connection, Exchange& exchange, const char* method, const char* url,
                         const char* /*upload*/, size_t* uploadSize) {
    if (!exchange.HeadRead) {
        exchange.HeadRead = true;
        // Answered before the body is read: the library then reads none of it and ends the connection.
        if (DeclaredLength(connection).value_or(0) > limits_.MostBodyBytes)
            return AnswerTooLarge(connection);
        return true;
    }
    if (*uploadSize > 0) {
        exchange.BodyBytes += *uploadSize;
        *uploadSize = 0;
        return true;
    }
    if (exchange.Then) {
        {
            std::lock_guard lock(mutex_);
            --suspended_;
            if (stopping_) {
                resumed_.notify_all();
                return false;
            }
        }
        return Deliver(connection, exchange, std::exchange(exchange.Then, {})());
    }
    if (exchange.BodyBytes > limits_.MostBodyBytes)
        return AnswerTooLarge(connection);
    const char* key = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Idempotency-Key");
    const PlantRequest request{QString::fromLatin1(method), exchange.Target, QString::fromUtf8(url),
                               QString::fromUtf8(key ? key : "")};
    return Deliver(connection, exchange, handler_(request));
}

bool PlantServer::Deliver(MHD_Connection* connection, Exchange& exchange, PlantAnswer answer) {
    if (answer.Then) {
        exchange.Then = std::move(answer.Then);
        return Suspend(connection, answer.Delay);
    }
    if (!answer.Reply)
        return false;
    const PlantReply& reply = *answer.Reply;
    const int socket = SocketOf(connection);
    if (!reply.Reason.isEmpty()) {
        if (RawConnection(socket).Answer(reply.Status, RawConnection::StatusLineText(reply.Reason),
                                         reply.Body))
            return false; // the reply is out; the library only closes the connection
        std::fprintf(stderr, "k7 plant: cannot write a reply of its own; sending the standard reason\n");
    }
    return Queue(connection, reply.Status, reply.Body, InputEnded(socket));
}

bool PlantServer::Suspend(MHD_Connection* connection, std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    if (stopping_)
        return false;
    ++suspended_;
    MHD_suspend_connection(connection);
    delayed_.Add(connection, DelayedConnections::Clock::now() + delay);
    return true;
}

bool PlantServer::AnswerTooLarge(MHD_Connection* connection) const {
    return Queue(
        connection, MHD_HTTP_CONTENT_TOO_LARGE,
        PlantReplies::FailureBody(
            413,
            QString("The request body is larger than the plant takes (%1 bytes)").arg(limits_.MostBodyBytes)),
        true);
}

} // namespace k7::plant
