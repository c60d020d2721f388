#include "package/Pedacos.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "package/ArquivosTrabalho.h"

#include <QFileInfo>
#include <QLocale>

#include <cmath>

namespace {

QString doisDigitos(int valor)
{
    return QStringLiteral("%1").arg(valor, 2, 10, QLatin1Char('0'));
}

// Reads exactly `tamanho` bytes at `posicao`.
QByteArray leTrecho(PlataformaArquivos::Arquivo &arquivo, qint64 posicao, qint64 tamanho, const QString &caminho)
{
    QByteArray dados(tamanho, Qt::Uninitialized);
    qint64 lidos = 0;
    while (lidos < tamanho) {
        qint64 n = 0;
        if (const int codigo = arquivo.leEm(posicao + lidos, dados.data() + lidos, tamanho - lidos, n))
            throw erroDoSistema(codigo, caminho);
        if (n == 0)
            throw ErroTavo(Erros::FalhaArquivo,
                           QStringLiteral("O arquivo mudou de tamanho durante a leitura: ") + caminho);
        lidos += n;
    }
    return dados;
}

} // namespace

QString NomePacote(const QString &codigoEscola, const QDate &data)
{
    return Caminhos::pastaPacotes() + QStringLiteral("DADOS_") + codigoEscola + QLatin1Char('_')
           + doisDigitos(data.day()) + doisDigitos(data.month())
           + QStringLiteral("%1").arg(data.year(), 4, 10, QLatin1Char('0')) + QStringLiteral(".zip");
}

qint64 TamanhoPedaco()
{
    // 1.38 MiB, rounded to whole bytes: 1,447,034.88 → 1,447,035.
    return std::llround(QLocale::c().toDouble(QStringLiteral("1.38")) * 1048576.0);
}

int QuantidadePedacos(qint64 tamanho)
{
    const qint64 pedaco = TamanhoPedaco();
    if (tamanho <= pedaco)
        return 0;
    return static_cast<int>((tamanho + pedaco - 1) / pedaco);
}

QString NomePedaco(const QString &nomePacote, int numero)
{
    return nomePacote + QLatin1Char('.') + QStringLiteral("%1").arg(numero, 3, 10, QLatin1Char('0'));
}

bool EhPedaco(const QString &nome)
{
    if (nome.size() < 3)
        return false;
    for (const QChar c : nome.right(3)) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return false;
    }
    return true;
}

int CortaEmPedacos(const QString &origemLocal, const QString &pastaLocal, const QString &nomeBase,
                   const std::function<void(int numero)> &aCadaPedaco)
{
    const qint64 tamanho = QFileInfo(origemLocal).size();
    const int quantidade = QuantidadePedacos(tamanho);
    if (quantidade == 0)
        return 0;
    PlataformaArquivos::Arquivo origem;
    if (const int codigo = origem.abreLeitura(origemLocal))
        throw erroDoSistema(codigo, origemLocal);

    const qint64 pedaco = TamanhoPedaco();
    for (int k = 0; k < quantidade; ++k) {
        const qint64 posicao = k * pedaco;
        const qint64 nesta = std::min(pedaco, tamanho - posicao);
        GravacaoAtomica saida(pastaLocal + QLatin1Char('/') + NomePedaco(nomeBase, k + 1),
                              GravacaoAtomica::Midia::Trabalho);
        saida.escreve(leTrecho(origem, posicao, nesta, origemLocal));
        saida.conclui();
        if (aCadaPedaco)
            aCadaPedaco(k + 1);
    }
    return quantidade;
}

QString JuntaPedacos(const QString &pastaLocal, const QStringList &pedacos)
{
    if (pedacos.isEmpty())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Nenhuma parte encontrada em ") + pastaLocal);
    if (pedacos.first().size() <= 4)
        throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Nome de parte inválido: ") + pedacos.first());
    const QString nome = pedacos.first().chopped(4);
    GravacaoAtomica saida(pastaLocal + QLatin1Char('/') + nome, GravacaoAtomica::Midia::Trabalho);
    for (const QString &pedaco : pedacos) {
        const qint64 lidos = LeEmBlocos(pastaLocal + QLatin1Char('/') + pedaco,
                                        [&](const char *dados, qint64 tamanho) { saida.escreve(dados, tamanho); });
        if (lidos == 0)
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Parte vazia: ") + pedaco);
    }
    saida.conclui();
    return nome;
}
