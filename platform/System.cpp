#include "System.h"

#include "Ansi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace Plattform {

bool benutzernameEintragen(const QByteArray& name, QByteArray& puffer, std::uint32_t& groesse)
{
    const auto noetig = std::uint32_t(name.size() + 1);
    if (noetig > groesse || qsizetype(noetig) > puffer.size()) {
        groesse = noetig;
        return false;
    }
    std::memcpy(puffer.data(), name.constData(), std::size_t(name.size()));
    puffer[name.size()] = '\0';
    groesse = noetig;
    return true;
}

bool EchtesSystem::GetUserNameA(QByteArray& puffer, std::uint32_t& groesse) const
{
    // The user the process runs as, not a login name from the environment.
    long laenge = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> speicher(std::size_t(laenge > 0 ? laenge : 16384));
    passwd eintrag{};
    passwd* gefunden = nullptr;
    if (getpwuid_r(geteuid(), &eintrag, speicher.data(), speicher.size(), &gefunden) != 0 || !gefunden || !gefunden->pw_name
        || !*gefunden->pw_name)
        return false;
    return benutzernameEintragen(nachAnsi(QString::fromLocal8Bit(gefunden->pw_name)), puffer, groesse);
}

QString EchtesSystem::programmverzeichnis() const { return QCoreApplication::applicationDirPath(); }

QString System::datenverzeichnisZu(const QString& programmverzeichnis)
{
    if (QFileInfo(QDir(programmverzeichnis).filePath(QStringLiteral("Hilfe"))).isDir())
        return programmverzeichnis;
    const QString geteilt = QDir::cleanPath(programmverzeichnis + QStringLiteral("/../../share/zelk-feldspur"));
    return QFileInfo(geteilt).isDir() ? geteilt : programmverzeichnis;
}

QString EchtesSystem::arbeitsverzeichnis() const { return QDir::currentPath(); }

bool EchtesSystem::arbeitsverzeichnisSetzen(const QString& pfad) { return QDir::setCurrent(pfad); }

namespace {
std::shared_ptr<System> g_system;
}

System& betriebssystem()
{
    if (!g_system)
        g_system = std::make_shared<EchtesSystem>();
    return *g_system;
}

bool installiert()
{
    const System& s = betriebssystem();
    return s.datenverzeichnis() != s.programmverzeichnis();
}

void setzeBetriebssystem(std::shared_ptr<System> s) { g_system = std::move(s); }

}  // namespace Plattform
