#include "common/Erro.h"

ErroTavo::ErroTavo(long numero, QString descricao, QString detalhe)
    : m_numero(numero)
    , m_descricao(std::move(descricao))
    , m_detalhe(std::move(detalhe))
    , m_utf8(m_descricao.toUtf8())
{
}

QString ErroTavo::relato() const
{
    QString texto = QStringLiteral("error ") + QString::number(m_numero) + QStringLiteral(": ") + m_descricao;
    if (!m_detalhe.isEmpty())
        texto += QStringLiteral(" [") + m_detalhe + QLatin1Char(']');
    return texto;
}
