// Qt's standard texts in German once the program has loaded them.

#include "Uebersetzung.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString knopftext(QDialogButtonBox::StandardButton knopf)
{
    QDialogButtonBox box(knopf);
    return box.button(knopf)->text();
}

TEST(QtTexte, FehlendeUebersetzungLaesstDieStandardtexte)
{
    QTemporaryDir leer;
    EXPECT_FALSE(Plattform::qtTexteLaden(*qApp, leer.path()));
    EXPECT_EQ(knopftext(QDialogButtonBox::Cancel), QStringLiteral("Cancel"));
}

TEST(QtTexte, StandardknoepfeSindDeutsch)
{
    ASSERT_TRUE(Plattform::qtTexteLaden(*qApp)) << "qtbase_de.qm fehlt (Paket qt6-translations-l10n)";
    EXPECT_EQ(knopftext(QDialogButtonBox::Cancel), QStringLiteral("Abbrechen"));
    EXPECT_EQ(knopftext(QDialogButtonBox::Yes), QStringLiteral("&Ja"));
    EXPECT_EQ(knopftext(QDialogButtonBox::No), QStringLiteral("&Nein"));
    QMessageBox frage(QMessageBox::Critical, QStringLiteral("ZELK-Feldspur"), QStringLiteral("?"),
                      QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(frage.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(frage.button(QMessageBox::Ok)->text(), QStringLiteral("OK"));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
