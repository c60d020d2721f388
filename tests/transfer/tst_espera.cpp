// The bound of a wait stands still while a message box is open.
#include "common/SuspensaoPrazos.h"
#include "transfer/ControleSocket.h"
#include "transfer/Espera.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <array>
#include <optional>

using namespace std::chrono_literals;

namespace {

// A box open from `abre` to `fecha` milliseconds after the wait began.
struct Abertura
{
    int abre;
    int fecha;
};

} // namespace

Q_DECLARE_METATYPE(QList<Abertura>)

class TstEspera : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void prazoParadoEnquantoHaCaixaAberta_data()
    {
        QTest::addColumn<QList<Abertura>>("aberturas");
        QTest::addColumn<bool>("caixaAntes");
        QTest::addColumn<int>("minimoMs");
        QTest::addColumn<int>("maximoMs");
        // Bound 300 ms; a coarse timer may fire a little early.
        QTest::newRow("no box") << QList<Abertura>{} << false << 250 << 1200;
        // 100 ms run, 600 ms stand still, 200 ms left run after.
        QTest::newRow("a box during the wait") << QList<Abertura>{{100, 700}} << false << 850 << 3000;
        QTest::newRow("a box opened inside another") << QList<Abertura>{{100, 700}, {200, 400}} << false << 850 << 3000;
        // The wait runs inside that box (closed at 1.5 s): it keeps its bound.
        QTest::newRow("a box already open when the wait began") << QList<Abertura>{} << true << 250 << 1200;
    }
    void prazoParadoEnquantoHaCaixaAberta()
    {
        QFETCH(QList<Abertura>, aberturas);
        QFETCH(bool, caixaAntes);
        QFETCH(int, minimoMs);
        QFETCH(int, maximoMs);

        ControleSocket socket;
        Espera espera(socket, [] { return false; });
        std::optional<SuspensaoPrazos::Suspensao> anterior;
        if (caixaAntes)
            anterior.emplace();
        std::array<std::optional<SuspensaoPrazos::Suspensao>, 2> caixas;
        QObject contexto;
        QTimer::singleShot(1500, &contexto, [&anterior] { anterior.reset(); });
        for (int i = 0; i < aberturas.size(); ++i) {
            QTimer::singleShot(aberturas[i].abre, &contexto, [&caixas, i] { caixas[i].emplace(); });
            QTimer::singleShot(aberturas[i].fecha, &contexto, [&caixas, i] { caixas[i].reset(); });
        }

        QElapsedTimer relogio;
        relogio.start();
        const FimEspera fim = espera.ate([] { return false; }, 300ms, Espera::Modo::Conexao);
        const qint64 decorrido = relogio.elapsed();

        QCOMPARE(fim, FimEspera::Esgotada);
        QVERIFY2(decorrido >= minimoMs && decorrido < maximoMs, qPrintable(QString::number(decorrido)));
        QCOMPARE(SuspensaoPrazos::nivel(), caixaAntes ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TstEspera)
#include "tst_espera.moc"
