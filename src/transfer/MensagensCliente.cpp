#include "transfer/MensagensCliente.h"

#include "transfer/Windows1252.h"

#include <QRegularExpression>

namespace MensagensCliente {

QByteArray pedidoPacote()
{
    return QByteArrayLiteral("Request#:PACKET");
}

QString codigoEscritorioDezDigitos(const QString &codigo)
{
    static const QRegularExpression inteiro(QStringLiteral("^\\s*([+-]?)0*([0-9]+)\\s*$"));
    const QRegularExpressionMatch partes = inteiro.match(codigo);
    if (!partes.hasMatch())
        return codigo;
    QString digitos = partes.captured(2);
    if (digitos.size() < 10)
        digitos = QString(10 - digitos.size(), QLatin1Char('0')) + digitos;
    const bool negativo = partes.captured(1) == QLatin1String("-") && digitos.count(QLatin1Char('0')) != digitos.size();
    return negativo ? QLatin1Char('-') + digitos : digitos;
}

QByteArray cabecalhoArquivo(const Identidade &identidade)
{
    // Nothing is escaped: a "*" inside a name goes as it is.
    const QString texto = QStringLiteral("File~~~#:name~#:") + identidade.nomeArquivo + QLatin1Char('*')
                          + codigoEscritorioDezDigitos(identidade.codigoEscritorio) + identidade.escritorio
                          + QLatin1Char('*') + identidade.codigoEscola + identidade.escola + QLatin1Char('*')
                          + identidade.tipo;
    return Windows1252::codifica(texto);
}

QByteArray cabecalhoTamanho(qint64 tamanho)
{
    return QByteArrayLiteral("File~~~#:size~#:") + QByteArray::number(tamanho);
}

} // namespace MensagensCliente
