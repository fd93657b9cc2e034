#include "Datenzugriff.h"

#include "Anweisung.h"

#include <QStringList>

#include <algorithm>

namespace Datenzugriff {

namespace {

// Rows a block of the reader holds once reading is under way. Each block is
// a round trip to the reader process; every new page of a block's values is
// a page fault. Since rows the filter rejects are marked instead of written,
// 4 096 rows are as fast as 1 024 or faster, with every value read too (0.88
// of the time of 1 024 on 1 000 000 rows) and on 100 000 rows (0.95-0.99).
constexpr int GrosserBlock = 4096;

[[noreturn]] void geschlossen()
{
    throw DatenzugriffsFehler(FehlerObjektGeschlossen, QStringLiteral("Der Vorgang ist bei einem geschlossenen Objekt nicht zulässig."));
}

}  // namespace

int adoTyp(JetTyp typ)
{
    switch (typ) {
    case JetTyp::JaNein: return adBoolean;
    case JetTyp::Byte: return adUnsignedTinyInt;
    case JetTyp::Integer: return adSmallInt;
    case JetTyp::Long: return adInteger;
    case JetTyp::Currency: return adCurrency;
    case JetTyp::Single: return adSingle;
    case JetTyp::Double: return adDouble;
    case JetTyp::Datum: return adDate;
    case JetTyp::Binaer: return adVarBinary;
    case JetTyp::Text: return adVarWChar;
    case JetTyp::Ole: return adLongVarBinary;
    case JetTyp::Memo: return adLongVarWChar;
    case JetTyp::Guid: return adGUID;
    case JetTyp::Decimal: return adNumeric;
    case JetTyp::Komplex: return adLongVarBinary;
    case JetTyp::GrosseZahl: return adBigInt;
    case JetTyp::DatumErweitert: return adDBTimeStamp;
    }
    return adVarWChar;
}

int adoAttribute(const SpaltenInfo& s)
{
    int a = 0;
    if (!s.autowert)
        a |= adFldUpdatable;
    if (s.festeLaenge)
        a |= adFldFixed;
    // Yes/No columns are never Null; every other Jet column may be.
    if (s.jetTyp != JetTyp::JaNein)
        a |= adFldIsNullable | adFldMayBeNull;
    if (s.jetTyp == JetTyp::Memo || s.jetTyp == JetTyp::Ole || s.jetTyp == JetTyp::Komplex)
        a |= adFldLong | adFldMayDefer;
    return a;
}

// ---------------------------------------------------------------- Connection

Connection::Connection() : Connection([] { return erzeugeMdbLeser(); }) {}

Connection::Connection(LeserFabrik fabrik) : fabrik_(std::move(fabrik)) {}

Connection::~Connection()
{
    for (Recordset* r : recordsets_) {
        r->schliessenOhneAbmelden();
    }
    recordsets_.clear();
}

int Connection::State() const { return leser_ && leser_->offen() ? adStateOpen : adStateClosed; }

void Connection::Open(const QString& connectionString, const QString&, const QString&, int)
{
    if (State() == adStateOpen)
        throw DatenzugriffsFehler(FehlerObjektOffen, QStringLiteral("Der Vorgang ist bei einem geöffneten Objekt nicht zulässig."));
    // A reader that gave up (its process died or hung) closed nothing: its
    // recordsets go with it now, as with a Close.
    if (leser_)
        abbauen();
    const QString datei = dateiAusVerbindungstext(connectionString);
    if (datei.isEmpty())
        throw DatenzugriffsFehler(FehlerVerbindungstext,
            QStringLiteral("Im Verbindungstext ist keine Datenbankdatei (DBQ=) angegeben."));
    // The reader lives on from one file to the next: a reader process is
    // started once, not for every action (a reader that failed starts a
    // fresh process by itself).
    if (!leser_)
        leser_ = fabrik_();
    leser_->oeffnen(datei);
    verbindungstext_ = connectionString;
    datei_ = datei;
}

void Connection::Close()
{
    if (State() != adStateOpen)
        geschlossen();
    abbauen();
}

void Connection::abbauen()
{
    const auto offene = recordsets_;
    recordsets_.clear();
    for (Recordset* r : offene)
        r->schliessenOhneAbmelden();
    if (leser_ && leser_->offen())
        leser_->schliessen();
}

Leser& Connection::leser()
{
    if (State() != adStateOpen)
        geschlossen();
    return *leser_;
}

QString Connection::Version() const
{
    if (leser_)
        return leser_->version();
    return fabrik_()->version();
}

void Connection::anmelden(Recordset* r) { recordsets_.push_back(r); }

void Connection::abmelden(Recordset* r)
{
    recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), r), recordsets_.end());
}

