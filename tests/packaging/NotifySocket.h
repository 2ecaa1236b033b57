#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The socket systemd listens on for a service's notes (NOTIFY_SOCKET), played by the test: a
// datagram socket in a temporary folder whose own thread stamps each note as it arrives, so the
// stamps stay true while the thread under test is blocked.
class NotifySocket {
public:
    using Clock = std::chrono::steady_clock;
    struct Note {
        Clock::time_point At;
        QString Text;
    };

    NotifySocket() : path_(folder_.filePath(QStringLiteral("notify"))) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path_.toLocal8Bit();
        std::copy_n(name.constData(), std::min<size_t>(name.size(), sizeof address.sun_path - 1),
                    address.sun_path);
        bound_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (bound_)
            receiver_ = std::thread([this] { Receive(); });
    }
    ~NotifySocket() {
        stop_ = true;
        if (receiver_.joinable())
            receiver_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    bool Bound() const { return bound_; }
    const QString& Path() const { return path_; }

    std::vector<Note> Notes() const {
        const std::lock_guard lock(mutex_);
        return notes_;
    }
    // The notes whose text is `text`, in order of arrival.
    std::vector<Clock::time_point> Times(const QString& text) const {
        std::vector<Clock::time_point> times;
        for (const Note& note : Notes())
            if (note.Text == text)
                times.push_back(note.At);
        return times;
    }

private:
    void Receive() {
        while (!stop_) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0)
                continue;
            char buffer[512];
            const ssize_t size = ::recv(fd_, buffer, sizeof buffer, 0);
            if (size <= 0)
                continue;
            const std::lock_guard lock(mutex_);
            // sd_notify sends one note per datagram; a trailing newline is not part of it.
            notes_.push_back({Clock::now(), QString::fromUtf8(buffer, size).trimmed()});
        }
    }

    QTemporaryDir folder_;
    QString path_;
    int fd_ = -1;
    bool bound_ = false;
    std::atomic<bool> stop_ = false;
    std::thread receiver_;
    mutable std::mutex mutex_;
    std::vector<Note> notes_;
};
