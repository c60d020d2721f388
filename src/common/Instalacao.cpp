#include "common/Instalacao.h"

#include "common/ArquivoIni.h"
#include "common/Erro.h"
#include "common/Log.h"
#include "common/ProxyCliente.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "common/plataforma/PlataformaPastas.h"
#include "common/plataforma/PlataformaPoliticas.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

namespace {

const QString kNomeArquivo = QStringLiteral("tavo-upload.conf");
const QString kUnidades = QStringLiteral("unidades/");

// Logs a line about the files once per run, not at every start of a test.
void relataUmaVez(const QString &linha)
{
    static QMutex trava;
    static QSet<QString> relatadas;
    {
        const QMutexLocker guarda(&trava);
        if (relatadas.contains(linha))
            return;
        relatadas.insert(linha);
    }
    qCWarning(lcPrograma).noquote() << linha;
}

// One of the two files, read once. A file that is not a regular file or
// cannot be read counts as absent.
struct Arquivo
{
    QString caminho;
    QHash<QString, QString> valores;

    static Arquivo le(const QString &caminho)
    {
        Arquivo arquivo{caminho, {}};
        const QFileInfo info(caminho);
        if (caminho.isEmpty() || !info.exists())
            return arquivo;
        QFile leitor(caminho);
        QByteArray conteudo;
        // Only a regular file: opening a pipe would wait for a writer.
        if (info.isFile() && leitor.open(QIODevice::ReadOnly))
            conteudo = leitor.readAll();
        if (!info.isFile() || !leitor.isOpen() || leitor.error() != QFileDevice::NoError) {
            relataUmaVez(QStringLiteral("Site configuration file ignored: %1 (it cannot be read)").arg(caminho));
            return arquivo;
        }
        ArquivoIni::Leitura leitura = ArquivoIni::le(conteudo, caminho);
        for (const QString &aviso : leitura.avisos)
            relataUmaVez(aviso);
        // An empty value counts as not given.
        for (auto it = leitura.valores.cbegin(); it != leitura.valores.cend(); ++it)
            if (!it.value().isEmpty())
                arquivo.valores.insert(it.key(), it.value());
        return arquivo;
    }

    // The key as written, or (for a drive) in the other case.
    std::optional<QString> valor(const QString &chave) const
    {
        if (const auto it = valores.constFind(chave); it != valores.cend())
            return *it;
        if (chave.startsWith(kUnidades)) {
            const auto outra = valores.constFind(kUnidades + chave.mid(kUnidades.size()).toUpper());
            if (outra != valores.cend())
                return *outra;
        }
        return std::nullopt;
    }
};

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

QString pastaAbsoluta(const QString &pasta)
{
    return QDir::cleanPath(QDir(pasta).absolutePath());
}

// A folder named in a file: "~/" is the home, a relative one lies beside the file.
QString pastaDoArquivo(const QString &texto, const QString &arquivo)
{
    QString pasta = texto;
    if (pasta == QLatin1String("~") || pasta.startsWith(QLatin1String("~/")))
        pasta = PlataformaPastas::pessoal() + pasta.mid(1);
    return QDir::cleanPath(QFileInfo(arquivo).absoluteDir().absoluteFilePath(pasta));
}

QString segundos(std::chrono::milliseconds prazo)
{
    return QString::number(std::chrono::duration_cast<std::chrono::seconds>(prazo).count());
}

QList<Instalacao::Chave> montaChaves()
{
    using T = Instalacao::Tipo;
    const PrazosEspera padrao;
    QList<Instalacao::Chave> chaves{{QStringLiteral("pasta"), T::Pasta, QStringLiteral("TAVO_ROOT"), {}}};
    // Policies name the school database's drive and the medium's.
    for (char letra = 'a'; letra <= 'z'; ++letra)
        chaves.append({kUnidades + QLatin1Char(letra),
                       T::Pasta,
                       QStringLiteral("TAVO_DRIVE_") + QChar::fromLatin1(letra).toUpper(),
                       {},
                       letra == 'a' || letra == 'c'});
    const QString s = QStringLiteral("servidor/");
    chaves.append({
        {s + QStringLiteral("gerenciado"), T::SimNao, {}, QStringLiteral("não"), true},
        {s + QStringLiteral("ip"), T::Texto, {}, {}, true},
        {s + QStringLiteral("portas"), T::Texto, {}, {}, true},
        {s + QStringLiteral("porta_inicial"), T::Texto, {}, {}, true},
        {s + QStringLiteral("tempo_conexao"), T::Segundos, {}, segundos(padrao.conexao), true},
        {s + QStringLiteral("tempo_resposta"), T::Segundos, {}, segundos(padrao.resposta), true},
        {s + QStringLiteral("tempo_sem_progresso"), T::Segundos, {}, segundos(padrao.semProgresso), true},
        {s + QStringLiteral("proxy"), T::Proxy, {}, QStringLiteral("nenhum"), true},
        // Every user reads the policies: no password there.
        {s + QStringLiteral("proxy_senha"), T::Senha, QStringLiteral("TAVO_PROXY_SENHA"), {}, false},
    });
    return chaves;
}

} // namespace

