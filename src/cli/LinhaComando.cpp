#include "cli/LinhaComando.h"

#include "common/ArquivoIni.h"
#include "common/ProxyCliente.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cstring>

namespace LinhaComando {

namespace {

const QStringList kGerais{QStringLiteral("--verbose"), QStringLiteral("--json"), QStringLiteral("-q"),
                          QStringLiteral("--silencioso")};

// The help's lines are at most this wide; an option's description starts at
// this column.
constexpr qsizetype kLargura = 79;
constexpr qsizetype kColunaDescricao = 22;
// Joins the words of one option in the synopsis, so that a line break never
// parts an option from its value.
constexpr QChar kUnido(0x00a0);

Analise erro(Analise analise, const QString &texto)
{
    analise.erro = texto;
    return analise;
}

// QCommandLineParser says what went wrong in its own words; the user is
// told in the program's, found again from the arguments and the options.
QString erroDeUso(const QString &comando, const QList<QCommandLineOption> &opcoes, const QStringList &argumentos)
{
    QSet<QString> comValor;
    QSet<QString> semValor;
    for (const QCommandLineOption &opcao : opcoes) {
        for (const QString &nome : opcao.names())
            (opcao.valueName().isEmpty() ? semValor : comValor).insert(nome);
    }
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString &argumento = argumentos.at(i);
        if (argumento == QLatin1String("--"))
            break;
        if (!argumento.startsWith(QLatin1Char('-')) || argumento == QLatin1String("-"))
            continue;
        const bool longa = argumento.startsWith(QLatin1String("--"));
        QString nome = argumento.mid(longa ? 2 : 1);
        const bool temValor = nome.contains(QLatin1Char('='));
        nome = nome.section(QLatin1Char('='), 0, 0);
        const QString escrita = (longa ? QStringLiteral("--") : QStringLiteral("-")) + nome;
        if (semValor.contains(nome)) {
            if (temValor)
                return QStringLiteral("A opção %1 não leva valor.").arg(escrita);
            continue;
        }
        if (!comValor.contains(nome))
            return QStringLiteral("O comando %1 não tem a opção \"%2\".").arg(comando, escrita);
        if (!temValor && ++i >= argumentos.size())
            return QStringLiteral("A opção %1 precisa de um valor.").arg(escrita);
    }
    return QString();
}

bool tomaPasta(const Comando &comando)
{
    return comando.pasta() == Comando::Pasta::Preparada || comando.pasta() == Comando::Pasta::SoTrava;
}

// The options every command takes, each with its help; --esperar only where
// the command takes the program folder.
QList<QCommandLineOption> gerais(bool comEspera)
{
    QList<QCommandLineOption> opcoes{
        QCommandLineOption(QStringLiteral("json"),
                           QStringLiteral("Escreve na saída um objeto JSON com o resultado do comando, ou, numa falha "
                                          "(o uso incorreto também), com \"codigo\", \"mensagem\" e \"causa\".")),
        QCommandLineOption(QStringList{QStringLiteral("q"), QStringLiteral("silencioso")},
                           QStringLiteral("Nada na saída quando o comando dá certo.")),
        QCommandLineOption(QStringLiteral("verbose"),
                           QStringLiteral("Mostra também na saída de erros as linhas do log, com as de depuração (o "
                                          "log fica em tavo-upload.log, na pasta do programa).")),
    };
    if (comEspera)
        opcoes.append(Comando::opcao(QStringLiteral("esperar"), QStringLiteral("S"),
                                     QStringLiteral("Espera até S segundos que outro TAVO - Upload libere a pasta do "
                                                    "programa.")));
    return opcoes;
}

// `texto` in lines of at most kLargura columns: the first begins with
// `primeira`, the others with `recuo` blanks.
QString quebra(const QString &texto, const QString &primeira, qsizetype recuo)
{
    QString saida;
    QString linha = primeira;
    bool vazia = true;
    for (const QString &palavra : texto.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!vazia && linha.size() + 1 + palavra.size() > kLargura) {
            saida += linha + QLatin1Char('\n');
            linha = QString(recuo, QLatin1Char(' '));
            vazia = true;
        }
        linha += (vazia ? QString() : QStringLiteral(" ")) + palavra;
        vazia = false;
    }
    saida += linha + QLatin1Char('\n');
    saida.replace(kUnido, QLatin1Char(' '));
    return saida;
}

