#include "common/ConfiguracaoSitio.h"

#include "common/ArquivoIni.h"
#include "common/Erro.h"
#include "common/Log.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "common/plataforma/PlataformaPastas.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QStringList>

namespace {

const QString kNomeArquivo = QStringLiteral("tavo-upload.conf");

// A value of one of the files, and the folder of the file that gave it.
struct ValorLido
{
    QString texto;
    QString pastaDoArquivo;
};

// Logs a line about the files once per run, not at every path asked for.
void relataUmaVez(const QString &linha)
{
    static QMutex trava;
    static QSet<QString> relatadas;
    {
        // Released before the line is written: a log that asks for the
        // program's folder comes back here.
        const QMutexLocker guarda(&trava);
        if (relatadas.contains(linha))
            return;
        relatadas.insert(linha);
    }
    qCWarning(lcPrograma).noquote() << linha;
}

// The text of the first of `chaves` that one file gives (an empty value
// counts as not given). A file that is not a regular file or cannot be read
// counts as absent.
std::optional<QString> valorNoArquivo(const QString &arquivo, const QStringList &chaves)
{
    const QFileInfo info(arquivo);
    if (!info.exists())
        return std::nullopt;
    QFile leitor(arquivo);
    QByteArray conteudo;
    // Only a regular file: opening a pipe would wait for a writer.
    if (info.isFile() && leitor.open(QIODevice::ReadOnly))
        conteudo = leitor.readAll();
    if (!info.isFile() || !leitor.isOpen() || leitor.error() != QFileDevice::NoError) {
        relataUmaVez(QStringLiteral("Site configuration file ignored: %1 (it cannot be read)").arg(arquivo));
        return std::nullopt;
    }
    const ArquivoIni::Leitura leitura = ArquivoIni::le(conteudo, arquivo);
    for (const QString &aviso : leitura.avisos)
        relataUmaVez(aviso);
    for (const QString &chave : chaves) {
        const QString texto = leitura.valores.value(chave);
        if (!texto.isEmpty())
            return texto;
    }
    return std::nullopt;
}

// The message that refuses the path variable `nome`; nothing when its bytes
// are a path as they are (unset and empty included).
std::optional<QString> variavelInutilizavel(const char *nome)
{
    if (PlataformaPastas::variavel(nome))
        return std::nullopt;
    const QByteArray bytes = qgetenv(nome);
    return QStringLiteral("A variável de ambiente %1 contém um caminho que não pode ser usado: %2.")
        .arg(QLatin1String(nome), ArquivoIni::textoEscapado(bytes));
}

// The variables that name folders, one per drive letter among them.
QList<QByteArray> variaveisDeCaminho()
{
    QList<QByteArray> nomes{"TAVO_ROOT", "TAVO_CONF_SISTEMA"};
    for (char letra = 'A'; letra <= 'Z'; ++letra)
        nomes.append(QByteArray("TAVO_DRIVE_") + letra);
    return nomes;
}

// The value of the first of `chaves` in the user's file, else in the system's.
std::optional<ValorLido> valorDosArquivos(const QStringList &chaves)
{
    for (const QString &arquivo : {ConfiguracaoSitio::arquivoUsuario(), ConfiguracaoSitio::arquivoSistema()}) {
        if (const std::optional<QString> texto = valorNoArquivo(arquivo, chaves))
            return ValorLido{*texto, QFileInfo(arquivo).absolutePath()};
    }
    return std::nullopt;
}

QString pastaAbsoluta(const QString &pasta)
{
    return QDir::cleanPath(QDir(pasta).absolutePath());
}

// A folder named in a file: "~/" is the home, a relative one lies beside the file.
QString pastaDoArquivo(const ValorLido &valor)
{
    QString pasta = valor.texto;
    if (pasta == QLatin1String("~") || pasta.startsWith(QLatin1String("~/")))
        pasta = PlataformaPastas::pessoal() + pasta.mid(1);
    return QDir::cleanPath(QDir(valor.pastaDoArquivo).absoluteFilePath(pasta));
}

} // namespace

