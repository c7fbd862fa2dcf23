// RunThread: the desktop side of a Run that works on a thread of its own, so the viewer stays in
// use meanwhile. The core reports through Messages and Progress as everywhere; these adapters carry
// each report to the user-interface thread, where every widget is touched:
//
// - UiThreadCalls runs functions on the user-interface thread (the thread that made it): Post without
//   waiting, Wait until the function has run. Once abandoned (the program ends mid-Run), Wait returns
//   at once and calls not yet run are dropped.
// - ThreadMessages shows each message there and waits until the user has confirmed it, so modal
//   boxes stay modal and come in the order the Run gives them. A message given on the user-interface
//   thread itself (the TIFF library's errors while the viewer reads a file) is shown at once.
// - ThreadProgress moves the RunProgressWindow there. The window's texts are read on the Run's thread
//   (m_fnStatus reads the driver) and go with the position. StopRequested reads the window's stop flag,
//   which Stop sets on the user-interface thread.
#pragma once

#include "RunProgressDialog.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace gc {

class UiThreadCalls {
public:
    UiThreadCalls() = default;
    UiThreadCalls(const UiThreadCalls&) = delete;
    UiThreadCalls& operator=(const UiThreadCalls&) = delete;

    // Runs `call` on the user-interface thread when its events are next handled.
    void Post(std::function<void()> call);
    // Runs `call` on the user-interface thread and returns once it has run (at once when called
    // there), or once the calls are abandoned.
    void Wait(const std::function<void()>& call);
    // From now on Wait returns without running anything, and posted calls not yet run are dropped.
    void Abandon();
    bool OnUiThread() const;

private:
    bool Abandoned();

    QObject m_receiver; // lives on the user-interface thread; the posted calls are its events
    std::mutex m_mutex;
    std::condition_variable m_ran;
    bool m_bAbandoned = false;
};

class ThreadMessages final : public Messages {
public:
    ThreadMessages(Messages& target, UiThreadCalls& calls) : m_target(target), m_calls(calls) {}
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override;
    void Detail(const std::string& line) override;
    void FileWritten(const std::string& path) override;

private:
    Messages& m_target;
    UiThreadCalls& m_calls;
};

class ThreadProgress final : public Progress {
public:
    ThreadProgress(RunProgressWindow& window, UiThreadCalls& calls) : m_window(window), m_calls(calls) {}
    void SetRange(int lower, int upper) override;
    // A new position goes to the window with the texts of m_fnStatus. With WaitForWindow the Run
    // waits until the window has shown it (tests press Stop at a given position this way).
    void SetPos(int position) override;
    bool StopRequested() const override { return m_window.StopFlag(); }

    // What the window shows beside the bar; called on the Run's thread.
    std::function<RunProgressStatus()> m_fnStatus;
    void WaitForWindow(bool wait) { m_bWait = wait; }

private:
    RunProgressWindow& m_window;
    UiThreadCalls& m_calls;
    int m_nLastPosition = -1;
    bool m_bWait = false;
};

} // namespace gc