std::unique_ptr<Recordset> Connection::schemaRecordset(std::vector<SpaltenInfo> spalten, std::vector<Wert> werte)
{
    Connection& c = *this;
    auto r = std::make_unique<Recordset>();
    r->speicher_ = true;
    r->verbindung_ = &c;
    r->offen_ = true;
    r->source_.clear();
    for (int i = 0; i < int(spalten.size()); ++i)
        r->fields_.felder_.push_back(Field(r.get(), i, spalten[std::size_t(i)]));
    r->block_.spalten = int(spalten.size());
    r->block_.werte = std::move(werte);
    r->block_.zeilenAnzahl = r->block_.spalten ? int(r->block_.werte.size()) / r->block_.spalten : 0;
    r->leserEnde_ = true;
    r->gespeicherteAnzahl_ = r->block_.zeilenAnzahl;
    c.anmelden(r.get());
    return r;
}

std::unique_ptr<Recordset> Connection::OpenSchema(int queryType)
{
    if (queryType != adSchemaTables)
        throw DatenzugriffsFehler(FehlerAbfragetyp, QStringLiteral("Die Schemaabfrage %1 wird nicht unterstützt.").arg(queryType));
    const auto katalog = leser().katalog();
    auto textSpalte = [](const char* name) {
        SpaltenInfo s;
        s.name = QString::fromLatin1(name);
        s.jetTyp = JetTyp::Text;
        s.groesse = 128;
        return s;
    };
    std::vector<SpaltenInfo> spalten = {textSpalte("TABLE_CATALOG"), textSpalte("TABLE_SCHEMA"), textSpalte("TABLE_NAME"),
                                        textSpalte("TABLE_TYPE")};
    std::vector<Wert> werte;
    werte.reserve(katalog.size() * 4);
    for (const auto& e : katalog) {
        werte.push_back(Wert::null());
        werte.push_back(Wert::null());
        werte.push_back(Wert::vonText(e.name));
        werte.push_back(Wert::vonText(e.typ));
    }
    return schemaRecordset(std::move(spalten), std::move(werte));
}

// --------------------------------------------------------------------- Fields

const Wert& Field::Value() const
{
    recordset_->pruefeOffen();
    const Wert* zeile = recordset_->aktuelleZeile();
    if (!zeile)
        throw DatenzugriffsFehler(FehlerBofEof, QStringLiteral("Es gibt keinen aktuellen Datensatz (Anfang oder Ende der Datensatzgruppe)."));
    return zeile[position_];
}

int Field::DefinedSize() const
{
    if (info_.jetTyp == JetTyp::Text)
        return info_.groesse / 2 > 0 ? info_.groesse / 2 : info_.groesse;
    return info_.groesse;
}

const Field& Fields::Item(int position) const
{
    if (position < 0 || position >= int(felder_.size()))
        throw DatenzugriffsFehler(FehlerFeldUnbekannt,
            QStringLiteral("Ein Feld an Position %1 gibt es nicht (die Auflistung hat %2 Felder).").arg(position).arg(felder_.size()));
    return felder_[std::size_t(position)];
}

