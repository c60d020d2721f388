#include "store/ConversaoBancoLocal.h"

#include "common/Erro.h"
#include "common/Log.h"
#include "common/PlataformaArquivos.h"
#include "store/Banco.h"
#include "store/BancoJet.h"
#include "store/CompatibilidadeJet.h"
#include "store/LeitorJet.h"
#include "store/Provisionamento.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <optional>

namespace {

// A file of the conversion that is removed unless it is kept.
class ArquivoProvisorio
{
public:
    explicit ArquivoProvisorio(QString caminho)
        : m_caminho(std::move(caminho))
    {
        QFile::remove(m_caminho);
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

QSqlQuery executa(QSqlDatabase &banco, const QString &sql)
{
    QSqlQuery consulta(banco);
    if (!consulta.exec(sql))
        throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
    return consulta;
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
}

// A local database of the former client holds the program's three tables;
// a file that does not (a damaged catalog that reads as empty, say) is not
// converted into an empty database that would hide the office's data.
void confereTabelasDoPrograma(const QStringList &tabelas)
{
    for (const QString &necessaria :
         {QStringLiteral("configuracao"), QStringLiteral("Historico"), QStringLiteral("ACE_ESTRUT_ORGN")}) {
        if (!tabelas.contains(necessaria, Qt::CaseInsensitive))
            throw ErroTavo(Erros::FalhaBanco, QStringLiteral("o arquivo não tem a tabela %1").arg(necessaria));
    }
}

void confereLinhas(QSqlDatabase &banco, const QList<TabelaCopiada> &copiadas, qsizetype esperadas)
{
    if (copiadas.size() != esperadas)
        throw ErroTavo(Erros::FalhaBanco,
                       QStringLiteral("foram copiadas %1 de %2 tabelas").arg(copiadas.size()).arg(esperadas));
    for (const TabelaCopiada &tabela : copiadas) {
        QSqlQuery contagem =
            executa(banco, QStringLiteral("SELECT count(*) FROM \"%1\"")
                               .arg(QString(tabela.nome).replace(QLatin1Char('"'), QStringLiteral("\"\""))));
        const qint64 linhas = contagem.next() ? contagem.value(0).toLongLong() : -1;
        if (linhas != tabela.linhas)
            throw ErroTavo(Erros::FalhaBanco, QStringLiteral("a tabela %1 tem %2 linhas no arquivo e %3 na conversão")
                                                  .arg(tabela.nome)
                                                  .arg(tabela.linhas)
                                                  .arg(linhas));
    }
}

// Builds the SQLite database at `novo` from the export of `origem`.
void constroi(const QString &novo, const QByteArray &exportacao, qsizetype tabelas, const QString &origem)
{
    const QString nomeConexao = QStringLiteral("tavo-conversao-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::optional<ErroTavo> falha;
    {
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomeConexao);
        banco.setDatabaseName(novo);
        try {
            if (!banco.open())
                throw CompatibilidadeJet::erroDoBanco(banco.lastError());
            const QList<TabelaCopiada> copiadas = copiaTabelasJet(exportacao, tabelas, banco, origem);
            completaEsquema(banco);
            confereLinhas(banco, copiadas, tabelas);
        } catch (const ErroTavo &erro) {
            falha = erro;
        }
        banco.close();
    }
    QSqlDatabase::removeDatabase(nomeConexao);
    if (falha)
        throw *falha;
}

// Copies the original to the first backup name not taken, flushed to the
// disk before the original's name is given to the conversion.
QString guardaOriginal(const QString &caminho)
{
    const QString base = caminho + QStringLiteral(".access");
    QString copia = base;
    for (int n = 1; QFileInfo::exists(copia); ++n)
        copia = base + QLatin1Char('.') + QString::number(n);
    const QString provisoria = copia + QStringLiteral(".copiando");
    ArquivoProvisorio guarda(provisoria);
    if (!QFile::copy(caminho, provisoria))
        throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("não foi possível copiar o arquivo para '%1'").arg(copia));
    PlataformaArquivos::descarrega(provisoria);
    // rename never replaces: an earlier backup is never lost.
    if (!QFile::rename(provisoria, copia))
        throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("não foi possível gravar a cópia '%1'").arg(copia));
    guarda.mantem();
    return copia;
}

} // namespace

QString converteBancoLocal(const QString &caminho)
{
    if (formatoDoBanco(caminho) != FormatoBanco::Jet)
        return {};
    qCInfo(lcBanco).noquote() << "Converting the local database from the Access format:" << caminho;
    try {
        // What an interrupted conversion left under this name goes first.
        const QString novo = caminho + QStringLiteral(".convertendo");
        ArquivoProvisorio guardaNovo(novo);

        const QStringList tabelas = LeitorJet::tabelas(caminho);
        confereTabelasDoPrograma(tabelas);
        constroi(novo, LeitorJet::exporta(caminho, tabelas), tabelas.size(), caminho);
        // A file the office made read-only stays read-only.
        QFile::setPermissions(novo, QFile::permissions(caminho));
        PlataformaArquivos::descarrega(novo);

        const QString copia = guardaOriginal(caminho);
        PlataformaArquivos::substitui(novo, caminho);
        guardaNovo.mantem();
        qCInfo(lcBanco).noquote() << "Local database converted from the Access format:" << caminho
                                  << "- original kept as" << copia << "-" << tabelas.size() << "tables";
        return copia;
    } catch (const ErroTavo &erro) {
        qCWarning(lcBanco).noquote() << "Local database not converted:" << caminho << "-" << erro.relato();
        throw;
    }
}
