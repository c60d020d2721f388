#include "history/RelatorioHistorico.h"

#include "common/Erro.h"

#include <QLocale>

#include <utility>

namespace RelatorioHistorico {

namespace {

const QLatin1String kCrLf("\r\n");
const QLatin1String kQuatroBrancos("    ");

// Only blanks count: a tab or line break inside a stored value is kept.
QString semBrancosNasPontas(const QString &texto)
{
    qsizetype inicio = 0;
    qsizetype fim = texto.size();
    while (inicio < fim && texto.at(inicio) == QLatin1Char(' '))
        ++inicio;
    while (fim > inicio && texto.at(fim - 1) == QLatin1Char(' '))
        --fim;
    return texto.mid(inicio, fim - inicio);
}

// What a report line of an ordinary send takes, to size the buffer once for
// the usual month.
constexpr qsizetype kTamanhoLinhaTipica = 93;

void acrescentaLinha(QString &destino, const QString &dataEnvio, const QString &descricao, const QString &codigoEscola,
                     const QString &nomeArquivo, const QString &tipo)
{
    destino += dataEnvio;
    destino += escritorio(descricao);
    destino += kQuatroBrancos;
    destino += codigoEscola;
    destino += kQuatroBrancos;
    destino += nomeArquivo;
    destino += kQuatroBrancos;
    destino += semBrancosNasPontas(tipo);
    destino += kCrLf;
}

} // namespace

QString nomeMes(int mes)
{
    if (mes < 1 || mes > 12)
        throw ErroTavo(Erros::ArgumentoInvalido, QStringLiteral("Chamada de procedimento ou argumento inválido"));
    const QLocale regional;
    return regional.toUpper(regional.standaloneMonthName(mes, QLocale::LongFormat));
}

QString cabecalho(int mes, int ano)
{
    const QString regua = QString(larguraRegua, QLatin1Char('-'));
    const QLocale regional;
    QString texto;
    texto += QStringLiteral("HISTÓRICO DE ENVIO DE ARQUIVOS DO TAVO");
    texto += kCrLf;
    texto += regional.toUpper(nomeMes(mes) + QLatin1Char('/') + QString::number(ano));
    texto += kCrLf;
    texto += regua;
    texto += kCrLf;
    texto += QStringLiteral("DATA DE ENVIO      ");
    texto += QStringLiteral("SUBSECRETARIA").rightJustified(larguraEscritorio, QLatin1Char(' '));
    texto += kQuatroBrancos;
    texto += QStringLiteral("ESCOLA      ");
    texto += QStringLiteral("NOME DO ARQUIVO");
    texto += QString(16, QLatin1Char(' '));
    texto += QStringLiteral("TIPO");
    texto += kCrLf;
    texto += regua;
    texto += kCrLf;
    return texto;
}

QString escritorio(const QString &descricao)
{
    QString nome = semBrancosNasPontas(descricao);
    nome.remove(QStringLiteral("SSRE DE"), Qt::CaseSensitive);
    // rightJustified without truncation writes a longer name whole.
    return nome.rightJustified(larguraEscritorio, QLatin1Char(' '));
}

QString linha(const QString &dataEnvio, const QString &descricao, const QString &codigoEscola,
              const QString &nomeArquivo, const QString &tipo)
{
    QString texto;
    acrescentaLinha(texto, dataEnvio, descricao, codigoEscola, nomeArquivo, tipo);
    return texto;
}

QString rodape(qint64 quantidade)
{
    if (quantidade <= 0)
        return {};
    return QString(larguraRegua, QLatin1Char('-')) + kCrLf + QStringLiteral("TOTAL: ")
           + QStringLiteral("%1").arg(quantidade, 4, 10, QLatin1Char('0')) + QLatin1Char(' ')
           + (quantidade > 1 ? QStringLiteral("ARQUIVOS") : QStringLiteral("ARQUIVO"));
}

Montador::Montador(int mes, int ano)
{
    m_texto.reserve(64 * kTamanhoLinhaTipica);
    m_texto += cabecalho(mes, ano);
}

void Montador::acrescenta(const QString &dataEnvio, const QString &descricao, const QString &codigoEscola,
                          const QString &nomeArquivo, const QString &tipo)
{
    // QString grows geometrically once the reserve is used up, so appending
    // stays linear however many rows the month has.
    acrescentaLinha(m_texto, dataEnvio, descricao, codigoEscola, nomeArquivo, tipo);
    ++m_quantidade;
}

QString Montador::termina()
{
    m_texto += rodape(m_quantidade);
    m_quantidade = 0;
    return std::exchange(m_texto, QString());
}

} // namespace RelatorioHistorico