const Field& Fields::Item(const QString& name) const
{
    for (const Field& f : felder_)
        if (f.Name().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    throw DatenzugriffsFehler(FehlerFeldUnbekannt, QStringLiteral("Das Feld „%1“ gibt es in der Auflistung nicht.").arg(name));
}

// ------------------------------------------------------------------ Recordset

Recordset::Recordset() = default;

Recordset::~Recordset()
{
    if (offen_ && verbindung_)
        verbindung_->abmelden(this);
    schliessenOhneAbmelden();
}

void Recordset::pruefeOffen() const
{
    if (!offen_)
        geschlossen();
}

void Recordset::Open(Connection& connection, int cursorType, int lockType, int options)
{
    Open(QString(), connection, cursorType, lockType, options);
}

void Recordset::Open(const QString& source, Connection& connection, int cursorType, int lockType, int)
{
    if (offen_)
        throw DatenzugriffsFehler(FehlerObjektOffen, QStringLiteral("Der Vorgang ist bei einem geöffneten Objekt nicht zulässig."));
    if (!source.isEmpty())
        source_ = source;
    if (cursorType != adOpenUnspecified)
        cursorType_ = cursorType;
    if (lockType != adLockUnspecified)
        lockType_ = lockType;
    if (source_.trimmed().isEmpty())
        throw DatenzugriffsFehler(FehlerAnweisung, QStringLiteral("Es wurde keine Anweisung angegeben."));
    const auto anweisung = anweisungLesen(source_);
    if (!anweisung)
        throw DatenzugriffsFehler(FehlerAnweisung,
            QStringLiteral("Die Anweisung „%1“ wird nicht ausgeführt: Syntaxfehler in der FROM-Klausel.").arg(source_));
    oeffnen(*anweisung, connection);
}

void Recordset::Open(const Anweisung& anweisung, Connection& connection, int cursorType, int lockType)
{
    if (offen_)
        throw DatenzugriffsFehler(FehlerObjektOffen, QStringLiteral("Der Vorgang ist bei einem geöffneten Objekt nicht zulässig."));
    if (cursorType != adOpenUnspecified)
        cursorType_ = cursorType;
    if (lockType != adLockUnspecified)
        lockType_ = lockType;
    // For messages and Source(); never parsed again.
    source_ = anweisung.alleFelder ? alleFelderAnweisung(anweisung.tabelle)
                                   : QStringLiteral("Select [%1] from [%2];")
                                         .arg(QStringList(anweisung.felder.begin(), anweisung.felder.end()).join(QStringLiteral("], [")),
                                              anweisung.tabelle);
    oeffnen(anweisung, connection);
}

void Recordset::oeffnen(const Anweisung& a, Connection& connection)
{
    const Anweisung* anweisung = &a;
    Leser& leser = connection.leser();
    const auto spalten = leser.spalten(anweisung->tabelle);
    std::vector<int> auswahl;
    if (anweisung->alleFelder) {
        for (int i = 0; i < int(spalten.size()); ++i)
            auswahl.push_back(i);
    } else {
        for (const QString& feld : anweisung->felder) {
            const auto it = std::find_if(spalten.begin(), spalten.end(),
                                         [&](const SpaltenInfo& s) { return s.name.compare(feld, Qt::CaseInsensitive) == 0; });
            if (it == spalten.end())
                throw DatenzugriffsFehler(FehlerFeldUnbekannt,
                    QStringLiteral("Das Feld „%1“ gibt es in der Tabelle „%2“ nicht (Anweisung „%3“).").arg(feld, anweisung->tabelle, source_));
            auswahl.push_back(int(it - spalten.begin()));
        }
    }

    const std::int64_t gespeichert = leser.gespeicherteZeilenanzahl(anweisung->tabelle);
    const CursorNummer cursor = leser.cursorOeffnen(anweisung->tabelle, auswahl);

    fields_.felder_.clear();
    for (int i = 0; i < int(auswahl.size()); ++i)
        fields_.felder_.push_back(Field(this, i, spalten[std::size_t(auswahl[std::size_t(i)])]));
    cursor_ = cursor;
    tabelle_ = anweisung->tabelle;
    verbindung_ = &connection;
    speicher_ = false;
    gespeicherteAnzahl_ = gespeichert;
    block_.spalten = int(auswahl.size());
    block_.zeilenAnzahl = 0;
    blockZeile_ = 0;
    blockAnfang_ = 0;
    gefiltert_ = false;
    neuLesenBis_ = 0;
    leserEnde_ = false;
    // Only the first row is read now: a probe of every table must stay cheap.
    naechsteBlockGroesse_ = 1;
    offen_ = true;
    connection.anmelden(this);
    try {
        blockLaden();
    } catch (...) {
        Close();
        throw;
    }
}

void Recordset::blockLaden()
{
    blockZeile_ = 0;
    if (speicher_ || leserEnde_) {
        block_.zeilenAnzahl = speicher_ ? block_.zeilenAnzahl : 0;
        return;
    }
    blockAnfang_ += block_.zeilen();
    const int groesse = naechsteBlockGroesse_;
    naechsteBlockGroesse_ = std::min(GrosserBlock, std::max(64, naechsteBlockGroesse_ * 16));
    verbindung_->leser().naechsterBlock(cursor_, block_, groesse);
    leserEnde_ = block_.zeilen() < groesse;
    neuLesen(0);
}

// Rows of the block from abZeile on that the reader judged by an older
// filter, read again in full by their row numbers.
void Recordset::neuLesen(int abZeile)
{
    const std::int64_t von = blockAnfang_ + abZeile;
    const std::int64_t bis = std::min<std::int64_t>(blockAnfang_ + block_.zeilen(), neuLesenBis_);
    if (bis <= von)
        return;
    ZeilenBlock frisch;
    if (verbindung_->leser().zeilenBereich(cursor_, von, int(bis - von), frisch) != bis - von || frisch.spalten != block_.spalten)
        throw DatenzugriffsFehler(FehlerBeschaedigt,
            QStringLiteral("Die Sätze ab Nummer %1 der Tabelle „%2“ konnten nicht erneut gelesen werden.").arg(von + 1).arg(tabelle_));
    for (int z = 0; z < frisch.zeilen(); ++z) {
        const int zeile = abZeile + z;
        if (block_.istLeer(zeile))
            block_.leer[std::size_t(zeile)] = 0;
        const Wert* werte = frisch.zeile(z);
        std::copy_n(werte, block_.spalten, block_.werte.begin() + std::ptrdiff_t(zeile) * block_.spalten);
    }
}

void Recordset::kandidatenfilter(std::shared_ptr<const Kandidatenfilter> filter)
{
    pruefeOffen();
    if (speicher_ || (!filter && !gefiltert_))
        return;
    const bool vorher = gefiltert_;
    gefiltert_ = filter != nullptr;
    const std::int64_t ab = verbindung_->leser().kandidatenfilter(cursor_, std::move(filter));
    if (!vorher)
        return;  // the rows read so far are whole
    neuLesenBis_ = std::max(neuLesenBis_, ab);
    neuLesen(blockZeile_);
}

void Recordset::schliessenOhneAbmelden()
{
    if (!offen_)
        return;
    if (!speicher_ && verbindung_ && verbindung_->leser_ && verbindung_->leser_->offen())
        verbindung_->leser_->cursorSchliessen(cursor_);
    offen_ = false;
    verbindung_ = nullptr;
    block_.zeilenAnzahl = 0;
    block_.werte.clear();
    block_.leer.clear();
    fields_.felder_.clear();
}

void Recordset::Close()
{
    pruefeOffen();
    if (verbindung_)
        verbindung_->abmelden(this);
    schliessenOhneAbmelden();
}

bool Recordset::Eof() const
{
    pruefeOffen();
    return blockZeile_ >= block_.zeilen();
}

void Recordset::MoveNext()
{
    if (Eof())
        throw DatenzugriffsFehler(FehlerBofEof, QStringLiteral("Es gibt keinen aktuellen Datensatz (Ende der Datensatzgruppe)."));
    ++blockZeile_;
    if (blockZeile_ >= block_.zeilen() && !speicher_)
        blockLaden();
}

void Recordset::MoveFirst()
{
    pruefeOffen();
    if (speicher_) {
        blockZeile_ = 0;
        return;
    }
    verbindung_->leser().zuruecksetzen(cursor_);
    leserEnde_ = false;
    naechsteBlockGroesse_ = GrosserBlock;
    block_.zeilenAnzahl = 0;
    blockAnfang_ = 0;
    neuLesenBis_ = 0;
    blockLaden();
}

std::int64_t Recordset::RecordCount() const
{
    pruefeOffen();
    if (speicher_)
        return block_.zeilen();
    if (gespeicherteAnzahl_ == 0 && !Eof())
        return -1;
    return gespeicherteAnzahl_;
}

const Fields& Recordset::fields() const
{
    pruefeOffen();
    return fields_;
}

const Wert* Recordset::aktuelleZeile() const
{
    if (!offen_ || blockZeile_ >= block_.zeilen())
        return nullptr;
    return block_.zeile(blockZeile_);
}

std::int64_t Recordset::gezaehlteZeilen()
{
    pruefeOffen();
    if (speicher_)
        return block_.zeilen();
    return verbindung_->leser().gezaehlteZeilen(cursor_);
}

int Recordset::zeilenBereich(std::int64_t von, int anzahl, ZeilenBlock& block)
{
    pruefeOffen();
    if (speicher_) {
        const std::int64_t ab = std::max<std::int64_t>(von, 0);
        const std::int64_t bis = std::min<std::int64_t>(von + anzahl, block_.zeilen());
        block.spalten = block_.spalten;
        block.zeilenAnzahl = int(std::max<std::int64_t>(bis - ab, 0));
        block.leer.clear();
        const std::size_t werte = std::size_t(block.zeilenAnzahl) * std::size_t(block.spalten);
        if (block.werte.size() < werte)
            block.werte.resize(werte);
        if (werte > 0)
            std::copy_n(&block_.wert(int(ab), 0), werte, block.werte.begin());
        return block.zeilenAnzahl;
    }
    return verbindung_->leser().zeilenBereich(cursor_, von, anzahl, block);
}

std::vector<Schaden> Recordset::schaeden()
{
    pruefeOffen();
    if (speicher_)
        return {};
    return verbindung_->leser().schaeden(cursor_);
}

}  // namespace Datenzugriff
