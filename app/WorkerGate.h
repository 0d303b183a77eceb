// Pausing, resuming and ending a worker without suspending or killing its
// thread: the worker passes the gate at its checkpoints (each report it makes
// to a window); there it waits while paused and leaves, by the exception
// WorkerEnded, once its run was ended. A thread suspended or killed at an
// arbitrary point could hold the heap's or a window's lock; a checkpoint holds
// none.
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "framework/framework.h"

struct WorkerEnded {};

class WorkerGate {
public:
    // A new run: returns its ticket, which the worker passes to Enter.
    unsigned Begin();
    // On the worker's thread, first: binds the thread to the run.
    void Enter(unsigned ticket);
    // On the worker's thread, last: the run's thread is gone.
    void Leave();

    void Pause();
    void Resume();
    // The run ends at its next checkpoint; its later reports are dropped.
    void End();
    // Waits up to `milliseconds` for the ended run's thread to leave, while
    // the calling (user-interface) thread keeps answering sent messages.
    bool WaitForExit(unsigned milliseconds);

    bool IsPaused() const;
    bool IsRunning() const;
    // True on the thread of the current run.
    bool IsCurrentThread() const;

    // Worker side: waits while paused; throws WorkerEnded when this thread's
    // run is not the current one any more.
    void Checkpoint();
    // Worker side: a fixed pause that ends early when the run is ended, and
    // waits no time at all when pauses are switched off (tests).
    void Sleep(unsigned milliseconds);
    void SetPausesEnabled(bool enabled);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    unsigned m_current = 0;     // ticket of the run that may go on; 0: none
    unsigned m_lastTicket = 0;
    bool m_paused = false;
    int m_threadsInside = 0;    // worker threads between Enter and Leave
    bool m_pausesEnabled = true;
};

// Starts `proc(param)` on a new thread whose object is put in `slot` before
// the thread runs, so that the worker's own clearing of the slot at its end
// is never undone. Null, with `slot` unchanged, when no thread could be made.
CWinThread* StartWorkerThread(AFX_THREADPROC proc, LPVOID param, std::atomic<CWinThread*>& slot);

// The store load's gate (the analysis worker) and the item-list worker's.
extern WorkerGate g_analysisGate;
extern WorkerGate g_itemListGate;
