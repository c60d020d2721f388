#include "cli/LinhaComando.h"

#include "common/ArquivoIni.h"
#include "store/Configuracao.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>

namespace LinhaComando {

namespace {

struct Definicao
{
    QLatin1String nome;
    Comando comando;
    // Options that take a value, and options that are only given or not.
    QStringList opcoes;
    QStringList chaves = {};
};

Analise erro(const QString &texto)
{
    return {std::nullopt, texto};
}

// "periodica", "periódica" in any case: the type's name as typed.
QString tipoDigitado(const QString &texto)
{
    QString tipo = texto.trimmed().toLower();
    tipo.replace(QStringLiteral("ó"), QStringLiteral("o"));
    return tipo;
}

// A whole number of at most `digitos` digits.
std::optional<int> numero(const QString &texto, int digitos)
{
    static const QRegularExpression forma(QStringLiteral("^[0-9]+$"));
    if (texto.size() > digitos || !forma.match(texto).hasMatch())
        return std::nullopt;
    return texto.toInt();
}

// The address cut at its dots into the four boxes of the settings window,
// each of which holds three characters.
std::optional<QString> cortaEndereco(const QString &endereco, QStringList &partes)
{
    if (endereco.count(QLatin1Char('.')) > 3)
        return QStringLiteral("O IP do servidor tem mais de quatro partes: \"%1\".").arg(endereco);
    partes = partesDoEndereco(endereco);
    for (const QString &parte : std::as_const(partes)) {
        if (parte.size() > 3)
            return QStringLiteral("Cada parte do IP do servidor tem no máximo três caracteres: \"%1\".").arg(endereco);
    }
    // An empty part is an empty box, which the settings' checks report.
    for (const QString &parte : std::as_const(partes)) {
        const std::optional<int> valor = numero(parte, 3);
        if (!parte.isEmpty() && (!valor || *valor > 255))
            return QStringLiteral("Cada parte do IP do servidor é um número de 0 a 255: \"%1\".").arg(endereco);
    }
    while (partes.size() < 4)
        partes.append(QString());
    return std::nullopt;
}

Analise completaConfigurar(Pedido pedido, const QMap<QString, QString> &valores)
{
    if (valores.contains(QStringLiteral("ip"))) {
        if (const auto falha = cortaEndereco(valores.value(QStringLiteral("ip")), pedido.configuracao.partes))
            return erro(*falha);
    }
    pedido.configuracao.qtdePortas = valores.value(QStringLiteral("portas"));
    pedido.configuracao.portaInicial = valores.value(QStringLiteral("porta-inicial"));
    // The ranges the settings are saved with; an empty value is left to the
    // settings' checks, like an option not given.
    const auto foraDoIntervalo = [](const QString &texto, int maximo) {
        const std::optional<int> valor = numero(texto, 5);
        return !texto.isEmpty() && (!valor || *valor < 1 || *valor > maximo);
    };
    if (foraDoIntervalo(pedido.configuracao.qtdePortas, 32767))
        return erro(QStringLiteral("A quantidade de portas é um número de 1 a 32767, não \"%1\".")
                        .arg(pedido.configuracao.qtdePortas));
    if (foraDoIntervalo(pedido.configuracao.portaInicial, 65535))
        return erro(QStringLiteral("A porta inicial é um número de 1 a 65535, não \"%1\".")
                        .arg(pedido.configuracao.portaInicial));
    return {pedido, {}};
}

Analise completaEnviar(Pedido pedido, const QMap<QString, QString> &valores)
{
    if (valores.contains(QStringLiteral("tipo"))) {
        const QString tipo = tipoDigitado(valores.value(QStringLiteral("tipo")));
        if (tipo != QLatin1String("periodica") && tipo != QLatin1String("anual"))
            return erro(QStringLiteral("O tipo de transmissão é \"periodica\" ou \"anual\", não \"%1\".")
                            .arg(valores.value(QStringLiteral("tipo"))));
        pedido.periodica = tipo == QLatin1String("periodica");
    }
    if (valores.contains(QStringLiteral("pacote"))) {
        pedido.pacote = valores.value(QStringLiteral("pacote"));
        if (pedido.pacote.trimmed().isEmpty())
            return erro(QStringLiteral("A opção --pacote precisa do nome de um arquivo."));
    }
    return {pedido, {}};
}

Analise completaHistorico(Pedido pedido, const QMap<QString, QString> &valores)
{
    if (valores.contains(QStringLiteral("mes"))) {
        const std::optional<int> mes = numero(valores.value(QStringLiteral("mes")), 2);
        if (!mes || *mes < 1 || *mes > 12)
            return erro(
                QStringLiteral("O mês é um número de 1 a 12, não \"%1\".").arg(valores.value(QStringLiteral("mes"))));
        pedido.mes = static_cast<std::int16_t>(*mes);
    }
    if (valores.contains(QStringLiteral("ano"))) {
        const std::optional<int> ano = numero(valores.value(QStringLiteral("ano")), 4);
        if (!ano)
            return erro(QStringLiteral("O ano é informado somente com números, até quatro, não \"%1\".")
                            .arg(valores.value(QStringLiteral("ano"))));
        if (*ano < 1)
            return erro(
                QStringLiteral("O ano é um número de 1 a 9999, não \"%1\".").arg(valores.value(QStringLiteral("ano"))));
        pedido.ano = static_cast<std::int16_t>(*ano);
    }
    if (valores.contains(QStringLiteral("tipo"))) {
        const QString tipo = tipoDigitado(valores.value(QStringLiteral("tipo")));
        const QStringList tipos{QStringLiteral("todos"), QStringLiteral("periodica"), QStringLiteral("anual")};
        if (!tipos.contains(tipo))
            return erro(QStringLiteral("O tipo de transmissão é \"todos\", \"periodica\" ou \"anual\", não \"%1\".")
                            .arg(valores.value(QStringLiteral("tipo"))));
        pedido.tipo = static_cast<std::int16_t>(tipos.indexOf(tipo));
    }
    return {pedido, {}};
}

// The command and its options, "--verbose" taken out.
Analise analisaComando(const QStringList &argumentos)
{
    if (argumentos.contains(QStringLiteral("--help")) || argumentos.contains(QStringLiteral("-h")))
        return {Pedido{}, {}};
    if (argumentos.contains(QStringLiteral("--version"))) {
        Pedido pedido;
        pedido.comando = Comando::Versao;
        return {pedido, {}};
    }
    if (argumentos.isEmpty())
        return erro(QStringLiteral("Nenhum comando informado."));

    const Definicao definicoes[] = {
        {QLatin1String("configurar"),
         Comando::Configurar,
         {QStringLiteral("ip"), QStringLiteral("portas"), QStringLiteral("porta-inicial")}},
        {QLatin1String("gerar"), Comando::Gerar, {}},
        {QLatin1String("enviar"), Comando::Enviar, {QStringLiteral("tipo"), QStringLiteral("pacote")}},
        {QLatin1String("historico"),
         Comando::Historico,
         {QStringLiteral("mes"), QStringLiteral("ano"), QStringLiteral("tipo")}},
        {QLatin1String("converter"), Comando::Converter, {}, {QStringLiteral("aceitar-perdas")}},
    };
    const Definicao *definicao = nullptr;
    for (const Definicao &candidata : definicoes) {
        if (candidata.nome == argumentos.first())
            definicao = &candidata;
    }
    if (!definicao)
        return erro(QStringLiteral("Comando desconhecido: \"%1\".").arg(argumentos.first()));

    // An option takes a value, as "--opcao valor" or "--opcao=valor" (the
    // last one given counts), unless it is one that is only given or not.
    QMap<QString, QString> valores;
    QStringList chaves;
    for (qsizetype i = 1; i < argumentos.size(); ++i) {
        const QString &argumento = argumentos.at(i);
        if (!argumento.startsWith(QLatin1String("--")))
            return erro(QStringLiteral("Argumento inesperado: \"%1\".").arg(argumento));
        QString opcao = argumento.mid(2);
        const qsizetype igual = opcao.indexOf(QLatin1Char('='));
        std::optional<QString> valor;
        if (igual >= 0) {
            valor = opcao.mid(igual + 1);
            opcao.truncate(igual);
        }
        if (definicao->chaves.contains(opcao)) {
            if (valor)
                return erro(QStringLiteral("A opção --%1 não leva valor.").arg(opcao));
            chaves.append(opcao);
            continue;
        }
        if (!definicao->opcoes.contains(opcao))
            return erro(QStringLiteral("O comando %1 não tem a opção \"--%2\".").arg(definicao->nome, opcao));
        if (!valor) {
            if (i + 1 >= argumentos.size())
                return erro(QStringLiteral("A opção --%1 precisa de um valor.").arg(opcao));
            valor = argumentos.at(++i);
        }
        valores.insert(opcao, *valor);
    }

    Pedido pedido;
    pedido.comando = definicao->comando;
    switch (definicao->comando) {
    case Comando::Configurar:
        return completaConfigurar(pedido, valores);
    case Comando::Enviar:
        return completaEnviar(pedido, valores);
    case Comando::Historico:
        return completaHistorico(pedido, valores);
    case Comando::Converter:
        pedido.aceitaPerdas = chaves.contains(QStringLiteral("aceitar-perdas"));
        return {pedido, {}};
    default:
        return {pedido, {}};
    }
}

} // namespace

Analise analisa(const QStringList &argumentosDados)
{
    QStringList argumentos = argumentosDados;
    const bool detalhado = argumentos.removeAll(QStringLiteral("--verbose")) > 0;
    Analise analise = analisaComando(argumentos);
    if (analise.pedido)
        analise.pedido->detalhado = detalhado;
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
                          "      c:\\inetpub\\wwwroot\\tavo\\mirv_dat.mdb; a última linha é o caminho do pacote.\n"
                          "  enviar --tipo periodica|anual [--pacote ARQUIVO]\n"
                          "      Envia ao servidor o pacote de hoje feito por \"gerar\", ou o ARQUIVO\n"
                          "      indicado (um .zip ou o primeiro pedaço .001), e grava o envio no histórico.\n"
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
                          "  --help      Mostra esta ajuda.\n"
                          "  --version   Mostra a versão.\n"
                          "  --verbose   Mostra também na saída de erros as linhas do log, com as de\n"
                          "              depuração (o log fica em tavo-upload.log, na pasta do programa).\n"
                          "\n"
                          "Saída: 0 sucesso, 1 falha (a mensagem vai para a saída de erros), 2 uso incorreto.\n"
                          "configurar, gerar, enviar e converter não rodam enquanto outro TAVO - Upload\n"
                          "(a janela ou o console) estiver aberto na mesma pasta do programa.\n");
}

} // namespace LinhaComando
