#pragma once

#include <QString>

#include <functional>

class RegistryStore;

// Switches autorun off for every drive type around a burn, so that the new
// disc is not opened by the desktop, and puts the previous setting back.
// The setting is the DWORD "NoDriveTypeAutoRun" under HKEY_LOCAL_MACHINE
// "Software\Microsoft\Windows\CurrentVersion\Policies\Explorer", kept in the
// registry store. On Windows a WM_WININICHANGE broadcast tells the shell; on
// this platform nothing listens for it, so the broadcast and the half-second
// pauses around it are left out (the log lines stay, in their order).
class AutorunSwitch
{
public:
    using LogWriter = std::function<void(const QString &line)>;

    static constexpr int Disabled = 255;
    // Remembered when the value did not exist.
    static constexpr int Missing = -1;

    static QString sectionKey()
    {
        return QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");
    }
    static QString valueKey() { return QStringLiteral("NoDriveTypeAutoRun"); }

    // Over the store the environment names.
    AutorunSwitch() = default;
    // Over the given store, which must outlive this object.
    explicit AutorunSwitch(RegistryStore &store)
        : m_store(&store)
    { }

    // Sets the value to 255 and returns what it was before (Missing when
    // there was none). Every step is written to log.
    int DisableAutorun(const LogWriter &log);

    // Writes remembered back, or removes the value when remembered is
    // Missing. Every step is written to log.
    void ResetAutorun(int remembered, const LogWriter &log);

private:
    RegistryStore *m_store = nullptr;
};
