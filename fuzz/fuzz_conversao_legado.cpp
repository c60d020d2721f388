// The former client's local database, damaged, through the conversion: the
// input picks one of the two sound files of the former client and the damage
// done to it, page by page as disks and copies damage files (a page zeroed,
// a page of noise, the file cut at any byte). Whatever the damage, the
// conversion either refuses, leaving the file byte for byte as it was and
// nothing else in the folder, or converts every table with exactly the rows
// of the sound file, the damaged file kept as the backup. A conversion with
// a row missing, changed or added, however plausible, is the fault.
//
// Noise comes from a generator seeded by the input, not from the input
// itself: a page the fuzzer wrote byte by byte could be a sound page with
// other values, which no reader can tell from the original.
#include "PastaFuzz.h"

#include "common/Instalacao.h"
#include "store/ConversaoBancoLocal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

using PastaFuzz::falha;

constexpr qsizetype kPagina = 4096;
constexpr int kMaximoDanos = 8;

const char *const kFixtures[] = {"legado_uploadcliente_antigo.mdb", "legado_uploadcliente_novo.mdb"};

QByteArray le(const QString &caminho)
{
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::ReadOnly))
        falha("não foi possível ler", caminho);
    return arquivo.readAll();
}

void grava(const QString &caminho, const QByteArray &dados)
{
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate) || arquivo.write(dados) != dados.size())
        falha("não foi possível gravar", caminho);
}

// Every row of the program's three tables, in order, as text.
QStringList linhas(const QString &banco)
{
    const QString nome = QUuid::createUuid().toString();
    QStringList todas;
    {
        QSqlDatabase conexao = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
        conexao.setDatabaseName(banco);
        conexao.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!conexao.open())
            falha("o banco convertido não abre", banco);
        for (const char *tabela : {"configuracao", "Historico", "ACE_ESTRUT_ORGN"}) {
            QSqlQuery consulta(conexao);
            if (!consulta.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(tabela))))
                falha("tabela ausente na conversão", QLatin1String(tabela));
            while (consulta.next()) {
                QStringList valores{QLatin1String(tabela)};
                for (int c = 0; c < consulta.record().count(); ++c)
                    valores.append(consulta.value(c).isNull() ? QStringLiteral("<nulo>")
                                                              : consulta.value(c).toString());
                todas.append(valores.join(QLatin1Char('|')));
            }
        }
    }
    QSqlDatabase::removeDatabase(nome);
    return todas;
}

struct Fixture
{
    QByteArray bytes;
    QStringList linhas;
};

// The sound files and the rows their conversion gives.
// The regional offices the installation gives a table rebuilt from the template.
const QList<EscritorioRegional> &escritorios()
{
    static const QList<EscritorioRegional> lista = escritoriosRegionais(Instalacao::carrega());
    return lista;
}

const Fixture &fixture(int indice)
{
    static const std::array<Fixture, 2> fixtures = [] {
        std::array<Fixture, 2> lidas;
        for (int i = 0; i < 2; ++i) {
            const QString pasta = PastaFuzz::raiz() + QStringLiteral("/sadio");
            QDir(pasta).removeRecursively();
            QDir().mkpath(pasta);
            const QString banco = pasta + QStringLiteral("/UploadCliente.mdb");
            lidas[i].bytes = le(QStringLiteral(TAVO_DADOS_TESTE "/") + QLatin1String(kFixtures[i]));
            grava(banco, lidas[i].bytes);
            if (converteBancoLocal(banco, escritorios()).fim != ResultadoConversao::Fim::Convertido)
                falha("o arquivo sadio não se converte", QLatin1String(kFixtures[i]));
            lidas[i].linhas = linhas(banco);
            QDir(pasta).removeRecursively();
        }
        return lidas;
    }();
    return fixtures[static_cast<std::size_t>(indice)];
}

std::uint32_t u32(const std::uint8_t *dados)
{
    std::uint32_t valor;
    std::memcpy(&valor, dados, sizeof valor);
    return valor;
}

// Each damage is five bytes: what (zero a page, noise on a page, cut the
// file) and a number (the page, the noise's seed and page, the length).
QByteArray danifica(QByteArray arquivo, const std::uint8_t *dados, std::size_t tamanho)
{
    for (int n = 0; tamanho >= 5 && n < kMaximoDanos; ++n, dados += 5, tamanho -= 5) {
        const std::uint32_t numero = u32(dados + 1);
        const qsizetype paginas = (arquivo.size() + kPagina - 1) / kPagina;
        switch (dados[0] % 3) {
        case 0:
        case 1: {
            if (paginas == 0)
                break;
            const qsizetype pagina = static_cast<qsizetype>(numero % static_cast<std::uint32_t>(paginas));
            const qsizetype inicio = pagina * kPagina;
            const qsizetype fim = std::min(inicio + kPagina, arquivo.size());
            std::mt19937 ruido(numero);
            for (qsizetype i = inicio; i < fim; ++i)
                arquivo[i] = dados[0] % 3 == 0 ? '\0' : static_cast<char>(ruido() & 0xff);
            break;
        }
        default:
            arquivo.truncate(static_cast<qsizetype>(numero % static_cast<std::uint32_t>(arquivo.size() + 1)));
            break;
        }
    }
    return arquivo;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication aplicacao(*argc, *argv);
    if (qEnvironmentVariableIsEmpty("TAVO_LEITOR_JET"))
        qputenv("TAVO_LEITOR_JET", TAVO_LEITOR_JET_CONSTRUIDO);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *dados, std::size_t tamanho)
{
    if (tamanho < 1)
        return 0;
    const Fixture &sadio = fixture(dados[0] & 1);
    const QByteArray danificado = danifica(sadio.bytes, dados + 1, tamanho - 1);

    const QString pasta = PastaFuzz::raiz() + QStringLiteral("/conversao");
    QDir(pasta).removeRecursively();
    if (!QDir().mkpath(pasta))
        falha("não foi possível criar a pasta");
    const QString banco = pasta + QStringLiteral("/UploadCliente.mdb");
    grava(banco, danificado);

    const ResultadoConversao resultado = converteBancoLocal(banco, escritorios());
    const QStringList restantes = PastaFuzz::listagem(pasta);
    switch (resultado.fim) {
    case ResultadoConversao::Fim::Convertido:
        if (linhas(banco) != sadio.linhas)
            falha("convertido com linhas diferentes das do arquivo sadio");
        if (le(resultado.copia) != danificado)
            falha("a cópia do original não é o arquivo danificado");
        if (restantes.size() != 2)
            falha("sobrou algo na pasta:", restantes.join(QLatin1Char(',')));
        break;
    case ResultadoConversao::Fim::Recusado:
    case ResultadoConversao::Fim::NadaAConverter:
        if (le(banco) != danificado)
            falha("o original recusado foi alterado");
        if (restantes.size() != 1)
            falha("sobrou algo na pasta:", restantes.join(QLatin1Char(',')));
        break;
    }
    return 0;
}
