#pragma once
// Test surroundings of the start-up: a registry store on a temporary
// directory behind a checking wrapper, a system double, recorders for
// messages and program end, a fixed data-access version.

#include "Meldung.h"
#include "PfadDatenbank.h"
#include "Registry.h"
#include "System.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <vector>

// Passes every call on, records what was asked, and refuses on demand.
class PruefRegistry final : public Plattform::Registry {
public:
    explicit PruefRegistry(std::shared_ptr<Plattform::Registry> innen) : innen_(std::move(innen)) {}

    int aufrufe = 0;
    int schreibungen = 0;
    QByteArray anlegenVerweigern;  // a create of a path ending so fails
    QByteArray schreibenVerweigern;  // a write of this value name fails
    bool schliessenScheitert = false;
    bool abfrageWirft = false;

    Plattform::LONG RegOpenKeyExA(Plattform::HKEY key, const QByteArray& subKey, Plattform::DWORD options,
                                  Plattform::DWORD sam, Plattform::HKEY* ergebnis) override
    {
        ++aufrufe;
        return innen_->RegOpenKeyExA(key, subKey, options, sam, ergebnis);
    }
    Plattform::LONG RegQueryValueExA(Plattform::HKEY key, const QByteArray& name, Plattform::DWORD* type, char* data,
                                     Plattform::DWORD* cb) override
    {
        ++aufrufe;
        if (abfrageWirft)
            throw std::bad_alloc();
        return innen_->RegQueryValueExA(key, name, type, data, cb);
    }
    Plattform::LONG RegCreateKeyA(Plattform::HKEY key, const QByteArray& subKey, Plattform::HKEY* ergebnis) override
    {
        ++aufrufe;
        if (!anlegenVerweigern.isEmpty() && subKey.endsWith(anlegenVerweigern))
            return Plattform::ERROR_ACCESS_DENIED;
        return innen_->RegCreateKeyA(key, subKey, ergebnis);
    }
    Plattform::LONG RegSetValueExA(Plattform::HKEY key, const QByteArray& name, Plattform::DWORD type, const char* data,
                                   Plattform::DWORD cb) override
    {
        ++aufrufe;
        ++schreibungen;
        if (!schreibenVerweigern.isEmpty() && name == schreibenVerweigern)
            return Plattform::ERROR_ACCESS_DENIED;
        return innen_->RegSetValueExA(key, name, type, data, cb);
    }
    Plattform::LONG RegCloseKey(Plattform::HKEY key) override
    {
        ++aufrufe;
        const Plattform::LONG r = innen_->RegCloseKey(key);
        return schliessenScheitert ? Plattform::ERROR_INVALID_HANDLE : r;
    }

private:
    std::shared_ptr<Plattform::Registry> innen_;
};

class TestSystem final : public Plattform::System {
public:
    std::optional<QByteArray> name = QByteArray("anna");
    mutable int namensAbfragen = 0;
    QString programm = QStringLiteral("/opt/zelk-feldspur");
    std::vector<QString> wechsel;

    bool GetUserNameA(QByteArray& puffer, std::uint32_t& groesse) const override
    {
        ++namensAbfragen;
        return name && Plattform::benutzernameEintragen(*name, puffer, groesse);
    }
    QString programmverzeichnis() const override { return programm; }
    QString arbeitsverzeichnis() const override { return wechsel.empty() ? QStringLiteral("/") : wechsel.back(); }
    bool arbeitsverzeichnisSetzen(const QString& pfad) override
    {
        wechsel.push_back(pfad);
        return true;
    }
};

// The English-named driver key as an installed system has it.
inline QByteArray englischerTreiber(const QByteArray& pfad = "/usr/lib/zelk/leser")
{
    return "[SOFTWARE\\\\ODBC\\\\ODBCINST.INI\\\\Microsoft Access Driver (*.mdb)]\n\"Driver\"=\"" + pfad + "\"\n";
}
inline QByteArray deutscherTreiber(const QByteArray& pfad = "/usr/lib/zelk/treiber-de")
{
    return "[SOFTWARE\\\\ODBC\\\\ODBCINST.INI\\\\Microsoft Access-Treiber (*.mdb)]\n\"Driver\"=\"" + pfad + "\"\n";
}

class StartupUmgebung : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        PfadDatenbank::setzeKomponente([this] { return version; });
        ersterStart();
    }
    void TearDown() override
    {
        Plattform::setzeRegistry(nullptr);
        Plattform::setzeMeldungen(nullptr);
        Plattform::setzeProgrammEnde(nullptr);
        Plattform::setzeBetriebssystem(nullptr);
        PfadDatenbank::setzeKomponente({});
    }

    // A first start of the program: no user file, fresh recorders and system.
    void ersterStart()
    {
        Plattform::setzeMeldungen(meldungen = std::make_shared<Plattform::MeldungsRecorder>());
        Plattform::setzeProgrammEnde(ende = std::make_shared<Plattform::ProgrammEndeRecorder>());
        Plattform::setzeBetriebssystem(sys = std::make_shared<TestSystem>());
        QFile::remove(QDir(dir.path()).filePath("rw/HKEY_LOCAL_MACHINE.reg"));
        neuerSpeicher();
    }
    // A fresh store on the same files, as a new start of the program sees them.
    void neuerSpeicher()
    {
        speicher = std::make_shared<Plattform::RegistryDateien>(QDir(dir.path()).filePath("rw"), QDir(dir.path()).filePath("ro"));
        reg = std::make_shared<PruefRegistry>(speicher);
        Plattform::setzeRegistry(reg);
    }

    // Files of the store: the layer shipped with the program and the user's file.
    void schicht(const QByteArray& keys) { datei("ro", keys); }
    void benutzerDatei(const QByteArray& keys) { datei("rw", keys); }
    QByteArray benutzerDateiText() const
    {
        QFile f(speicher->datei(Plattform::HKEY_LOCAL_MACHINE));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Plattform::RegInhalt benutzerInhalt() const
    {
        QString fehler;
        auto i = Plattform::regDateiLesen(benutzerDateiText(), &fehler);
        EXPECT_TRUE(i) << fehler.toStdString();
        return i ? *i : Plattform::RegInhalt{};
    }


    QTemporaryDir dir;
    std::shared_ptr<Plattform::MeldungsRecorder> meldungen;
    std::shared_ptr<Plattform::ProgrammEndeRecorder> ende;
    std::shared_ptr<TestSystem> sys;
    std::optional<QString> version = QStringLiteral("2.8");
    std::shared_ptr<Plattform::RegistryDateien> speicher;
    std::shared_ptr<PruefRegistry> reg;

private:
    void datei(const char* unter, const QByteArray& keys)
    {
        const QString pfad = QDir(QDir(dir.path()).filePath(unter)).filePath("HKEY_LOCAL_MACHINE.reg");
        QDir().mkpath(QFileInfo(pfad).path());
        QFile f(pfad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("WINE REGISTRY Version 2\n" + keys);
    }
};
