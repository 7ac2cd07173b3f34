#pragma once

/**
 * The desktop's entry that starts the program when the user logs in. The options dialog keeps
 * it in step with the auto-launch option; each platform stores it its own way.
 */
class StartupEntry
{
public:
    StartupEntry() = default;
    virtual ~StartupEntry() = default;
    StartupEntry(const StartupEntry&) = delete;
    StartupEntry& operator=(const StartupEntry&) = delete;

    /// Writes the entry for the running program when enabled, removes it otherwise. False when
    /// the change could not be made (the reason is logged).
    virtual bool Synchronize(bool enabled) = 0;
};
