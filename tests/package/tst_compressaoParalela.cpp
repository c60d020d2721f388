// The parallel deflate of the package's entry: one valid stream whatever the
// cut, the number of workers or the input; its CRC, progress and memory.
#include "package/CompressaoParalela.h"
#include "support/Auxiliares.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <optional>
#include <zlib.h>

namespace {

constexpr qint64 kBloco = 64 * 1024;
using Falha = CompressaoParalela::Falha;

// Words, as a database's text columns hold them: compresses about 4 to 1.
QByteArray texto(qint64 tamanho, quint32 semente)
{
    static const char *const palavras[] = {"MARIA ", "SILVA ", "RUA DAS FLORES, ", "MATEMÁTICA ", "7,5;", "CENTRO\n"};
    QRandomGenerator gerador(semente);
    QByteArray dados;
    while (dados.size() < tamanho)
        dados += palavras[gerador.bounded(6)] + QByteArray::number(gerador.bounded(1000));
    dados.truncate(tamanho);
    return dados;
}

// Hands out `dados` at most `passo` bytes a call; fails with EIO at `falhaEm`.
CompressaoParalela::Leitor leitorDe(const QByteArray &dados, qint64 passo, qint64 falhaEm = -1)
{
    return [&dados, passo, falhaEm, pos = qint64(0)](char *destino, qint64 maximo, int &erro) mutable -> qint64 {
        if (falhaEm >= 0 && pos >= falhaEm) {
            erro = EIO;
            return -1;
        }
        const qint64 n = std::min({maximo, passo, dados.size() - pos});
        std::memcpy(destino, dados.constData() + pos, size_t(n));
        pos += n;
        return n;
    };
}

// The whole stream; each block's progress appended to `progresso`.
QByteArray esgota(CompressaoParalela &compressao, QList<qint64> *progresso = nullptr)
{
    QByteArray fluxo;
    char buffer[8192];
    qint64 n;
    while ((n = compressao.le(buffer, sizeof buffer)) > 0) {
        fluxo.append(buffer, n);
        if (progresso)
            progresso->append(compressao.entradaEntregue());
    }
    return n == 0 ? fluxo : QByteArray();
}

// zlib's inflate of a raw stream: the data, or nothing unless the stream is
// one complete stream of exactly these bytes.
std::optional<QByteArray> infla(const QByteArray &fluxo, qint64 tamanho)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    QByteArray dados(tamanho + 1, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(fluxo.constData()));
    z.avail_in = uInt(fluxo.size());
    z.next_out = reinterpret_cast<Bytef *>(dados.data());
    z.avail_out = uInt(dados.size());
    const int r = inflate(&z, Z_FINISH);
    const bool inteiro = r == Z_STREAM_END && z.avail_in == 0 && qint64(z.total_out) == tamanho;
    inflateEnd(&z);
    return inteiro ? std::optional(dados.left(tamanho)) : std::nullopt;
}

quint32 crcDe(const QByteArray &dados)
{
    return quint32(crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(dados.constData()), dados.size()));
}

} // namespace

