#include "shell/OpcoesJanela.h"

#include <cstdio>

namespace OpcoesJanela {

namespace {

// The options Qt itself reads from a widget program's command line
// (QGuiApplication, QApplication and the X11 platform), with one dash or two.
// Those of the first list take a value, as "-opção valor" or "-opção=valor".
const QStringList kQtComValor{QStringLiteral("platform"),
                              QStringLiteral("platformpluginpath"),
                              QStringLiteral("platformtheme"),
                              QStringLiteral("plugin"),
                              QStringLiteral("qwindowgeometry"),
                              QStringLiteral("geometry"),
                              QStringLiteral("qwindowtitle"),
                              QStringLiteral("title"),
                              QStringLiteral("qwindowicon"),
                              QStringLiteral("icon"),
                              QStringLiteral("session"),
                              QStringLiteral("display"),
                              QStringLiteral("name"),
                              QStringLiteral("visual"),
                              QStringLiteral("style"),
                              QStringLiteral("stylesheet")};
const QStringList kQtSemValor{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                              QStringLiteral("dograb"), QStringLiteral("sync")};

Analise erro(const QString &texto)
{
    return {Pedido::UsoIncorreto, texto};
}

void escreve(std::FILE *destino, const QString &texto)
{
    const QByteArray bytes = texto.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), destino);
    std::fflush(destino);
}

} // namespace

Analise analisa(const QStringList &argumentos)
{
    if (argumentos.contains(QStringLiteral("--help")) || argumentos.contains(QStringLiteral("-h")))
        return {Pedido::Ajuda, {}};
    if (argumentos.contains(QStringLiteral("--version")))
        return {Pedido::Versao, {}};

    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString &argumento = argumentos.at(i);
        if (argumento.size() < 2 || !argumento.startsWith(QLatin1Char('-')))
            return erro(QStringLiteral("Argumento inesperado: \"%1\".").arg(argumento));
        QString opcao = argumento.mid(argumento.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype igual = opcao.indexOf(QLatin1Char('='));
        if (igual >= 0)
            opcao.truncate(igual);
        if (kQtSemValor.contains(opcao) && igual < 0)
            continue;
        if (kQtComValor.contains(opcao)) {
            if (igual < 0 && ++i >= argumentos.size())
                return erro(QStringLiteral("A opção %1 precisa de um valor.").arg(argumento));
            continue;
        }
        return erro(QStringLiteral("Opção desconhecida: \"%1\".").arg(argumento));
    }
    return {};
}

QString ajuda()
{
    return QStringLiteral("Uso: tavo-upload [opções]\n"
                          "\n"
                          "Abre a janela do TAVO - Upload, com que a secretaria da escola gera o pacote\n"
                          "com os dados da escola, envia-o ao servidor central ou copia-o para um disco\n"
                          "removível, e consulta o histórico dos envios. Sem janela: tavo-upload-cli.\n"
                          "\n"
                          "Opções:\n"
                          "  -h, --help   Mostra esta ajuda.\n"
                          "  --version    Mostra a versão.\n"
                          "\n"
                          "As opções comuns dos programas Qt (-platform, -style, -reverse, ...) também\n"
                          "valem. Saída: 0 ao fechar a janela, 2 uso incorreto.\n");
}

std::optional<int> responde(int argc, char *argv[])
{
    QStringList argumentos;
    for (int i = 1; i < argc; ++i)
        argumentos.append(QString::fromLocal8Bit(argv[i]));

    const Analise analise = analisa(argumentos);
    switch (analise.pedido) {
    case Pedido::Ajuda:
        escreve(stdout, ajuda());
        return 0;
    case Pedido::Versao:
        escreve(stdout, QStringLiteral("tavo-upload " TAVO_VERSAO "\n"));
        return 0;
    case Pedido::UsoIncorreto:
        escreve(stderr, QStringLiteral("tavo-upload: ") + analise.erro
                            + QStringLiteral("\nUse \"tavo-upload --help\" para ver as opções.\n"));
        return 2;
    case Pedido::Abrir:
        break;
    }
    return std::nullopt;
}

} // namespace OpcoesJanela
