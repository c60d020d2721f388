#include "store/Banco.h"

#include "common/Erro.h"
#include "common/Log.h"
#include "store/BancoJet.h"
#include "store/CompatibilidadeJet.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>

QString ComandoSql;

namespace {

const QString kNomeConexao = QStringLiteral("tavo");

ConexaoBanco g_conexao;
ConsultaBanco g_consulta;

ErroTavo erroObjetoFechado()
{
    return ErroTavo(Erros::ObjetoFechado, QStringLiteral("A operação não é permitida quando o objeto está fechado."));
}

ErroTavo erroSemRegistroAtual()
{
    return ErroTavo(Erros::SemRegistroAtual,
                    QStringLiteral("BOF ou EOF é verdadeiro, ou o registro atual foi excluído."));
}

void liberaConexao()
{
    g_consulta.fecha();
    if (QSqlDatabase::contains(kNomeConexao)) {
        {
            QSqlDatabase banco = QSqlDatabase::database(kNomeConexao, false);
            banco.close();
        }
        QSqlDatabase::removeDatabase(kNomeConexao);
    }
}

} // namespace

FormatoBanco formatoDoBanco(const QString &caminho)
{
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::ReadOnly))
        return FormatoBanco::Desconhecido;
    const QByteArray inicio = arquivo.read(32);
    if (inicio.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FormatoBanco::SQLite;
    const QByteArray assinatura = inicio.mid(4, 15);
    if (assinatura == "Standard Jet DB" || assinatura == "Standard ACE DB")
        return FormatoBanco::Jet;
    return FormatoBanco::Desconhecido;
}

ConexaoBanco &Conexao()
{
    return g_conexao;
}

ConsultaBanco &Consulta()
{
    return g_consulta;
}

QSqlDatabase ConexaoBanco::banco() const
{
    return QSqlDatabase::database(kNomeConexao, false);
}

bool ConexaoBanco::aberta() const
{
    return QSqlDatabase::contains(kNomeConexao) && banco().isOpen();
}

void ConexaoBanco::preparaTabelas(const QString &sql)
{
    if (!aberta())
        throw erroObjetoFechado();
    if (m_importador) {
        QSqlDatabase destino = banco();
        m_importador->importaTabelasCitadas(sql, destino);
    }
}

void ConexaoBanco::execute(const QString &sql)
{
    if (m_importador && m_importador->somenteLeitura())
        throw ErroTavo(
            Erros::FalhaBanco,
            QStringLiteral("O banco de dados '%1' está no formato do Access e só pode ser lido.").arg(m_caminho));
    preparaTabelas(sql);
    QSqlQuery consulta(banco());
    if (!consulta.exec(CompatibilidadeJet::traduzSql(sql)))
        throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
}

void ConsultaBanco::abre(const QString &sql)
{
    fecha();
    g_conexao.preparaTabelas(sql);
    auto consulta = std::make_unique<QSqlQuery>(g_conexao.banco());
    consulta->setForwardOnly(true);
    if (!consulta->exec(CompatibilidadeJet::traduzSql(sql)))
        throw CompatibilidadeJet::erroDoBanco(consulta->lastError());
    consulta->next();
    // The columns are the same on every row: their names are looked up once
    // per query, not by rebuilding the row's record at every read.
    m_colunas = consulta->record();
    m_indices.clear();
    m_consulta = std::move(consulta);
    m_aberta = true;
}

bool ConsultaBanco::fim() const
{
    return !m_aberta || !m_consulta->isValid();
}

void ConsultaBanco::proximo()
{
    if (fim())
        throw erroSemRegistroAtual();
    m_consulta->next();
    if (m_consulta->lastError().isValid())
        throw CompatibilidadeJet::erroDoBanco(m_consulta->lastError());
}

