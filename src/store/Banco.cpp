#include "store/Banco.h"

#include "common/Erro.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "store/BancoJet.h"
#include "store/CompatibilidadeJet.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>

#include <algorithm>

namespace {

// A session's connection is named after the session, so that none is ever
// taken for another's.
const QString kPrefixoSessao = QStringLiteral("tavo-sessao-");

ErroTavo erroObjetoFechado()
{
    return ErroTavo(Erros::ObjetoFechado, QStringLiteral("A operação não é permitida quando o objeto está fechado."));
}

ErroTavo erroSemRegistroAtual()
{
    return ErroTavo(Erros::SemRegistroAtual,
                    QStringLiteral("BOF ou EOF é verdadeiro, ou o registro atual foi excluído."));
}

// A write the engine could not do because of another user's link (its journal
// opened without following one) is told as that; anything else as the
// engine's error.
ErroTavo erroDaEscrita(const QString &caminho, const QSqlError &erro)
{
    RecusaAtalhoAlheio(caminho);
    return CompatibilidadeJet::erroDoBanco(erro);
}

} // namespace

void RecusaAtalhoAlheio(const QString &caminho)
{
    if (caminho.isEmpty() || caminho == QLatin1String(":memory:"))
        return;
    for (const QString &nome :
         QStringList{caminho, caminho + QStringLiteral("-journal"), caminho + QStringLiteral("-wal")})
        if (PlataformaArquivos::confere(nome) == PlataformaArquivos::AtalhoAlheio)
            throw ErroTavo(Erros::AtalhoAlheio, PlataformaArquivos::textoDoSistema(PlataformaArquivos::AtalhoAlheio),
                           QStringLiteral("refused: ") + nome);
}

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

QSqlDatabase ConexaoBanco::banco() const
{
    return m_banco;
}

bool ConexaoBanco::aberta() const
{
    return m_banco.isOpen();
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

void ConexaoBanco::preparaEscrita(const QString &sql)
{
    if (m_importador && m_importador->somenteLeitura())
        throw ErroTavo::doBanco(
            ErroTavo::Tipo::FalhaBanco,
            QStringLiteral("O banco de dados '%1' está no formato do Access e só pode ser lido.").arg(m_caminho));
    preparaTabelas(sql);
}

void ConexaoBanco::execute(const QString &sql)
{
    preparaEscrita(sql);
    QSqlQuery consulta(banco());
    if (!consulta.exec(CompatibilidadeJet::traduzSql(sql)))
        throw erroDaEscrita(m_caminho, consulta.lastError());
}

int ConexaoBanco::execute(const QString &sql, const QVariantList &valores)
{
    preparaEscrita(sql);
    QSqlQuery consulta(banco());
    if (!consulta.prepare(CompatibilidadeJet::traduzSql(sql)))
        throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
    for (const QVariant &valor : valores)
        consulta.addBindValue(valor);
    if (!consulta.exec())
        throw erroDaEscrita(m_caminho, consulta.lastError());
    return consulta.numRowsAffected();
}

void ConsultaBanco::abre(const QString &sql)
{
    fecha();
    m_conexao.preparaTabelas(sql);
    auto consulta = std::make_unique<QSqlQuery>(m_conexao.m_banco);
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

// Checks the file at `caminho` and tells its format.
FormatoBanco confereArquivo(const QString &caminho)
{
    RecusaAtalhoAlheio(caminho);
    const QFileInfo info(caminho);
    if (!info.isFile())
        throw ErroTavo::doBanco(ErroTavo::Tipo::FalhaBanco,
                                QStringLiteral("Não foi possível encontrar o arquivo '%1'.").arg(caminho));
    const FormatoBanco formato = formatoDoBanco(caminho);
    if (formato == FormatoBanco::Desconhecido)
        throw ErroTavo::doBanco(ErroTavo::Tipo::FormatoBancoDesconhecido,
                                QStringLiteral("Formato de banco de dados não reconhecido: '%1'.").arg(caminho));
    return formato;
}

} // namespace

void ConexaoBanco::abre(const QString &nome, const QString &caminho)
{
    const FormatoBanco formato = confereArquivo(caminho);
    m_nome = nome;
    m_caminho = caminho;
    try {
        m_banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nome);
        m_banco.setDatabaseName(formato == FormatoBanco::SQLite ? caminho : QStringLiteral(":memory:"));
        if (!m_banco.open())
            throw CompatibilidadeJet::erroDoBanco(m_banco.lastError());
        CompatibilidadeJet::preparaConexao(m_banco);
        if (formato == FormatoBanco::SQLite) {
            // A file that only looks like a database fails here, not later.
            QSqlQuery teste(m_banco);
            if (!teste.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
                throw CompatibilidadeJet::erroDoBanco(teste.lastError());
        } else {
            m_importador = abreBancoJet(caminho);
        }
    } catch (...) {
        // A file that opened but then failed its check (not a database after
        // all, a damaged Access file) must not stay behind open.
        libera();
        throw;
    }
}

bool ConexaoBanco::libera()
{
    const bool aberta = m_banco.isOpen();
    m_importador.reset();
    if (!m_nome.isEmpty()) {
        m_banco.close();
        // Every handle is let go before the name is removed.
        m_banco = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_nome);
        m_nome.clear();
    }
    return aberta;
}

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

SessaoBanco::SessaoBanco(const QString &caminho)
{
    Conexao.abre(kPrefixoSessao + QString::number(reinterpret_cast<quintptr>(this), 16), caminho);
}

SessaoBanco::~SessaoBanco()
{
    // Already closed by fecha(), or closing now: a destructor raises nothing.
    Consulta.fecha();
    Conexao.libera();
}

void SessaoBanco::fecha()
{
    Consulta.fecha();
    if (!Conexao.libera())
        throw erroObjetoFechado();
}

bool SessaoBanco::algumaAberta()
{
    const QStringList nomes = QSqlDatabase::connectionNames();
    return std::any_of(nomes.cbegin(), nomes.cend(),
                       [](const QString &nome) { return nome.startsWith(kPrefixoSessao); });
}

TransacaoBanco::TransacaoBanco(SessaoBanco &sessao)
    : m_sessao(sessao)
{
    QSqlDatabase banco = m_sessao.Conexao.banco();
    if (!banco.transaction())
        throw CompatibilidadeJet::erroDoBanco(banco.lastError());
    m_aberta = true;
}

TransacaoBanco::~TransacaoBanco()
{
    // Left without confirma(): nothing of it stays. A rollback that fails
    // leaves nothing either, as the connection closes right after.
    if (m_aberta && m_sessao.Conexao.aberta())
        m_sessao.Conexao.banco().rollback();
}

void TransacaoBanco::confirma()
{
    QSqlDatabase banco = m_sessao.Conexao.banco();
    if (!banco.commit())
        throw CompatibilidadeJet::erroDoBanco(banco.lastError());
    m_aberta = false;
}
