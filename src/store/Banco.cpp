#include "store/Banco.h"

#include "common/Erro.h"
#include "store/BancoJet.h"
#include "store/CompatibilidadeJet.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>

QString ComandoSql;

namespace {

const QString kNomeConexao = QStringLiteral("tavo");

ConexaoBanco g_conexao;
ConsultaBanco g_consulta;

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
        throw ErroTavo(3704, QStringLiteral("A operação não é permitida quando o objeto está fechado."));
    if (m_importador) {
        QSqlDatabase destino = banco();
        m_importador->importaTabelasCitadas(sql, destino);
    }
}

void ConexaoBanco::execute(const QString &sql)
{
    if (m_importador && m_importador->somenteLeitura())
        throw ErroTavo(Erros::FalhaBanco,
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
        throw ErroTavo(3021, QStringLiteral("BOF ou EOF é verdadeiro, ou o registro atual foi excluído."));
    m_consulta->next();
    if (m_consulta->lastError().isValid())
        throw CompatibilidadeJet::erroDoBanco(m_consulta->lastError());
}

QVariant ConsultaBanco::campo(const QString &nome) const
{
    if (fim())
        throw ErroTavo(3021, QStringLiteral("BOF ou EOF é verdadeiro, ou o registro atual foi excluído."));
    auto achado = m_indices.constFind(nome);
    if (achado == m_indices.cend())
        achado = m_indices.insert(nome, m_colunas.indexOf(nome));
    const int indice = achado.value();
    if (indice < 0)
        throw ErroTavo(3265, QStringLiteral("O item não pode ser encontrado na coleção: ") + nome);
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

void AbreBanco(const QString &caminho)
{
    liberaConexao();
    g_conexao.m_importador.reset();
    g_conexao.m_caminho = caminho;

    const QFileInfo info(caminho);
    if (!info.isFile())
        throw ErroTavo(Erros::FalhaBanco,
                       QStringLiteral("Não foi possível encontrar o arquivo '%1'.").arg(caminho));
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
    } else {
        g_conexao.m_importador = abreBancoJet(caminho);
    }
}

void FechaBanco()
{
    if (!g_conexao.aberta()) {
        liberaConexao();
        g_conexao.m_importador.reset();
        throw ErroTavo(3704, QStringLiteral("A operação não é permitida quando o objeto está fechado."));
    }
    liberaConexao();
    g_conexao.m_importador.reset();
}
