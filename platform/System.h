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
void setzeBetriebssystem(std::shared_ptr<System> s);

}  // namespace Plattform
