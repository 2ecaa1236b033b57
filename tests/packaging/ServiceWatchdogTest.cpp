// The terminal under systemd: which watchdog period it takes from its environment, the notes it
// sends to a notify socket the test listens on, and the built k7 sending them from a real run.
#include "ServiceWatchdog.h"
#include "NotifySocket.h"

#include "support/Checks.h"
#include "support/K7Process.h"

#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using std::chrono::milliseconds;

// Sets the service's variables for one test and takes them away after it.
class ServiceEnvironment {
public:
    ServiceEnvironment(const QString& socket, const QByteArray& watchdogUs, const QByteArray& watchdogPid) {
        Set("NOTIFY_SOCKET", socket.toLocal8Bit());
        Set("WATCHDOG_USEC", watchdogUs);
        Set("WATCHDOG_PID", watchdogPid);
    }
    ~ServiceEnvironment() {
        for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"})
            qunsetenv(name);
    }

private:
    static void Set(const char* name, const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
};

// Without libsystemd the watchdog sends nothing and takes no period: nothing here to check.
class ServiceWatchdog : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef K7_HAVE_LIBSYSTEMD
        GTEST_SKIP() << "built without libsystemd";
#endif
    }
};

const QByteArray kOwnPid = QByteArray::number(static_cast<qint64>(::getpid()));

TEST_F(ServiceWatchdog, PingsAtHalfThePeriodSystemdGivesThisProcess) {
    struct Case {
        QByteArray WatchdogUs;
        QByteArray WatchdogPid;
        int IntervalMs;
    };
    for (const Case& c : {Case{"30000000", "", 15000}, Case{"1000000", kOwnPid, 500},
                          // The period is for another process (a unit whose main process is a
                          // compositor that started us): pinging would not keep that one alive.
                          Case{"1000000", "1", 0}, Case{"", "", 0}, Case{"soon", "", 0}, Case{"0", "", 0}}) {
        const ServiceEnvironment environment({}, c.WatchdogUs, c.WatchdogPid);
        const k7::cli::ServiceWatchdog watchdog;
        EXPECT_EQ(watchdog.IntervalMs(), c.IntervalMs)
            << c.WatchdogUs.constData() << " " << c.WatchdogPid.constData();
    }
}

TEST_F(ServiceWatchdog, PingsWhileTheEventLoopTurnsAndStopsWhileItIsBlocked) {
    NotifySocket socket;
    ASSERT_TRUE(socket.Bound());
    const milliseconds period(1000);
    const ServiceEnvironment environment(socket.Path(), QByteArray::number(period.count() * 1000), kOwnPid);
    k7::cli::ServiceWatchdog watchdog;
    watchdog.NotifyReady();
    ASSERT_TRUE(k7::test::WaitUntil([&] { return socket.Times("WATCHDOG=1").size() >= 4; }));
    const auto pings = socket.Times("WATCHDOG=1");
    ASSERT_FALSE(socket.Notes().empty());
    EXPECT_EQ(socket.Notes().front().Text, "READY=1");
    // What systemd checks: no gap as long as the period while the loop turns.
    for (size_t i = 1; i < pings.size(); ++i)
        EXPECT_LT(pings[i] - pings[i - 1], period) << "between pings " << i << " and " << i + 1;

    // A hang on the user-interface thread: the loop does not turn, so no ping may go out.
    const auto blocked = NotifySocket::Clock::now();
    QThread::msleep(2 * period.count());
    const auto released = NotifySocket::Clock::now();
    for (const auto at : socket.Times("WATCHDOG=1"))
        EXPECT_FALSE(at > blocked + milliseconds(100) && at < released)
            << "a ping while the loop was blocked";
    // And once it turns again, the pings come back.
    EXPECT_TRUE(k7::test::WaitUntil([&] { return socket.Times("WATCHDOG=1").back() > released; }));
}

TEST_F(ServiceWatchdog, TheTerminalSaysReadyOnceItsScreenIsOpenAndPingsWhenAsked) {
    struct Case {
        QByteArray WatchdogUs;
        bool Pings;
    };
    for (const Case& c : {Case{"400000", true}, Case{"", false}}) {
        NotifySocket socket;
        ASSERT_TRUE(socket.Bound());
        const ServiceEnvironment environment(socket.Path(), c.WatchdogUs, {});
        const QTemporaryDir shots;
        const K7Run run = RunK7({"terminal", K7_EXAMPLES_DIR "/line-terminal.ui", "--plant", "--seconds",
                                 "1.5", "--out", shots.path()});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        // The receiver may still hold the last datagram in its queue.
        k7::test::WaitUntil([&] { return !socket.Notes().empty(); }, milliseconds(2000));
        const auto notes = socket.Notes();
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes.front().Text, "READY=1");
        EXPECT_EQ(socket.Times("READY=1").size(), 1u);
        EXPECT_EQ(!socket.Times("WATCHDOG=1").empty(), c.Pings) << c.WatchdogUs.constData();
    }
}

} // namespace
