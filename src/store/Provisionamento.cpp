#include "store/Provisionamento.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "common/PastaUsuarios.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "store/Banco.h"
#include "store/Configuracao.h"
#include "store/EscritoriosRegionais.h"
#include "store/GravacaoConfiguracao.h"
#include "store/ReciboEnvio.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

// The settings' checks tell the user through an interlocutor; while a
// database is provisioned nobody is asked, and what they say goes to the log.
class ChecagemSemUsuario : public Interlocutor
{
public:
    QStringList textos;
    Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) override
    {
        textos.append(mensagem.texto);
        return Mensagens::Resposta::Ok;
    }
};

// The site's initial server settings as statements for a new database:
// none when the site gives none or gives settings the checks refuse.
QStringList comandosDoSitio(const Instalacao &instalacao)
{
    const std::optional<ServidorInicial> servidor = instalacao.servidorInicial();
    if (!servidor)
        return {};
    const ServidorInicialConferido conferido = confereServidorInicial(*servidor);
    if (conferido.comando.isEmpty()) {
        qCWarning(lcBanco).noquote() << "Initial server settings of the site's configuration left out:"
                                     << conferido.recusa;
        return {};
    }
    return {conferido.comando};
}

} // namespace

ServidorInicialConferido confereServidorInicial(const ServidorInicial &servidor, bool linhaExiste)
{
    const auto recusa = [](const QString &motivo) { return ServidorInicialConferido{{}, motivo, {}}; };
    const QString endereco = servidor.ip.trimmed();
    // The settings window has four boxes of three characters for the address.
    if (endereco.count(QLatin1Char('.')) > 3)
        return recusa(QStringLiteral("O IP do servidor tem mais de quatro partes: \"%1\".").arg(endereco));
    ConfiguracaoDigitada digitada{partesDoEndereco(endereco), servidor.portas, servidor.portaInicial};
    while (digitada.partes.size() < 4)
        digitada.partes.append(QString());
    QStringList partes;
    for (const QString &parte : std::as_const(digitada.partes)) {
        if (parte.size() > 3)
            return recusa(
                QStringLiteral("Cada parte do IP do servidor tem no máximo três caracteres: \"%1\".").arg(endereco));
        partes.append(parte.trimmed());
    }
    ChecagemSemUsuario checagem;
    if (GravacaoConfiguracao::confere(digitada, checagem))
        return recusa(checagem.textos.join(QLatin1Char(' ')));
    try {
        const QString endereco = partes.join(QLatin1Char('.'));
        return {comandoSalvaConfiguracao(linhaExiste, endereco, servidor.portas, servidor.portaInicial), {}, endereco};
    } catch (const ErroTavo &erro) {
        return recusa(erro.descricao());
    }
}

QStringList comandosDoModelo()
{
    return comandosDoScript(textoDoRecurso(QStringLiteral(":/UploadCliente.sql")));
}

QString comandoCriaTabela(const QString &nome)
{
    const QRegularExpression criacao(QStringLiteral("^CREATE TABLE\\s+%1\\s*\\(").arg(QRegularExpression::escape(nome)),
                                     QRegularExpression::CaseInsensitiveOption);
    for (const QString &comando : comandosDoModelo()) {
        if (criacao.match(comando).hasMatch())
            return comando;
    }
    return {};
}

void insereEscritoriosRegionais(QSqlDatabase &banco, const QList<EscritorioRegional> &escritorios)
{
    QSqlQuery consulta(banco);
    consulta.prepare(QStringLiteral("INSERT INTO ACE_ESTRUT_ORGN (codigo, descricao) VALUES (?, ?)"));
    for (const EscritorioRegional &escritorio : escritorios) {
        consulta.addBindValue(escritorio.codigo);
        consulta.addBindValue(QString(QStringLiteral("SSRE DE ") + escritorio.cidade));
        if (!consulta.exec())
            throw ErroTavo::doBanco(ErroTavo::Tipo::FalhaBanco, consulta.lastError().text());
    }
}

void criaBancoModelo(const QString &caminho, const QList<EscritorioRegional> &escritorios,
                     const QStringList &adicionais)
{
    const QString nomeConexao = QStringLiteral("tavo-modelo-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString falha;
    {
        RecusaAtalhoAlheio(caminho);
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
                try {
                    insereEscritoriosRegionais(banco, escritorios);
                    ReciboEnvio::garanteTabela(banco);
                } catch (const ErroTavo &erro) {
                    falha = erro.descricao();
                }
            }
            for (qsizetype i = 0; falha.isEmpty() && i < adicionais.size(); ++i) {
                if (!consulta.exec(adicionais.at(i)))
                    falha = consulta.lastError().text();
            }
            if (falha.isEmpty() && !banco.commit())
                falha = banco.lastError().text();
            banco.close();
        }
    }
    QSqlDatabase::removeDatabase(nomeConexao);
    if (!falha.isEmpty())
        throw ErroTavo::doBanco(ErroTavo::Tipo::FalhaBanco, falha);
}

void garanteBancoLocal(const Instalacao &instalacao)
{
    const QString destino = instalacao.bancoLocal();
    if (QFileInfo::exists(destino))
        return;
    const QString pasta = QFileInfo(destino).absolutePath();
    if (!PastaUsuarios::cria(pasta))
        throw ErroTavo(Erros::CaminhoNaoEncontrado, QStringLiteral("Não foi possível criar a pasta '%1'.").arg(pasta));
    // Built under a temporary name and renamed, so a failure never leaves a
    // half-made database where the program looks for its own.
    const QString temporario = destino + QStringLiteral(".novo");
    QFile::remove(temporario);
    const QStringList doSitio = comandosDoSitio(instalacao);
    try {
        criaBancoModelo(temporario, escritoriosRegionais(instalacao), doSitio);
    } catch (...) {
        QFile::remove(temporario);
        throw;
    }
    // Kept from the PC's other accounts whatever the umask (in a folder
    // shared by a group, the group's too): its journal follows its mode.
    PlataformaArquivos::ajustaAcesso(temporario);
    if (!QFile::rename(temporario, destino)) {
        QFile::remove(temporario);
        throw ErroTavo(Erros::AcessoArquivo, QStringLiteral("Não foi possível gravar '%1'.").arg(destino));
    }
    if (!doSitio.isEmpty())
        qCInfo(lcBanco).noquote() << "Initial server settings of the site's configuration stored in" << destino;
}
