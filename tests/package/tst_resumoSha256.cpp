// The package's digest: the processor's SHA instructions give what
// QCryptographicHash gives, whatever the pieces the bytes come in.
#include "package/ResumoSha256.h"

#include "support/Auxiliares.h"

#include <QCryptographicHash>
#include <QTest>

namespace {

QByteArray emPedacos(const QByteArray &dados, const QList<qint64> &pedacos, bool instrucoes)
{
    ResumoSha256 resumo(instrucoes);
    qint64 feitos = 0;
    for (qsizetype i = 0; feitos < dados.size(); ++i) {
        const qint64 n = qMin(pedacos.at(i % pedacos.size()), dados.size() - feitos);
        resumo.acrescenta(dados.constData() + feitos, n);
        feitos += n;
    }
    return resumo.resultado();
}

// The same, digested on the other thread from a ring of two buffers, each
// refilled only once its digest is done, as a send does.
QByteArray emParalelo(const QByteArray &dados, const QList<qint64> &pedacos)
{
    QByteArray anel[2];
    ResumoParalelo resumo;
    qint64 feitos = 0;
    for (qint64 i = 0; feitos < dados.size(); ++i) {
        const qint64 n = qMin(pedacos.at(i % pedacos.size()), dados.size() - feitos);
        if (i >= 2)
            resumo.aguarda(i - 2);
        QByteArray &bloco = anel[i % 2];
        bloco = dados.mid(feitos, n);
        if (resumo.acrescenta(bloco.constData(), n) != i)
            return {}; // numbered out of order
        feitos += n;
    }
    return resumo.resultado();
}

} // namespace

class TstResumoSha256 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resumoConhecido()
    {
        for (const bool instrucoes : {false, true}) {
            ResumoSha256 resumo(instrucoes);
            resumo.acrescenta("abc", 3);
            QCOMPARE(resumo.resultado().toHex(),
                     QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
        }
    }

    // Every length around the 56 bytes where the length no longer fits in
    // the last block, and pieces that split blocks anywhere.
    void igualAoDoQtEmQualquerTamanhoEPedaco_data()
    {
        QTest::addColumn<qint64>("tamanho");
        QTest::addColumn<QList<qint64>>("pedacos");
        for (qint64 tamanho = 0; tamanho <= 130; ++tamanho)
            QTest::addRow("%lld bytes", tamanho) << tamanho << QList<qint64>{tamanho + 1};
        QTest::newRow("1 MiB + 7, de 1 em 1 e de 63 em 63") << qint64((1 << 20) + 7) << QList<qint64>{1, 63, 64, 1000};
        QTest::newRow("3 MiB de uma vez") << qint64(3 << 20) << QList<qint64>{3 << 20};
    }
    void igualAoDoQtEmQualquerTamanhoEPedaco()
    {
        QFETCH(qint64, tamanho);
        QFETCH(QList<qint64>, pedacos);
        if (!ResumoSha256::instrucoesDisponiveis())
            QSKIP("this processor has no SHA instructions: only QCryptographicHash is used");
        const QByteArray dados = aleatorio(tamanho, quint32(tamanho));
        const QByteArray esperado = QCryptographicHash::hash(dados, QCryptographicHash::Sha256);
        QCOMPARE(emPedacos(dados, pedacos, true).toHex(), esperado.toHex());
        QCOMPARE(emPedacos(dados, pedacos, false).toHex(), esperado.toHex());
        QCOMPARE(emParalelo(dados, pedacos).toHex(), esperado.toHex());
    }
};

QTEST_GUILESS_MAIN(TstResumoSha256)
#include "tst_resumoSha256.moc"