const QList<Instalacao::Chave> &Instalacao::chaves()
{
    static const QList<Chave> tabela = montaChaves();
    return tabela;
}

Instalacao Instalacao::carrega()
{
    QStringList nomes;
    for (const Chave &chave : chaves())
        if (chave.politica)
            nomes.append(chave.nome);
    return carrega(PlataformaPoliticas::le(nomes));
}

Instalacao Instalacao::carrega(const QHash<QString, QString> &politicas)
{
    // Every path variable is checked before any is used.
    QList<QByteArray> variaveis{"TAVO_ROOT", "TAVO_CONF_SISTEMA"};
    for (char letra = 'A'; letra <= 'Z'; ++letra)
        variaveis.append(QByteArray("TAVO_DRIVE_") + letra);
    for (const QByteArray &nome : variaveis)
        if (const std::optional<QString> falha = variavelInutilizavel(nome.constData()))
            throw ErroTavo(Erros::ArgumentoInvalido, *falha);

    Instalacao instalacao;
    const QString sistema = PlataformaPastas::variavel("TAVO_CONF_SISTEMA").value_or(QString());
    instalacao.m_pastaSistema = sistema.isEmpty() ? PlataformaPastas::sistema() : pastaAbsoluta(sistema);
    instalacao.m_arquivoSistema = instalacao.m_pastaSistema + QLatin1Char('/') + kNomeArquivo;
    try {
        instalacao.m_arquivoUsuario = PlataformaPastas::usuario() + QLatin1Char('/') + kNomeArquivo;
    } catch (const ErroTavo &) {
        // No home: the user has no file.
    }
    // The machine's files, before anything of them is read.
    const QString listaEscritorios = instalacao.m_pastaSistema + QStringLiteral("/escritorios_regionais.tsv");
    for (const QString &arquivo : {instalacao.m_arquivoSistema, listaEscritorios})
        if (QFileInfo::exists(arquivo) && !PlataformaArquivos::daMaquina(arquivo))
            throw ErroTavo(Erros::ArgumentoInvalido,
                           QStringLiteral("O arquivo %1 não será usado: outros usuários, além do sistema e dos "
                                          "administradores, podem tê-lo gravado. Peça ao suporte que o reinstale ou "
                                          "que deixe a gravação somente para os administradores.")
                               .arg(QDir::toNativeSeparators(arquivo)));
    const Arquivo usuario = Arquivo::le(instalacao.m_arquivoUsuario);
    const Arquivo doSistema = Arquivo::le(instalacao.m_arquivoSistema);

    for (const Chave &chave : chaves()) {
        Valor valor{chave.padrao, Origem::Padrao, {}};
        const QByteArray variavel = chave.variavel.toLatin1();
        const QString ambiente = chave.variavel.isEmpty() ? QString()
                                 : chave.tipo == Tipo::Pasta
                                     ? PlataformaPastas::variavel(variavel.constData()).value_or(QString())
                                     : qEnvironmentVariable(variavel.constData());
        const QString politica = chave.politica ? politicas.value(chave.nome).trimmed() : QString();
        if (!politica.isEmpty()) {
            valor = {chave.tipo == Tipo::Pasta ? pastaAbsoluta(politica) : politica, Origem::Politica,
                     PlataformaPoliticas::chave() + QLatin1Char('\\') + chave.nome.section(QLatin1Char('/'), 0, 0)};
        } else if (!ambiente.isEmpty()) {
            valor = {chave.tipo == Tipo::Pasta ? pastaAbsoluta(ambiente) : ambiente, Origem::Ambiente, chave.variavel};
        } else if (chave.tipo == Tipo::Senha) {
            // Only the user's own file may keep a password: see below.
            if (const std::optional<QString> texto = usuario.valor(chave.nome))
                valor = {*texto, Origem::ArquivoUsuario, usuario.caminho};
        } else {
            for (const auto &[arquivo, origem] :
                 {std::pair{&usuario, Origem::ArquivoUsuario}, std::pair{&doSistema, Origem::ArquivoSistema}}) {
                if (const std::optional<QString> texto = arquivo->valor(chave.nome)) {
                    valor = {chave.tipo == Tipo::Pasta ? pastaDoArquivo(*texto, arquivo->caminho) : *texto, origem,
                             arquivo->caminho};
                    break;
                }
            }
        }
        instalacao.m_valores.insert(chave.nome, valor);
    }

    const Valor pasta = instalacao.valor(QStringLiteral("pasta"));
    if (pasta.origem != Origem::Padrao) {
        instalacao.m_pastaPrograma = pasta.texto;
    } else {
        // Raises when the default needs a home and the user has none.
        const PlataformaPastas::Padrao padrao = PlataformaPastas::programa();
        instalacao.m_pastaPrograma = padrao.pasta;
        instalacao.m_regraPastaPrograma = padrao.regra;
    }
    // The program folder's owner (IT, say) may link a folder of it elsewhere.
    PlataformaArquivos::definePastaConfiavel(instalacao.m_pastaPrograma);

    OpcoesTransferencia &opcoes = instalacao.m_opcoes;
    const auto dado = [&instalacao](const char *chave) {
        const Valor valor = instalacao.valor(QStringLiteral("servidor/") + QLatin1String(chave));
        return valor.origem == Origem::Padrao ? QString() : valor.texto;
    };
    opcoes.tempoConexao = dado("tempo_conexao");
    opcoes.tempoResposta = dado("tempo_resposta");
    opcoes.tempoSemProgresso = dado("tempo_sem_progresso");
    opcoes.proxy = dado("proxy");
    const QString senhaChave = QStringLiteral("servidor/proxy_senha");
    if (doSistema.valor(senhaChave))
        opcoes.senhaRecusada = QStringLiteral("O arquivo de configuração do sistema %1 não pode guardar proxy_senha: "
                                              "todos os usuários o leem. Retire a chave desse arquivo e informe a "
                                              "senha do proxy na variável de ambiente TAVO_PROXY_SENHA ou em "
                                              "proxy_senha no arquivo de configuração do usuário.")
                                   .arg(instalacao.m_arquivoSistema);
    else if (usuario.valor(senhaChave) && PlataformaArquivos::outrosPodemLer(usuario.caminho))
        opcoes.senhaRecusada = QStringLiteral("O arquivo de configuração %1 guarda proxy_senha e pode ser lido por "
                                              "outros usuários: deixe a leitura somente para o seu dono.")
                                   .arg(usuario.caminho);
    // A password in a policy's proxy is no secret: that proxy is refused.
    const Valor proxy = instalacao.valor(QStringLiteral("servidor/proxy"));
    if (const Esperado<ProxyCliente> lido = ProxyCliente::le(proxy.texto);
        proxy.origem == Origem::Politica && lido && !lido->senha.isEmpty()) {
        opcoes.proxy.clear();
        opcoes.senhaRecusada =
            QStringLiteral("A política proxy de %1 guarda a senha do proxy, e todos os usuários leem "
                           "as políticas: esse proxy não será usado. Retire a senha da política e "
                           "informe-a na variável de ambiente TAVO_PROXY_SENHA ou em proxy_senha "
                           "no arquivo de configuração do usuário.")
                .arg(proxy.fonte);
    }
    const Valor senha = instalacao.valor(senhaChave);
    if (senha.origem == Origem::Ambiente || (senha.origem == Origem::ArquivoUsuario && opcoes.senhaRecusada.isEmpty()))
        opcoes.senhaProxy = senha.texto;
    return instalacao;
}

