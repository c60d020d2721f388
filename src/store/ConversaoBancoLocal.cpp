#include "store/ConversaoBancoLocal.h"

#include "common/Log.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "store/Banco.h"
#include "store/BancoJet.h"
#include "store/CompatibilidadeJet.h"
#include "store/LeitorJet.h"
#include "store/Provisionamento.h"
#include "store/ReciboEnvio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

namespace {

// What the names of a conversion under way add to the database's name.
const QString kConvertendo = QStringLiteral(".convertendo");
const QString kCopiando = QStringLiteral(".copiando");

// A file of the conversion that is removed unless it is kept.
class ArquivoProvisorio
{
public:
    explicit ArquivoProvisorio(QString caminho)
        : m_caminho(std::move(caminho))
    {
    }
    ~ArquivoProvisorio()
    {
        if (!m_mantido)
            QFile::remove(m_caminho);
    }
    ArquivoProvisorio(const ArquivoProvisorio &) = delete;
    ArquivoProvisorio &operator=(const ArquivoProvisorio &) = delete;
    void mantem() { m_mantido = true; }

private:
    QString m_caminho;
    bool m_mantido = false;
};

// A name of the folder no other conversion uses, even one that did not
// wait for the lock.
QString nomeProvisorio(const QString &caminho)
{
    return caminho + kConvertendo + QLatin1Char('-')
           + QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, QLatin1Char('0'));
}

void executa(QSqlDatabase &banco, const QString &sql)
{
    QSqlQuery consulta(banco);
    if (!consulta.exec(sql))
        throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
}

// The file's tables stay as the file has them (an old Historico keeps its
// missing column, which the program adds when it first needs it); the
// template adds the triggers that store Historico's day-first dates as ISO
// text, the form the copied dates already have.
void completaEsquema(QSqlDatabase &banco)
{
    for (const QString &comando : comandosDoModelo()) {
        if (!comando.startsWith(QLatin1String("CREATE TABLE"), Qt::CaseInsensitive))
            executa(banco, comando);
    }
    // The former client kept no receipts: the table starts empty.
    ReciboEnvio::garanteTabela(banco);
}

// Reads the table `nome` of the file and writes it into `banco`. A table the
// reader cannot give is told in what is returned; a write that fails raises.
LeituraTabela copiaTabela(const QString &origem, const QString &nome, QSqlDatabase &banco)
{
    LeituraTabela tabela;
    tabela.nome = nome;
    QByteArray exportacao;
    try {
        exportacao = LeitorJet::exporta(origem, {nome});
    } catch (const ErroTavo &erro) {
        qCWarning(lcBanco).noquote() << "Table" << nome << "of" << origem << "not read:" << erro.relato();
        return tabela;
    }
    const TabelaCopiada copiada = copiaTabelasJet(exportacao, 1, banco, origem).first();
    tabela.declaradas = copiada.declaradas;
    tabela.lidas = copiada.linhas;
    tabela.paginasIlegiveis = copiada.paginasIlegiveis;
    return tabela;
}

// A table of the program's the file could not give starts as the template
// has it.
void criaDoModelo(QSqlDatabase &banco, const QString &nome, const QList<EscritorioRegional> &escritorios)
{
    executa(banco, comandoCriaTabela(nome));
    if (nome.compare(QLatin1String("ACE_ESTRUT_ORGN"), Qt::CaseInsensitive) == 0)
        insereEscritoriosRegionais(banco, escritorios);
}

