#include "Uebersetzung.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Qt's standard texts in German once the program has loaded them, whatever
// the user's locale (main sets C), and a missing catalogue said so.
TEST(QtTexte, DeutschWennDerKatalogDaIst)
{
    QTemporaryDir leer;
    EXPECT_FALSE(Plattform::qtTexteLaden(*qApp, leer.path()));
    ASSERT_TRUE(Plattform::qtTexteLaden(*qApp)) << "qtbase_de.qm fehlt (Paket qt6-translations-l10n)";
    EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C");  // the catalogue must not depend on the user's locale
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
