// A damaged Jet file whose long values loop: each row reads its value again
// and again through a chain of pages that points back to itself. The reader
// must stop it with the ordinary "cannot read" error, quickly and without
// taking the program's memory, not read hundreds of megabytes and go on.
#include "common/Erro.h"
#include "store/Banco.h"
#include "support/SistemaTeste.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

constexpr int kPagina = 4096;

void gravaU16(QByteArray &d, qsizetype onde, quint16 v)
{
    qToLittleEndian(v, d.data() + onde);
}
void gravaU32(QByteArray &d, qsizetype onde, quint32 v)
{
    qToLittleEndian(v, d.data() + onde);
}
quint32 leU32(const QByteArray &d, qsizetype onde)
{
    return qFromLittleEndian<quint32>(d.constData() + onde);
}

// Built from escola_uma.mdb, whose table Escola_local has its definition on
// page 28 (first column, Escola, a text), its one row on page 30 and its
// usage map in row 0 of page 29. Escola becomes a long value (memo) whose
// pointer leads to a page whose one row chains to itself; `paginas` data
// pages with 59 copies of that row each are added, and the usage map lists
// them. Each row then reads as half a megabyte of text.
QByteArray jetComValoresEmLaco(QByteArray d, int paginas)
{
    const qsizetype definicao = 28 * kPagina;
    if (d.size() != 60 * kPagina || d.at(definicao) != 2 || d.at(definicao + 63) != 0x0a
        || leU32(d, 30 * kPagina + 4) != 28 || leU32(d, definicao + 55) != ((29u << 8) | 0))
        return {};
    d[definicao + 63] = 0x0c;

    // The page of long values: one row of the whole page, pointing to itself.
    const quint32 paginaLonga = static_cast<quint32>(d.size() / kPagina);
    QByteArray longa(kPagina, '\0');
    longa[0] = 1;
    longa[1] = 1;
    longa.replace(4, 4, "LVAL");
    gravaU16(longa, 12, 1);
    gravaU16(longa, 14, 16);
    gravaU32(longa, 16, paginaLonga << 8);
    for (int i = 20; i + 1 < kPagina; i += 2)
        longa[i] = 'A';
    const quint32 tamanhoValor = (kPagina - 20) * 257; // under 16 MB: a chain of pages

    // The row: the value of Escola (6 bytes in) becomes the long value's pointer.
    QByteArray linha = d.mid(30 * kPagina + 0xfbd, 67);
    gravaU32(linha, 6, tamanhoValor);
    gravaU32(linha, 10, paginaLonga << 8);
    gravaU32(linha, 14, 0);
    QByteArray dadosPagina(kPagina, '\0');
    dadosPagina[0] = 1;
    dadosPagina[1] = 1;
    gravaU32(dadosPagina, 4, 28);
    constexpr int linhas = 59;
    gravaU16(dadosPagina, 12, linhas);
    int fim = kPagina;
    for (int k = 0; k < linhas; ++k) {
        fim -= static_cast<int>(linha.size());
        dadosPagina.replace(fim, linha.size(), linha);
        gravaU16(dadosPagina, 14 + 2 * k, static_cast<quint16>(fim));
    }
    gravaU16(dadosPagina, 2, static_cast<quint16>(fim - (14 + 2 * linhas)));

    // The usage map, inline: the added data pages, one bit each.
    const qsizetype mapa = 29 * kPagina + 0xfbb;
    d.replace(mapa, 69, QByteArray(69, '\0'));
    gravaU32(d, mapa + 1, paginaLonga + 1);
    for (int b = 0; b < paginas; ++b)
        d[mapa + 5 + b / 8] = static_cast<char>(d.at(mapa + 5 + b / 8) | (1 << (b % 8)));

    d.append(longa);
    for (int k = 0; k < paginas; ++k)
        d.append(dadosPagina);
    return d;
}

} // namespace

class TstJetDanificado : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valoresLongosEmLacoSaoErroComumESemEsgotarMemoria()
    {
        QFile original(QStringLiteral(TAVO_TEST_DATA "/escola_uma.mdb"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        // 16 pages: read whole, 16 x 59 rows of half a megabyte, about 500 MB.
        const QByteArray bomba = jetComValoresEmLaco(original.readAll(), 16);
        QVERIFY2(!bomba.isEmpty(), "escola_uma.mdb is not laid out as this test expects");
        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        const QString caminho = pasta.filePath(QStringLiteral("escola.mdb"));
        QFile arquivo(caminho);
        QVERIFY(arquivo.open(QIODevice::WriteOnly));
        QCOMPARE(arquivo.write(bomba), bomba.size());
        arquivo.close();

        const long memoriaAntes = SistemaTeste::picoMemoriaKb();
        QElapsedTimer relogio;
        relogio.start();
        SessaoBanco sessao(caminho);
        try {
            sessao.Consulta.abre(QStringLiteral("SELECT Escola FROM Escola_local"));
            QFAIL("the looping long values were read as data");
        } catch (const ErroTavo &erro) {
            QCOMPARE(erro.numero(), Erros::FalhaBanco);
            QCOMPARE(erro.tipo(), ErroTavo::Tipo::FormatoBancoDesconhecido);
            QVERIFY2(erro.descricao().contains(QStringLiteral("danificado")), qPrintable(erro.descricao()));
        }
        sessao.fecha();
        // Well inside the reader's time bound (two minutes), and with a
        // bounded share of memory (the limit for this file is about 36 MB).
        QVERIFY2(relogio.elapsed() < 60 * 1000, qPrintable(QString::number(relogio.elapsed())));
        QVERIFY2(SistemaTeste::picoMemoriaKb() - memoriaAntes < 200 * 1024,
                 qPrintable(QString::number(SistemaTeste::picoMemoriaKb() - memoriaAntes)));

        // The sound file it came from still reads.
        SessaoBanco inteiro(original.fileName());
        inteiro.Consulta.abre(QStringLiteral("SELECT Escola FROM Escola_local"));
        QVERIFY(!inteiro.Consulta.fim());
        QCOMPARE(inteiro.Consulta.texto(QStringLiteral("Escola")).trimmed(),
                 QStringLiteral("escola estadual joão e maria"));
        inteiro.fecha();
    }
};

QTEST_GUILESS_MAIN(TstJetDanificado)
#include "tst_jetDanificado.moc"
