// SettingsStore: what the desktop program remembers between sessions (the Run dialog's last saved
// parameters and folders, the pick box size), as texts under keys. The desktop program keeps them in
// QSettings; tests and a program that remembers nothing keep them in memory.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace gc {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The text stored under `key`, or nothing.
    virtual std::optional<std::string> Value(const std::string& key) const = 0;
    virtual void SetValue(const std::string& key, const std::string& value) = 0;
};

// Settings that live as long as the object.
class MemorySettings final : public SettingsStore {
public:
    std::optional<std::string> Value(const std::string& key) const override {
        const auto found = m_values.find(key);
        return found == m_values.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void SetValue(const std::string& key, const std::string& value) override { m_values[key] = value; }

private:
    std::map<std::string, std::string> m_values;
};

} // namespace gc