// Builds the SQLite database at `novo` from the file `origem`: every table
// the file lists (`tabelas`; none when `catalogoLido` is false), then the
// program's own ones it could not give, which are made from the template
// only when `perdas` accepts them (they are part of the loss).
QList<LeituraTabela> constroi(const QString &novo, const QStringList &tabelas, bool catalogoLido, const QString &origem,
                              Perdas perdas, const QList<EscritorioRegional> &escritorios)
{
    const QString nomeConexao = QStringLiteral("tavo-conversao-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::optional<ErroTavo> falha;
    QList<LeituraTabela> lidas;
    {
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomeConexao);
        banco.setDatabaseName(novo);
        try {
            RecusaAtalhoAlheio(novo);
            if (!banco.open())
                throw CompatibilidadeJet::erroDoBanco(banco.lastError());
            for (const QString &nome : tabelas)
                lidas.append(copiaTabela(origem, nome, banco));
            for (const QString &nome :
                 {QStringLiteral("configuracao"), QStringLiteral("Historico"), QStringLiteral("ACE_ESTRUT_ORGN")}) {
                auto tabela = std::find_if(lidas.begin(), lidas.end(), [&nome](const LeituraTabela &lida) {
                    return lida.nome.compare(nome, Qt::CaseInsensitive) == 0;
                });
                if (tabela == lidas.end()) {
                    LeituraTabela ausente;
                    ausente.nome = nome;
                    ausente.presente = !catalogoLido;
                    tabela = lidas.insert(lidas.end(), ausente);
                }
                if (!tabela->lida() && perdas == Perdas::Aceitar)
                    criaDoModelo(banco, tabela->nome, escritorios);
            }
            // A file refused for what it lost is not worth finishing.
            if (perdas == Perdas::Aceitar
                || std::none_of(lidas.cbegin(), lidas.cend(), [](const LeituraTabela &t) { return t.incompleta(); }))
                completaEsquema(banco);
        } catch (const ErroTavo &erro) {
            falha = ErroTavo(erro.numero(),
                             QStringLiteral("Não foi possível gravar o banco de dados convertido na pasta '%1': %2")
                                 .arg(QFileInfo(novo).absolutePath(), erro.descricao()),
                             erro.detalhe());
        }
        banco.close();
    }
    QSqlDatabase::removeDatabase(nomeConexao);
    if (falha)
        throw *falha;
    return lidas;
}

// Copies the original to the first backup name not taken, flushed to the
// disk before the original's name is given to the conversion. A name taken
// by anything, a link to nothing included, is passed over, and the copy
// takes its name only while it is free: an earlier backup is never lost,
// and a link never leads the copy elsewhere.
QString guardaOriginal(const QString &caminho)
{
    const QString base = caminho + QStringLiteral(".access");
    for (int n = 0;; ++n) {
        const QString copia = n == 0 ? base : base + QLatin1Char('.') + QString::number(n);
        const QFileInfo info(copia);
        if (info.exists() || info.isSymLink())
            continue;
        const QString provisoria = copia + kCopiando;
        ArquivoProvisorio guarda(provisoria);
        QFile::remove(provisoria);
        if (!QFile::copy(caminho, provisoria))
            throw ErroTavo(Erros::FalhaArquivo,
                           QStringLiteral("não foi possível copiar o arquivo para '%1'").arg(copia));
        PlataformaArquivos::ajustaAcesso(provisoria);
        PlataformaArquivos::descarrega(provisoria);
        const int codigo = PlataformaArquivos::renomeiaSemSubstituir(provisoria, copia);
        if (codigo == EEXIST)
            continue;
        if (codigo != 0)
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("não foi possível gravar a cópia '%1': %2")
                                                    .arg(copia, PlataformaArquivos::textoDoSistema(codigo)));
        guarda.mantem();
        return copia;
    }
}

void registraTabelas(const QString &caminho, const QList<LeituraTabela> &tabelas)
{
    for (const LeituraTabela &tabela : tabelas) {
        if (!tabela.lida())
            qCWarning(lcBanco).noquote() << "Access table" << tabela.nome << "of" << caminho << "could not be read";
        else if (tabela.incompleta())
            qCWarning(lcBanco).noquote() << "Access table" << tabela.nome << "of" << caminho << "declares"
                                         << tabela.declaradas << "rows;" << tabela.lidas << "read,"
                                         << tabela.paginasIlegiveis << "pages unreadable";
        else if (tabela.lidas > tabela.declaradas)
            qCInfo(lcBanco).noquote() << "Access table" << tabela.nome << "of" << caminho << "declares"
                                      << tabela.declaradas << "rows and holds" << tabela.lidas
                                      << "(a count the file did not keep up to date); all converted";
        else
            qCDebug(lcBanco).noquote() << "Access table" << tabela.nome << "read whole:" << tabela.lidas << "rows";
    }
}

ResultadoConversao recusa(ResultadoConversao resultado, const ErroTavo &erro)
{
    resultado.fim = ResultadoConversao::Fim::Recusado;
    resultado.erro = erro;
    return resultado;
}

} // namespace

