#include "Anweisung.h"

#include <QStringList>

namespace Datenzugriff {
namespace {

// Words of Jet's SQL grammar: unbracketed after FROM, Jet refuses them
// ("Select * from Order;" is a syntax error). Names of functions and types
// that are not part of the grammar (Name, Date, Text, Value, Year) work
// unbracketed in Jet and stay allowed here, so no table is hidden that Jet
// would open.
bool reserviert(const QString& wort)
{
    static const QStringList woerter = [] {
        QStringList w{QStringLiteral("ADD"), QStringLiteral("ALL"), QStringLiteral("ALTER"), QStringLiteral("AND"),
                      QStringLiteral("ANY"), QStringLiteral("AS"), QStringLiteral("ASC"), QStringLiteral("BETWEEN"),
                      QStringLiteral("BY"), QStringLiteral("COLUMN"), QStringLiteral("CONSTRAINT"), QStringLiteral("CREATE"),
                      QStringLiteral("DELETE"), QStringLiteral("DESC"), QStringLiteral("DISALLOW"), QStringLiteral("DISTINCT"),
                      QStringLiteral("DISTINCTROW"), QStringLiteral("DROP"), QStringLiteral("EQV"), QStringLiteral("EXISTS"),
                      QStringLiteral("FALSE"), QStringLiteral("FOREIGN"), QStringLiteral("FROM"), QStringLiteral("GROUP"),
                      QStringLiteral("HAVING"), QStringLiteral("IGNORE"), QStringLiteral("IMP"), QStringLiteral("IN"),
                      QStringLiteral("INDEX"), QStringLiteral("INNER"), QStringLiteral("INSERT"), QStringLiteral("INTO"),
                      QStringLiteral("IS"), QStringLiteral("JOIN"), QStringLiteral("KEY"), QStringLiteral("LEFT"),
                      QStringLiteral("LIKE"), QStringLiteral("MOD"), QStringLiteral("NOT"), QStringLiteral("NULL"),
                      QStringLiteral("ON"), QStringLiteral("OR"), QStringLiteral("ORDER"), QStringLiteral("OUTER"),
                      QStringLiteral("OWNERACCESS"), QStringLiteral("PARAMETERS"), QStringLiteral("PERCENT"),
                      QStringLiteral("PIVOT"), QStringLiteral("PRIMARY"), QStringLiteral("PROCEDURE"),
                      QStringLiteral("REFERENCES"), QStringLiteral("RIGHT"), QStringLiteral("SELECT"), QStringLiteral("SET"),
                      QStringLiteral("SOME"), QStringLiteral("TABLE"), QStringLiteral("TOP"), QStringLiteral("TRANSFORM"),
                      QStringLiteral("TRUE"), QStringLiteral("UNION"), QStringLiteral("UNIQUE"), QStringLiteral("UPDATE"),
                      QStringLiteral("VALUES"), QStringLiteral("WHERE"), QStringLiteral("WITH"), QStringLiteral("XOR")};
        return w;
    }();
    return woerter.contains(wort, Qt::CaseInsensitive);
}

class Zerleger {
public:
    explicit Zerleger(const QString& s) : s_(s) {}

    void blanks() { while (i_ < s_.size() && s_[i_].isSpace()) ++i_; }
    bool pflichtBlanks()
    {
        const qsizetype vorher = i_;
        blanks();
        return i_ > vorher;
    }
    bool wort(QLatin1String w)
    {
        if (s_.mid(i_, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        // The keyword must end here: "fromX" is not "from".
        const qsizetype nach = i_ + w.size();
        if (nach < s_.size() && (s_[nach].isLetterOrNumber() || s_[nach] == u'_'))
            return false;
        i_ = nach;
        return true;
    }
    bool zeichen(QChar c)
    {
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    std::optional<QString> klammerName()
    {
        if (!zeichen(u'['))
            return std::nullopt;
        const qsizetype ende = s_.indexOf(u']', i_);
        if (ende < 0)
            return std::nullopt;
        QString name = s_.mid(i_, ende - i_);
        i_ = ende + 1;
        if (name.isEmpty() || name.contains(u'['))
            return std::nullopt;
        return name;
    }
    std::optional<QString> freierName()
    {
        const qsizetype anfang = i_;
        while (i_ < s_.size()) {
            const QChar c = s_[i_];
            if (c.isLetterOrNumber() || c == u'_' || c == u'~' || c == u'$' || c == u'#' || c == u'@')
                ++i_;
            else
                break;
        }
        if (i_ == anfang || s_[anfang].isDigit())
            return std::nullopt;
        QString name = s_.mid(anfang, i_ - anfang);
        if (reserviert(name))
            return std::nullopt;
        return name;
    }
    bool naechstes(QChar c) const { return i_ < s_.size() && s_[i_] == c; }
    qsizetype position() const { return i_; }
    void zurueck(qsizetype p) { i_ = p; }
    bool amEnde() const { return i_ == s_.size(); }

private:
    const QString& s_;
    qsizetype i_ = 0;
};

}  // namespace

std::optional<Anweisung> anweisungLesen(const QString& sql)
{
    Zerleger l(sql);
    Anweisung a;
    l.blanks();
    if (!l.wort(QLatin1String("select")) || !l.pflichtBlanks())
        return std::nullopt;
    if (l.zeichen(u'*')) {
        a.alleFelder = true;
    } else {
        a.alleFelder = false;
        while (true) {
            auto feld = l.klammerName();
            if (!feld)
                return std::nullopt;
            a.felder.push_back(*feld);
            const qsizetype vorKomma = l.position();
            l.blanks();
            if (!l.zeichen(u',')) {
                l.zurueck(vorKomma);
                break;
            }
            l.blanks();
        }
    }
    if (!l.pflichtBlanks() || !l.wort(QLatin1String("from")) || !l.pflichtBlanks())
        return std::nullopt;
    auto tabelle = l.naechstes(u'[') ? l.klammerName() : l.freierName();
    if (!tabelle)
        return std::nullopt;
    a.tabelle = *tabelle;
    l.blanks();
    if (!l.zeichen(u';'))
        return std::nullopt;
    l.blanks();
    if (!l.amEnde())
        return std::nullopt;
    return a;
}

QString alleFelderAnweisung(const QString& tabelle)
{
    return QStringLiteral("Select * from [") + tabelle + QStringLiteral("];");
}

QString dateiAusVerbindungstext(const QString& text)
{
    qsizetype anfang = -1;
    for (qsizetype i = text.indexOf(QLatin1String("DBQ="), 0, Qt::CaseInsensitive); i >= 0;
         i = text.indexOf(QLatin1String("DBQ="), i + 1, Qt::CaseInsensitive)) {
        if (i == 0 || text[i - 1] == u';' || text[i - 1] == u'=' || text[i - 1].isSpace()) {
            anfang = i + 4;
            break;
        }
    }
    if (anfang < 0)
        return {};
    qsizetype ende = text.indexOf(QLatin1String(";DefaultDir="), anfang, Qt::CaseInsensitive);
    if (ende < 0)
        ende = text.indexOf(u';', anfang);
    if (ende < 0)
        ende = text.size();
    return text.mid(anfang, ende - anfang);
}

}  // namespace Datenzugriff