// "-q, --silencioso", "--tipo periodica|anual".
QString nomesDa(const QCommandLineOption &opcao)
{
    QStringList nomes;
    for (const QString &nome : opcao.names())
        nomes.append((nome.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nome);
    return nomes.join(QStringLiteral(", "))
           + (opcao.valueName().isEmpty() ? QString() : QLatin1Char(' ') + opcao.valueName());
}

// Each option on its line, its description beside or below it.
QString listaDeOpcoes(const QList<QCommandLineOption> &opcoes)
{
    QString saida;
    for (const QCommandLineOption &opcao : opcoes) {
        const QString nomes = QStringLiteral("  ") + nomesDa(opcao);
        if (nomes.size() + 2 <= kColunaDescricao)
            saida += quebra(opcao.description(), nomes.leftJustified(kColunaDescricao), kColunaDescricao);
        else
            saida += nomes + QLatin1Char('\n')
                     + quebra(opcao.description(), QString(kColunaDescricao, QLatin1Char(' ')), kColunaDescricao);
    }
    return saida;
}

// "enviar --tipo periodica|anual [--pacote ARQUIVO] ...", from the command's
// options: those it cannot do without bare, the others in brackets.
QString sinopse(const Comando &comando)
{
    QStringList partes{comando.nome()};
    const QStringList obrigatorias = comando.obrigatorias();
    for (const QCommandLineOption &opcao : comando.opcoes()) {
        QString texto = QStringLiteral("--") + opcao.names().constLast();
        if (!opcao.valueName().isEmpty())
            texto += kUnido + opcao.valueName();
        partes.append(obrigatorias.contains(opcao.names().constFirst()) ? texto
                                                                        : QLatin1Char('[') + texto + QLatin1Char(']'));
    }
    return partes.join(QLatin1Char(' '));
}

// Where the first argument that is no option names a command, that command.
std::unique_ptr<Comando> comandoNomeado(const QStringList &argumentos)
{
    for (const QString &argumento : argumentos) {
        if (argumento == QLatin1String("--"))
            break;
        if (!argumento.startsWith(QLatin1Char('-')))
            return Comando::cria(argumento);
    }
    return nullptr;
}

Analise le(const QStringList &argumentos)
{
    Analise analise;
    if (argumentos.contains(QStringLiteral("--help")) || argumentos.contains(QStringLiteral("-h"))) {
        analise.pedido = Pedido::Ajuda;
        analise.comando = comandoNomeado(argumentos);
        return analise;
    }
    if (argumentos.contains(QStringLiteral("--version"))) {
        analise.pedido = Pedido::Versao;
        return analise;
    }

    // The command comes first, after any of the general options.
    qsizetype posicao = 0;
    while (posicao < argumentos.size() && kGerais.contains(argumentos.at(posicao)))
        ++posicao;
    if (posicao == argumentos.size())
        return erro(std::move(analise), QStringLiteral("Nenhum comando informado."));
    const QString nome = argumentos.at(posicao);
    analise.comando = Comando::cria(nome);
    if (!analise.comando)
        return erro(std::move(analise), QStringLiteral("Comando desconhecido: \"%1\".").arg(nome));

    QList<QCommandLineOption> opcoes = gerais(tomaPasta(*analise.comando));
    opcoes.append(analise.comando->opcoes());

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(opcoes);
    if (!parser.parse(QStringList{QStringLiteral("tavo-upload-cli")} + argumentos)) {
        const QString texto = erroDeUso(nome, opcoes, argumentos);
        return erro(std::move(analise), texto.isEmpty() ? parser.errorText() : texto);
    }
    const QStringList soltos = parser.positionalArguments();
    if (soltos.size() > 1)
        return erro(std::move(analise), QStringLiteral("Argumento inesperado: \"%1\".").arg(soltos.at(1)));

    analise.detalhado = parser.isSet(QStringLiteral("verbose"));
    analise.json = parser.isSet(QStringLiteral("json"));
    analise.silencioso = parser.isSet(QStringLiteral("silencioso"));
    if (analise.json && analise.silencioso)
        return erro(std::move(analise), QStringLiteral("As opções --json e --silencioso não podem ser usadas juntas."));
    if (tomaPasta(*analise.comando)) {
        if (const auto lido = Comando::numero(parser, QStringLiteral("esperar"), 0, 86400, analise.esperar); !lido)
            return erro(std::move(analise), lido.erro().descricao());
    }
    if (const auto lido = analise.comando->le(parser); !lido)
        return erro(std::move(analise), lido.erro().descricao());
    return analise;
}

} // namespace