QString LeituraTabela::perda() const
{
    if (!presente)
        return QStringLiteral("o arquivo não tem a tabela %1").arg(nome);
    if (!lida())
        return QStringLiteral("a tabela %1 não pôde ser lida").arg(nome);
    if (lidas < declaradas)
        return QStringLiteral("a tabela %1 declara %2 linhas; %3 puderam ser lidas")
            .arg(nome)
            .arg(declaradas)
            .arg(lidas);
    if (paginasIlegiveis > 0)
        return QStringLiteral("a tabela %1 tem %2 páginas que não puderam ser lidas").arg(nome).arg(paginasIlegiveis);
    return {};
}

void removeRestosDeConversao(const QString &caminho)
{
    const QFileInfo banco(caminho);
    const QDir pasta = banco.absoluteDir();
    const QString nome = banco.fileName();
    const QStringList restos =
        pasta.entryList({nome + kConvertendo + QLatin1Char('*'), nome + QStringLiteral(".access*") + kCopiando},
                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &resto : restos) {
        if (QFile::remove(pasta.filePath(resto)))
            qCInfo(lcBanco).noquote() << "Removed what an interrupted conversion left:" << pasta.filePath(resto);
        else
            qCWarning(lcBanco).noquote() << "What an interrupted conversion left cannot be removed:"
                                         << pasta.filePath(resto);
    }
}

ResultadoConversao converteBancoLocal(const QString &caminho, const QList<EscritorioRegional> &escritorios,
                                      Perdas perdas)
{
    ResultadoConversao resultado;
    if (formatoDoBanco(caminho) != FormatoBanco::Jet)
        return resultado;
    qCInfo(lcBanco).noquote() << "Converting the local database from the Access format:" << caminho
                              << (perdas == Perdas::Aceitar ? "(losses accepted)" : "");
    try {
        QStringList tabelas;
        bool catalogoLido = true;
        try {
            tabelas = LeitorJet::tabelas(caminho);
        } catch (const ErroTavo &erro) {
            // Nothing of the file can be read: with the loss accepted, the
            // program's tables start anew.
            if (perdas == Perdas::Recusar)
                throw;
            qCWarning(lcBanco).noquote() << "Tables of" << caminho << "not listed:" << erro.relato();
            catalogoLido = false;
        }
        const QString novo = nomeProvisorio(caminho);
        ArquivoProvisorio guardaNovo(novo);
        resultado.tabelas = constroi(novo, tabelas, catalogoLido, caminho, perdas, escritorios);
        registraTabelas(caminho, resultado.tabelas);

        QStringList perdidas;
        for (const LeituraTabela &tabela : std::as_const(resultado.tabelas)) {
            if (tabela.incompleta())
                perdidas.append(tabela.perda());
        }
        if (!perdidas.isEmpty() && perdas == Perdas::Recusar)
            throw LeitorJet::erroArquivo(caminho, perdidas.join(QStringLiteral("; ")));
        resultado.comPerdas = !perdidas.isEmpty();

        // A file the office made read-only stays read-only; none is left
        // readable by the PC's other accounts.
        PlataformaArquivos::ajustaAcesso(novo, PlataformaArquivos::somenteLeitura(caminho));
        PlataformaArquivos::descarrega(novo);
        resultado.copia = guardaOriginal(caminho);
        PlataformaArquivos::substitui(novo, caminho);
        guardaNovo.mantem();
        resultado.fim = ResultadoConversao::Fim::Convertido;
        if (resultado.comPerdas)
            qCWarning(lcBanco).noquote() << "Local database converted from the Access format with losses accepted:"
                                         << caminho << "- original kept as" << resultado.copia
                                         << "- lost:" << perdidas.join(QStringLiteral("; "));
        else
            qCInfo(lcBanco).noquote() << "Local database converted from the Access format:" << caminho
                                      << "- original kept as" << resultado.copia << "-" << resultado.tabelas.size()
                                      << "tables";
        return resultado;
    } catch (const ErroTavo &erro) {
        qCWarning(lcBanco).noquote() << "Local database not converted:" << caminho << "-" << erro.relato();
        return recusa(resultado, erro);
    }
}
