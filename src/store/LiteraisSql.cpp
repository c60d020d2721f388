#include "store/LiteraisSql.h"

#include "common/Erro.h"

#include <QRegularExpression>

namespace LiteraisSql {

QString texto(const QString &valor)
{
    QString dobrado = valor;
    dobrado.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + dobrado + QLatin1Char('\'');
}

QString numero(const QString &valor)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+(\\.[0-9]+)?$"));
    if (!decimal.match(valor).hasMatch())
        throw ErroTavo(Erros::TipoIncompativel,
                       QStringLiteral("Tipo de dados incompatível na expressão de critério: '%1'").arg(valor));
    return valor;
}

} // namespace LiteraisSql