Analise analisa(const QStringList &argumentos)
{
    Analise analise = le(argumentos);
    // A script that asked for JSON reads one object whatever went wrong,
    // a usage error too.
    if (!analise.erro.isEmpty())
        analise.json = pedeJson(argumentos);
    return analise;
}

bool pedeJson(const QStringList &argumentos)
{
    const qsizetype fim = argumentos.indexOf(QStringLiteral("--"));
    return argumentos.mid(0, fim < 0 ? argumentos.size() : fim).contains(QStringLiteral("--json"));
}

namespace {

// The names the parser takes for the proxy's option (ParseAsLongOptions:
// "-proxy" too), and "-P", the value's name in the help.
bool opcaoProxy(QByteArrayView nome)
{
    return nome == "--proxy" || nome == "-proxy" || nome == "-P";
}

} // namespace

Esperado<void> argumentoIlegivel(const QList<QByteArray> &argumentos)
{
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QByteArray &bytes = argumentos.at(i);
        if (QFile::encodeName(QFile::decodeName(bytes)) == bytes)
            continue;
        const QString texto = ArquivoIni::textoEscapado(bytes);
        // "--opcao=valor", or the value after "--opcao".
        if (bytes.startsWith("--") && bytes.contains('=')) {
            const QString valor = texto.section(QLatin1Char('='), 1);
            return usoIncorreto(
                QStringLiteral("A opção %1 tem um valor que não é texto válido (UTF-8): \"%2\".")
                    .arg(texto.section(QLatin1Char('='), 0, 0),
                         opcaoProxy(bytes.left(bytes.indexOf('='))) ? ProxyCliente::semSenha(valor) : valor));
        }
        const QByteArray anterior = i > 0 ? argumentos.at(i - 1) : QByteArray();
        if (anterior.startsWith("--") && !anterior.contains('='))
            return usoIncorreto(QStringLiteral("A opção %1 tem um valor que não é texto válido (UTF-8): \"%2\".")
                                    .arg(ArquivoIni::textoEscapado(anterior),
                                         opcaoProxy(anterior) ? ProxyCliente::semSenha(texto) : texto));
        return usoIncorreto(QStringLiteral("O argumento \"%1\" não é texto válido (UTF-8).")
                                .arg(opcaoProxy(anterior) ? ProxyCliente::semSenha(texto) : texto));
    }
    return {};
}

void ocultaSenhaProxy(int argc, char *argv[])
{
    const auto oculta = [](char *valor) {
        if (const std::optional<ProxyCliente::Trecho> senha = ProxyCliente::trechoDaSenha(QByteArrayView(valor)))
            std::fill(valor + senha->first, valor + senha->second, '*');
    };
    for (int i = 1; i < argc; ++i) {
        char *argumento = argv[i];
        if (std::strcmp(argumento, "--") == 0)
            return;
        char *igual = std::strchr(argumento, '=');
        if (igual && opcaoProxy(QByteArrayView(argumento, igual - argumento)))
            oculta(igual + 1);
        else if (!igual && opcaoProxy(QByteArrayView(argumento)) && i + 1 < argc)
            oculta(argv[++i]);
    }
}

} // namespace LinhaComando

