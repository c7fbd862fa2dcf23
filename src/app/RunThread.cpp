#include "RunThread.h"

#include <QThread>

#include <memory>

namespace gc {

bool UiThreadCalls::OnUiThread() const {
    return QThread::currentThread() == m_receiver.thread();
}

bool UiThreadCalls::Abandoned() {
    const std::lock_guard lock(m_mutex);
    return m_bAbandoned;
}

void UiThreadCalls::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(
        &m_receiver,
        [this, call = std::move(call)] {
            if (!Abandoned())
                call();
        },
        Qt::QueuedConnection);
}

void UiThreadCalls::Wait(const std::function<void()>& call) {
    if (OnUiThread()) {
        call();
        return;
    }
    // The flag and the call (with what it captured) live as long as the later of the waiter and the
    // posted call: a waiter released by Abandon while the call still runs (a message box's own event
    // loop) leaves it nothing that is gone.
    auto ran = std::make_shared<bool>(false);
    Post([this, ran, call] {
        call();
        const std::lock_guard lock(m_mutex);
        *ran = true;
        m_ran.notify_all();
    });
    std::unique_lock lock(m_mutex);
    m_ran.wait(lock, [this, &ran] { return *ran || m_bAbandoned; });
}

void UiThreadCalls::Abandon() {
    const std::lock_guard lock(m_mutex);
    m_bAbandoned = true;
    m_ran.notify_all();
}

void ThreadMessages::Show(MessageKind kind, const std::string& text, const std::string& caption) {
    m_calls.Wait([this, kind, text, caption] { m_target.Show(kind, text, caption); });
}

void ThreadMessages::Detail(const std::string& line) {
    m_calls.Wait([this, line] { m_target.Detail(line); });
}

void ThreadMessages::FileWritten(const std::string& path) {
    m_calls.Wait([this, path] { m_target.FileWritten(path); });
}

void ThreadProgress::SetRange(int lower, int upper) {
    m_calls.Post([this, lower, upper] { m_window.SetRange(lower, upper); });
}

void ThreadProgress::SetPos(int position) {
    // The Run sets the same position once per tile: only a new one goes to the window.
    if (position == m_nLastPosition)
        return;
    m_nLastPosition = position;
    RunProgressStatus status;
    if (m_fnStatus)
        status = m_fnStatus();
    const auto show = [this, position, status] { m_window.Show(position, status); };
    if (m_bWait)
        m_calls.Wait(show);
    else
        m_calls.Post(show);
}

} // namespace gc