class TstCompressaoParalela : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void umFluxoSoEmQualquerCorte_data()
    {
        QTest::addColumn<QByteArray>("dados");
        QTest::addColumn<qint64>("bloco");
        QTest::addColumn<qint64>("passo"); // bytes the reader gives per call
        QTest::newRow("vazio") << QByteArray() << kBloco << kBloco;
        QTest::newRow("um byte") << QByteArray("x") << kBloco << kBloco;
        QTest::newRow("um bloco") << texto(kBloco, 1) << kBloco << kBloco + 1;
        QTest::newRow("um bloco menos um") << texto(kBloco - 1, 2) << kBloco << kBloco;
        QTest::newRow("um bloco mais um") << texto(kBloco + 1, 3) << kBloco << qint64(1000);
        QTest::newRow("muitos blocos") << texto(37 * kBloco + 123, 4) << kBloco << qint64(7777);
        QTest::newRow("incompressivel") << aleatorio(5 * kBloco + 7, 5) << kBloco << kBloco;
        QTest::newRow("blocos menores que a janela") << texto(300000, 6) << qint64(1000) << qint64(4096);
    }

    void umFluxoSoEmQualquerCorte()
    {
        QFETCH(QByteArray, dados);
        QFETCH(qint64, bloco);
        QFETCH(qint64, passo);
        QByteArray primeiro;
        for (const int trabalhadores : {1, 2, 4}) {
            CompressaoParalela compressao(leitorDe(dados, passo), {3, bloco, trabalhadores});
            QList<qint64> progresso;
            const QByteArray fluxo = esgota(compressao, &progresso);
            QVERIFY(compressao.concluida());
            QVERIFY2(infla(fluxo, dados.size()) == dados, qPrintable(QString::number(trabalhadores)));
            QCOMPARE(compressao.crc(), crcDe(dados));
            QCOMPARE(compressao.tamanhoEntrada(), dados.size());
            QCOMPARE(compressao.tamanhoSaida(), fluxo.size());
            QVERIFY(std::is_sorted(progresso.begin(), progresso.end()));
            QCOMPARE(progresso.last(), dados.size());
            QVERIFY(compressao.maximoBlocosRetidos() <= 2 * trabalhadores + (trabalhadores > 1 ? 4 : 0));
            // The same bytes on any machine.
            if (primeiro.isNull())
                primeiro = fluxo;
            QVERIFY(fluxo == primeiro);
        }
    }

    void tamanhoDeUmaCorrenteSo()
    {
        // Cut every 32 KiB: without the dictionary each block would start
        // with nothing to refer to and the stream would grow by about a tenth.
        const QByteArray dados = texto(2 << 20, 7);
        CompressaoParalela compressao(leitorDe(dados, kBloco), {3, 32 * 1024, 2});
        const qint64 paralelo = esgota(compressao).size();
        z_stream z{};
        QCOMPARE(deflateInit2(&z, 3, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
        QByteArray unico(qint64(deflateBound(&z, uLong(dados.size()))), Qt::Uninitialized);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(dados.constData()));
        z.avail_in = uInt(dados.size());
        z.next_out = reinterpret_cast<Bytef *>(unico.data());
        z.avail_out = uInt(unico.size());
        QCOMPARE(deflate(&z, Z_FINISH), Z_STREAM_END);
        const qint64 umSo = qint64(z.total_out);
        deflateEnd(&z);
        QVERIFY2(paralelo <= umSo * 101 / 100, qPrintable(QStringLiteral("%1 / %2").arg(paralelo).arg(umSo)));
    }

    void falhaDeLeituraParaOFluxo_data()
    {
        QTest::addColumn<int>("trabalhadores");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("4") << 4;
    }

    void falhaDeLeituraParaOFluxo()
    {
        QFETCH(int, trabalhadores);
        const QByteArray dados = texto(20 * kBloco, 8);
        CompressaoParalela compressao(leitorDe(dados, 4096, 7 * kBloco + 5), {3, kBloco, trabalhadores});
        QVERIFY(esgota(compressao).isNull());
        QCOMPARE(compressao.falha(), Falha::Leitura);
        QCOMPARE(compressao.codigoFalha(), EIO);
        char byte;
        QCOMPARE(compressao.le(&byte, 1), -1);
        QVERIFY(!compressao.concluida());
        QVERIFY(compressao.entradaEntregue() <= 7 * kBloco);
    }

    void memoriaLimitadaEmEntradaGrande()
    {
        // 256 MiB made up on the fly: the input is never whole in memory,
        // so whatever the process holds more is the compressor's.
        constexpr qint64 kTotal = qint64(256) << 20;
        const QByteArray amostra = texto(1 << 20, 9);
        quint32 crc = quint32(crc32(0, nullptr, 0));
        qint64 pos = 0;
        QElapsedTimer relogio;
        relogio.start();
        const auto gerador = [&](char *destino, qint64 maximo, int &erro) -> qint64 {
            if (relogio.elapsed() > 120000) { // a bound for a slow machine: fails instead of hanging
                erro = ETIMEDOUT;
                return -1;
            }
            const qint64 n = std::min({maximo, kTotal - pos, amostra.size() - pos % amostra.size()});
            std::memcpy(destino, amostra.constData() + pos % amostra.size(), size_t(n));
            crc = quint32(crc32_z(crc, reinterpret_cast<const Bytef *>(destino), size_t(n)));
            pos += n;
            return n;
        };
        const long antes = memoria("VmRSS:");
        QFile picos(QStringLiteral("/proc/self/clear_refs")); // "5" resets the peak (VmHWM) to the current size
        const bool zerado = picos.open(QIODevice::WriteOnly) && picos.write("5") == 1;
        picos.close();
        CompressaoParalela compressao(gerador, {3, CompressaoParalela::kBlocoPadrao, 2});
        char buffer[65536];
        qint64 saida = 0, n;
        while ((n = compressao.le(buffer, sizeof buffer)) > 0)
            saida += n;
        QCOMPARE(n, 0);
        QCOMPARE(compressao.tamanhoEntrada(), kTotal);
        QCOMPARE(compressao.crc(), crc);
        QVERIFY(compressao.maximoBlocosRetidos() <= 2 * 2 + 4);
        const long acrescimoKB = memoria("VmHWM:") - antes;
        qInfo("%lld MiB in %lld ms, peak +%ld KiB (peak %s)", kTotal >> 20, relogio.elapsed(), acrescimoKB,
              zerado ? "reset" : "not reset");
        QVERIFY2(acrescimoKB < 32 * 1024, qPrintable(QString::number(acrescimoKB)));
    }

private:
    // A "VmRSS:"-like line of /proc/self/status, in KiB.
    static long memoria(const char *chave)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &linha : status.readAll().split('\n')) {
            if (linha.startsWith(chave))
                return linha.mid(int(qstrlen(chave))).trimmed().split(' ').first().toLong();
        }
        return 0;
    }
};

QTEST_GUILESS_MAIN(TstCompressaoParalela)
#include "tst_compressaoParalela.moc"
