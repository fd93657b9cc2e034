#pragma once
// What the window keeps for its user from one start to the next (the
// databases opened last), and the file dialog it asks with: both go through
// these seams, so that window tests give each window its own store and
// answer the dialog themselves.

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace Plattform {

class Einstellungen {
public:
    virtual ~Einstellungen() = default;
    virtual QStringList liste(const QString& schluessel) const = 0;  // empty when not set
    virtual void setzeListe(const QString& schluessel, const QStringList& werte) = 0;
};

// The user's configuration file (~/.config/ZELK-Feldspur/ZELK-Feldspur.conf).
class DateiEinstellungen final : public Einstellungen {
public:
    QStringList liste(const QString& schluessel) const override;
    void setzeListe(const QString& schluessel, const QStringList& werte) override;
};

// Test double: kept in memory.
class SpeicherEinstellungen final : public Einstellungen {
public:
    QStringList liste(const QString& schluessel) const override;
    void setzeListe(const QString& schluessel, const QStringList& werte) override { werte_[schluessel] = werte; }

private:
    std::map<QString, QStringList> werte_;
};

class Dateidialog {
public:
    virtual ~Dateidialog() = default;
    // The file the user chose to open, empty when the dialog was cancelled.
    virtual QString oeffnen(QWidget* eltern, const QString& titel, const QString& verzeichnis, const QString& filter) = 0;
};

class QtDateidialog final : public Dateidialog {
public:
    QString oeffnen(QWidget* eltern, const QString& titel, const QString& verzeichnis, const QString& filter) override;
};

// Test double: records each question and answers from a queue (cancelled
// when it is empty).
class DateidialogRecorder final : public Dateidialog {
public:
    struct Frage {
        QString titel, verzeichnis, filter;
    };
    QString oeffnen(QWidget* eltern, const QString& titel, const QString& verzeichnis, const QString& filter) override;
    void naechsteAntwort(const QString& datei) { antworten_.push_back(datei); }
    const std::vector<Frage>& fragen() const { return fragen_; }

private:
    std::vector<Frage> fragen_;
    std::vector<QString> antworten_;
};

Einstellungen& einstellungen();
Dateidialog& dateidialog();
void setzeEinstellungen(std::shared_ptr<Einstellungen> e);
void setzeDateidialog(std::shared_ptr<Dateidialog> d);

}  // namespace Plattform
