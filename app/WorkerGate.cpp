#include "app/WorkerGate.h"

#include <windows.h>

#include <chrono>

WorkerGate g_analysisGate;
WorkerGate g_itemListGate;

namespace {
// The run the current thread works for (0 on threads that are no worker).
thread_local unsigned t_ticket = 0;
}  // namespace

unsigned WorkerGate::Begin() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_current = ++m_lastTicket;
    m_paused = false;
    m_changed.notify_all();
    return m_current;
}

void WorkerGate::Enter(unsigned ticket) {
    t_ticket = ticket;
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_threadsInside;
}

void WorkerGate::Leave() {
    t_ticket = 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_threadsInside;
    m_changed.notify_all();
}

void WorkerGate::Pause() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paused = true;
}

void WorkerGate::Resume() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paused = false;
    m_changed.notify_all();
}

void WorkerGate::End() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_current = 0;
    m_paused = false;
    m_changed.notify_all();
}

bool WorkerGate::WaitForExit(unsigned milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_threadsInside == 0) return true;
        }
        if (GetTickCount() - start >= milliseconds) return false;
        // A worker may be inside SendMessage to one of our windows.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool WorkerGate::IsPaused() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_paused;
}

bool WorkerGate::IsRunning() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_current != 0;
}

bool WorkerGate::IsCurrentThread() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return t_ticket != 0 && t_ticket == m_current;
}

void WorkerGate::Checkpoint() {
    if (t_ticket == 0) return;  // not a worker's thread (a direct call)
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_paused || t_ticket != m_current; });
    if (t_ticket != m_current) throw WorkerEnded();
}

void WorkerGate::Sleep(unsigned milliseconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_pausesEnabled) {
        m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return t_ticket != 0 && t_ticket != m_current; });
    }
    lock.unlock();
    Checkpoint();
}

void WorkerGate::SetPausesEnabled(bool enabled) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pausesEnabled = enabled;
}

CWinThread* StartWorkerThread(AFX_THREADPROC proc, LPVOID param, std::atomic<CWinThread*>& slot) {
    CWinThread* thread = AfxBeginThread(proc, param, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (thread == nullptr) return nullptr;
    slot = thread;
    thread->ResumeThread();
    return thread;
}