QVariant ConsultaBanco::campo(const QString &nome) const
{
    if (fim())
        throw erroSemRegistroAtual();
    auto achado = m_indices.constFind(nome);
    if (achado == m_indices.cend())
        achado = m_indices.insert(nome, m_colunas.indexOf(nome));
    const int indice = achado.value();
    if (indice < 0)
        throw ErroTavo(Erros::ItemNaoEncontrado, QStringLiteral("O item não pode ser encontrado na coleção: ") + nome);
    return m_consulta->value(indice);
}

QString ConsultaBanco::texto(const QString &nome) const
{
    const QVariant valor = campo(nome);
    if (valor.isNull())
        throw ErroTavo(Erros::UsoInvalidoDeNulo, QStringLiteral("Uso inválido de Null"));
    return valor.toString();
}

void ConsultaBanco::fecha()
{
    m_consulta.reset();
    m_colunas.clear();
    m_indices.clear();
    m_aberta = false;
}

namespace {

// Opens the connection; for a Jet file, returns the importer that copies
// its tables (nothing for SQLite).
std::unique_ptr<ImportadorTabelas> abreConexao(const QString &caminho)
{
    const QFileInfo info(caminho);
    if (!info.isFile())
        throw ErroTavo(Erros::FalhaBanco, QStringLiteral("Não foi possível encontrar o arquivo '%1'.").arg(caminho));
    const FormatoBanco formato = formatoDoBanco(caminho);
    if (formato == FormatoBanco::Desconhecido)
        throw ErroTavo(Erros::FormatoBancoDesconhecido,
                       QStringLiteral("Formato de banco de dados não reconhecido: '%1'.").arg(caminho));

    QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kNomeConexao);
    if (formato == FormatoBanco::SQLite) {
        banco.setDatabaseName(caminho);
    } else {
        banco.setDatabaseName(QStringLiteral(":memory:"));
    }
    if (!banco.open())
        throw CompatibilidadeJet::erroDoBanco(banco.lastError());
    CompatibilidadeJet::preparaConexao(banco);
    if (formato == FormatoBanco::SQLite) {
        // A file that only looks like a database fails here, not later.
        QSqlQuery teste(banco);
        if (!teste.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            throw CompatibilidadeJet::erroDoBanco(teste.lastError());
        return nullptr;
    }
    return abreBancoJet(caminho);
}

} // namespace

bool PreparaMotorBanco()
{
    // A connection of its own, named after the thread: each thread uses only
    // the connections it made.
    const QString nome = QStringLiteral("tavo-motor-%1").arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
    bool aberto = false;
    {
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
        banco.setDatabaseName(QStringLiteral(":memory:"));
        aberto = banco.open();
        banco.close();
    }
    QSqlDatabase::removeDatabase(nome);
    return aberto;
}

void AbreBanco(const QString &caminho)
{
    liberaConexao();
    g_conexao.m_importador.reset();
    g_conexao.m_caminho = caminho;
    try {
        g_conexao.m_importador = abreConexao(caminho);
    } catch (...) {
        // A file that opened but then failed its check (not a database after
        // all, a damaged Access file) must not stay behind as the open one.
        liberaConexao();
        g_conexao.m_importador.reset();
        throw;
    }
}

void FechaBanco()
{
    const bool aberta = g_conexao.aberta();
    liberaConexao();
    g_conexao.m_importador.reset();
    if (!aberta)
        throw erroObjetoFechado();
}

SessaoBanco::SessaoBanco(const QString &caminho)
{
    AbreBanco(caminho);
    m_aberta = true;
}

SessaoBanco::~SessaoBanco()
{
    if (!m_aberta)
        return;
    try {
        FechaBanco();
    } catch (const ErroTavo &erro) {
        // Already closed: a step of the session closed the shared connection
        // itself, or failed to open another in its place. Nothing is left to
        // release, and the step's own error is the one the caller reports.
        if (erro.numero() != Erros::ObjetoFechado) {
            // A destructor cannot raise; any other failure goes to the log.
            qCWarning(lcBanco).noquote() << "Database not closed:" << erro.relato();
        }
    }
}

void SessaoBanco::fecha()
{
    m_aberta = false;
    FechaBanco();
}
