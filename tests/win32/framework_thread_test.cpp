// Worker threads: start, the thread's own object, suspended start, self-deletion after the procedure
// returns (after a grace period), and a procedure that throws.
#include "framework/framework.h"
#include <gtest/gtest.h>
#include <atomic>
#include <stdexcept>

namespace {
struct Counter {
    std::atomic<long> ticks{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> started{false};
    std::atomic<CWinThread*> self{nullptr};   // what AfxGetThread said on the worker
};

UINT CountingProc(LPVOID p) {
    auto* c = static_cast<Counter*>(p);
    c->self = AfxGetThread();
    c->started = true;
    while (!c->stop) {
        ++c->ticks;
        ::Sleep(1);
    }
    return 7;
}

UINT ThrowingProc(LPVOID) { throw std::runtime_error("worker failed"); }

std::atomic<int> g_liveThreads{0};

// A thread object whose deletion can be seen.
class WatchedThread : public CWinThread {
public:
    WatchedThread(AFX_THREADPROC pfn, LPVOID p) : CWinThread(pfn, p) { ++g_liveThreads; }
    ~WatchedThread() override { --g_liveThreads; }
};

UINT QuickProc(LPVOID p) {
    static_cast<Counter*>(p)->ticks = 1;
    return 0;
}

bool WaitFor(const std::function<bool()>& cond, DWORD ms = 5000) {
    DWORD start = ::GetTickCount();
    while (!cond()) {
        if (::GetTickCount() - start > ms) return false;
        ::Sleep(5);
    }
    return true;
}
}  // namespace

TEST(FrameworkThread, RunsTheProcedureWithItsParameter) {
    Counter c;
    CWinThread* t = AfxBeginThread(CountingProc, &c);
    ASSERT_NE(nullptr, t);
    EXPECT_NE(nullptr, t->m_hThread);
    EXPECT_TRUE(t->m_bAutoDelete);
    EXPECT_TRUE(WaitFor([&] { return c.ticks > 3; }));
    // A worker finds its own thread object (to clear only its own slot).
    EXPECT_EQ(t, c.self.load());
    EXPECT_EQ(nullptr, AfxGetThread());
    t->m_bAutoDelete = FALSE;   // keep the object to read the exit code
    c.stop = true;
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hThread, 5000));
    DWORD code = 0;
    ::GetExitCodeThread(t->m_hThread, &code);
    EXPECT_EQ(7u, code);
    delete t;
}

TEST(FrameworkThread, SuspendedStartWaitsForResume) {
    Counter c;
    CWinThread* t = AfxBeginThread(CountingProc, &c, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, t);
    t->m_bAutoDelete = FALSE;
    ::Sleep(50);
    EXPECT_FALSE(c.started);
    t->ResumeThread();
    EXPECT_TRUE(WaitFor([&] { return c.started.load(); }));
    c.stop = true;
    ::WaitForSingleObject(t->m_hThread, 5000);
    delete t;
}

TEST(FrameworkThread, AutoDeleteObjectIsFreedAfterTheProcedureReturns) {
    AfxSetThreadRetireDelay(0);
    Counter c;
    auto* t = new WatchedThread(QuickProc, &c);
    EXPECT_EQ(1, g_liveThreads.load());
    ASSERT_TRUE(t->CreateThread());
    EXPECT_TRUE(WaitFor([] { return g_liveThreads.load() == 0; }));
    EXPECT_EQ(1, c.ticks.load());
    AfxSetThreadRetireDelay(2000);
}

TEST(FrameworkThread, FreeingWaitsForTheGracePeriod) {
    AfxSetThreadRetireDelay(300);
    Counter c;
    auto* t = new WatchedThread(QuickProc, &c);
    ASSERT_TRUE(t->CreateThread());
    EXPECT_TRUE(WaitFor([&] { return c.ticks.load() == 1; }));
    ::Sleep(50);
    AfxFreeRetiredThreads();
    EXPECT_EQ(1, g_liveThreads.load());   // still within the grace period
    EXPECT_TRUE(WaitFor([] {
        AfxFreeRetiredThreads();
        return g_liveThreads.load() == 0;
    }));
    AfxSetThreadRetireDelay(2000);
}

TEST(FrameworkThread, ProcedureThatThrowsEndsOnlyItsThread) {
    CWinThread* t = AfxBeginThread(ThrowingProc, nullptr);
    ASSERT_NE(nullptr, t);
    t->m_bAutoDelete = FALSE;
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hThread, 5000));
    DWORD code = 0;
    ::GetExitCodeThread(t->m_hThread, &code);
    EXPECT_EQ((DWORD)-1, code);
    delete t;
}

TEST(FrameworkThread, NullProcedureStartsNothing) { EXPECT_EQ(nullptr, AfxBeginThread(nullptr, nullptr)); }