namespace ConfiguracaoSitio {

QString caminhoDoAmbiente(const char *nome)
{
    if (const std::optional<QString> falha = variavelInutilizavel(nome))
        throw ErroTavo(Erros::ArgumentoInvalido, *falha);
    return PlataformaPastas::variavel(nome).value_or(QString());
}

std::optional<QString> ambienteInutilizavel()
{
    for (const QByteArray &nome : variaveisDeCaminho()) {
        if (std::optional<QString> falha = variavelInutilizavel(nome.constData()))
            return falha;
    }
    // Without a home the default folder would be at the root.
    try {
        pastaPrograma();
    } catch (const ErroTavo &erro) {
        return erro.descricao();
    }
    return std::nullopt;
}

QString pastaSistema()
{
    const QString escolhida = caminhoDoAmbiente("TAVO_CONF_SISTEMA");
    if (!escolhida.isEmpty())
        return pastaAbsoluta(escolhida);
    return PlataformaPastas::sistema();
}

QString arquivoSistema()
{
    return pastaSistema() + QLatin1Char('/') + kNomeArquivo;
}

QString arquivoUsuario()
{
    QString base;
    try {
        base = PlataformaPastas::usuario();
    } catch (const ErroTavo &) {
        return {}; // no home: the user has no file
    }
    return base + QLatin1Char('/') + kNomeArquivo;
}

QString pastaPrograma()
{
    const QString ambiente = caminhoDoAmbiente("TAVO_ROOT");
    if (!ambiente.isEmpty())
        return pastaAbsoluta(ambiente);
    if (const std::optional<ValorLido> valor = valorDosArquivos({QStringLiteral("pasta")}))
        return pastaDoArquivo(*valor);
    return PlataformaPastas::programa().pasta;
}

QString pastaUnidade(QChar letra)
{
    const QString minuscula = letra.toLower();
    const QString maiuscula = letra.toUpper();
    const QString ambiente = caminhoDoAmbiente(qPrintable(QStringLiteral("TAVO_DRIVE_") + maiuscula));
    if (!ambiente.isEmpty())
        return pastaAbsoluta(ambiente);
    const QString grupo = QStringLiteral("unidades/");
    if (const std::optional<ValorLido> valor = valorDosArquivos({grupo + minuscula, grupo + maiuscula}))
        return pastaDoArquivo(*valor);
    return {};
}

std::optional<ServidorInicial> servidorInicial()
{
    const auto texto = [](const char *chave) {
        const std::optional<ValorLido> valor = valorDosArquivos({QStringLiteral("servidor/") + QLatin1String(chave)});
        return valor ? valor->texto : QString();
    };
    ServidorInicial servidor{texto("ip"), texto("portas"), texto("porta_inicial")};
    if (servidor.ip.isEmpty() && servidor.portas.isEmpty() && servidor.portaInicial.isEmpty())
        return std::nullopt;
    return servidor;
}

QString origem(const QStringList &chaves, const char *variavel)
{
    if (variavel && !qgetenv(variavel).isEmpty())
        return QStringLiteral("variável de ambiente %1").arg(QLatin1String(variavel));
    if (valorNoArquivo(arquivoUsuario(), chaves))
        return QStringLiteral("arquivo do usuário %1").arg(arquivoUsuario());
    if (valorNoArquivo(arquivoSistema(), chaves))
        return QStringLiteral("arquivo do sistema %1").arg(arquivoSistema());
    return QString();
}

bool servidorGerenciado()
{
    const std::optional<ValorLido> valor = valorDosArquivos({QStringLiteral("servidor/gerenciado")});
    if (!valor)
        return false;
    const QString texto = valor->texto.trimmed().toLower();
    if (texto == QLatin1String("sim"))
        return true;
    if (texto == QStringLiteral("não") || texto == QLatin1String("nao"))
        return false;
    throw ErroTavo(Erros::ArgumentoInvalido,
                   QStringLiteral("O valor \"%1\" de gerenciado em [servidor] de %2 não é válido: use sim ou não.")
                       .arg(valor->texto, valor->pastaDoArquivo + QLatin1Char('/') + kNomeArquivo));
}

OpcoesTransferencia opcoesTransferencia()
{
    const auto texto = [](const char *chave) {
        const std::optional<ValorLido> valor = valorDosArquivos({QStringLiteral("servidor/") + QLatin1String(chave)});
        return valor ? valor->texto : QString();
    };
    OpcoesTransferencia opcoes;
    opcoes.tempoConexao = texto("tempo_conexao");
    opcoes.tempoResposta = texto("tempo_resposta");
    opcoes.tempoSemProgresso = texto("tempo_sem_progresso");
    opcoes.proxy = texto("proxy");
    const QStringList chave{QStringLiteral("servidor/proxy_senha")};
    const QString usuario = arquivoUsuario();
    std::optional<QString> doUsuario = valorNoArquivo(usuario, chave);
    if (valorNoArquivo(arquivoSistema(), chave))
        opcoes.senhaRecusada = QStringLiteral("O arquivo de configuração do sistema %1 não pode guardar proxy_senha: "
                                              "todos os usuários o leem. Retire a chave desse arquivo e informe a "
                                              "senha do proxy na variável de ambiente TAVO_PROXY_SENHA ou em "
                                              "proxy_senha no arquivo de configuração do usuário.")
                                   .arg(arquivoSistema());
    else if (doUsuario && PlataformaArquivos::outrosPodemLer(usuario))
        opcoes.senhaRecusada = QStringLiteral("O arquivo de configuração %1 guarda proxy_senha e pode ser lido por "
                                              "outros usuários: deixe a leitura somente para o seu dono.")
                                   .arg(usuario);
    if (!opcoes.senhaRecusada.isEmpty())
        doUsuario.reset();
    const QString variavel = qEnvironmentVariable("TAVO_PROXY_SENHA");
    opcoes.senhaProxy = !variavel.isEmpty() ? variavel : doUsuario.value_or(QString());
    return opcoes;
}

} // namespace ConfiguracaoSitio
