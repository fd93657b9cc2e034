// Faults our reader had on real files, each checked on the file that showed
// it (kept in the clone), against what the file's own writer says it holds.

#include "Datenzugriff.h"
#include "MdbExport.h"
#include "Werttext.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Datenzugriff;

namespace {

QString eigeneDatei(const char* name) { return QStringLiteral(ECHTDATEN_EIGEN "/") + QLatin1String(name); }

// "Name precision,scale value" (C locale) of every column of the first row.
QStringList ersteZeile(const QString& datei, const QString& tabelle)
{
    Connection c([] { return erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM)); });
    c.Open(QStringLiteral("DBQ=") + datei + u';');
    Recordset r;
    r.Open(QStringLiteral("Select * from [") + tabelle + QStringLiteral("];"), c, adOpenDynamic, adLockOptimistic);
    const Werttext werttext{QLocale::c()};
    QStringList z;
    for (int i = 0; i < r.fields().Count() && !r.Eof(); ++i) {
        const Field& f = r.fields().Item(i);
        z << QStringLiteral("%1 %2,%3 %4").arg(f.Name()).arg(f.spalte().praezision).arg(f.spalte().skala).arg(werttext.text(f.Value()));
    }
    return z.mid(1);  // col1 is the memo
}

// fixedNumericTestV2000.mdb (Jackcess) has six columns Numeric(18, 0); its
// writer's test reads 1, 0, 0, 4, -1, 1 from them. We took precision and
// scale the wrong way round (libmdb names the two bytes the other way) and
// read 0.000000000000000001 for 1. A copy whose scale bytes of col2 and col6
// are set to 2 and 3 shows that the scale comes from its own byte.
TEST(Lesefehler, DecimalColumnsKeepPrecisionAndScaleApart)
{
    const QString original = eigeneDatei("fixedNumericTestV2000.mdb");
    QStringList erwartet = {"col2 18,0 1", "col3 18,0 0", "col4 18,0 0", "col5 18,0 4", "col6 18,0 -1", "col7 18,0 1"};
    EXPECT_EQ(ersteZeile(original, QStringLiteral("test")), erwartet);

    QTemporaryDir dir;
    const QString kopie = dir.filePath(QStringLiteral("skala.mdb"));
    ASSERT_TRUE(QFile::copy(original, kopie));
    QFile f(kopie);
    ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    // The column entries of table "test" (25 bytes each) start at 0x1a058
    // with col2; byte 11 is the precision, byte 12 the scale.
    for (const auto& [eintrag, skala] : {std::pair{0x1a058, 2}, std::pair{0x1a058 + 4 * 25, 3}}) {
        ASSERT_TRUE(f.seek(eintrag));
        ASSERT_EQ(f.read(13).mid(11), QByteArray("\x12\x00", 2));
        ASSERT_TRUE(f.seek(eintrag + 12));
        ASSERT_TRUE(f.putChar(char(skala)));
    }
    f.close();
    erwartet[0] = QStringLiteral("col2 18,2 0.01");
    erwartet[4] = QStringLiteral("col6 18,3 -0.001");
    EXPECT_EQ(ersteZeile(kopie, QStringLiteral("test")), erwartet);
    // mdb-export reads the copy the same way.
    const auto mdb = Echtdaten::mdbExport(kopie, QStringLiteral("test"));
    ASSERT_EQ(mdb.zeilen.size(), 1u);
    EXPECT_EQ(mdb.zeilen[0][1], QStringLiteral("0.01"));
    EXPECT_EQ(mdb.zeilen[0][5], QStringLiteral("-0.001"));
}

}  // namespace
