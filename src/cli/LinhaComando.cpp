#include "cli/LinhaComando.h"

#include "common/ArquivoIni.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSet>

namespace LinhaComando {

namespace {

const QStringList kGerais{QStringLiteral("--verbose"), QStringLiteral("--json"), QStringLiteral("-q"),
                          QStringLiteral("--silencioso")};

Analise erro(const QString &texto)
{
    Analise analise;
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

} // namespace

Analise analisa(const QStringList &argumentos)
{
    Analise analise;
    if (argumentos.contains(QStringLiteral("--help")) || argumentos.contains(QStringLiteral("-h"))) {
        analise.pedido = Pedido::Ajuda;
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
        return erro(QStringLiteral("Nenhum comando informado."));
    const QString nome = argumentos.at(posicao);
    analise.comando = Comando::cria(nome);
    if (!analise.comando)
        return erro(QStringLiteral("Comando desconhecido: \"%1\".").arg(nome));

    QList<QCommandLineOption> opcoes{
        QCommandLineOption(QStringLiteral("verbose")),
        QCommandLineOption(QStringLiteral("json")),
        QCommandLineOption(QStringList{QStringLiteral("q"), QStringLiteral("silencioso")}),
    };
    const bool tomaPasta =
        analise.comando->pasta() == Comando::Pasta::Preparada || analise.comando->pasta() == Comando::Pasta::SoTrava;
    if (tomaPasta)
        opcoes.append(Comando::opcao(QStringLiteral("esperar")));
    opcoes.append(analise.comando->opcoes());

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(opcoes);
    if (!parser.parse(QStringList{QStringLiteral("tavo-upload-cli")} + argumentos)) {
        const QString texto = erroDeUso(nome, opcoes, argumentos);
        return erro(texto.isEmpty() ? parser.errorText() : texto);
    }
    const QStringList soltos = parser.positionalArguments();
    if (soltos.size() > 1)
        return erro(QStringLiteral("Argumento inesperado: \"%1\".").arg(soltos.at(1)));

    analise.detalhado = parser.isSet(QStringLiteral("verbose"));
    analise.json = parser.isSet(QStringLiteral("json"));
    analise.silencioso = parser.isSet(QStringLiteral("silencioso"));
    if (analise.json && analise.silencioso)
        return erro(QStringLiteral("As opções --json e --silencioso não podem ser usadas juntas."));
    if (tomaPasta) {
        if (const auto falha = Comando::numero(parser, QStringLiteral("esperar"), 0, 86400, analise.esperar))
            return erro(*falha);
    }
    if (const auto falha = analise.comando->le(parser))
        return erro(*falha);
    return analise;
}

std::optional<QString> argumentoIlegivel(int argc, const char *const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        if (QFile::encodeName(QFile::decodeName(bytes)) == bytes)
            continue;
        const QString texto = ArquivoIni::textoEscapado(bytes);
        // "--opcao=valor", or the value after "--opcao".
        if (bytes.startsWith("--") && bytes.contains('='))
            return QStringLiteral("A opção %1 tem um valor que não é texto válido (UTF-8): \"%2\".")
                .arg(texto.section(QLatin1Char('='), 0, 0), texto.section(QLatin1Char('='), 1));
        const QByteArray anterior = i > 1 ? QByteArray(argv[i - 1]) : QByteArray();
        if (anterior.startsWith("--") && !anterior.contains('='))
            return QStringLiteral("A opção %1 tem um valor que não é texto válido (UTF-8): \"%2\".")
                .arg(ArquivoIni::textoEscapado(anterior), texto);
        return QStringLiteral("O argumento \"%1\" não é texto válido (UTF-8).").arg(texto);
    }
    return std::nullopt;
}

} // namespace LinhaComando

namespace LinhaComando {

QString ajuda()
{
    return QStringLiteral("Uso: tavo-upload-cli <comando> [opções]\n"
                          "\n"
                          "O TAVO - Upload sem janela: gera o pacote da escola, envia-o ao servidor e\n"
                          "mostra o histórico. Usa a mesma pasta do programa (TAVO_ROOT), o mesmo banco\n"
                          "de dados local, as mesmas configurações e o mesmo histórico da janela.\n"
                          "\n"
                          "Comandos:\n"
                          "  configurar --ip A.B.C.D --portas N --porta-inicial P\n"
                          "      Grava as configurações de acesso ao servidor: o IP, a quantidade de\n"
                          "      portas e a primeira delas.\n"
                          "  gerar\n"
                          "      Gera o pacote da escola a partir do banco\n"
                          "      c:\\inetpub\\wwwroot\\tavo\\mirv_dat.mdb; a saída é o caminho do pacote.\n"
                          "  enviar --tipo periodica|anual [--pacote ARQUIVO]\n"
                          "      Envia ao servidor o pacote de hoje feito por \"gerar\", ou o ARQUIVO\n"
                          "      indicado (um .zip ou o primeiro pedaço .001), e grava o envio no histórico.\n"
                          "      --tentativas N      tenta até N vezes (padrão 1) quando nenhuma porta\n"
                          "                          atende (69) ou a conexão cai antes de o pacote sair\n"
                          "                          inteiro (75); nunca depois de o pacote sair inteiro.\n"
                          "      --intervalo S       espera S segundos (padrão 30) antes da 2ª tentativa,\n"
                          "                          o dobro a cada nova, no máximo 16×S, vezes um fator\n"
                          "                          ao acaso de 0,5 a 1,5.\n"
                          "      --tempo-conexao S   limite de cada tentativa de conexão (padrão 10 s).\n"
                          "      --tempo-resposta S  limite de espera por uma resposta do servidor (120 s).\n"
                          "      --tempo-sem-progresso S\n"
                          "                          limite de um envio que não avança (60 s).\n"
                          "      --proxy P           nenhum, sistema, socks5://[usuario:senha@]host:porta\n"
                          "                          ou http://[usuario:senha@]host:porta.\n"
                          "  historico [--mes M] [--ano A] [--tipo todos|periodica|anual]\n"
                          "      Mostra o histórico de envios de um mês (padrão: o mês atual, os dois tipos).\n"
                          "  converter [--aceitar-perdas]\n"
                          "      Converte o banco de dados local do cliente anterior (formato do Access)\n"
                          "      e mostra, por tabela, as linhas que o arquivo declara e as que foram lidas.\n"
                          "      Um arquivo danificado, que não pode ser lido por inteiro, não é\n"
                          "      convertido; com --aceitar-perdas, é convertido com o que pôde ser lido\n"
                          "      (o original fica guardado como UploadCliente.mdb.access).\n"
                          "\n"
                          "Opções:\n"
                          "  --help            Mostra esta ajuda.\n"
                          "  --version         Mostra a versão.\n"
                          "  --json            Escreve na saída um objeto JSON com o resultado do comando,\n"
                          "                    ou, numa falha, com \"codigo\", \"mensagem\" e \"causa\".\n"
                          "  -q, --silencioso  Nada na saída quando o comando dá certo.\n"
                          "  --esperar S       (configurar, gerar, enviar, converter) Espera até S\n"
                          "                    segundos que outro TAVO - Upload libere a pasta do programa.\n"
                          "  --verbose         Mostra também na saída de erros as linhas do log, com as de\n"
                          "                    depuração (o log fica em tavo-upload.log, na pasta do programa).\n"
                          "\n"
                          "O resultado vai para a saída padrão; as mensagens e a causa de uma falha, para\n"
                          "a saída de erros (nada quando o comando dá certo). O progresso só aparece num\n"
                          "terminal.\n"
                          "\n"
                          "Códigos de saída:\n"
                          "   0  concluído\n"
                          "   1  outra falha\n"
                          "   2  uso incorreto (também um caminho que não pode ser representado)\n"
                          "   3  o servidor recusou: tamanho de pacote ou acesso negado, arquivo recusado,\n"
                          "      ou o servidor encerrou a conexão antes dos dados\n"
                          "   4  o pacote foi enviado inteiro, mas o envio não pôde ser gravado: não envie\n"
                          "      de novo\n"
                          "  65  o pacote, o banco de dados da escola ou o banco local do cliente anterior\n"
                          "      não pode ser usado\n"
                          "  69  nenhuma porta do servidor aceitou a conexão (o proxy incluído): tente de novo\n"
                          "  73  a trava da pasta do programa não pode ser feita\n"
                          "  74  erro de entrada e saída local (disco cheio, a saída do comando não pode ser\n"
                          "      escrita)\n"
                          "  75  tente mais tarde: a pasta está em uso por outro TAVO - Upload, ou a conexão\n"
                          "      caiu ou esgotou o tempo antes de o pacote sair inteiro\n"
                          "  78  configuração: nenhuma configuração do servidor gravada, TAVO_ROOT ou outro\n"
                          "      valor de configuração inválido\n");
}

} // namespace LinhaComando
