// The event loop of the Qt platform: quitting, nested waits and descriptor
// watches, and (on the real clock) that waiting neither spins nor sleeps
// through an event.
#include <unistd.h>

#include <QTimer>
#include <chrono>
#include <thread>

#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

class QtLoopTest : public ::testing::Test {
  protected:
    QApplication& qapp = TestApp();
    QtPlatform qp;
};

TEST_F(QtLoopTest, AQuitRequestedBeforeTheLoopEndsItAtOnce) {
    bool ranLater = false;
    QTimer::singleShot(0, [&] { ranLater = true; });
    qp.QuitUserInterface(7);
    EXPECT_EQ(qp.RunUserInterface(), 7);
    EXPECT_FALSE(ranLater);
    // The request is used up: the next loop runs until the next quit.
    QTimer::singleShot(0, [&] { qp.QuitUserInterface(3); });
    EXPECT_EQ(qp.RunUserInterface(), 3);
    EXPECT_TRUE(ranLater);
}

TEST_F(QtLoopTest, AQuitFromANestedCallbackEndsTheLoopOnceTheOuterCallbackReturns) {
    bool outerFinished = false;
    int passesAfterQuit = 0;
    QTimer::singleShot(0, [&] {
        // An outer operation that waits and dispatches, like an exchange.
        QTimer::singleShot(0, [&] { qp.QuitUserInterface(0); });
        for (int i = 0; i < 5; ++i) {
            qp.WaitForEvents(0.01);
            ++passesAfterQuit;
        }
        outerFinished = true;
    });
    EXPECT_EQ(qp.RunUserInterface(), 0);
    EXPECT_TRUE(outerFinished);
    EXPECT_EQ(passesAfterQuit, 5);
    EXPECT_FALSE(qp.InRunLoop());
}

TEST_F(QtLoopTest, AWatchMayRemoveItselfFromItsOwnCallback) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int calls = 0, watch = 0;
    watch = qp.AddFdWatch(fds[0], [&] {
        ++calls;
        qp.RemoveFdWatch(watch);  // data left unread: a live watch would fire again
    });
    ASSERT_GT(watch, 0);
    ASSERT_EQ(write(fds[1], "ab", 2), 2);
    for (int i = 0; i < 20; ++i) qp.WaitForEvents(0.005);
    EXPECT_EQ(calls, 1);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(QtLoopTest, WaitingWakesForADescriptorAndDoesNotSpin) {
    using Clock = std::chrono::steady_clock;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    bool fired = false;
    const int watch = qp.AddFdWatch(fds[0], [&] {
        char b[8];
        (void)!read(fds[0], b, sizeof b);
        fired = true;
    });
    // Another thread makes the descriptor readable a little later: one long
    // wait returns for it instead of sleeping its full time.
    const auto t0 = Clock::now();
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        (void)!write(fds[1], "x", 1);
    });
    for (int i = 0; i < 10 && !fired; ++i) qp.WaitForEvents(30.0);
    writer.join();
    EXPECT_TRUE(fired);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 20.0);

    // With nothing to do, 0.3 s of 20 ms waits take a handful of passes; a
    // loop that spun would make thousands.
    int passes = 0;
    const double start = qp.Timer();
    while (qp.Timer() - start < 0.3) {
        qp.WaitForEvents(0.02);
        ++passes;
    }
    EXPECT_LT(passes, 100);
    // Timer is monotonic and in seconds.
    EXPECT_GE(qp.Timer() - start, 0.3);
    qp.RemoveFdWatch(watch);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(QtLoopTest, SleepDispatchesNothing) {
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    qp.Sleep(20);
    EXPECT_FALSE(ran);
    qp.ProcessSystemEvents();
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace lq::qt
