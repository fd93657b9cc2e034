#pragma once
// The process's user name, program directory and working directory, so that
// the start-up probes can be driven by tests.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

namespace Plattform {

class System {
public:
    virtual ~System() = default;
    // Like GetUserNameA: writes the name of the user running the process and
    // a NUL into puffer (ANSI) and returns true; false when there is no name
    // or name and NUL do not fit into groesse bytes (groesse then holds the
    // size needed). puffer keeps its length.
    virtual bool GetUserNameA(QByteArray& puffer, std::uint32_t& groesse) const = 0;
    virtual QString programmverzeichnis() const = 0;
    virtual QString arbeitsverzeichnis() const = 0;
    virtual bool arbeitsverzeichnisSetzen(const QString& pfad) = 0;
    // Where the program's data lies (Hilfe/, Registry/, the demo database).
    virtual QString datenverzeichnis() const { return datenverzeichnisZu(programmverzeichnis()); }

    // Beside the program when Hilfe/ is there (the build folder); otherwise
    // <prefix>/share/zelk-feldspur for a program in <prefix>/lib/zelk-feldspur.
    static QString datenverzeichnisZu(const QString& programmverzeichnis);
};

class EchtesSystem final : public System {
public:
    bool GetUserNameA(QByteArray& puffer, std::uint32_t& groesse) const override;
    QString programmverzeichnis() const override;
    QString arbeitsverzeichnis() const override;
    bool arbeitsverzeichnisSetzen(const QString& pfad) override;
};

// Puts a name given by the system into a GetUserNameA buffer.
bool benutzernameEintragen(const QByteArray& name, QByteArray& puffer, std::uint32_t& groesse);

System& betriebssystem();
// Installed: the data lie apart from the program.
bool installiert();
void setzeBetriebssystem(std::shared_ptr<System> s);

}  // namespace Plattform
