#include "ProgramSettings.h"

#include <QCoreApplication>
#include <QSettings>

namespace gc {
namespace {

class QtSettingsStore final : public SettingsStore {
public:
    std::optional<std::string> Value(const std::string& key) const override {
        const QVariant value = QSettings().value(QString::fromStdString(key));
        if (!value.isValid())
            return std::nullopt;
        return value.toString().toStdString();
    }
    void SetValue(const std::string& key, const std::string& value) override {
        QSettings().setValue(QString::fromStdString(key), QString::fromStdString(value));
    }
};

} // namespace

std::unique_ptr<SettingsStore> MakeProgramSettings() {
    if (QCoreApplication::organizationName().isEmpty())
        return std::make_unique<MemorySettings>();
    return std::make_unique<QtSettingsStore>();
}

} // namespace gc
