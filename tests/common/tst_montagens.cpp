// Where drive a: lies when TAVO_DRIVE_A is not set: the stand-in folder, or
// the first removable medium in mount order.
#include "common/plataforma/PlataformaMontagens.h"

#include "support/AmbienteTeste.h"

#include <QDir>
#include <QTest>

class TstMontagens : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Montagens::simula(std::nullopt); }

    void midiaRemovivelEhAPrimeiraMontadaSobMedia()
    {
        const auto midia = [](const QStringList &pontos) {
            return Montagens::midiaRemovivel(pontos, QStringLiteral("ana"));
        };
        QCOMPARE(midia({QStringLiteral("/"), QStringLiteral("/mnt/PEN"), QStringLiteral("/media"),
                        QStringLiteral("/media/ana/PEN/sub"), QStringLiteral("/media/bia/PEN"),
                        QStringLiteral("/run/media/ana")}),
                 QString());
        QCOMPARE(midia({QStringLiteral("/"), QStringLiteral("/run/media/ana/PEN 8GB")}),
                 QStringLiteral("/run/media/ana/PEN 8GB"));
        QCOMPARE(midia({QStringLiteral("/media/ana/ZETA"), QStringLiteral("/media/ALFA/")}),
                 QStringLiteral("/media/ana/ZETA"));
        QCOMPARE(midia({QStringLiteral("/media/ALFA/"), QStringLiteral("/media/ana/ZETA")}),
                 QStringLiteral("/media/ALFA"));
    }

    void driveAEhAPastaSubstitutaOuAMidia()
    {
        AmbienteTeste ambiente(false);
        const QString midia = QStringLiteral("/media/") + Montagens::usuario() + QStringLiteral("/PEN");
        // Linux: the mount table, / first; Windows: the removable drives.
        const bool comLetras = !Montagens::raizDaUnidade(QLatin1Char('c')).isEmpty();
        Montagens::simula(comLetras ? QStringList{midia} : QStringList{QStringLiteral("/"), midia});
        QVERIFY(instalacaoAtual().disquete().presente);
        QCOMPARE(instalacaoAtual().local(QStringLiteral("a:\\X.001")), midia + QStringLiteral("/X.001"));
        // The stand-in folder, once it exists, comes before any medium.
        QVERIFY(QDir().mkpath(ambiente.raiz() + QStringLiteral("/drives/a")));
        QCOMPARE(instalacaoAtual().local(QStringLiteral("a:\\X.001")),
                 ambiente.raiz() + QStringLiteral("/drives/a/X.001"));
    }
};

QTEST_GUILESS_MAIN(TstMontagens)
#include "tst_montagens.moc"
