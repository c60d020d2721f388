#include "store/Provisionamento.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "store/EscritoriosRegionais.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

QString textoDoRecurso(const QString &nome)
{
    QFile arquivo(nome);
    if (!arquivo.open(QIODevice::ReadOnly))
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Recurso ausente: ") + nome);
    return QString::fromUtf8(arquivo.readAll());
}

// Splits a script at the ";" that end its statements; a trigger body keeps its
// inner ";" up to its END.
QStringList comandosDoScript(const QString &script)
{
    QStringList comandos;
    QString atual;
    bool dentroDeGatilho = false;
    for (const QString &linhaOriginal : script.split(QLatin1Char('\n'))) {
        const QString linha = linhaOriginal.trimmed();
        if (linha.isEmpty() || linha.startsWith(QLatin1String("--")))
            continue;
        atual += linha + QLatin1Char('\n');
        if (linha.startsWith(QLatin1String("CREATE TRIGGER"), Qt::CaseInsensitive))
            dentroDeGatilho = true;
        const bool fimDeGatilho = dentroDeGatilho && linha.compare(QLatin1String("END;"), Qt::CaseInsensitive) == 0;
        if ((!dentroDeGatilho && linha.endsWith(QLatin1Char(';'))) || fimDeGatilho) {
            comandos.append(atual.trimmed());
            atual.clear();
            dentroDeGatilho = false;
        }
    }
    return comandos;
}

} // namespace

QStringList comandosDoModelo()
{
    return comandosDoScript(textoDoRecurso(QStringLiteral(":/UploadCliente.sql")));
}

void criaBancoModelo(const QString &caminho)
{
    const QString nomeConexao = QStringLiteral("tavo-modelo-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString falha;
    {
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomeConexao);
        banco.setDatabaseName(caminho);
        if (!banco.open()) {
            falha = banco.lastError().text();
        } else {
            QSqlQuery consulta(banco);
            banco.transaction();
            for (const QString &comando : comandosDoModelo()) {
                if (!consulta.exec(comando)) {
                    falha = consulta.lastError().text();
                    break;
                }
            }
            if (falha.isEmpty()) {
                consulta.prepare(QStringLiteral("INSERT INTO ACE_ESTRUT_ORGN (codigo, descricao) VALUES (?, ?)"));
                for (const EscritorioRegional &escritorio : escritoriosRegionais()) {
                    consulta.addBindValue(escritorio.codigo);
                    consulta.addBindValue(QString(QStringLiteral("SSRE DE ") + escritorio.cidade));
                    if (!consulta.exec()) {
                        falha = consulta.lastError().text();
                        break;
                    }
                }
            }
            if (falha.isEmpty() && !banco.commit())
                falha = banco.lastError().text();
            banco.close();
        }
    }
    QSqlDatabase::removeDatabase(nomeConexao);
    if (!falha.isEmpty())
        throw ErroTavo(Erros::FalhaBanco, falha);
}

void garanteBancoLocal()
{
    const QString destino = Caminhos::naPastaPrograma(Caminhos::bancoLocal());
    if (QFileInfo::exists(destino))
        return;
    const QString pasta = QFileInfo(destino).absolutePath();
    if (!QDir().mkpath(pasta))
        throw ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("Não foi possível criar a pasta '%1'.").arg(pasta));
    // Built under a temporary name and renamed, so a failure never leaves a
    // half-made database where the program looks for its own.
    const QString temporario = destino + QStringLiteral(".novo");
    QFile::remove(temporario);
    try {
        criaBancoModelo(temporario);
    } catch (...) {
        QFile::remove(temporario);
        throw;
    }
    if (!QFile::rename(temporario, destino)) {
        QFile::remove(temporario);
        throw ErroTavo(Erros::AcessoArquivo, QStringLiteral("Não foi possível gravar '%1'.").arg(destino));
    }
}
