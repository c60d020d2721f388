#include "store/ReciboEnvio.h"

#include "common/Erro.h"
#include "store/Banco.h"
#include "store/CompatibilidadeJet.h"

#include <QSqlQuery>

namespace {

const QString kCriaTabela = QStringLiteral("CREATE TABLE IF NOT EXISTS recibo_envio (\n"
                                           "    nome_arquivo TEXT,\n"
                                           "    data_envio   DATETIME,\n"
                                           "    tamanho      INTEGER,\n"
                                           "    sha256       TEXT\n"
                                           ")");
// The receipts of a month are looked up row by row of the report.
const QString kCriaIndice =
    QStringLiteral("CREATE INDEX IF NOT EXISTS recibo_envio_envio ON recibo_envio (nome_arquivo, data_envio)");

// The row the connection inserted last: the triggers of Historico have run,
// so its data_envio is read as it is stored.
const QString kInsereDoUltimo =
    QStringLiteral("INSERT INTO recibo_envio (nome_arquivo, data_envio, tamanho, sha256)"
                   " SELECT Nome_arquivo, data_envio, ?, ? FROM Historico WHERE rowid = last_insert_rowid()");

bool temTabela(const QSqlDatabase &banco)
{
    return banco.tables().contains(QStringLiteral("recibo_envio"), Qt::CaseInsensitive);
}

} // namespace

namespace ReciboEnvio {

bool garanteTabela(QSqlDatabase &banco)
{
    if (temTabela(banco))
        return false;
    for (const QString &comando : {kCriaTabela, kCriaIndice}) {
        QSqlQuery consulta(banco);
        if (!consulta.exec(comando))
            throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
    }
    return true;
}

bool garanteTabela(SessaoBanco &sessao)
{
    if (temTabela(sessao.Conexao.banco()))
        return false;
    for (const QString &comando : {kCriaTabela, kCriaIndice}) {
        sessao.ComandoSql = comando;
        sessao.Conexao.execute(sessao.ComandoSql);
    }
    return true;
}

void registraDoUltimo(SessaoBanco &sessao, qint64 tamanho, const QByteArray &sha256)
{
    sessao.ComandoSql = kInsereDoUltimo;
    const int linhas = sessao.Conexao.execute(sessao.ComandoSql, {tamanho, QString::fromLatin1(sha256.toHex())});
    if (linhas != 1)
        throw ErroTavo::doBanco(ErroTavo::Tipo::FalhaBanco, QStringLiteral("O recibo do envio não pôde ser gravado."));
}

} // namespace ReciboEnvio