namespace LinhaComando {

QString ajuda(const Comando *comando)
{
    QString texto;
    if (comando) {
        texto += quebra(sinopse(*comando), QStringLiteral("Uso: tavo-upload-cli "), 9);
        texto += QLatin1Char('\n') + quebra(comando->descricao(), QString(), 0) + QStringLiteral("\nOpções:\n");
        texto += listaDeOpcoes(
            comando->opcoes() + gerais(tomaPasta(*comando))
            + QList<QCommandLineOption>{QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                                           QStringLiteral("Mostra esta ajuda."))});
        return texto + QStringLiteral("\nOs códigos de saída estão em \"tavo-upload-cli --help\".\n");
    }

    texto = QStringLiteral("Uso: tavo-upload-cli <comando> [opções]\n"
                           "     tavo-upload-cli <comando> --help    (as opções do comando)\n"
                           "\n"
                           "O TAVO - Upload sem janela: gera o pacote da escola, envia-o ao servidor e\n"
                           "mostra o histórico. Usa a mesma pasta do programa (TAVO_ROOT), o mesmo banco\n"
                           "de dados local, as mesmas configurações e o mesmo histórico da janela.\n"
                           "\n"
                           "Comandos:\n");
    QStringList comEspera;
    for (const std::unique_ptr<Comando> &cada : Comando::todos()) {
        texto +=
            quebra(sinopse(*cada), QStringLiteral("  "), 4) + quebra(cada->descricao(), QStringLiteral("      "), 6);
        if (tomaPasta(*cada))
            comEspera.append(cada->nome());
    }
    QList<QCommandLineOption> opcoes{
        QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                           QStringLiteral("Mostra esta ajuda; depois de um comando, a ajuda do comando.")),
        QCommandLineOption(QStringLiteral("version"), QStringLiteral("Mostra a versão."))};
    for (QCommandLineOption opcao : gerais(true)) {
        if (opcao.names().constFirst() == QLatin1String("esperar"))
            opcao.setDescription(QLatin1Char('(') + comEspera.join(QStringLiteral(", ")) + QStringLiteral(") ")
                                 + opcao.description());
        opcoes.append(opcao);
    }
    texto += QStringLiteral("\nOpções gerais:\n") + listaDeOpcoes(opcoes);
    return texto
           + QStringLiteral("\n"
                            "O resultado vai para a saída padrão; as mensagens e a causa de uma falha, para\n"
                            "a saída de erros (nada quando o comando dá certo). O progresso só aparece num\n"
                            "terminal.\n"
                            "\n"
                            "Códigos de saída:\n"
                            "   0  concluído\n"
                            "   1  outra falha (também a falta de memória)\n"
                            "   2  uso incorreto (também um caminho que não pode ser representado)\n"
                            "   3  o servidor recusou: tamanho de pacote ou acesso negado, arquivo recusado,\n"
                            "      ou o servidor encerrou a conexão antes dos dados\n"
                            "   4  o pacote foi enviado inteiro, mas o envio não pôde ser gravado: não envie\n"
                            "      de novo\n"
                            "  65  o pacote (danificado, ou mudado durante o envio), o banco de dados da\n"
                            "      escola ou o banco local do cliente anterior não pode ser usado\n"
                            "  69  nenhuma porta do servidor aceitou a conexão (o proxy incluído): tente de novo\n"
                            "  73  a trava da pasta do programa não pode ser feita\n"
                            "  74  erro de entrada e saída local (disco cheio, atalho de outro usuário, a saída\n"
                            "      do comando não pode ser escrita)\n"
                            "  75  tente mais tarde: a pasta está em uso por outro TAVO - Upload, ou a conexão\n"
                            "      caiu ou esgotou o tempo antes de o pacote sair inteiro\n"
                            "  78  configuração: nenhuma configuração do servidor gravada, TAVO_ROOT ou outro\n"
                            "      valor de configuração inválido\n");
}

} // namespace LinhaComando