Instalacao::Valor Instalacao::valor(const QString &nome) const
{
    return m_valores.value(nome);
}

QString Instalacao::origem(const QString &nome) const
{
    const Valor dado = valor(nome);
    switch (dado.origem) {
    case Origem::Ambiente:
        return QStringLiteral("variável de ambiente %1").arg(dado.fonte);
    case Origem::ArquivoUsuario:
        return QStringLiteral("arquivo do usuário %1").arg(dado.fonte);
    case Origem::ArquivoSistema:
        return QStringLiteral("arquivo do sistema %1").arg(dado.fonte);
    case Origem::Politica:
        return QStringLiteral("política %1").arg(dado.fonte);
    case Origem::Padrao:
        break;
    }
    return QString();
}

QStringList Instalacao::dadasPorPolitica() const
{
    QStringList dadas;
    for (const Chave &chave : chaves())
        if (valor(chave.nome).origem == Origem::Politica)
            dadas.append(chave.nome);
    return dadas;
}

QString Instalacao::pastaUnidade(QChar letra) const
{
    const Valor dado = valor(kUnidades + letra.toLower());
    return dado.origem == Origem::Padrao ? QString() : dado.texto;
}

std::optional<ServidorInicial> Instalacao::servidorInicial() const
{
    const auto texto = [this](const char *chave) {
        return valor(QStringLiteral("servidor/") + QLatin1String(chave)).texto;
    };
    ServidorInicial servidor{texto("ip"), texto("portas"), texto("porta_inicial")};
    if (servidor.ip.isEmpty() && servidor.portas.isEmpty() && servidor.portaInicial.isEmpty())
        return std::nullopt;
    return servidor;
}

bool Instalacao::servidorGerenciado() const
{
    const Valor dado = valor(QStringLiteral("servidor/gerenciado"));
    const QString texto = dado.texto.trimmed().toLower();
    if (texto == QLatin1String("sim"))
        return true;
    if (texto == QStringLiteral("não") || texto == QLatin1String("nao"))
        return false;
    throw ErroTavo(Erros::ArgumentoInvalido,
                   QStringLiteral("O valor \"%1\" de gerenciado em [servidor] de %2 não é válido: use sim ou não.")
                       .arg(dado.texto, dado.fonte));
}
