#pragma once
// The running program's end of `ozmira --command N`: a well-known name on the session bus and
// one method, RunCommand(i), that runs capture command N (1 to 5) on the user-interface thread
// as its hotkey would. The first program started keeps the name; a later one runs without it.
#include <QDBusContext>
#include <QObject>

#include <functional>
#include <string>

namespace command_bus {
inline constexpr char kService[] = "org.ozmira.Ozmira";
inline constexpr char kPath[] = "/org/ozmira/Ozmira";
inline constexpr char kInterface[] = "org.ozmira.Ozmira.Commands";
inline constexpr char kMethod[] = "RunCommand";
inline constexpr int kCommandCount = 5;
}  // namespace command_bus

class CommandService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.ozmira.Ozmira.Commands")

public:
    using Run = std::function<void(int command)>;

    explicit CommandService(Run run);
    ~CommandService() override;
    CommandService(const CommandService&) = delete;
    CommandService& operator=(const CommandService&) = delete;

    // Takes the name and offers the method; empty when done, otherwise one line saying why not.
    std::string start();

public slots:
    Q_SCRIPTABLE void RunCommand(int command);

private:
    Run m_run;
    bool m_started = false;
};
