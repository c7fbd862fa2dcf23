// Tools ▸ "Write MRC2014 Files": one preference for every MRC writer of the desktop program (the
// Run, Convert, the pick boxes), kept in QSettings. A program without an organisation name (the
// tests) keeps nothing between sessions.
#include "Application.h"

#include <QCoreApplication>
#include <QSettings>

namespace gc {
namespace {

constexpr const char* MRC2014_SETTING = "mrc/writeMrc2014";

bool RemembersSettings() {
    return !QCoreApplication::organizationName().isEmpty();
}

} // namespace

void Application::LoadMrcPreference() {
    const bool on = RemembersSettings() && QSettings().value(MRC2014_SETTING, false).toBool();
    m_runSettings.mrc.style = m_pick.mrc.style = MrcStyleFor(on);
    UpdateCommandUi();
}

void Application::OnWriteMrc2014() {
    const bool on = !m_runSettings.mrc.IsMrc2014();
    m_runSettings.mrc.style = m_pick.mrc.style = MrcStyleFor(on);
    if (RemembersSettings())
        QSettings().setValue(MRC2014_SETTING, on);
}

} // namespace gc
